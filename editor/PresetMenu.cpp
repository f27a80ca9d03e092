#include "editor/PresetMenu.h"

#include "editor/FileDialogs.h"
#include "editor/KsEditor.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"
#include "shell/KsPluginVST.h"

#include <algorithm>
#include <string>

namespace
{

constexpr PresetCommand kCommands[] = {PresetCommand::loadBank, PresetCommand::saveBank,
                                       PresetCommand::loadPreset, PresetCommand::savePreset,
                                       PresetCommand::clearPreset};

} // namespace

const char* presetCommandText(PresetCommand command)
{
    switch (command) {
    case PresetCommand::loadBank:
        return "Load Bank";
    case PresetCommand::saveBank:
        return "Save Bank";
    case PresetCommand::loadPreset:
        return "Load Preset";
    case PresetCommand::savePreset:
        return "Save Preset";
    case PresetCommand::clearPreset:
        return "Clear Preset";
    case PresetCommand::readManual:
        return "Read Manual";
    }
    return "";
}

void runPresetCommand(KsEditor& editor, KsPluginVST& shell, PresetCommand command, bool forgetLoadedBank)
{
    std::string path;
    CFrame* frame = editor.getFrame();
    const auto load = [&](const char* extension) {
        return frame && filedialogs::loadDialog(*frame, extension, path);
    };
    const auto save = [&](const char* extension) {
        return frame && filedialogs::saveDialog(*frame, extension, path);
    };
    switch (command) {
    case PresetCommand::loadBank: {
        const bool loaded = load("fxb") && shell.loadBankFile(path.c_str());
        // The programs no longer come from a listed bank, so none counts as loaded: choosing a
        // listed bank afterwards reads it again.
        if (forgetLoadedBank || loaded) shell.setLoadedBank(-1);
        break;
    }
    case PresetCommand::saveBank:
        if (save("fxb")) shell.saveBankFile(path.c_str());
        break;
    case PresetCommand::loadPreset:
        if (load("fxp")) shell.loadPresetFile(path.c_str());
        break;
    case PresetCommand::savePreset:
        if (save("fxp")) shell.savePresetFile(path.c_str());
        break;
    case PresetCommand::clearPreset:
        shell.initProgram();
        break;
    case PresetCommand::readManual:
        editor.openManual();
        break;
    }
}

void stepProgram(KsPluginVST& shell, int delta)
{
    shell.setProgram(std::clamp(shell.getProgram() + delta, 0, KsPluginVST::kProgramSlots - 1));
}

// ---- PresetMenu --------------------------------------------------------------------------------

PresetMenu::PresetMenu(const CRect& area, KsEditor* owner, int t, KsPluginVST* vst)
    : CControl(area, owner, t), editor(owner), shell(vst)
{
}

std::unique_ptr<COptionMenu> PresetMenu::buildMenu() const
{
    auto menu = std::make_unique<COptionMenu>(CRect(), nullptr, -1, COptionMenu::kCheckStyle);
    menu->setNbItemsPerColumn(kEntriesPerColumn);
    if (!shell) return menu;
    if (!shell->banksAreScanned()) shell->scanBanks();
    const int loaded = shell->getLoadedBank();
    for (int b = 0; b < shell->bankCount(); ++b) {
        auto* bank = new COptionMenu(CRect(), nullptr, -1, COptionMenu::kCheckStyle);
        bank->setNbItemsPerColumn(kEntriesPerColumn);
        const std::vector<std::string>& names = shell->bankProgramNames(b);
        for (int slot = 0; slot < static_cast<int>(names.size()) && slot < KsPluginVST::kProgramSlots;
             ++slot) {
            if (names[static_cast<std::size_t>(slot)].empty()) continue;
            const int entry = bank->addEntry(names[static_cast<std::size_t>(slot)]);
            if (b == loaded && slot == shell->getProgram()) bank->checkEntry(entry, true);
        }
        menu->addEntry(bank, (b == loaded ? "*" : "") + shell->bankName(b));
    }
    menu->addSeparator();
    for (PresetCommand command : kCommands)
        menu->addEntry(presetCommandText(command));
    menu->addSeparator();
    menu->addEntry(presetCommandText(PresetCommand::readManual));
    return menu;
}

CMouseEventResult PresetMenu::onMouseDown(CPoint& where, int buttons)
{
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    CFrame* frame = getFrame();
    if (!frame || !editor || !shell) return kMouseEventNotHandled;
    std::unique_ptr<COptionMenu> menu = buildMenu();
    const int banks = shell->bankCount();
    if (menu->popup(*frame, localToFrame(where))) {
        int index = -1;
        const COptionMenu* chosen = menu->getLastItemMenu(index);
        if (chosen != menu.get()) {
            // A program of a bank: the bank is the submenu's position at the top.
            for (int b = 0; b < banks; ++b) {
                if (menu->getSubMenu(b) != chosen) continue;
                // Programs without a name have no entry, so the entry is counted back to its slot.
                const std::vector<std::string> names = shell->bankProgramNames(b);
                int slot = -1;
                for (int s = 0, entry = -1; s < static_cast<int>(names.size()); ++s)
                    if (!names[static_cast<std::size_t>(s)].empty() && ++entry == index) {
                        slot = s;
                        break;
                    }
                if (slot >= 0 && shell->loadBank(b)) shell->setProgram(slot);
                break;
            }
        } else if (index > banks && index < banks + 1 + static_cast<int>(std::size(kCommands))) {
            runPresetCommand(*editor, *shell, kCommands[index - banks - 1], true);
        } else if (index == banks + 2 + static_cast<int>(std::size(kCommands))) {
            runPresetCommand(*editor, *shell, PresetCommand::readManual, true);
        }
    }
    menu.reset();
    setDirty();
    notifyValueChanged();
    return kMouseEventHandled;
}

void PresetMenu::draw(CDrawContext&)
{
    setDirty(false);
}
