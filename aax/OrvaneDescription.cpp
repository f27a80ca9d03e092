// The module's description: one effect, "Orvane", with a stereo and a mono component.
#include "aax/AAX_CEffectGUI_VST.h"
#include "aax/Ks_AAX_Parameters.h"
#include "platform/aax/AAX_Collection.h"

namespace
{

constexpr const char* kEffectIdentifier = "com.tirsk-audio.aax.Orvane";
constexpr const char* kProductName = "Orvane";

AAX_SInstrumentSetupInfo componentSetup(AAX_EStemFormat stem, AAX_CTypeID pluginID)
{
    AAX_SInstrumentSetupInfo setup;
    setup.mInputStemFormat = stem;
    setup.mOutputStemFormat = stem;
    setup.mPluginID = pluginID;
    setup.mManufacturerID = AAX_FourCC("TirA");
    setup.mProductID = AAX_FourCC("KsOr");
    setup.mCanBypass = true;
    setup.mNeedsInputMIDI = true;
    setup.mInputMIDINodeName = kProductName;
    setup.mInputMIDIChannelMask = 1;
    setup.mNeedsGlobalMIDI = true;
    setup.mGlobalMIDINodeName = "GlobalMIDI";
    setup.mGlobalMIDIEventMask = 3;
    setup.mNeedsTransport = true;
    setup.mTransportNodeName = "Transport";
    setup.mNumMeters = 0;
    setup.mNumAuxOutputStems = 0;
    return setup;
}

AAX_Result describeEffect(AAX_CEffectDescriptor& descriptor)
{
    AAX_Result result = descriptor.AddName(kProductName);
    if (result == AAX_SUCCESS) result = descriptor.AddCategory(AAX_ePlugInCategory_Effect);
    if (result == AAX_SUCCESS)
        result = AAX_CInstrumentParameters::StaticDescribe(
            &descriptor, componentSetup(AAX_eStemFormat_Stereo, AAX_FourCC("KsRS")));
    if (result == AAX_SUCCESS)
        result = AAX_CInstrumentParameters::StaticDescribe(
            &descriptor, componentSetup(AAX_eStemFormat_Mono, AAX_FourCC("KsRM")));
    if (result == AAX_SUCCESS) result = descriptor.AddProcPtr(&Ks_AAX_Parameters::Create);
    if (result == AAX_SUCCESS) result = descriptor.AddProcPtr(&AAX_CEffectGUI_VST::Create);
    return result;
}

} // namespace

AAX_Result GetEffectDescriptions(AAX_CCollection* collection)
{
    if (!collection) return AAX_ERROR_NULL_OBJECT;
    AAX_CEffectDescriptor* descriptor = collection->NewDescriptor();
    if (!descriptor) return AAX_ERROR_NULL_OBJECT;
    AAX_Result result = describeEffect(*descriptor);
    if (result == AAX_SUCCESS) result = collection->AddEffect(kEffectIdentifier, descriptor);
    if (result == AAX_SUCCESS) result = collection->SetManufacturerName("Tirsk Audio");
    if (result == AAX_SUCCESS) result = collection->AddPackageName(kProductName);
    if (result == AAX_SUCCESS) result = collection->SetPackageVersion(1);
    return result;
}
