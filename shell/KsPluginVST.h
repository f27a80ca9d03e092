// KsPluginVST: the plug-in shell around an engine. It owns the engine (KsPlugin), the 64
// program slots and a scratch program, the chunk buffer, the list of bank files in the data
// folder and the editor, and turns each plug-in operation into calls on them. OrvaneVST
// derives from it and creates the product's engine and programs.
//
// Operations besides those of AudioEffectX:
//   processStereo(in0, in1, out0, out1, frames, replacing)  the processing core: silence and
//        master-off pass-through, time information, the engine block, the parameter flush
//   afterSetParameter(index, value)       hook after every setParameter (empty here)
//   engineVersion1..4()                   the engine's version numbers
//   getChunk / setChunk                   the bare program records of one program or all 64; a
//                                         chunk holding a value that is not finite is refused (0)
//   savePresetFile / loadPresetFile / saveBankFile / loadBankFile (path)   true on success;
//        loads are all or nothing (a bank given as a preset or the other way round, or a value
//        that is not finite, is refused), saves replace the old file only when completely written
//   resetProgram()                        current program to the defaults, named "Init", applied
//   initProgram()                         current program to the defaults, named "blank"
//   scanBanks(), loadBank(n), getLoadedBank(), setLoadedBank(n), bankCount(), bankName(n),
//        bankProgramNames(n)             the bank list of the data folder (names with "Demo"
//                                         are left out) for the preset menus
//
//   deliverEditorChanges()                hands the parameter changes recorded since the last call
//        to the editor (setParameter per changed parameter, then refreshControls after a
//        program change); the editor calls it from its idle
//   setEditorFactory(factory)             the function that product shells use to create their
//        editor (process-wide; programs that show an editor set it before creating shells)
//
// Threads: processStereo runs on the audio thread and allocates, locks and prints nothing.
// Parameter changes never reach the editor from the thread that made them: the shell marks
// them in per-parameter atomic flags, and the editor applies them on the user-interface thread
// when its idle calls deliverEditorChanges.
// processEvents allocates nothing; it does file work (a bank load on a program change after a
// bank select, the controller file after a learnt assignment) unless setDeferFileWork(true)
// was called, in which case that work waits for performDeferredWork() on a thread that may
// block. Parameter, program, chunk and file operations come from host or editor threads; they
// wait (at most 2^30 polls) while the engine is inside a block, and a program change (also by a
// chunk or a file) holds the engine until it is applied: blocks meanwhile pass the input through.
// Nothing here locks; the coordination is lock-free flags (shellFlag, masterOff, the hold).
#pragma once

#include "engine/KsPlugin.h"
#include "engine/KsProgram.h"
#include "platform/vst/AEffEditor.h"
#include "platform/vst/AudioEffectX.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class KsPluginVST : public AudioEffectX, public KsAutomation
{
  public:
    static constexpr int kProgramSlots = 64;
    static constexpr int kMaxBanks = 128;
    static constexpr int kChunkBufferSize = 1536000;
    static constexpr int kPathSize = 512;
    static constexpr std::uint32_t kUniqueId = fourCharCode("KsO1");
    // Name of the factory bank in the data folder; it sorts first, so it is bank 0.
    static constexpr const char* kFactoryBankName = "00 Factory";

    KsPluginVST(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
    ~KsPluginVST() override;

    // ---- plug-in operations ----
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) noexcept override;
    void process(float** inputs, float** outputs, VstInt32 frames) noexcept override;
    void setSampleRate(float rate) override;
    void suspend() override;
    void resume() override;
    // Clears every state of the engine that depends on past audio or time and the silence
    // count, so that processing starts again as in a new instance with the same settings
    // (what an LV2 host asks of activate). Not on the audio thread.
    void clearHistory();
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setParameterAutomated(VstInt32 index, float value) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void setProgram(VstInt32 index) override;
    VstInt32 getProgram() override { return curProgram; }
    void setProgramName(const char* name) override;
    void getProgramName(char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool copyProgram(VstInt32 destination) override;
    VstInt32 getChunk(void** data, bool isPreset = false) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) override;
    VstInt32 processEvents(VstEvents* events) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
    VstInt32 canDo(const char* text) override;
    bool getEffectName(char* text) override;
    bool getProductString(char* text) override;
    bool getVendorString(char* text) override;
    VstInt32 getVendorVersion() override { return 1; }

    // ---- shell operations, in slot order ----
    virtual void processStereo(const float* in0, const float* in1, float* out0, float* out1, int frames,
                               bool replacing) noexcept;
    virtual void emptyHook() {}
    virtual void afterSetParameter(VstInt32 index, float value);
    virtual float engineVersion1() const { return engine ? engine->version1() : 0.0f; }
    virtual float engineVersion2() const { return engine ? engine->version2() : 0.0f; }
    virtual float engineVersion3() const { return engine ? engine->version3() : 0.0f; }
    virtual float engineVersion4() const { return engine ? engine->version4() : 0.0f; }

    // ---- programs and files ----
    bool savePresetFile(const char* path);
    bool loadPresetFile(const char* path);
    bool saveBankFile(const char* path);
    bool loadBankFile(const char* path);
    void resetProgram();
    void initProgram();

    // ---- bank list ----
    void scanBanks();
    bool loadBank(int n);
    int getLoadedBank() const { return loadedBank.load(std::memory_order_relaxed); }
    void setLoadedBank(int n) { loadedBank.store(n, std::memory_order_relaxed); }
    int bankCount() const { return static_cast<int>(bankNames.size()); }
    bool banksAreScanned() const { return banksScanned; }
    const std::string& bankName(int n) const;
    const std::vector<std::string>& bankProgramNames(int n) const;

    // ---- deferred file work (for front ends that deliver events on their audio thread) ----
    void setDeferFileWork(bool defer) { deferFileWork = defer; }
    bool hasDeferredWork() const noexcept;
    // Loads a bank requested by MIDI (then selects the requested program) and writes the
    // controller file after a learnt assignment. Blocks; never call it on the audio thread.
    void performDeferredWork();

    // ---- access for front ends, the editor and tests ----
    KsPlugin* getEngine() const { return engine.get(); }
    KsProgram* program(int slot) const;
    KsProgram* currentProgram() const { return program(curProgram); }
    const char* getDataFolder() const { return dataFolder; }
    const char* getModuleFolder() const { return moduleFolder; }
    const char* getModuleName() const { return moduleName; }
    std::uint32_t getFxId() const { return fxId; }
    AEffGUIEditor* getGuiEditor() const { return guiEditor; }

    // ---- the editor ----
    // User-interface thread only: applies the recorded changes to the editor.
    void deliverEditorChanges();
    // Runs work while no block runs in the engine (blocks pass the input through meanwhile) with
    // the engine's masterOff raised, then restores masterOff. Host and editor threads only.
    void runWithEngineHeld(const std::function<void()>& work);
    // True when changes wait for deliverEditorChanges (any thread).
    bool hasEditorChanges() const noexcept
    {
        return editorAnyChanged.load(std::memory_order_relaxed) ||
               editorRefreshWanted.load(std::memory_order_relaxed);
    }
    using EditorFactory = AEffGUIEditor* (*)(KsPluginVST& shell);
    static void setEditorFactory(EditorFactory factory) { editorFactory = factory; }
    static EditorFactory getEditorFactory() { return editorFactory; }

  protected:
    // The time-information step: hands the host's tempo and position to the engine when they
    // changed (or always, with force).
    void updateTimeInfo(bool force) noexcept;
    // Copies every parameter the engine marked as changed into the current program and the editor.
    void flushChangedParameters() noexcept;
    // Waits while the engine runs a block (at most 2^30 polls).
    void waitForEngine() const noexcept;
    // Audio thread: raises shellFlag when the engine may run this block (masterOff clear and no
    // host thread holding it); false, with shellFlag clear again, when the block passes through.
    bool enterEngine() noexcept;
    // Host threads: holdEngine stops blocks from entering the engine and waits for the one in
    // progress; releaseEngine lets them in again. Holds nest.
    void holdEngine() noexcept;
    void releaseEngine() noexcept;
    // Every engine parameter's value into the current program, before anything is written.
    void bringProgramUpToDate();
    // Copies the factory bank into the data folder when the folder holds no bank at all.
    void seedFactoryContent();
    // Hands an editor to the shell (the base owns it) and to the engine.
    void attachEditor(AEffGUIEditor* newEditor);
    // Creates the editor with the registered factory, if there is one, and attaches it.
    void createEditor();

    std::unique_ptr<KsPlugin> engine;
    std::vector<std::unique_ptr<KsProgram>> programs;
    std::unique_ptr<KsProgram> scratchProgram;
    AEffGUIEditor* guiEditor = nullptr;
    std::unique_ptr<std::uint8_t[]> chunkBuffer;
    char moduleFolder[kPathSize] = {};
    char moduleName[kPathSize] = {};
    char dataFolder[kPathSize] = {};
    std::uint32_t fxId = kUniqueId;
    std::atomic<std::uint32_t> silentFrames{0};
    std::atomic<bool> resumedOnce{false};
    std::vector<std::string> bankNames;
    std::vector<std::vector<std::string>> bankProgramNameLists;
    bool banksScanned = false;
    // bankNames.size() for readers on other threads (processEvents limits bank selects by it).
    std::atomic<int> scannedBankCount{0};
    std::atomic<int> loadedBank{-1};
    std::atomic<int> pendingBank{-1};
    // Number of holds of the engine by host threads (holdEngine); blocks pass through while above 0.
    std::atomic<int> engineHolds{0};

    bool deferFileWork = false;
    std::atomic<int> requestedBank{-1};
    std::atomic<int> requestedProgram{-1};
    std::atomic<bool> midiConfigDirty{false};

    // Parameter changes not yet shown by the editor: one flag per engine parameter, a summary
    // flag, and a request to refresh every control (after a program change).
    std::unique_ptr<std::atomic<std::uint8_t>[]> editorChanged;
    std::atomic<bool> editorAnyChanged{false};
    std::atomic<bool> editorRefreshWanted{false};
    static inline EditorFactory editorFactory = nullptr;
};
