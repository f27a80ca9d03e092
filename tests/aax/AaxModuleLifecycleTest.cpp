// The module's entry points in process: start-up, description, class factory and unloading.
#include "aax/Ks_AAX_Parameters.h"
#include "platform/aax/AAX_Interfaces.h"
#include "platform/aax/host/AAXHost.h"

#include <gtest/gtest.h>

#include <memory>

extern "C" {
AAX_Result ACFRegisterPlugin(void* host, const AAX_IPluginDefinition** definition);
AAX_Result ACFRegisterComponent(void* host, uint32_t index, const AAX_IEffectDefinition** effect);
AAX_Result ACFGetClassFactory(void* host, AAX_CTypeID pluginID, AAX_IClassFactory** factory);
AAX_Result ACFCanUnloadNow(void* host);
AAX_Result ACFStartup(void* host);
AAX_Result ACFShutdown(void* host);
AAX_Result ACFGetSDKVersion(uint64_t* version);
}

TEST(AaxModule, EntryPointsFollowTheModuleLifecycle)
{
    const AAX_IPluginDefinition* definition = nullptr;
    const AAX_IEffectDefinition* effect = nullptr;
    AAX_IClassFactory* made = nullptr;
    uint64_t version = 0;
    EXPECT_EQ(ACFGetSDKVersion(&version), AAX_SUCCESS);
    EXPECT_EQ(version, 0x2000061125CULL);
    EXPECT_EQ(ACFGetSDKVersion(nullptr), AAX_ERROR_NULL_OBJECT);

    // Nothing is described before start-up.
    EXPECT_EQ(ACFRegisterPlugin(nullptr, &definition), AAX_ERROR_NOT_INITIALIZED);
    ASSERT_EQ(ACFStartup(nullptr), AAX_SUCCESS);
    ASSERT_EQ(ACFRegisterPlugin(nullptr, &definition), AAX_SUCCESS);
    ASSERT_EQ(definition->EffectCount(), 1);
    EXPECT_EQ(ACFRegisterComponent(nullptr, 0, &effect), AAX_SUCCESS);
    EXPECT_EQ(effect, definition->Effect(0));
    EXPECT_EQ(ACFRegisterComponent(nullptr, 1, &effect), AAX_ERROR_INVALID_ARGUMENT);
    EXPECT_EQ(effect, nullptr);
    EXPECT_EQ(ACFGetClassFactory(nullptr, AAX_FourCC("KsOr"), &made), AAX_ERROR_UNKNOWN_PLUGIN);
    EXPECT_EQ(made, nullptr);

    // An instance and a GUI object keep the module loaded until the host deletes them.
    for (const char* plugin : {"KsRS", "KsRM"}) {
        char id[5] = {};
        std::copy(plugin, plugin + 4, id);
        ASSERT_EQ(ACFGetClassFactory(nullptr, AAX_FourCC(id), &made), AAX_SUCCESS);
        std::unique_ptr<AAX_IClassFactory> factory(made);
        std::unique_ptr<AAX_IEffectParameters> instance(factory->CreateEffectParameters());
        ASSERT_NE(dynamic_cast<Ks_AAX_Parameters*>(instance.get()), nullptr);
        std::unique_ptr<AAX_IEffectGUI> gui(factory->CreateEffectGUI());
        ASSERT_NE(gui, nullptr);
        EXPECT_EQ(ACFCanUnloadNow(nullptr), AAX_RESULT_FALSE);
        gui.reset();
        EXPECT_EQ(ACFCanUnloadNow(nullptr), AAX_RESULT_FALSE);
        instance.reset();
        EXPECT_EQ(ACFCanUnloadNow(nullptr), AAX_SUCCESS);
    }
    EXPECT_EQ(ACFShutdown(nullptr), AAX_SUCCESS);
    EXPECT_EQ(ACFRegisterPlugin(nullptr, &definition), AAX_ERROR_NOT_INITIALIZED);
    KsPluginVST::setEditorFactory(nullptr);
}
