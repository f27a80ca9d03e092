// orvane-editor run as a user runs it: a script that opens the editor with the built-in skin,
// moves a parameter as the host would and writes a snapshot; refused options and script lines end
// the run with exit status 2 and one line of error, before anything is printed.
#include "RenderToolSupport.h"

#include <algorithm>
#include <tuple>

namespace
{

const std::string kEditorTool = std::string(ORVANE_BINARY_DIR) + "/bin/orvane-editor";

class OrvaneEditorTool : public OrvaneRender
{
  protected:
    RunResult script(const std::string& text, const std::string& options = "")
    {
        std::ofstream(dir / "script.txt") << text;
        return runCommand(kEditorTool + " " + options + " < " + quoted(dir / "script.txt"));
    }
};

// Width and height from a PNG file's header.
std::pair<uint32_t, uint32_t> pngSize(const fs::path& path)
{
    const std::string bytes = readAll(path);
    if (bytes.size() < 24) return {0, 0};
    const auto word = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i)
            v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
        return v;
    };
    return {word(16), word(20)};
}

TEST_F(OrvaneEditorTool, SnapshotOfTheBuiltInSkin)
{
    setenv("ORVANE_FACTORY_DIR", (fs::path(ORVANE_BINARY_DIR) / "data").c_str(), 1);
    const RunResult r =
        script("host DistXcita 0.8\nidle 3\nsnapshot " + (dir / "editor.png").string() + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "{\"open\": true, \"width\": 1000, \"height\": 650}");
    EXPECT_EQ(pngSize(dir / "editor.png"), std::make_pair(1000u, 650u));
}

TEST_F(OrvaneEditorTool, RefusedInputExitsWithTwoAndOneLine)
{
    // Options, script, what the line of error names.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"--tempo 0", "", "--tempo"},         {"--set Nope=1", "", "Nope"}, {"", "idle\njump 1\n", "line 2"},
        {"", "host DistXcita 2\n", "line 1"}, {"", "snapshot\n", "line 1"},
    };
    for (const auto& [options, text, errorHas] : cases) {
        SCOPED_TRACE(std::string(options) + text);
        const RunResult r = script(text, options);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(r.err.find(errorHas), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

} // namespace
