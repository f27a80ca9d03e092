// PresetMenu: an invisible button over the skin's preset-menu artwork. A left or right press
// opens a popup with one submenu per bank of the data folder (its programs, the current one
// checked in the loaded bank's submenu, the loaded bank's title starred) followed by the file
// commands; choosing a program loads its bank and selects the program.
//
// The commands and program stepping are shared with PresetSelector and UpDownPreset:
//   PresetCommand                the file commands of the preset menus, in menu order
//   presetCommandText(command)   the entry text ("Load Bank", ..., "Read Manual")
//   runPresetCommand(editor, shell, command, forgetLoadedBank)
//                                runs one command: the file dialogs through the editor ("fxb" for
//                                banks, "fxp" for presets; a cancelled dialog does nothing), the
//                                shell's file operations, clearing the current program, or
//                                opening the manual. With forgetLoadedBank, "Load Bank" marks no
//                                listed bank as loaded afterwards, also when cancelled
//   stepProgram(shell, delta)    selects the program delta places away, kept within 0..63
//
// PresetMenu(size, editor, tag, shell)
//   buildMenu()                  the popup as it would open now (the caller owns it)
//   onMouseDown(where, buttons)  opens the popup at the press and carries out the choice; the
//                                control is marked dirty and the editor is told
//   draw(context)                draws nothing: the skin's background shows the button
//
// User-interface thread only; menus are built for one popup and destroyed after it.
#pragma once

#include "platform/gui/CControl.h"

#include <memory>

class COptionMenu;
class KsEditor;
class KsPluginVST;

enum class PresetCommand { loadBank, saveBank, loadPreset, savePreset, clearPreset, readManual };

const char* presetCommandText(PresetCommand command);
void runPresetCommand(KsEditor& editor, KsPluginVST& shell, PresetCommand command, bool forgetLoadedBank);
void stepProgram(KsPluginVST& shell, int delta);

class PresetMenu : public CControl
{
  public:
    // Entries per column of the popups of the preset controls.
    static constexpr int kEntriesPerColumn = 37;

    PresetMenu(const CRect& size, KsEditor* editor, int tag, KsPluginVST* shell);

    std::unique_ptr<COptionMenu> buildMenu() const;
    CMouseEventResult onMouseDown(CPoint& where, int buttons) override;
    void draw(CDrawContext& context) override;

  private:
    KsEditor* editor;
    KsPluginVST* shell;
};
