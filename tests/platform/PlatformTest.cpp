// The plug-in base classes' host requests and the OS file helpers.
#include "platform/os/OsFiles.h"
#include "platform/os/OsFolders.h"
#include "platform/vst/AEffEditor.h"
#include "platform/vst/AudioEffectX.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace
{

struct HostLog {
    VstInt32 opcode = -1;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    float opt = 0.0f;
    int calls = 0;
};
HostLog hostLog;
VstTimeInfo hostTime;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt)
{
    hostLog = {opcode, index, value, opt, hostLog.calls + 1};
    if (opcode == audioMasterGetTime) return reinterpret_cast<VstIntPtr>(&hostTime);
    return 1;
}

class Probe : public AudioEffectX
{
  public:
    Probe(audioMasterCallback master) : AudioEffectX(master, 1, 4) {}
    void setParameter(VstInt32 index, float value) override
    {
        lastIndex = index;
        lastValue = value;
    }
    VstInt32 lastIndex = -1;
    float lastValue = -1.0f;
};

std::filesystem::path scratchFolder(const char* name)
{
    auto folder = std::filesystem::path(ORVANE_BINARY_DIR) / "test-scratch" / name;
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::string readText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

TEST(AudioEffectX, HostRequestsGoThroughTheCallback)
{
    Probe effect(recordingHost);
    hostLog = {};
    effect.setParameterAutomated(3, 0.25f);
    EXPECT_EQ(effect.lastIndex, 3);
    EXPECT_FLOAT_EQ(effect.lastValue, 0.25f);
    EXPECT_EQ(hostLog.opcode, audioMasterAutomate);
    EXPECT_EQ(hostLog.index, 3);
    EXPECT_FLOAT_EQ(hostLog.opt, 0.25f);

    hostTime.tempo = 133.0;
    VstTimeInfo* info = effect.getTimeInfo(3587);
    ASSERT_EQ(info, &hostTime);
    EXPECT_EQ(hostLog.opcode, audioMasterGetTime);
    EXPECT_EQ(hostLog.value, 3587);

    EXPECT_TRUE(effect.wantEvents());
    EXPECT_EQ(hostLog.opcode, audioMasterWantMidi);
    EXPECT_TRUE(effect.updateDisplay());
    EXPECT_EQ(hostLog.opcode, audioMasterUpdateDisplay);
    EXPECT_EQ(effect.getAeffect()->object, &effect);
}

TEST(AudioEffectX, WithoutAHostEveryRequestIsAnsweredWithNothing)
{
    Probe effect(nullptr);
    EXPECT_EQ(effect.getTimeInfo(3587), nullptr);
    EXPECT_FALSE(effect.wantEvents());
    effect.setParameterAutomated(1, 0.5f);
    EXPECT_EQ(effect.lastIndex, 1);
    // The instance owns its editor; replacing it deletes the old one (ASan checks the frees).
    effect.setEditor(new AEffGUIEditor(&effect));
    EXPECT_NE(effect.getAeffect()->flags & effFlagsHasEditor, 0);
    effect.setEditor(new AEffGUIEditor(&effect));
    effect.setEditor(nullptr);
    EXPECT_EQ(effect.getAeffect()->flags & effFlagsHasEditor, 0);
}

TEST(OsFiles, AtomicWriteReplacesOnlyOnSuccess)
{
    const auto folder = scratchFolder("atomic");
    const auto path = (folder / "file.bin").string();
    ASSERT_TRUE(os::writeFileAtomically(path, "old contents", 12));
    EXPECT_EQ(readText(path), "old contents");
    ASSERT_TRUE(os::writeFileAtomically(path, "new", 3));
    EXPECT_EQ(readText(path), "new");

    // A folder that does not exist, and a path that is a folder: refused.
    EXPECT_FALSE(os::writeFileAtomically((folder / "missing" / "x").string(), "x", 1));
    EXPECT_FALSE(os::writeFileAtomically(folder.string(), "x", 1));

    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
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

    ASSERT_TRUE(os::writeFileAtomically((folder / "a.fxb").string(), "", 0));
    ASSERT_TRUE(os::writeFileAtomically((folder / "c.fxp").string(), "", 0));
    ASSERT_TRUE(os::writeFileAtomically((folder / ".fxb").string(), "", 0));
    std::filesystem::create_directories(folder / "d.fxb");
    EXPECT_EQ(os::listFiles(folder.string(), "fxb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(os::listFiles((folder / "none").string(), "fxb").empty());
}

TEST(OsFolders, ModulePathNamesThisProgram)
{
    // The factory content is found relative to it.
    const std::string module = os::modulePath();
    EXPECT_TRUE(std::filesystem::is_regular_file(module)) << module;
    EXPECT_EQ(os::moduleBaseName(module), "orvane_platform_tests");
    EXPECT_EQ(os::moduleFolder("/a/b/orvane.so"), "/a/b");
}

TEST(OsFolders, DataFolderComesFromTheEnvironmentOrThePasswordDatabase)
{
    const passwd* user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const std::string fromDatabase = std::string(user->pw_dir) + "/.local/share";
    struct Case {
        const char* what;
        const char* xdg; // null: unset
        const char* home;
        std::string expected;
    } const cases[] = {
        {"XDG_DATA_HOME first", "/x/data", "/h", "/x/data"},
        {"then HOME", nullptr, "/h", "/h/.local/share"},
        {"empty XDG_DATA_HOME is ignored", "", "/h", "/h/.local/share"},
        {"a relative XDG_DATA_HOME is ignored", "data", "/h", "/h/.local/share"},
        {"without HOME, the password database", nullptr, nullptr, fromDatabase},
        {"an empty HOME is ignored", nullptr, "", fromDatabase},
        {"a relative HOME never names the current folder", nullptr, ".", fromDatabase},
    };
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const std::string savedXdg = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const auto put = [](const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    for (const Case& c : cases) {
        put("XDG_DATA_HOME", c.xdg);
        put("HOME", c.home);
        EXPECT_EQ(os::commonDataFolder(), c.expected) << c.what;
    }
    put("HOME", savedHome.c_str());
    put("XDG_DATA_HOME", savedXdg.empty() ? nullptr : savedXdg.c_str());
}
