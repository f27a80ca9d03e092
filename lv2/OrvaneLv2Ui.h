// OrvaneLv2Ui: the plug-in's editor as an LV2 user interface (ui:X11UI, a module of its own in the
// bundle). It reaches the plug-in instance through the host's instance-access feature, makes the
// product's editor for that instance's shell, and opens it in the host's parent window through the
// toolkit's X11 back end. Everything runs on the host's user-interface thread.
//
//   OrvaneLv2Ui(write, controller, features)  needs ui:parent and instance-access; uses ui:resize
//                        (the editor's size) and ui:touch when offered; ok() tells whether the
//                        editor opened
//   widget()             the editor's X window
//   portEvent(...)       the host's value of a control port: the editor shows it as a host
//                        parameter change; nothing is written back
//   idle()               the host's idle: the editor handles its X events and redraws, then what
//                        the editor changed goes to the host (below); 1 once the editor is gone
//
// What reaches the host (write_function with the port's value, touch for gestures) is decided by
// OrvaneLv2UiSync from what the editor's idle did; automated writes made outside the idle (a MIDI
// program change on the audio thread, a state restore) are written in the next idle when the
// port holds another value. Writes the editor makes while it shows a port event are not echoed.
#pragma once

#include "lv2/OrvaneLv2Ports.h"
#include "lv2/OrvaneLv2Shell.h"
#include "lv2/OrvaneLv2UiSync.h"
#include "platform/gui/x11/X11Backend.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <memory>

class AEffGUIEditor;

class OrvaneLv2Ui final : private OrvaneLv2Shell::UiListener, private OrvaneLv2UiSync::Host
{
  public:
    OrvaneLv2Ui(LV2UI_Write_Function writer, LV2UI_Controller controller, const LV2_Feature* const* features);
    ~OrvaneLv2Ui();
    OrvaneLv2Ui(const OrvaneLv2Ui&) = delete;
    OrvaneLv2Ui& operator=(const OrvaneLv2Ui&) = delete;

    bool ok() const { return editor != nullptr; }
    LV2UI_Widget widget() const { return widgetId; }
    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    int idle();

  private:
    bool automated(int index, float normalised) override;
    void gesture(int index, bool begins) override;
    void shellGone() override;
    void writePort(uint32_t port, float value) override;
    void touchPort(uint32_t port, bool grabbed) override;

    void closeEditor();

    LV2UI_Write_Function writeFunction = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Touch* touchFeature = nullptr;
    OrvaneLv2Shell* shell = nullptr;
    gui::X11Backend backend; // outlives the editor
    AEffGUIEditor* editor = nullptr;
    LV2UI_Widget widgetId = nullptr;
    std::unique_ptr<OrvaneLv2UiSync> sync;
    OrvaneLv2UiSync::Parameters parameters{};
    bool recording = false;   // inside the editor's idle: notifications go to sync
    bool suppressing = false; // inside a port event: the editor's writes are not echoed
};
