// The module's seven entry points, exported by their plain C names (and nothing else of ours:
// see Orvane.aaxplugin.map). Registration, start-up and shut-down turn any exception from below
// into AAX_RESULT_UNEXPECTED, so that none reaches the host.
#include "editor/OrvaneEditor.h"
#include "platform/aax/AAX_Module.h"
#include "shell/KsPluginVST.h"

#define ORVANE_AAX_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{

constexpr uint64_t kSDKVersion = 0x2000061125CULL;

template <typename Call> AAX_Result guarded(Call call) noexcept
{
    try {
        return call();
    } catch (...) {
        return AAX_RESULT_UNEXPECTED;
    }
}

} // namespace

ORVANE_AAX_EXPORT AAX_Result ACFRegisterPlugin(void* host, const AAX_IPluginDefinition** definition)
{
    return guarded([&] { return AAX_SDK_RegisterPlugin(host, definition); });
}

ORVANE_AAX_EXPORT AAX_Result ACFRegisterComponent(void* host, uint32_t index,
                                                  const AAX_IEffectDefinition** effect)
{
    return AAX_SDK_RegisterComponent(host, index, effect);
}

ORVANE_AAX_EXPORT AAX_Result ACFGetClassFactory(void* host, AAX_CTypeID pluginID, AAX_IClassFactory** factory)
{
    return AAX_SDK_GetClassFactory(host, pluginID, factory);
}

ORVANE_AAX_EXPORT AAX_Result ACFCanUnloadNow(void* host)
{
    return AAX_SDK_CanUnloadNow(host);
}

ORVANE_AAX_EXPORT AAX_Result ACFStartup(void* host)
{
    return guarded([&] {
        // Shells made from now on get the product's editor.
        if (!KsPluginVST::getEditorFactory()) OrvaneEditor::useForShells();
        return AAX_SDK_Startup(host);
    });
}

ORVANE_AAX_EXPORT AAX_Result ACFShutdown(void* host)
{
    return guarded([&] { return AAX_SDK_Shutdown(host); });
}

ORVANE_AAX_EXPORT AAX_Result ACFGetSDKVersion(uint64_t* version)
{
    return AAX_WriteResult(version, kSDKVersion);
}
