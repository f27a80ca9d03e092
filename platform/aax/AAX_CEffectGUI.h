// Module-side base of one editor window.
//
//   Initialize(controller)     keeps the controller, then CreateViewContents()
//   SetViewContainer(c)        c not null: keeps it, then CreateViewContainer(); null (or a
//                              second container while one is held): DeleteViewContainer() first
//   GetViewContainerType / GetViewContainerPtr / GetViewContainerWindowSystem
//                              of the container held (NULL type and nullptr without one)
//   GetCustomData(id, size, data, written)  asks the instance's effect parameters, through the
//                              host's controller, for a block of custom data
// Hooks: CreateViewContents, CreateViewContainer, DeleteViewContainer (empty here).
// User-interface thread only. Live GUI objects are counted with the instances.
#pragma once

#include "platform/aax/AAX_Interfaces.h"

class AAX_CEffectGUI : public AAX_IEffectGUI
{
  public:
    AAX_CEffectGUI();
    ~AAX_CEffectGUI() override;
    AAX_CEffectGUI(const AAX_CEffectGUI&) = delete;
    AAX_CEffectGUI& operator=(const AAX_CEffectGUI&) = delete;

    AAX_Result Initialize(AAX_IController* controller) override;
    AAX_Result SetViewContainer(AAX_IViewContainer* container) override;

    virtual void CreateViewContents() {}
    virtual void CreateViewContainer() {}
    virtual void DeleteViewContainer() {}

    int32_t GetViewContainerType() const;
    void* GetViewContainerPtr() const;
    int32_t GetViewContainerWindowSystem() const;
    AAX_Result GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data, uint32_t* written) const;

  protected:
    AAX_IController* mController = nullptr;
    AAX_IViewContainer* mViewContainer = nullptr;
};
