#include "platform/aax/AAX_CEffectGUI.h"

#include "platform/aax/AAX_CEffectParameters.h"

AAX_CEffectGUI::AAX_CEffectGUI()
{
    AAX_CountObject(1);
}

AAX_CEffectGUI::~AAX_CEffectGUI()
{
    AAX_CountObject(-1);
}

AAX_Result AAX_CEffectGUI::Initialize(AAX_IController* controller)
{
    if (!controller) return AAX_ERROR_NULL_OBJECT;
    mController = controller;
    CreateViewContents();
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectGUI::SetViewContainer(AAX_IViewContainer* container)
{
    if (mViewContainer) {
        DeleteViewContainer();
        mViewContainer = nullptr;
    }
    if (container) {
        mViewContainer = container;
        CreateViewContainer();
    }
    return AAX_SUCCESS;
}

int32_t AAX_CEffectGUI::GetViewContainerType() const
{
    return mViewContainer ? mViewContainer->GetType() : AAX_eViewContainer_Type_NULL;
}

void* AAX_CEffectGUI::GetViewContainerPtr() const
{
    return mViewContainer ? mViewContainer->GetPtr() : nullptr;
}

int32_t AAX_CEffectGUI::GetViewContainerWindowSystem() const
{
    return mViewContainer ? mViewContainer->GetWindowSystem() : AAX_eWindowSystem_X11;
}

AAX_Result AAX_CEffectGUI::GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                                         uint32_t* written) const
{
    if (!mController) return AAX_ERROR_NOT_INITIALIZED;
    return mController->GetCustomData(blockID, size, data, written);
}
