// The generated factory bank and its seeding into a data folder.
#include "ShellTestSupport.h"

#include <set>

using namespace shelltest;

namespace
{

const std::filesystem::path builtBank =
    std::filesystem::path(ORVANE_BINARY_DIR) / "data" / (std::string(KsPluginVST::kFactoryBankName) + ".fxb");

} // namespace

TEST_F(ShellTest, FactoryBankHoldsSixteenDistinctNamedPrograms)
{
    ASSERT_TRUE(std::filesystem::exists(builtBank)) << "the build generates " << builtBank;
    auto shell = makeShell();
    ASSERT_TRUE(shell->loadBankFile(builtBank.c_str()));
    std::set<std::string> names;
    std::set<std::vector<float>> sounds;
    for (int slot = 0; slot < 64; ++slot) {
        const KsProgram& p = *shell->program(slot);
        for (int i = 0; i < p.count; ++i)
            ASSERT_TRUE(p.values[i] >= 0.0f && p.values[i] <= 1.0f);
        if (std::string(p.name) == "Init") continue;
        names.insert(p.name);
        sounds.insert(std::vector<float>(p.values.get(), p.values.get() + p.count));
    }
    EXPECT_GE(names.size(), 16u);
    EXPECT_GE(sounds.size(), 16u);
}

TEST_F(ShellTest, FactoryBankIsCopiedOnlyIntoADataFolderWithoutBanks)
{
    ASSERT_TRUE(std::filesystem::exists(builtBank));
    // A bank of the user's own, saved while there was no factory content to seed.
    const auto mine = root / "Mine.fxb";
    {
        auto maker = makeShell();
        maker->program(0)->setName("My First");
        ASSERT_TRUE(maker->saveBankFile(mine.c_str()));
    }
    std::filesystem::copy_file(builtBank, root / "factory" / builtBank.filename());
    const auto factoryCopy = dataFolder / builtBank.filename();

    const struct {
        const char* what;
        std::vector<std::string> banksBefore; // copies of Mine.fxb under these names
        bool otherFile;                       // a file that is not a bank
        bool seeded;
        const char* bank0;   // "" when no bank is loaded
        const char* program; // the current program's name, when given
    } cases[] = {
        {"no data folder", {}, false, true, KsPluginVST::kFactoryBankName, nullptr},
        {"a data folder without banks", {}, true, true, KsPluginVST::kFactoryBankName, nullptr},
        {"the user's own bank sorts first and is bank 0", {"Mine"}, false, false, "Mine", "My First"},
        {"a deleted factory bank stays deleted", {"Zed"}, true, false, "Zed", nullptr},
        {"a demo bank is a bank too", {"Zed Demo"}, false, false, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(root / "home");
        if (!c.banksBefore.empty() || c.otherFile) std::filesystem::create_directories(dataFolder);
        for (const std::string& name : c.banksBefore)
            std::filesystem::copy_file(mine, dataFolder / (name + ".fxb"));
        if (c.otherFile) std::ofstream(dataFolder / "notes.txt") << "not a bank";

        auto shell = makeShell();
        EXPECT_EQ(std::filesystem::exists(factoryCopy), c.seeded);
        EXPECT_EQ(shell->getLoadedBank(), c.bank0[0] ? 0 : -1);
        EXPECT_EQ(c.bank0[0] ? shell->bankName(0) : std::string(), c.bank0);
        EXPECT_STREQ(c.program ? shell->currentProgram()->name : nullptr, c.program);
        EXPECT_FALSE(c.seeded && std::string(shell->currentProgram()->name) == "Init");
    }

    // A data folder that has its own copy of the factory bank keeps it.
    std::filesystem::remove_all(root / "home");
    makeShell();
    std::vector<std::uint8_t> edited = readBytes(factoryCopy);
    edited.push_back(0);
    writeBytes(factoryCopy, edited);
    makeShell();
    EXPECT_EQ(readBytes(factoryCopy), edited);
}
