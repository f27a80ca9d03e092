// The plug-in base class without a host, and the OS file helpers.
#include "platform/os/OsFiles.h"
#include "platform/os/OsFolders.h"
#include "platform/vst/AEffEditor.h"
#include "platform/vst/AudioEffectX.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace
{

namespace fs = std::filesystem;

struct Probe : AudioEffectX {
    explicit Probe(audioMasterCallback master) : AudioEffectX(master, 1, 4) {}
    void setParameter(VstInt32 index, float) override { lastIndex = index; }
    VstInt32 lastIndex = -1;
};

fs::path scratchFolder(const char* name)
{
    auto folder = fs::path(ORVANE_BINARY_DIR) / "test-scratch" / name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

} // namespace

TEST(AudioEffectX, WithoutAHostRequestsAreAnsweredWithNothing)
{
    Probe alone(nullptr);
    EXPECT_EQ(alone.getTimeInfo(3587), nullptr);
    EXPECT_FALSE(alone.wantEvents());
    alone.setParameterAutomated(1, 0.5f);
    EXPECT_EQ(alone.lastIndex, 1);
    // The instance owns its editor; replacing it deletes the old one (ASan checks the frees).
    alone.setEditor(new AEffGUIEditor(&alone));
    EXPECT_NE(alone.getAeffect()->flags & effFlagsHasEditor, 0);
    alone.setEditor(new AEffGUIEditor(&alone));
    alone.setEditor(nullptr);
    EXPECT_EQ(alone.getAeffect()->flags & effFlagsHasEditor, 0);
}

TEST(OsFiles, AtomicWriteReplacesOnlyOnSuccess)
{
    const auto folder = scratchFolder("atomic");
    const auto path = (folder / "file.bin").string();
    const auto contents = [&] {
        std::vector<uint8_t> bytes;
        return os::readFile(path, 100, bytes) ? std::string(bytes.begin(), bytes.end()) : "";
    };
    ASSERT_TRUE(os::writeFileAtomically(path, "old contents", 12));
    EXPECT_EQ(contents(), "old contents");
    ASSERT_TRUE(os::writeFileAtomically(path, "new", 3));
    EXPECT_EQ(contents(), "new");
    // A folder that does not exist, and a path that is a folder: refused, no temporary file left.
    EXPECT_FALSE(os::writeFileAtomically((folder / "missing" / "x").string(), "x", 1));
    EXPECT_FALSE(os::writeFileAtomically(folder.string(), "x", 1));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 1);
}

TEST(OsFiles, ReadFileHonoursTheLimitAndListFilesFilters)
{
    const auto folder = scratchFolder("list");
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(os::readFile((folder / "none").string(), 10, bytes));
    EXPECT_FALSE(os::readFile(folder.string(), 10, bytes));
    ASSERT_TRUE(os::writeFileAtomically((folder / "b.fxb").string(), "0123456789", 10));
    EXPECT_TRUE(os::readFile((folder / "b.fxb").string(), 10, bytes));
    EXPECT_EQ(bytes.size(), 10u);
    EXPECT_FALSE(os::readFile((folder / "b.fxb").string(), 9, bytes));
    EXPECT_TRUE(bytes.empty());

    for (const char* name : {"a.fxb", "c.fxp", ".fxb"})
        ASSERT_TRUE(os::writeFileAtomically((folder / name).string(), "", 0));
    fs::create_directories(folder / "d.fxb");
    EXPECT_EQ(os::listFiles(folder.string(), "fxb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(os::listFiles((folder / "none").string(), "fxb").empty());
}

TEST(OsFolders, ModulePathAndDataFolder)
{
    // The factory content is found relative to the module.
    const std::string module = os::modulePath();
    EXPECT_TRUE(fs::is_regular_file(module)) << module;

    // The data folder comes from the environment, else from the password database.
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const std::string fromDatabase = std::string(user->pw_dir) + "/.local/share";
    const std::tuple<const char*, const char*, std::string> cases[] = {
        // XDG_DATA_HOME, HOME (null: unset), the folder
        {"/x/data", "/h", "/x/data"},
        {"", "/h", "/h/.local/share"}, // empty XDG_DATA_HOME is ignored
        {nullptr, nullptr, fromDatabase},
        {nullptr, ".", fromDatabase}, // a relative HOME never names the current folder
    };
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string savedXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const auto put = [](const char* name, const char* value) {
        value ? setenv(name, value, 1) : unsetenv(name);
    };
    for (const auto& [xdg, home, expected] : cases) {
        put("XDG_DATA_HOME", xdg);
        put("HOME", home);
        EXPECT_EQ(os::commonDataFolder(), expected) << (xdg ? xdg : "-") << " " << (home ? home : "-");
    }
    put("HOME", savedHome.c_str());
    put("XDG_DATA_HOME", savedXdg.empty() ? nullptr : savedXdg.c_str());
}
