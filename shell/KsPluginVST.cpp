#include "shell/KsPluginVST.h"

#include "engine/MidiCcMap.h"
#include "engine/ParamStream.h"
#include "engine/Random.h"
#include "platform/os/OsFiles.h"
#include "platform/os/OsFolders.h"
#include "shell/ProgramFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace
{

constexpr auto relaxed = std::memory_order_relaxed;
// Transport changed, playing, quarter-note position, tempo and bars valid.
constexpr VstInt32 kTimeInfoMask =
    kVstTransportChanged | kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid;
constexpr float kSilenceLevel = 3e-5f;
constexpr std::uint32_t kSilentFramesModulus = 1u << 28;
constexpr long kMaxPolls = 1L << 30;

void copyText(char* text, const char* from)
{
    if (!text) return;
    std::snprintf(text, kVstTextSize, "%s", from ? from : "");
}

const std::string emptyName;
const std::vector<std::string> emptyNames;

} // namespace

KsPluginVST::KsPluginVST(audioMasterCallback master, VstInt32 programCount, VstInt32 paramCount)
    : AudioEffectX(master, programCount, paramCount), chunkBuffer(new std::uint8_t[kChunkBufferSize])
{
    const std::string path = os::modulePath();
    std::snprintf(moduleFolder, sizeof moduleFolder, "%s", os::moduleFolder(path).c_str());
    std::snprintf(moduleName, sizeof moduleName, "%s", os::moduleBaseName(path).c_str());
    setNumInputs(2);
    setNumOutputs(2);
    canProcessReplacing(true);
    programsAreChunks(true);
    canMono(true);
    hasVu(false);
    hasClip(false);
    setUniqueID(static_cast<VstInt32>(kUniqueId));
    // The engine's randomiser and random oscillator shapes draw from the shared generator; a
    // new instance starts it from the clock. (A caller that wants repeatable draws seeds it
    // again after construction.)
    ksSrand(static_cast<std::uint32_t>(std::time(nullptr)));
    loadedBank.store(-1, relaxed);
    pendingBank.store(-1, relaxed);
    silentFrames.store(0, relaxed);
}

KsPluginVST::~KsPluginVST()
{
    // The editor refers to the engine: it goes first.
    setEditor(nullptr);
    guiEditor = nullptr;
    if (engine) {
        engine->editor = nullptr;
        engine->automation = nullptr;
    }
    engine.reset();
}

// ---- processing ------------------------------------------------------------------------------

void KsPluginVST::processReplacing(float** inputs, float** outputs, VstInt32 frames) noexcept
{
    if (!inputs || !outputs) return;
    processStereo(inputs[0], inputs[1], outputs[0], outputs[1], frames, true);
}

void KsPluginVST::process(float** inputs, float** outputs, VstInt32 frames) noexcept
{
    if (!inputs || !outputs) return;
    processStereo(inputs[0], inputs[1], outputs[0], outputs[1], frames, false);
}

void KsPluginVST::processStereo(const float* in0, const float* in1, float* out0, float* out1, int frames,
                                bool replacing) noexcept
{
    if (!engine || !in0 || !in1 || !out0 || !out1) return;

    if (frames > 0) {
        const int last = frames - 1;
        const bool silent = std::fabs(in0[0]) < kSilenceLevel && std::fabs(in0[last]) < kSilenceLevel &&
                            std::fabs(in1[0]) < kSilenceLevel && std::fabs(in1[last]) < kSilenceLevel;
        if (silent)
            silentFrames.store((silentFrames.load(relaxed) + static_cast<std::uint32_t>(frames)) %
                                   kSilentFramesModulus,
                               relaxed);
        else
            silentFrames.store(0, relaxed);
    }

    const double tail = static_cast<double>(engine->shellValue) * static_cast<double>(sampleRate);
    if (!engine->masterOff.load(relaxed) && static_cast<double>(silentFrames.load(relaxed)) <= tail &&
        enterEngine()) {
        updateTimeInfo(false);
        engine->process(in0, in1, out0, out1, frames, replacing);
        // Release: whatever this block did is seen by a host thread that saw the flag clear.
        engine->shellFlag.store(false, std::memory_order_release);
        flushChangedParameters();
        return;
    }

    engine->peakLeft.store(0.0f, relaxed);
    engine->peakRight.store(0.0f, relaxed);
    for (int i = 0; i < frames; ++i) {
        // Read both inputs first: a host may process in place.
        const float left = in0[i];
        const float right = in1[i];
        if (replacing) {
            out0[i] = left;
            out1[i] = right;
        } else {
            out0[i] += left;
            out1[i] += right;
        }
    }
    engine->applyPendingControllers();
    flushChangedParameters();
}

void KsPluginVST::updateTimeInfo(bool force) noexcept
{
    if (!engine) return;
    if (!resumedOnce.load(relaxed)) {
        engine->setTempo(120.0f, 0.0);
        return;
    }
    const VstTimeInfo* info = getTimeInfo(kTimeInfoMask);
    if (!info) {
        if (force) engine->setTempo(120.0f, 0.0);
        return;
    }
    float position = static_cast<float>(info->ppqPos);
    if (!(position >= 0.0f)) position = 0.0f;
    const float tempo = static_cast<float>(info->tempo);
    if (tempo == 0.0f) return;
    const bool playing = (info->flags & kVstTransportPlaying) != 0;
    if (force || tempo != engine->tempo.load(relaxed) ||
        (playing && std::fabs(position - engine->songPosition.load(relaxed)) > 0.001))
        engine->setTempo(tempo, position);
}

void KsPluginVST::flushChangedParameters() noexcept
{
    // The summary flag pairs with the release in the engine's setParameter: every flag set
    // before it is seen below, and a flag set from here on raises it again for the next flush.
    if (!engine || !engine->anyChanged.load(relaxed) ||
        !engine->anyChanged.exchange(false, std::memory_order_acq_rel))
        return;
    KsProgram* current = currentProgram();
    for (int i = 0; i < engine->parameterCount; ++i) {
        // A plain load first: most flags are clear, and an exchange on each would cost a
        // locked instruction per parameter per block.
        if (!engine->changed[i].load(relaxed) || !engine->changed[i].exchange(0, relaxed)) continue;
        const float value = engine->getParameter(i);
        if (current && i < current->count) current->values[i] = value;
        if (editorChanged) editorChanged[i].store(1, relaxed);
    }
    // The editor is not touched here (this may be the audio thread): its idle picks the
    // flags up. The release pairs with the acquire in deliverEditorChanges.
    if (editorChanged) editorAnyChanged.store(true, std::memory_order_release);
}

void KsPluginVST::deliverEditorChanges()
{
    if (!engine || !guiEditor) return;
    if (editorChanged && editorAnyChanged.load(relaxed) &&
        editorAnyChanged.exchange(false, std::memory_order_acq_rel)) {
        for (int i = 0; i < engine->parameterCount; ++i) {
            if (!editorChanged[i].load(relaxed) || !editorChanged[i].exchange(0, relaxed)) continue;
            guiEditor->setParameter(i, engine->getParameter(i));
        }
    }
    if (editorRefreshWanted.load(relaxed) && editorRefreshWanted.exchange(false, std::memory_order_acq_rel))
        guiEditor->refreshControls(false);
}

bool KsPluginVST::enterEngine() noexcept
{
    // Raise shellFlag first, then look at masterOff and the hold. A host thread that holds the
    // engine raises its flags first and then waits for shellFlag to clear; all four accesses are
    // sequentially consistent, so at least one side sees the other's flag: either that thread
    // waits for this block, or this block passes the input through.
    engine->shellFlag.store(true, std::memory_order_seq_cst);
    if (!engine->masterOff.load(std::memory_order_seq_cst) &&
        engineHolds.load(std::memory_order_seq_cst) == 0)
        return true;
    engine->shellFlag.store(false, std::memory_order_release);
    return false;
}

void KsPluginVST::waitForEngine() const noexcept
{
    if (!engine) return;
    for (long polls = 0; polls < kMaxPolls && engine->shellFlag.load(std::memory_order_seq_cst); ++polls) {
    }
}

void KsPluginVST::holdEngine() noexcept
{
    engineHolds.fetch_add(1, std::memory_order_seq_cst);
    waitForEngine();
}

void KsPluginVST::releaseEngine() noexcept
{
    // Release: the next block that enters the engine sees everything done while it was held.
    engineHolds.fetch_sub(1, std::memory_order_release);
}

void KsPluginVST::setSampleRate(float rate)
{
    if (!(std::isfinite(rate) && rate > 0.0f)) return;
    AudioEffectX::setSampleRate(rate);
    if (engine) engine->setSampleRate(rate);
}

void KsPluginVST::suspend()
{
    if (!engine) return;
    engine->shellFlag.store(false, relaxed);
    engine->suspend();
    engine->peakLeft.store(0.0f, relaxed);
    engine->peakRight.store(0.0f, relaxed);
}

void KsPluginVST::resume()
{
    if (!engine) return;
    engine->shellFlag.store(false, relaxed);
    silentFrames.store(0, relaxed);
    if (!resumedOnce.load(relaxed)) {
        engine->setTempo(120.0f, 0.0);
    } else if (const VstTimeInfo* info = getTimeInfo(kTimeInfoMask); !info) {
        engine->setTempo(120.0f, 0.0);
    } else if (info->tempo == 0.0) {
        engine->setTempo(0.0f, std::max(0.0, info->ppqPos));
    }
    engine->resume();
    wantEvents(1);
    engine->peakLeft.store(0.0f, relaxed);
    engine->peakRight.store(0.0f, relaxed);
    resumedOnce.store(true, relaxed);
}

void KsPluginVST::clearHistory()
{
    if (!engine) return;
    waitForEngine();
    engine->clearHistory();
    silentFrames.store(0, relaxed);
}

// ---- parameters ------------------------------------------------------------------------------

void KsPluginVST::setParameter(VstInt32 index, float value)
{
    if (!engine || index < 0 || index >= engine->parameterCount) return;
    waitForEngine();
    engine->setParameter(index, value);
    if (KsProgram* current = currentProgram(); current && index < current->count)
        current->values[index] = engine->getParameter(index);
    afterSetParameter(index, value);
    flushChangedParameters();
}

void KsPluginVST::afterSetParameter(VstInt32, float) {}

float KsPluginVST::getParameter(VstInt32 index)
{
    return engine ? engine->getParameter(index) : 0.0f;
}

void KsPluginVST::setParameterAutomated(VstInt32 index, float value)
{
    AudioEffectX::setParameterAutomated(index, value);
}

void KsPluginVST::getParameterName(VstInt32 index, char* text)
{
    if (!text) return;
    text[0] = 0;
    if (engine) engine->getParameterName(index, text);
}

void KsPluginVST::getParameterDisplay(VstInt32 index, char* text)
{
    if (!text) return;
    text[0] = 0;
    if (engine) engine->getParameterDisplay(index, text);
}

void KsPluginVST::getParameterLabel(VstInt32 index, char* text)
{
    if (!text) return;
    text[0] = 0;
    if (engine) engine->getParameterLabel(index, text);
}

// ---- programs --------------------------------------------------------------------------------

KsProgram* KsPluginVST::program(int slot) const
{
    if (slot < 0 || slot >= static_cast<int>(programs.size())) return nullptr;
    return programs[static_cast<std::size_t>(slot)].get();
}

void KsPluginVST::setProgram(VstInt32 index)
{
    KsProgram* next = program(index);
    if (!engine || !next) return;
    // No block runs while the program is half applied. The hold is raised before waiting for
    // the block in progress (see enterEngine), and it is a flag of its own because applying
    // "MasterOn" below sets masterOff to the program's switch before the program is complete.
    holdEngine();
    const bool wasOff = engine->masterOff.load(relaxed);
    engine->masterOff.store(true, relaxed);
    curProgram = index;
    // A program stores the automatable parameters only; the internal ones keep their values.
    const int n = std::min(engine->parameterCount, next->count);
    for (int i = 0; i < n; ++i)
        setParameterAutomated(i, next->values[i]);
    engine->reset();
    // The editor refreshes every control in its next idle (this may be a host or audio thread).
    editorRefreshWanted.store(true, std::memory_order_release);
    updateDisplay();
    // The program may have switched "MasterOn": the engine then follows the program's switch
    // rather than the state from before the change.
    const int masterOn = engine->parameterIndex("MasterOn");
    const bool programOff = masterOn >= 0 && engine->parameter(masterOn)->target() <= 0.5f;
    engine->masterOff.store(masterOn >= 0 ? programOff : wasOff, relaxed);
    releaseEngine();
}

void KsPluginVST::runWithEngineHeld(const std::function<void()>& work)
{
    if (!engine) return;
    holdEngine();
    const bool wasOff = engine->masterOff.load(relaxed);
    engine->masterOff.store(true, relaxed);
    if (work) work();
    engine->masterOff.store(wasOff, relaxed);
    releaseEngine();
}

void KsPluginVST::setProgramName(const char* name)
{
    KsProgram* current = currentProgram();
    if (!current) return;
    const char* text = name ? name : "";
    if (loadedBank.load(relaxed) >= 0) {
        scanBanks();
        const int bank = loadedBank.load(relaxed);
        if (bank < bankCount()) {
            auto& names = bankProgramNameLists[static_cast<std::size_t>(bank)];
            if (names.size() < kProgramSlots) names.resize(kProgramSlots);
            names[static_cast<std::size_t>(curProgram)] =
                std::string(text).substr(0, KsProgram::kNameSize - 1);
        }
    }
    current->setName(text);
}

void KsPluginVST::getProgramName(char* text)
{
    if (!text) return;
    const KsProgram* current = currentProgram();
    if (!current) {
        text[0] = 0;
        return;
    }
    if (std::strcmp(current->name, KsProgram::kInitName) == 0)
        std::snprintf(text, kVstTextSize, "%s %d", current->name, curProgram + 1);
    else
        copyText(text, current->name);
}

bool KsPluginVST::getProgramNameIndexed(VstInt32, VstInt32 index, char* text)
{
    const KsProgram* slot = program(index);
    if (!slot) return false;
    copyText(text, slot->name);
    return true;
}

bool KsPluginVST::copyProgram(VstInt32 destination)
{
    KsProgram* to = program(destination);
    const KsProgram* from = currentProgram();
    if (!to || !from) return false;
    if (to == from) return true;
    to->setName(from->name);
    std::copy(from->values.get(), from->values.get() + std::min(from->count, to->count), to->values.get());
    return true;
}

void KsPluginVST::bringProgramUpToDate()
{
    if (KsProgram* current = currentProgram(); current && engine) current->copyFrom(*engine);
}

void KsPluginVST::resetProgram()
{
    KsProgram* current = currentProgram();
    if (!current) return;
    current->clear();
    // Through setProgramName, so that a loaded bank's name list shows the new name too.
    const std::string name = current->name;
    setProgramName(name.c_str());
    setProgram(curProgram);
}

void KsPluginVST::initProgram()
{
    KsProgram* current = currentProgram();
    if (!current) return;
    current->clear();
    setProgramName("blank");
    setProgram(curProgram);
}

// ---- chunk -----------------------------------------------------------------------------------

VstInt32 KsPluginVST::getChunk(void** data, bool isPreset)
{
    if (!data) return 0;
    *data = chunkBuffer.get();
    ParamStream stream;
    stream.openMemoryWrite(chunkBuffer.get(), kChunkBufferSize);
    bringProgramUpToDate();
    if (isPreset) {
        if (KsProgram* current = currentProgram()) current->write(stream);
    } else {
        for (auto& slot : programs)
            slot->write(stream);
    }
    const VstInt32 written = stream.getPosition();
    stream.close();
    return written;
}

VstInt32 KsPluginVST::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    if (!data || byteSize < 1 || !engine) return 0;
    std::vector<KsProgram*> slots;
    if (isPreset) {
        if (KsProgram* current = currentProgram()) slots.push_back(current);
    } else {
        for (auto& slot : programs)
            slots.push_back(slot.get());
    }
    // Record by record; a chunk with a value that is not finite is refused whole.
    const int consumed =
        ProgramFile::readRecords(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(byteSize),
                                 slots.data(), static_cast<int>(slots.size()));
    if (consumed < 0) return 0;
    setProgram(curProgram);
    return consumed;
}

// ---- files -----------------------------------------------------------------------------------

bool KsPluginVST::savePresetFile(const char* path)
{
    KsProgram* current = currentProgram();
    if (!path || !current) return false;
    bringProgramUpToDate();
    setProgramName(ProgramFile::nameFromPath(path).c_str());
    std::vector<std::uint8_t> bytes;
    if (!ProgramFile::buildPreset(*current, fxId, bytes)) return false;
    return os::writeFileAtomically(path, bytes.data(), bytes.size());
}

bool KsPluginVST::loadPresetFile(const char* path)
{
    KsProgram* current = currentProgram();
    if (!path || !current) return false;
    std::vector<std::uint8_t> bytes;
    if (!os::readFile(path, ProgramFile::kMaxFileSize - 1, bytes) || bytes.empty()) return false;
    waitForEngine();
    if (!ProgramFile::readPreset(bytes.data(), bytes.size(), *current)) return false;
    setProgramName(ProgramFile::nameFromPath(path).c_str());
    setProgram(curProgram);
    return true;
}

bool KsPluginVST::saveBankFile(const char* path)
{
    if (!path || programs.empty()) return false;
    bringProgramUpToDate();
    std::vector<KsProgram*> slots;
    for (auto& slot : programs)
        slots.push_back(slot.get());
    std::vector<std::uint8_t> bytes;
    if (!ProgramFile::buildBank(slots.data(), static_cast<int>(slots.size()), fxId, bytes)) return false;
    return os::writeFileAtomically(path, bytes.data(), bytes.size());
}

bool KsPluginVST::loadBankFile(const char* path)
{
    if (!path || programs.empty()) return false;
    std::vector<std::uint8_t> bytes;
    if (!os::readFile(path, ProgramFile::kMaxFileSize - 1, bytes) || bytes.empty()) return false;
    std::vector<KsProgram*> slots;
    for (auto& slot : programs)
        slots.push_back(slot.get());
    waitForEngine();
    if (!ProgramFile::readBank(bytes.data(), bytes.size(), slots.data(), static_cast<int>(slots.size())))
        return false;
    setProgram(0);
    return true;
}

// ---- bank list -------------------------------------------------------------------------------

void KsPluginVST::scanBanks()
{
    std::vector<std::string> names = os::listFiles(dataFolder, "fxb");
    names.erase(
        std::remove_if(names.begin(), names.end(),
                       [](const std::string& name) { return name.find("Demo") != std::string::npos; }),
        names.end());
    if (names.size() > kMaxBanks) names.resize(kMaxBanks);

    std::vector<std::vector<std::string>> lists(names.size());
    const int loaded = loadedBank.load(relaxed);
    for (std::size_t b = 0; b < names.size(); ++b) {
        if (static_cast<int>(b) == loaded && loaded < static_cast<int>(bankProgramNameLists.size())) {
            lists[b] = bankProgramNameLists[b];
            continue;
        }
        std::vector<std::uint8_t> bytes;
        if (!scratchProgram ||
            !os::readFile(std::string(dataFolder) + names[b] + ".fxb", ProgramFile::kMaxFileSize - 1, bytes))
            continue;
        ProgramFile::readBankNames(bytes.data(), bytes.size(), *scratchProgram, lists[b]);
    }
    bankNames = std::move(names);
    bankProgramNameLists = std::move(lists);
    banksScanned = true;
    scannedBankCount.store(static_cast<int>(bankNames.size()), relaxed);
}

bool KsPluginVST::loadBank(int n)
{
    if (n == loadedBank.load(relaxed)) return true;
    if (!banksScanned) scanBanks();
    if (n < 0 || n >= bankCount() || bankNames[static_cast<std::size_t>(n)].empty()) return false;
    const std::string path = std::string(dataFolder) + bankNames[static_cast<std::size_t>(n)] + ".fxb";
    if (!loadBankFile(path.c_str())) return false;
    loadedBank.store(n, relaxed);
    auto& names = bankProgramNameLists[static_cast<std::size_t>(n)];
    names.assign(kProgramSlots, std::string());
    char text[kVstTextSize];
    for (int i = 0; i < kProgramSlots; ++i)
        if (getProgramNameIndexed(0, i, text)) names[static_cast<std::size_t>(i)] = text;
    return true;
}

const std::string& KsPluginVST::bankName(int n) const
{
    if (n < 0 || n >= bankCount()) return emptyName;
    return bankNames[static_cast<std::size_t>(n)];
}

const std::vector<std::string>& KsPluginVST::bankProgramNames(int n) const
{
    if (n < 0 || n >= static_cast<int>(bankProgramNameLists.size())) return emptyNames;
    return bankProgramNameLists[static_cast<std::size_t>(n)];
}

void KsPluginVST::seedFactoryContent()
{
    if (!dataFolder[0]) return;
    // First use only: a data folder that holds any bank is the user's to keep, so a factory
    // bank deleted there stays deleted and the user's own banks keep their order.
    if (!os::listFiles(dataFolder, "fxb").empty()) return;
    const std::string bankFile = std::string(kFactoryBankName) + ".fxb";
    const std::string target = std::string(dataFolder) + bankFile;
    for (const std::string& folder : os::factoryFolders()) {
        const std::string source = folder + "/" + bankFile;
        if (!os::fileExists(source)) continue;
        if (os::makeFolders(dataFolder)) os::copyFileAtomically(source, target);
        return;
    }
}

// ---- events ----------------------------------------------------------------------------------

VstInt32 KsPluginVST::processEvents(VstEvents* events)
{
    if (!engine) return 1;
    engine->applyPendingControllers();
    flushChangedParameters();
    if (!events || !events->events || events->numEvents <= 0) return 1;

    bool learnt = false;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto statusByte = static_cast<std::uint8_t>(midi->midiData[0]);
        const auto data1 = static_cast<std::uint8_t>(midi->midiData[1]);
        const auto data2 = static_cast<std::uint8_t>(midi->midiData[2]);
        const int status = statusByte & 0xF0;
        if (status == 0xB0 && data1 == 0) {
            pendingBank.store(std::min<int>(data2, scannedBankCount.load(relaxed) - 1), relaxed);
        } else if (status == 0xC0) {
            const int bank = pendingBank.exchange(-1, relaxed);
            const int slot = std::min<int>(data1, kProgramSlots - 1);
            if (bank != -1 && bank != loadedBank.load(relaxed) && deferFileWork) {
                requestedProgram.store(slot, relaxed);
                requestedBank.store(bank, relaxed);
            } else {
                if (bank != -1) loadBank(bank);
                setProgram(slot);
            }
        }
        const bool armed = engine->learnTarget.load(relaxed) != -1;
        engine->queueEvent(statusByte, data1, data2, midi->deltaFrames);
        if (armed && engine->learnTarget.load(relaxed) == -1) learnt = true;
    }
    if (learnt) {
        if (deferFileWork)
            midiConfigDirty.store(true, relaxed);
        else
            engine->midiMap->saveChanges(engine->midiConfigPath);
    }
    return 1;
}

bool KsPluginVST::hasDeferredWork() const noexcept
{
    return requestedBank.load(relaxed) != -1 || midiConfigDirty.load(relaxed);
}

void KsPluginVST::performDeferredWork()
{
    if (!engine) return;
    if (midiConfigDirty.exchange(false, relaxed)) engine->midiMap->saveChanges(engine->midiConfigPath);
    const int bank = requestedBank.exchange(-1, relaxed);
    if (bank != -1) {
        loadBank(bank);
        setProgram(requestedProgram.exchange(-1, relaxed));
    }
}

// ---- identity --------------------------------------------------------------------------------

bool KsPluginVST::getOutputProperties(VstInt32 index, VstPinProperties* properties)
{
    if (index < 0 || index >= 2 || !properties) return false;
    std::snprintf(properties->label, sizeof properties->label, "KP %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

VstInt32 KsPluginVST::canDo(const char* text)
{
    if (!text) return -1;
    for (const char* supported : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo"})
        if (std::strcmp(text, supported) == 0) return 1;
    return -1;
}

bool KsPluginVST::getEffectName(char* text)
{
    copyText(text, "Tirsk Audio Plugin");
    return true;
}

bool KsPluginVST::getProductString(char* text)
{
    return getEffectName(text);
}

bool KsPluginVST::getVendorString(char* text)
{
    copyText(text, "Tirsk Audio");
    return true;
}

void KsPluginVST::attachEditor(AEffGUIEditor* newEditor)
{
    if (engine && newEditor && !editorChanged) {
        editorChanged =
            std::make_unique<std::atomic<std::uint8_t>[]>(static_cast<std::size_t>(engine->parameterCount));
        for (int i = 0; i < engine->parameterCount; ++i)
            editorChanged[i].store(0, relaxed);
    }
    guiEditor = newEditor;
    setEditor(newEditor);
}

void KsPluginVST::createEditor()
{
    if (editorFactory) attachEditor(editorFactory(*this));
}
