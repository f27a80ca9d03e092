// AAX_CEffectGUI_VST: the plug-in's editor in an AAX host's window. It reaches the editor only
// through the instance's custom data block "KsEd" (the editor pointer), never the instance.
//
//   Create()                the GUI-creation procedure of the description
//   CreateViewContents()    asks for the editor pointer
//   CreateViewContainer()   a native window handle (container type 3): opens the editor on it,
//                           shown through the back end of the container's window system (X11,
//                           or headless for test hosts), and keeps the editor's frame; other
//                           container types are ignored
//   DeleteViewContainer()   closes the editor
//   GetViewSize(size)       the frame's width and height (nothing without a frame)
//   Draw(rect)              redraws that rectangle of the frame (top, left, width, height)
//   TimerWakeup()           the editor's idle
//   ParameterUpdated(id)    the editor shows the parameter with that identifier
// Every operation returns AAX_SUCCESS. User-interface thread only.
#pragma once

#include "platform/aax/AAX_CEffectGUI.h"
#include "platform/gui/Backend.h"

#include <memory>
#include <string>
#include <vector>

class AEffEditor;
class AEffGUIEditor;
class CFrame;

class AAX_CEffectGUI_VST : public AAX_CEffectGUI
{
  public:
    static AAX_IEffectGUI* Create();
    ~AAX_CEffectGUI_VST() override;

    void CreateViewContents() override;
    void CreateViewContainer() override;
    void DeleteViewContainer() override;
    AAX_Result GetViewSize(AAX_Point* size) const override;
    AAX_Result Draw(AAX_Rect* rect) override;
    AAX_Result TimerWakeup() override;
    AAX_Result ParameterUpdated(AAX_CParamID id) override;

  private:
    AEffEditor* editor = nullptr;
    CFrame* frame = nullptr;
    bool viewOpen = false;
    std::unique_ptr<gui::Backend> backend;
    std::vector<std::string> identifiers;
};
