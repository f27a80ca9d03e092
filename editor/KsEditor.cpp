#include "editor/KsEditor.h"

#include "editor/CAnimKnobS.h"
#include "editor/OnButton.h"
#include "editor/PresetMenu.h"
#include "editor/PresetSelector.h"
#include "editor/ScrollSelector.h"
#include "editor/UpDownPreset.h"
#include "editor/VerticalSliderS.h"
#include "editor/VuMeterS.h"
#include "editor/WebLink.h"
#include "engine/KsPlugin.h"
#include "platform/gui/CBitmap.h"
#include "platform/gui/CKickButton.h"
#include "platform/os/OsFiles.h"
#include "platform/os/OsFolders.h"
#include "shell/KsPluginVST.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{

// The web-menu path and query behind the maker's web address.
constexpr const char* kMenuUrlFormat = "%s/TirskMenu.php?option=%s&%sid=%s.%u";

} // namespace

int SkinFont::glyphOf(char c) const
{
    for (int g = 0; g < glyphCount; ++g)
        if (characters[g] == c) return g;
    return -1;
}

KsEditor::KsEditor(KsPluginVST* owner, KsPlugin* effectEngine)
    : AEffGUIEditor(owner), shell(owner), engine(effectEngine)
{
    clearTables();
    if (!engine) return;
    seedDefaultSkin();
    // The "Background" bitmap decides the editor's size; it is loaded once for that only.
    const CBitmapEx background(skinFolder(kSkinName) + os::pathSeparator + "Background.png");
    if (background.isLoaded()) {
        rect.top = 0;
        rect.left = 0;
        rect.bottom = static_cast<int16_t>(background.getHeight());
        rect.right = static_cast<int16_t>(background.getWidth());
        skinUsable = true;
    }
}

KsEditor::~KsEditor()
{
    destroyEverything();
}

std::string KsEditor::skinFolder(const char* skinName) const
{
    const std::string sep(1, os::pathSeparator);
    return std::string(engine ? engine->dataFolder : "") + sep + "Skins" + sep + skinName;
}

namespace
{

// The file beside a seeded skin that records which installed skin it was copied from.
constexpr const char* kSeedRecord = "Seeded.txt";
constexpr size_t kMaxSkinFile = 64u << 20;

// A fingerprint of a skin folder's description and PNG files (names and bytes, in name order):
// FNV-1a over 64 bits. Empty when the description cannot be read.
std::string skinFingerprint(const std::string& folder)
{
    const std::string sep(1, os::pathSeparator);
    std::vector<std::string> files = os::listFiles(folder, "png");
    for (std::string& name : files)
        name += ".png";
    files.push_back(KsEditor::kDescriptionFile);
    std::uint64_t hash = 1469598103934665603ull;
    const auto mix = [&hash](const void* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            hash ^= static_cast<const unsigned char*>(data)[i];
            hash *= 1099511628211ull;
        }
    };
    std::vector<uint8_t> bytes;
    for (const std::string& name : files) {
        if (!os::readFile(folder + sep + name, kMaxSkinFile, bytes)) return {};
        mix(name.data(), name.size() + 1);
        mix(bytes.data(), bytes.size());
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

void KsEditor::seedDefaultSkin() const
{
    // The data folder's skin is the one the editor shows. It is copied from the installed skin
    // when there is none, and copied again when a newer installation brings another skin and
    // the copy is still exactly what was seeded (the seed record holds its fingerprint). Copies
    // made before the record existed are known by the built-in description's first words. A
    // skin the user made or changed is never replaced.
    const std::string target = skinFolder(kSkinName);
    const std::string sep(1, os::pathSeparator);
    const std::string record = target + sep + kSeedRecord;
    std::string seeded;
    if (os::fileExists(target + sep + kDescriptionFile)) {
        std::vector<uint8_t> bytes;
        if (os::readFile(record, 64, bytes)) {
            seeded.assign(bytes.begin(), bytes.end());
            if (seeded.empty() || skinFingerprint(target) != seeded) return;
        } else {
            if (!os::readFile(target + sep + kDescriptionFile, kMaxSkinFile, bytes)) return;
            const std::string start(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64));
            if (start.rfind(KsEditor::kBuiltInSkinStart, 0) != 0) return;
            seeded = skinFingerprint(target);
        }
    }
    for (const std::string& folder : os::factoryFolders()) {
        const std::string source = folder + sep + "Skins" + sep + kSkinName;
        if (!os::fileExists(source + sep + kDescriptionFile)) continue;
        const std::string installed = skinFingerprint(source);
        if (installed.empty() || installed == seeded) return;
        if (!os::makeFolders(target)) return;
        // The description goes last: a copy cut short is made again on the next start.
        for (const std::string& name : os::listFiles(source, "png"))
            if (!os::copyFileAtomically(source + sep + name + ".png", target + sep + name + ".png")) return;
        if (!os::copyFileAtomically(source + sep + kDescriptionFile, target + sep + kDescriptionFile)) return;
        const std::string now = skinFingerprint(target);
        os::writeFileAtomically(record, now.data(), now.size());
        return;
    }
}

void KsEditor::clearTables()
{
    std::fill(std::begin(controlSlots), std::end(controlSlots), nullptr);
    slotCount = 0;
    mainContainer = nullptr;
    pages.clear();
    bitmaps.clear();
    backgroundIndex = -1;
    fonts.clear();
    skinValues.clear();
}

void KsEditor::destroyEverything()
{
    // Views first (controls belong to their pages), then the bitmaps they drew.
    for (auto& page : pages) {
        if (CViewContainer* parent = page.second->getParentView()) parent->removeView(page.second, false);
        delete page.second;
    }
    pages.clear();
    if (mainContainer) {
        if (CViewContainer* parent = mainContainer->getParentView())
            parent->removeView(mainContainer, true);
        else
            delete mainContainer;
    }
    mainContainer = nullptr;
    delete frame;
    frame = nullptr;
    editorOpen = false;
    clearTables();
}

// ---- host side ---------------------------------------------------------------------------------

bool KsEditor::open(void* parent)
{
    if (!skinUsable || !backend || !engine || frame) return false;
    parentWindow = parent;
    userChanged = false;
    AEffGUIEditor::open(parent);
    frame = new CFrame(CRect(0, 0, rect.right, rect.bottom), parent, *backend);
    if (!frame->isOpen()) {
        destroyEverything();
        AEffGUIEditor::close();
        return false;
    }
    frame->setEditor(this);
    if (!loadSkin(kSkinName, frame)) {
        destroyEverything();
        AEffGUIEditor::close();
        skinUsable = false;
        return false;
    }
    editorOpen = true;
    frame->setBackground(bitmaps[static_cast<std::size_t>(backgroundIndex)].second.get());
    onSkinLoaded();
    if (frame) frame->redraw();
    return true;
}

void KsEditor::close()
{
    destroyEverything();
    AEffGUIEditor::close();
    parentWindow = nullptr;
}

void KsEditor::idle()
{
    if (!frame || !engine || !editorOpen) return;
    // Parameter changes made on other threads since the last idle reach the controls here.
    if (shell) shell->deliverEditorChanges();
    if (frame) frame->idle();
}

void KsEditor::setParameter(VstInt32 index, float value)
{
    if (!frame || !engine || !editorOpen || !skinUsable) return;
    CControl* control = getControl(index);
    if (!control) return;
    control->setValue(value);
    control->setDirty();
    onParameterSet(index, value);
}

void KsEditor::refreshControls(bool runIdle)
{
    if (!frame || !engine || !editorOpen || !skinUsable) return;
    userChanged = false;
    for (int i = 0; i < slotCount; ++i) {
        if (CControl* control = controlSlots[i]) {
            control->setValue(engine->getParameter(i));
            control->setDirty();
        }
    }
    onControlsRefreshed();
    if (!frame) return;
    frame->redrawDirty();
    if (runIdle) frame->idle();
}

// ---- controls ----------------------------------------------------------------------------------

void KsEditor::valueChanged(CControl* control)
{
    if (!control || !frame || !engine || !editorOpen || !skinUsable) return;
    const int tag = control->getTag();
    const float value = control->getValue();
    if (tag >= 0 && tag < engine->automatableCount) userChanged = true;
    // A control without a parameter (a meter has no tag) writes nothing and tells the host nothing.
    if (!onControlChanged(tag, value) && effect && tag >= 0 && tag < engine->parameterCount)
        effect->setParameterAutomated(tag, value);
    control->setDirty();
}

void KsEditor::controlBeginEdit(CControl* control)
{
    if (control) beginEdit(control->getTag());
}

void KsEditor::controlEndEdit(CControl* control)
{
    if (control) endEdit(control->getTag());
}

void KsEditor::beginEdit(VstInt32 index)
{
    if (engine && index >= 0 && index < engine->parameterCount) AEffGUIEditor::beginEdit(index);
}

void KsEditor::endEdit(VstInt32 index)
{
    if (engine && index >= 0 && index < engine->parameterCount) AEffGUIEditor::endEdit(index);
}

AEffGUIEditor* KsEditor::attach(KsPluginVST& owner, KsEditor* editor)
{
    if (owner.getEngine()) owner.getEngine()->editor = editor;
    return editor;
}

AEffGUIEditor* KsEditor::create(KsPluginVST& owner)
{
    return attach(owner, new KsEditor(&owner, owner.getEngine()));
}

void KsEditor::useForShells()
{
    KsPluginVST::setEditorFactory(&KsEditor::create);
}

bool KsEditor::onParameterSet(int, float)
{
    return false;
}

bool KsEditor::onControlChanged(int, float)
{
    return false;
}

void KsEditor::makeMenuUrl(char* url, std::size_t size, const char* option)
{
    if (!url || size == 0) return;
    const char* product = engine && engine->productName() ? engine->productName() : "";
    std::snprintf(url, size, kMenuUrlFormat, kMakerWebSite, option ? option : "", product, "0", 0u);
}

bool KsEditor::createCustomControl(int, const char*, CBitmap*, int, CViewContainer*, int, int, int, int)
{
    return false;
}

// ---- skin --------------------------------------------------------------------------------------

bool KsEditor::loadSkin(const char* skinName, CFrame* targetFrame)
{
    clearTables();
    if (!engine || !targetFrame || !skinName) return false;
    const std::string folder = skinFolder(skinName);
    const std::string sep(1, os::pathSeparator);
    SkinDescription skin;
    if (!skin.readFile(folder + sep + kDescriptionFile)) return false;

    // Bitmaps: "Background" must be among them, and every one must load.
    const auto background = std::find(skin.bitmaps.begin(), skin.bitmaps.end(), "Background");
    if (background == skin.bitmaps.end()) return false;
    backgroundIndex = static_cast<int>(background - skin.bitmaps.begin());
    for (const std::string& name : skin.bitmaps) {
        auto bitmap = std::make_unique<CBitmapEx>(folder + sep + name + ".png");
        if (!bitmap->isLoaded()) return false;
        bitmaps.emplace_back(name, std::move(bitmap));
    }
    const CBitmap* backgroundBitmap = bitmaps[static_cast<std::size_t>(backgroundIndex)].second.get();

    for (const SkinFontSpec& spec : skin.fonts) {
        auto font = std::make_unique<SkinFont>();
        font->name = spec.name;
        font->bitmap = getSkinBitmap(spec.name.c_str());
        font->glyphCount = std::min(spec.glyphCount, SkinFont::kMaxGlyphs);
        int offset = 0;
        for (int g = 0; g < font->glyphCount; ++g) {
            font->characters[g] = spec.characters[static_cast<std::size_t>(g)];
            font->widths[g] = spec.widths[static_cast<std::size_t>(g)];
            font->offsets[g] = offset;
            offset += font->widths[g];
        }
        fonts.push_back(std::move(font));
    }
    skinValues = skin.parameters;

    mainContainer =
        new CViewContainer(CRect(rect.left, 0, rect.right, backgroundBitmap->getHeight()), backgroundBitmap);
    targetFrame->addView(mainContainer);
    for (const SkinPageSpec& spec : skin.pages) {
        CBitmap* pageBitmap = getSkinBitmap(spec.bitmap.c_str());
        if (!pageBitmap) return false;
        pages.emplace_back(
            spec.name, new CViewContainer(CRect(spec.left, spec.top, spec.right, spec.bottom), pageBitmap));
    }

    slotCount = std::min(engine->parameterCount, kMaxControlSlots);
    std::fill(std::begin(controlSlots), std::end(controlSlots), nullptr);
    for (const SkinControlSpec& spec : skin.controls) {
        CBitmap* bitmap = getSkinBitmap(spec.bitmap.c_str());
        if (!bitmap) return false;
        CViewContainer* page = spec.page == "Main" ? mainContainer : getPage(spec.page.c_str());
        if (!page) return false;
        const int index = engine->parameterIndex(spec.parameter.c_str());
        if (index < 0 || index >= slotCount) return false;
        // The line gives frame pixels; the control lives inside its page.
        const int dx = page->getViewSize().left;
        const int dy = page->getViewSize().top;
        createControl(index, spec.kind.c_str(), bitmap, index, page, spec.x1 - dx, spec.y1 - dy, spec.x2 - dx,
                      spec.y2 - dy);
    }
    return true;
}

bool KsEditor::createControl(int slot, const char* kind, CBitmap* bitmap, int tag, CViewContainer* parent,
                             int x1, int y1, int x2, int y2)
{
    if (slot < 0 || slot >= kMaxControlSlots || !kind || !bitmap || !parent || !engine) return false;
    const int w = bitmap->getWidth();
    const int h = bitmap->getHeight();
    const std::string k = kind;
    const float current = engine->getParameter(tag);
    const SkinRect r = controlRectangle(k, w, h, x1, y1, x2, y2);
    const CRect size(r.left, r.top, r.right, r.bottom);
    CControl* control = nullptr;
    float initial = current;

    if (k == "None") {
        controlSlots[slot] = nullptr;
        return true;
    }
    if (k == "Knob") {
        // A strip shorter than one square frame still shows its one frame.
        const int frames = std::max(1, h / std::max(1, w));
        control = new CAnimKnobS(size, this, tag, frames, w, bitmap, {}, this, kKnobMenuTag);
    } else if (k == "OnButton") {
        control = new OnButton(size, this, tag, bitmap);
    } else if (k == "KickButton") {
        control = new CKickButton(size, this, tag, bitmap);
    } else if (k == "VSlider") {
        control = new VerticalSliderS(size, this, tag, y2 - y1, bitmap, getSkinBitmap("Background"),
                                      size.topLeft(), this);
    } else if (k == "Selector") {
        control = new ScrollSelector(size, this, tag, bitmap, kSelectorArrowWidth,
                                     fonts.empty() ? nullptr : fonts.front().get(), kSelectorCapacity,
                                     getSkinBitmap("Background"));
    } else if (k == "UpDownPreset") {
        control = new UpDownPreset(size, this, tag, bitmap, shell);
        initial = 0.0f;
    } else if (k == "PresetSelector") {
        control = new PresetSelector(size, this, tag, bitmap, getSkinFont("FontDisplay"), shell);
    } else if (k == "VuMeter") {
        control = new VuMeterS(size, this, bitmap, getSkinBitmap("LevelMeterOff"));
        initial = 0.0f;
    } else if (k == "WebLink") {
        control = new WebLink(size, this, tag, this);
        initial = 0.0f;
    } else if (k == "PresetMenu") {
        control = new PresetMenu(size, this, tag, shell);
        initial = 0.0f;
    } else {
        return createCustomControl(slot, kind, bitmap, tag, parent, x1, y1, x2, y2);
    }
    control->setValue(initial);
    parent->addView(control);
    controlSlots[slot] = control;
    return true;
}

int KsEditor::getSkinParameter(const char* name) const
{
    if (!name) return SkinDescription::kMissingValue;
    for (const SkinValueSpec& v : skinValues)
        if (v.name == name) return v.value;
    return SkinDescription::kMissingValue;
}

CBitmap* KsEditor::getSkinBitmap(const char* name) const
{
    if (!name) return nullptr;
    for (const auto& b : bitmaps)
        if (b.first == name) return b.second.get();
    return nullptr;
}

const SkinFont* KsEditor::getSkinFont(const char* name) const
{
    if (!name) return nullptr;
    for (const auto& f : fonts)
        if (f->name == name) return f.get();
    return nullptr;
}

CViewContainer* KsEditor::getPage(const char* name) const
{
    if (!name) return nullptr;
    for (const auto& p : pages)
        if (p.first == name) return p.second;
    return nullptr;
}

CViewContainer* KsEditor::getPageAt(int n) const
{
    return n >= 0 && n < static_cast<int>(pages.size()) ? pages[static_cast<std::size_t>(n)].second : nullptr;
}

void KsEditor::setControl(int slot, CControl* control)
{
    if (slot >= 0 && slot < slotCount) controlSlots[slot] = control;
}

CControl* KsEditor::getControl(int index) const
{
    return index >= 0 && index < slotCount ? controlSlots[index] : nullptr;
}

// ---- small setters -----------------------------------------------------------------------------

void KsEditor::openUrl(const char* text)
{
    if (!text) return;
    if (frame)
        frame->openUrl(text);
    else if (backend)
        backend->openUrl(text);
}

void KsEditor::setLearnTarget(int index)
{
    if (engine) engine->setLearnTarget(index);
}

// ---- the manual -------------------------------------------------------------------------------

std::string KsEditor::manualPath() const
{
    for (const std::string& folder : os::factoryFolders()) {
        const std::string path = folder + os::pathSeparator + kManualFile;
        if (os::fileExists(path)) return path;
    }
    return {};
}

void KsEditor::openManual()
{
    const std::string path = manualPath();
    if (!path.empty()) {
        openUrl(path.c_str());
        return;
    }
    char url[512];
    makeMenuUrl(url, sizeof url, "manual");
    openUrl(url);
}
