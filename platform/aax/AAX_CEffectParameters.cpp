#include "platform/aax/AAX_CEffectParameters.h"

#include <atomic>
#include <cstring>

namespace
{
std::atomic<int> liveObjects{0};
}

int AAX_LiveObjectCount()
{
    return liveObjects.load();
}

void AAX_CountObject(int change)
{
    liveObjects.fetch_add(change);
}

AAX_CEffectParameters::AAX_CEffectParameters()
{
    AAX_CountObject(1);
}

AAX_CEffectParameters::~AAX_CEffectParameters()
{
    AAX_CountObject(-1);
}

AAX_Result AAX_CEffectParameters::Initialize(AAX_IController* controller)
{
    if (!controller) return AAX_ERROR_NULL_OBJECT;
    mController = controller;
    return EffectInit();
}

AAX_Result AAX_CEffectParameters::UpdateParameterNormalizedValue(AAX_CParamID id, double value)
{
    AAX_CParameter* parameter = mParameterManager.GetParameterByID(id);
    if (!parameter) return AAX_ERROR_INVALID_PARAMETER_ID;
    parameter->SetNormalizedValue(value);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetParameterNormalizedValue(AAX_CParamID id, double value)
{
    AAX_CParameter* parameter = mParameterManager.GetParameterByID(id);
    if (!parameter) return AAX_ERROR_INVALID_PARAMETER_ID;
    parameter->SetNormalizedValue(value);
    if (mController)
        mController->ParameterChangedByPlugIn(parameter->Identifier(), parameter->GetNormalizedValue());
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const
{
    if (!size) return AAX_ERROR_NULL_OBJECT;
    if (chunkID != AAX_cParameterChunkID) return AAX_ERROR_INVALID_CHUNK_ID;
    std::vector<uint8_t> bytes;
    AAX_WriteParameterChunk(mParameterManager, bytes);
    *size = static_cast<uint32_t>(bytes.size());
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetChunk(AAX_CTypeID chunkID, void* data, uint32_t size,
                                           uint32_t* written) const
{
    if (!data || !written) return AAX_ERROR_NULL_OBJECT;
    *written = 0;
    if (chunkID != AAX_cParameterChunkID) return AAX_ERROR_INVALID_CHUNK_ID;
    std::vector<uint8_t> bytes;
    AAX_WriteParameterChunk(mParameterManager, bytes);
    if (bytes.size() > size) return AAX_ERROR_INVALID_ARGUMENT;
    std::memcpy(data, bytes.data(), bytes.size());
    *written = static_cast<uint32_t>(bytes.size());
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::SetChunk(AAX_CTypeID chunkID, const void* data, uint32_t size)
{
    if (!data && size > 0) return AAX_ERROR_NULL_OBJECT;
    if (chunkID != AAX_cParameterChunkID) return AAX_ERROR_INVALID_CHUNK_ID;
    std::vector<AAX_SChunkEntry> entries;
    if (!AAX_ReadParameterChunk(static_cast<const uint8_t*>(data), size, entries))
        return AAX_ERROR_MALFORMED_CHUNK;
    // Identifiers this instance does not hold (a chunk of another version) are passed over.
    for (const AAX_SChunkEntry& entry : entries)
        if (mParameterManager.GetParameterByID(entry.id.c_str()))
            UpdateParameterNormalizedValue(entry.id.c_str(), entry.value);
    return AAX_SUCCESS;
}

AAX_Result AAX_CEffectParameters::GetCustomData(AAX_CTypeID, uint32_t, void*, uint32_t* written) const
{
    if (written) *written = 0;
    return AAX_SUCCESS;
}

AAX_Result AAX_CInstrumentParameters::StaticDescribe(AAX_CEffectDescriptor* descriptor,
                                                     const AAX_SInstrumentSetupInfo& setup)
{
    if (!descriptor) return AAX_ERROR_NULL_OBJECT;
    return descriptor->AddComponent(setup);
}
