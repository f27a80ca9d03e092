// Module side of the description: what the plug-in's GetEffectDescriptions fills in and what
// the host then reads through AAX_IPluginDefinition / AAX_IEffectDefinition.
//
// AAX_CEffectDescriptor   name, category, components (setup records), and the procedures that
//                         create the effect parameters and the GUI objects
//   AddComponent(setup)   copies the record (and its node names)
// AAX_CCollection         the module's effects by identifier, the manufacturer name, package
//                         names and package version
//   NewDescriptor()       a new, empty effect descriptor owned by the collection
//   AddEffect(id, d)      publishes d under id; refused for an empty or repeated id
//   FindComponent(pluginID)  the effect and component with that plug-in ID, for the factory
//
// GetEffectDescriptions(collection) is the plug-in's own function (defined once per module);
// the SDK calls it when the host registers the module.
#pragma once

#include "platform/aax/AAX_Interfaces.h"

#include <memory>
#include <string>
#include <vector>

using AAX_CreateEffectParametersProc = AAX_IEffectParameters* (*)();
using AAX_CreateEffectGUIProc = AAX_IEffectGUI* (*)();

class AAX_CEffectDescriptor : public AAX_IEffectDefinition
{
  public:
    const char* Identifier() const override { return id.c_str(); }
    const char* Name() const override { return name.c_str(); }
    uint32_t Category() const override { return category; }
    int32_t ComponentCount() const override { return static_cast<int32_t>(components.size()); }
    const AAX_SInstrumentSetupInfo* Component(int32_t index) const override;

    AAX_Result AddName(const char* text);
    AAX_Result AddCategory(uint32_t bits);
    AAX_Result AddComponent(const AAX_SInstrumentSetupInfo& setup);
    AAX_Result AddProcPtr(AAX_CreateEffectParametersProc proc);
    AAX_Result AddProcPtr(AAX_CreateEffectGUIProc proc);

    AAX_CreateEffectParametersProc CreateParametersProc() const { return createParameters; }
    AAX_CreateEffectGUIProc CreateGUIProc() const { return createGUI; }
    void SetIdentifier(const char* text) { id = text; }

  private:
    struct StoredComponent {
        AAX_SInstrumentSetupInfo info;
        std::string inputMIDIName, globalMIDIName, transportName;
    };
    std::string id, name;
    uint32_t category = 0;
    std::vector<std::unique_ptr<StoredComponent>> components;
    AAX_CreateEffectParametersProc createParameters = nullptr;
    AAX_CreateEffectGUIProc createGUI = nullptr;
};

class AAX_CCollection : public AAX_IPluginDefinition
{
  public:
    const char* ManufacturerName() const override { return manufacturer.c_str(); }
    int32_t PackageCount() const override { return static_cast<int32_t>(packages.size()); }
    const char* PackageName(int32_t index) const override;
    uint32_t PackageVersion() const override { return packageVersion; }
    int32_t EffectCount() const override { return static_cast<int32_t>(published.size()); }
    const AAX_IEffectDefinition* Effect(int32_t index) const override;

    AAX_CEffectDescriptor* NewDescriptor();
    AAX_Result AddEffect(const char* id, AAX_CEffectDescriptor* descriptor);
    AAX_Result SetManufacturerName(const char* text);
    AAX_Result AddPackageName(const char* text);
    AAX_Result SetPackageVersion(uint32_t version);
    const AAX_CEffectDescriptor* FindComponent(AAX_CTypeID pluginID) const;

  private:
    std::string manufacturer;
    std::vector<std::string> packages;
    uint32_t packageVersion = 0;
    std::vector<std::unique_ptr<AAX_CEffectDescriptor>> descriptors;
    std::vector<const AAX_CEffectDescriptor*> published;
};

AAX_Result GetEffectDescriptions(AAX_CCollection* collection);
