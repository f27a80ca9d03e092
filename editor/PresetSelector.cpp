#include "editor/PresetSelector.h"

#include "editor/KsEditor.h"
#include "editor/PresetMenu.h"
#include "platform/gui/CFrame.h"
#include "platform/gui/COptionMenu.h"
#include "shell/KsPluginVST.h"

#include <string>

namespace
{

// The command entries after the bank entries, in menu order; the rest are separators.
struct CommandEntry {
    const char* text;
    bool isCommand;
    PresetCommand command;
};
constexpr CommandEntry kEntries[] = {
    {nullptr, true, PresetCommand::loadBank},    {nullptr, true, PresetCommand::saveBank},
    {nullptr, true, PresetCommand::loadPreset},  {nullptr, true, PresetCommand::savePreset},
    {nullptr, true, PresetCommand::clearPreset}, {"-", false, {}},
    {nullptr, true, PresetCommand::readManual},  {"-", false, {}},
};
constexpr int kEntryCount = static_cast<int>(std::size(kEntries));

// Letters of bank n counted from "A": "A" to "Z", then "AA", "AB", ... (the data folder lists up to
// 128 banks, more than one letter can name).
std::string bankLetters(int n)
{
    std::string letters;
    for (++n; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

} // namespace

PresetSelector::PresetSelector(const CRect& area, KsEditor* owner, int t, const CBitmap* bitmap,
                               const SkinFont* skinFont, KsPluginVST* vst)
    : CControl(area, owner, t, bitmap), editor(owner), shell(vst), font(skinFont),
      arrowWidth(bitmap ? static_cast<int>(bitmap->getHeight() * 0.8 / 3) : 0)
{
}

std::unique_ptr<COptionMenu> PresetSelector::buildMenu() const
{
    auto menu = std::make_unique<COptionMenu>(CRect(), nullptr, -1, COptionMenu::kCheckStyle);
    menu->setNbItemsPerColumn(PresetMenu::kEntriesPerColumn);
    if (!shell) return menu;
    if (!shell->banksAreScanned()) shell->scanBanks();
    const int banks = shell->bankCount();
    if (banks == 1) {
        menu->addEntry("Reload Bank");
    } else {
        for (int b = 0; b < banks; ++b)
            menu->addEntry("Load Bank " + bankLetters(b));
    }
    for (const CommandEntry& entry : kEntries)
        menu->addEntry(entry.isCommand ? presetCommandText(entry.command) : entry.text);
    char name[kVstTextSize];
    for (int p = 0; p < KsPluginVST::kProgramSlots; ++p) {
        name[0] = '\0';
        shell->getProgramNameIndexed(0, p, name);
        const int entry = menu->addEntry(name);
        if (p == shell->getProgram()) menu->checkEntry(entry, true);
    }
    return menu;
}

CMouseEventResult PresetSelector::onMouseDown(CPoint& where, int buttons)
{
    if (!shell || !editor) return kMouseEventNotHandled;
    const CRect& r = getViewSize();
    const bool arrowZone = where.x < r.left + arrowWidth || where.x > r.right - arrowWidth ||
                           where.y < r.top || where.y > r.bottom;
    if (arrowZone) {
        if (where.y >= r.top && where.y <= r.bottom) {
            if (where.x >= r.right - arrowWidth && where.x <= r.right) {
                heldArrow = 0;
                stepProgram(*shell, 1);
            } else if (where.x >= r.left && where.x <= r.left + arrowWidth) {
                heldArrow = 1;
                stepProgram(*shell, -1);
            }
        }
        setDirty();
        // Every control shows the program at once. No idle processing from inside this press:
        // it would deliver the press's own release before the frame knows the press was taken.
        editor->refreshControls(false);
        return kMouseEventHandled;
    }
    if (!(buttons & (kLButton | kRButton))) return kMouseEventNotHandled;
    CFrame* frame = getFrame();
    if (!frame) return kMouseEventNotHandled;
    std::unique_ptr<COptionMenu> menu = buildMenu();
    const int banks = shell->bankCount();
    const bool chosen = menu->popup(*frame, localToFrame(where));
    const int index = chosen ? menu->getLastResult() : -1;
    menu.reset();
    if (index < 0) return kMouseEventHandled;
    if (index < banks) {
        // Choosing a bank reads its file again, also the one that is loaded now ("Reload Bank").
        const int before = shell->getLoadedBank();
        shell->setLoadedBank(-1);
        if (!shell->loadBank(index)) shell->setLoadedBank(before);
    } else if (index < banks + kEntryCount) {
        const CommandEntry& entry = kEntries[index - banks];
        if (entry.isCommand) runPresetCommand(*editor, *shell, entry.command, false);
    } else {
        shell->setProgram(index - banks - kEntryCount);
    }
    return kMouseEventHandled;
}

CMouseEventResult PresetSelector::onMouseUp(CPoint&, int)
{
    heldArrow = -1;
    return kMouseEventHandled;
}

void PresetSelector::onMouseExited(CPoint&, int)
{
    heldArrow = -1;
}

void PresetSelector::draw(CDrawContext& context)
{
    if (background) drawStripFrame(context, 0, background->getHeight() / 3);
    setDirty(false);
}
