// The generated factory bank and its seeding into a data folder.
#include "ShellTestSupport.h"

using namespace shelltest;

namespace
{

const std::filesystem::path builtBank =
    std::filesystem::path(ORVANE_BINARY_DIR) / "data" / (std::string(KsPluginVST::kFactoryBankName) + ".fxb");

} // namespace

TEST_F(ShellTest, FactoryBankIsCopiedOnlyIntoADataFolderWithoutBanks)
{
    ASSERT_TRUE(std::filesystem::exists(builtBank)) << "the build generates " << builtBank;
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
        const char* bankBefore; // a copy of Mine.fxb under this name, when given
        bool seeded;
        const char* bank0;   // "" when no bank is loaded
        const char* program; // the current program's name, when given
    } cases[] = {
        {"no data folder", nullptr, true, KsPluginVST::kFactoryBankName, nullptr},
        {"the user's own bank sorts first and is bank 0", "Mine", false, "Mine", "My First"},
        {"a demo bank is a bank too", "Zed Demo", false, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(root / "home");
        if (c.bankBefore) {
            std::filesystem::create_directories(dataFolder);
            std::filesystem::copy_file(mine, dataFolder / (std::string(c.bankBefore) + ".fxb"));
        }

        auto shell = makeShell();
        EXPECT_EQ(std::filesystem::exists(factoryCopy), c.seeded);
        EXPECT_EQ(shell->getLoadedBank(), c.bank0[0] ? 0 : -1);
        EXPECT_EQ(c.bank0[0] ? shell->bankName(0) : std::string(), c.bank0);
        EXPECT_STREQ(c.program ? shell->currentProgram()->name : nullptr, c.program);
        EXPECT_FALSE(c.seeded && std::string(shell->currentProgram()->name) == "Init");
    }
}
