#include "lv2/OrvaneLv2Shell.h"

#include "engine/KsPlugin.h"

OrvaneLv2Shell::OrvaneLv2Shell() : OrvaneVST(nullptr)
{
    for (auto& flag : deferred)
        flag.store(0, std::memory_order_relaxed);
    // The editor comes and goes with the user interface while audio runs: the flags that carry
    // parameter changes to it exist from the start, so that the audio thread never sees them made.
    const auto count = static_cast<std::size_t>(engine->parameterCount);
    editorChanged = std::make_unique<std::atomic<std::uint8_t>[]>(count);
    for (std::size_t i = 0; i < count; ++i)
        editorChanged[i].store(0, std::memory_order_relaxed);
}

OrvaneLv2Shell::~OrvaneLv2Shell()
{
    // The editor belongs to the user interface's module: it is closed and deleted there, before
    // the shell's own teardown would delete it.
    if (uiListener) uiListener->shellGone();
    if (uiListener) detachUi();
}

OrvaneLv2Shell::UiListener* OrvaneLv2Shell::listenerHere() const noexcept
{
    return uiThread.load(std::memory_order_acquire) == std::this_thread::get_id() ? uiListener : nullptr;
}

void OrvaneLv2Shell::defer(VstInt32 index) noexcept
{
    if (index < 0 || index >= static_cast<VstInt32>(deferred.size())) return;
    deferred[static_cast<std::size_t>(index)].store(1, std::memory_order_relaxed);
    anyDeferred.store(true, std::memory_order_release);
}

void OrvaneLv2Shell::setParameterAutomated(VstInt32 index, float value)
{
    OrvaneVST::setParameterAutomated(index, value);
    // The port takes what the parameter holds after the write (a switch snaps to 0 or 1).
    UiListener* listener = listenerHere();
    if (!listener || !listener->automated(index, getParameter(index))) defer(index);
}

bool OrvaneLv2Shell::beginEdit(VstInt32 index)
{
    if (UiListener* listener = listenerHere()) listener->gesture(index, true);
    return true;
}

bool OrvaneLv2Shell::endEdit(VstInt32 index)
{
    if (UiListener* listener = listenerHere()) listener->gesture(index, false);
    return true;
}

bool OrvaneLv2Shell::attachUi(UiListener* listener, AEffGUIEditor* uiEditor)
{
    if (uiListener || !listener) return false;
    uiListener = listener;
    uiThread.store(std::this_thread::get_id(), std::memory_order_release);
    if (uiEditor) attachEditor(uiEditor);
    return true;
}

AEffGUIEditor* OrvaneLv2Shell::detachUi()
{
    AEffGUIEditor* released = guiEditor;
    uiThread.store(std::thread::id(), std::memory_order_release);
    uiListener = nullptr;
    if (engine) engine->editor = nullptr;
    guiEditor = nullptr;
    // Cleared without deleting: the editor's code lives in the user interface's module.
    editor = nullptr;
    setFlag(effFlagsHasEditor, false);
    return released;
}
