#include "platform/aax/AAX_Collection.h"

#include <algorithm>
#include <cstring>

const AAX_SInstrumentSetupInfo* AAX_CEffectDescriptor::Component(int32_t index) const
{
    if (index < 0 || index >= ComponentCount()) return nullptr;
    return &components[static_cast<size_t>(index)]->info;
}

AAX_Result AAX_CEffectDescriptor::AddName(const char* text)
{
    if (!text) return AAX_ERROR_NULL_OBJECT;
    name = text;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectDescriptor::AddCategory(uint32_t bits)
{
    category |= bits;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectDescriptor::AddComponent(const AAX_SInstrumentSetupInfo& setup)
{
    auto stored = std::make_unique<StoredComponent>();
    stored->inputMIDIName = setup.mInputMIDINodeName ? setup.mInputMIDINodeName : "";
    stored->globalMIDIName = setup.mGlobalMIDINodeName ? setup.mGlobalMIDINodeName : "";
    stored->transportName = setup.mTransportNodeName ? setup.mTransportNodeName : "";
    stored->info = setup;
    stored->info.mInputMIDINodeName = stored->inputMIDIName.c_str();
    stored->info.mGlobalMIDINodeName = stored->globalMIDIName.c_str();
    stored->info.mTransportNodeName = stored->transportName.c_str();
    components.push_back(std::move(stored));
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectDescriptor::AddProcPtr(AAX_CreateEffectParametersProc proc)
{
    if (!proc) return AAX_ERROR_NULL_OBJECT;
    createParameters = proc;
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectDescriptor::AddProcPtr(AAX_CreateEffectGUIProc proc)
{
    if (!proc) return AAX_ERROR_NULL_OBJECT;
    createGUI = proc;
    return AAX_SUCCESS;
}

const char* AAX_CCollection::PackageName(int32_t index) const
{
    if (index < 0 || index >= PackageCount()) return nullptr;
    return packages[static_cast<size_t>(index)].c_str();
}

const AAX_IEffectDefinition* AAX_CCollection::Effect(int32_t index) const
{
    if (index < 0 || index >= EffectCount()) return nullptr;
    return published[static_cast<size_t>(index)];
}

AAX_CEffectDescriptor* AAX_CCollection::NewDescriptor()
{
    descriptors.push_back(std::make_unique<AAX_CEffectDescriptor>());
    return descriptors.back().get();
}

AAX_Result AAX_CCollection::AddEffect(const char* id, AAX_CEffectDescriptor* descriptor)
{
    if (!id || !descriptor) return AAX_ERROR_NULL_OBJECT;
    const bool owned = std::any_of(descriptors.begin(), descriptors.end(),
                                   [&](const auto& d) { return d.get() == descriptor; });
    const bool repeated =
        std::any_of(published.begin(), published.end(), [&](const AAX_CEffectDescriptor* d) {
            return d == descriptor || std::strcmp(d->Identifier(), id) == 0;
        });
    if (!owned || repeated || !*id) return AAX_ERROR_INVALID_ARGUMENT;
    descriptor->SetIdentifier(id);
    published.push_back(descriptor);
    return AAX_SUCCESS;
}

AAX_Result AAX_CCollection::SetManufacturerName(const char* text)
{
    if (!text) return AAX_ERROR_NULL_OBJECT;
    manufacturer = text;
    return AAX_SUCCESS;
}

AAX_Result AAX_CCollection::AddPackageName(const char* text)
{
    if (!text) return AAX_ERROR_NULL_OBJECT;
    packages.emplace_back(text);
    return AAX_SUCCESS;
}

AAX_Result AAX_CCollection::SetPackageVersion(uint32_t version)
{
    packageVersion = version;
    return AAX_SUCCESS;
}

const AAX_CEffectDescriptor* AAX_CCollection::FindComponent(AAX_CTypeID pluginID) const
{
    for (const AAX_CEffectDescriptor* effect : published)
        for (int32_t c = 0; c < effect->ComponentCount(); ++c)
            if (effect->Component(c)->mPluginID == pluginID) return effect;
    return nullptr;
}
