// Module-side bases of an instance.
//
// AAX_CEffectParameters: the parameter manager, the SDK's own chunk and the host's controller.
//   Initialize(controller)              keeps the controller, then EffectInit()
//   EffectInit()                        hook: publish the parameters (empty here)
//   UpdateParameterNormalizedValue(id, v)  a host or automation write: sets the parameter;
//                                       AAX_ERROR_INVALID_PARAMETER_ID for an identifier the
//                                       manager does not hold
//   SetParameterNormalizedValue(id, v)  a write the plug-in makes itself: sets the parameter and
//                                       tells the host; allocates nothing (audio thread too)
//   GetChunkSize / GetChunk / SetChunk  the parameter chunk (AAX_cParameterChunkID) only; a
//                                       malformed chunk is refused whole (AAX_ERROR_MALFORMED_CHUNK)
//                                       and changes nothing; restoring calls
//                                       UpdateParameterNormalizedValue for every held identifier
//   GetCustomData                       writes nothing, reports 0 bytes
// AAX_CInstrumentParameters: the same, plus StaticDescribe, which describes one component of an
//   effect from a setup record.
// Live instances are counted (AAX_LiveObjectCount) so that the module knows when it may unload.
#pragma once

#include "platform/aax/AAX_CParameter.h"
#include "platform/aax/AAX_Collection.h"

class AAX_CEffectParameters : public AAX_IEffectParameters
{
  public:
    AAX_CEffectParameters();
    ~AAX_CEffectParameters() override;
    AAX_CEffectParameters(const AAX_CEffectParameters&) = delete;
    AAX_CEffectParameters& operator=(const AAX_CEffectParameters&) = delete;

    AAX_Result Initialize(AAX_IController* controller) override;
    virtual AAX_Result EffectInit() { return AAX_SUCCESS; }

    int32_t GetNumberOfParameters() const override { return mParameterManager.NumParameters(); }
    const AAX_IParameter* GetParameter(int32_t index) const override
    {
        return mParameterManager.GetParameter(index);
    }
    const AAX_IParameter* GetParameterByID(AAX_CParamID id) const override
    {
        return mParameterManager.GetParameterByID(id);
    }
    AAX_Result UpdateParameterNormalizedValue(AAX_CParamID id, double value) override;
    AAX_Result SetParameterNormalizedValue(AAX_CParamID id, double value);

    AAX_Result GetChunkSize(AAX_CTypeID chunkID, uint32_t* size) const override;
    AAX_Result GetChunk(AAX_CTypeID chunkID, void* data, uint32_t size, uint32_t* written) const override;
    AAX_Result SetChunk(AAX_CTypeID chunkID, const void* data, uint32_t size) override;
    AAX_Result GetCustomData(AAX_CTypeID blockID, uint32_t size, void* data,
                             uint32_t* written) const override;

    AAX_IController* Controller() const { return mController; }

  protected:
    AAX_CParameterManager mParameterManager;
    AAX_IController* mController = nullptr;
};

class AAX_CInstrumentParameters : public AAX_CEffectParameters
{
  public:
    // Adds one component described by setup to the effect descriptor.
    static AAX_Result StaticDescribe(AAX_CEffectDescriptor* descriptor,
                                     const AAX_SInstrumentSetupInfo& setup);
};

// Instances and GUI objects alive in this module.
int AAX_LiveObjectCount();
void AAX_CountObject(int change);
