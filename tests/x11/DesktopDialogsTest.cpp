// File dialogs and xdg-open through stand-in programs on $PATH: argument vectors (no shell), answers,
// and failures that count as cancelled.
#include "platform/gui/x11/DesktopDialogs.h"
#include "platform/gui/x11/ExternalProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

namespace fs = std::filesystem;
using gui::FileDialogRequest;
using namespace gui::x11;

namespace
{

// A folder of stand-in programs, the only folder of $PATH while the object lives.
struct FakePath {
    FakePath() : oldPath(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        char pattern[] = "/tmp/orvane-x11-dialogs-XXXXXX";
        folder = mkdtemp(pattern);
        setenv("PATH", folder.c_str(), 1);
    }
    ~FakePath()
    {
        setenv("PATH", oldPath.c_str(), 1);
        fs::remove_all(folder);
    }
    // A program that records its arguments (NUL-separated) in name.args, prints output, exits with status.
    void addProgram(const std::string& name, const std::string& output, int status)
    {
        std::string path = folder + "/" + name, args = argsFile(name);
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" << args
                            << ".tmp'\n/bin/mv '" << args << ".tmp' '" << args << "'\nprintf '%s' '" << output
                            << "'\nexit " << status << "\n";
        fs::permissions(path, fs::perms::owner_all);
    }
    std::string argsFile(const std::string& name) const { return folder + "/" + name + ".args"; }
    std::vector<std::string> argumentsOf(const std::string& name) const
    {
        std::ifstream in(argsFile(name), std::ios::binary);
        std::vector<std::string> args;
        for (std::string arg; std::getline(in, arg, '\0');)
            args.push_back(arg);
        return args;
    }
    std::string oldPath, folder;
};

FileDialogRequest saveRequest()
{
    FileDialogRequest r;
    r.save = true;
    r.title = "Save Bank";
    r.filter = std::string("Bank files (*.fxb)\0*.fxb\0All files\0*.*\0\0", 39);
    r.defaultExtension = "fxb";
    return r;
}

} // namespace

TEST(DesktopDialogs, FilterEntriesAreSafeForTheToolsSyntax)
{
    using namespace std::string_literals;
    using Entries = std::vector<std::pair<std::string, std::vector<std::string>>>;
    const std::pair<std::string, Entries> cases[] = {
        {"Presets\0*.fxp; *.FXP\0All\0*.*\0\0"s, {{"Presets", {"*.fxp", "*.FXP"}}, {"All", {"*"}}}},
        // '|' and line ends are field separators of the tools; bad patterns drop, and empty entries
        {"A|B\nC\0*.x\0\0"s, {{"A/B/C", {"*.x"}}}},
        {"Odd\0*.a b;*.c|d\0Fine\0*.e\0\0"s, {{"Fine", {"*.e"}}}},
        {"Unpaired\0"s, {}},
    };
    for (const auto& [filter, expected] : cases) {
        Entries entries;
        for (const auto& e : dialogFilters(filter))
            entries.emplace_back(e.description, e.patterns);
        EXPECT_EQ(entries, expected) << filter;
    }
}

TEST(DesktopDialogs, ArgumentsForEachToolAndThePathChosen)
{
    FileDialogRequest load, save = saveRequest();
    load.title = "Load Preset";
    load.filter = std::string("Presets\0*.fxp\0\0", 16);
    load.initialFolder = "/home/u/My Presets";
    load.defaultExtension = "fxp";
    using Args = std::vector<std::string>;
    EXPECT_EQ(dialogArguments(DialogTool::zenity, load),
              (Args{"--file-selection", "--title=Load Preset", "--filename=/home/u/My Presets/",
                    "--file-filter=Presets | *.fxp"}));
    EXPECT_EQ(dialogArguments(DialogTool::zenity, save),
              (Args{"--file-selection", "--title=Save Bank", "--save", "--confirm-overwrite",
                    "--file-filter=Bank files (*.fxb) | *.fxb", "--file-filter=All files | *"}));

    const std::tuple<const FileDialogRequest*, std::string, std::string> cases[] = {
        {&load, "/a/b\n", "/a/b"}, // loading never invents an extension
        {&save, "/a/My Bank\n", "/a/My Bank.fxb"},
        {&save, "/a.d/name\n", "/a.d/name.fxb"}, // a dot in a folder is not an extension
        {&save, "/a/folder/\n", ""},
        {&save, std::string("/a/b\0c\n", 7), ""},
    };
    for (const auto& [request, output, expected] : cases)
        EXPECT_EQ(chosenPath(*request, output), expected) << output;
}

// Which tool runs, and which of its answers count as a choice.
TEST(DesktopDialogs, ToolChoiceAndFailuresCountAsCancelled)
{
    using Tool = std::tuple<const char*, std::string, int>; // name, output, exit status
    const std::pair<std::vector<Tool>, std::string> cases[] = {
        {{{"zenity", "/x/chosen.fxb\n", 0}}, "/x/chosen.fxb"},
        {{{"zenity", "/x/partial\n", 1}}, ""}, // cancelled, whatever was printed
        {{{"kdialog", "/k/chosen.fxb\n", 0}}, "/k/chosen.fxb"},
        {{{"zenity", "/z.fxb\n", 0}, {"kdialog", "/k.fxb\n", 0}}, "/z.fxb"},
    };
    // A host that ignores SIGCHLD has its children reaped by the system: their exit status is lost,
    // yet the answer (or its absence) still arrives.
    for (auto disposition : {SIG_DFL, SIG_IGN})
        for (const auto& [tools, expected] : cases) {
            if (disposition == SIG_IGN && std::get<2>(tools[0]) != 0 && !std::get<1>(tools[0]).empty())
                continue;
            std::signal(SIGCHLD, disposition);
            FakePath path;
            for (const auto& [name, output, status] : tools)
                path.addProgram(name, output, status);
            EXPECT_EQ(runFileDialog(saveRequest()), expected) << std::get<1>(tools[0]) << " " << tools.size();
            std::signal(SIGCHLD, SIG_DFL);
        }
    FakePath none;
    EXPECT_EQ(runFileDialog(saveRequest()), "");
}

// Arguments reach the tool as they are, never through a shell; a loaded file must exist when asked.
TEST(DesktopDialogs, RunsTheDialogWithoutAShellAndChecksLoadedFiles)
{
    FakePath path;
    path.addProgram("zenity", "/home/u/new bank\n", 0);
    FileDialogRequest request = saveRequest();
    request.title = "$(touch pwned); `touch pwned2` 'q\" > x";
    EXPECT_EQ(runFileDialog(request), "/home/u/new bank.fxb");
    auto args = path.argumentsOf("zenity");
    ASSERT_GE(args.size(), 2u);
    EXPECT_EQ(args[1], "--title=" + request.title);
    EXPECT_FALSE(fs::exists(path.folder + "/pwned"));
    EXPECT_FALSE(fs::exists("pwned"));

    std::string existing = path.folder + "/there.fxp", missing = path.folder + "/missing.fxp";
    std::ofstream(existing) << "x";
    FileDialogRequest load;
    const std::tuple<std::string, bool, std::string> cases[] = {
        {existing, true, existing}, {path.folder, true, ""}, {missing, false, missing}};
    for (const auto& [answer, mustExist, expected] : cases) {
        path.addProgram("zenity", answer + "\n", 0);
        load.mustExist = mustExist;
        EXPECT_EQ(runFileDialog(load), expected) << answer;
    }
}

TEST(DesktopDialogs, OpenDocumentHandsTheTextToXdgOpen)
{
    const std::pair<std::string, std::string> cases[] = {
        {"https://example.org/manual page?x=1&y=$(id)", "https://example.org/manual page?x=1&y=$(id)"},
        {"-v", "./-v"}, // never read as one of xdg-open's options
    };
    for (const auto& [text, expected] : cases) {
        std::signal(SIGCHLD, text == "-v" ? SIG_IGN : SIG_DFL); // as in a host that ignores SIGCHLD
        FakePath path;
        path.addProgram("xdg-open", "", 0);
        const bool opened = openDocument(text);
        std::signal(SIGCHLD, SIG_DFL);
        ASSERT_TRUE(opened);
        // Detached: wait (bounded) for what it recorded.
        for (int i = 0; i < 1000 && !fs::exists(path.argsFile("xdg-open")); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(path.argumentsOf("xdg-open"), std::vector<std::string>{expected});
    }
    FakePath empty;
    EXPECT_FALSE(openDocument("https://example.org"));
}

TEST(ExternalProgram, OutputIsBoundedAndStatusReported)
{
    FakePath path;
    path.addProgram("talker", std::string(10000, 'x'), 3);
    ProgramResult r = runProgram({findProgram("talker")}, 100);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.exitedNormally);
    EXPECT_EQ(r.exitStatus, 3);
    EXPECT_EQ(r.output, std::string(100, 'x'));

    EXPECT_EQ(findProgram("missing"), "");
    EXPECT_EQ(findProgram("../talker"), ""); // names only, never paths
    // Relative and empty entries of $PATH would run what lies in the current folder: skipped.
    std::string cwd = fs::current_path();
    fs::current_path(path.folder);
    for (const char* relative : {"", ".", "./", ":"}) {
        setenv("PATH", relative, 1);
        EXPECT_EQ(findProgram("talker"), "") << relative;
    }
    fs::current_path(cwd);
    setenv("PATH", path.folder.c_str(), 1);
    EXPECT_FALSE(runProgram({}, 10).started);
    ProgramResult missing = runProgram({path.folder + "/missing"}, 10);
    EXPECT_EQ(missing.exitStatus, 127); // the exec failed in the child
}
