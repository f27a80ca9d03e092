#include "platform/aax/AAX_Module.h"

#include "platform/aax/AAX_CEffectParameters.h"
#include "platform/aax/AAX_Collection.h"

#include <memory>

namespace
{

bool started = false;
std::unique_ptr<AAX_CCollection> collection;

class ClassFactory : public AAX_IClassFactory
{
  public:
    explicit ClassFactory(const AAX_CEffectDescriptor& e) : effect(e) {}
    AAX_IEffectParameters* CreateEffectParameters() override
    {
        return effect.CreateParametersProc() ? effect.CreateParametersProc()() : nullptr;
    }
    AAX_IEffectGUI* CreateEffectGUI() override
    {
        return effect.CreateGUIProc() ? effect.CreateGUIProc()() : nullptr;
    }

  private:
    const AAX_CEffectDescriptor& effect;
};

// Describes the module on first use.
AAX_Result describe()
{
    if (!started) return AAX_ERROR_NOT_INITIALIZED;
    if (collection) return AAX_SUCCESS;
    auto fresh = std::make_unique<AAX_CCollection>();
    const AAX_Result result = GetEffectDescriptions(fresh.get());
    if (result != AAX_SUCCESS) return result;
    collection = std::move(fresh);
    return AAX_SUCCESS;
}

} // namespace

AAX_Result AAX_SDK_Startup(void*)
{
    started = true;
    return AAX_SUCCESS;
}

AAX_Result AAX_SDK_Shutdown(void*)
{
    collection.reset();
    started = false;
    return AAX_SUCCESS;
}

AAX_Result AAX_SDK_RegisterPlugin(void*, const AAX_IPluginDefinition** definition)
{
    if (!definition) return AAX_ERROR_NULL_OBJECT;
    *definition = nullptr;
    const AAX_Result result = describe();
    if (result == AAX_SUCCESS) *definition = collection.get();
    return result;
}

AAX_Result AAX_SDK_RegisterComponent(void*, uint32_t index, const AAX_IEffectDefinition** effect)
{
    if (!effect) return AAX_ERROR_NULL_OBJECT;
    *effect = nullptr;
    const AAX_Result result = describe();
    if (result != AAX_SUCCESS) return result;
    if (index >= static_cast<uint32_t>(collection->EffectCount())) return AAX_ERROR_INVALID_ARGUMENT;
    *effect = collection->Effect(static_cast<int32_t>(index));
    return AAX_SUCCESS;
}

AAX_Result AAX_SDK_GetClassFactory(void*, AAX_CTypeID pluginID, AAX_IClassFactory** factory)
{
    if (!factory) return AAX_ERROR_NULL_OBJECT;
    *factory = nullptr;
    const AAX_Result result = describe();
    if (result != AAX_SUCCESS) return result;
    const AAX_CEffectDescriptor* effect = collection->FindComponent(pluginID);
    if (!effect) return AAX_ERROR_UNKNOWN_PLUGIN;
    *factory = new ClassFactory(*effect);
    return AAX_SUCCESS;
}

AAX_Result AAX_SDK_CanUnloadNow(void*)
{
    return AAX_LiveObjectCount() == 0 ? AAX_SUCCESS : AAX_RESULT_FALSE;
}
