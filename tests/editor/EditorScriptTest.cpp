// orvane-editor run as a user runs it: scripts that open the editor with the built-in skin (seeded
// from the build tree into a private data folder), paint and use the step editor's menu, drag the
// XY pad and take snapshots; refused options and script lines end the run with exit status 2 and
// one line of error, before anything is printed.
#include "EditorTestSupport.h"

#include <sys/wait.h>

#include <sstream>

namespace
{

using namespace edtest;

struct Result {
    int status;
    std::vector<std::string> lines;
    std::string err;
};

class EditorTool : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::path(ORVANE_BINARY_DIR) / "test-scratch" / "editor-tool" / info->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        setenv("XDG_DATA_HOME", (dir / "home").c_str(), 1);
        setenv("ORVANE_FACTORY_DIR", (fs::path(ORVANE_BINARY_DIR) / "data").c_str(), 1);
    }
    void TearDown() override { unsetenv("ORVANE_FACTORY_DIR"); }

    Result run(const std::string& script, const std::string& options = "")
    {
        std::ofstream(dir / "script.txt", std::ios::binary) << script;
        const fs::path out = dir / "out.txt", err = dir / "err.txt";
        const std::string command = std::string(ORVANE_BINARY_DIR) + "/bin/orvane-editor " + options +
                                    " < '" + (dir / "script.txt").string() + "' > '" + out.string() +
                                    "' 2> '" + err.string() + "'";
        const int raw = std::system(command.c_str());
        Result result{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, {}, {}};
        std::ifstream errIn(err), outIn(out);
        result.err.assign(std::istreambuf_iterator<char>(errIn), {});
        for (std::string line; std::getline(outIn, line);)
            result.lines.push_back(line);
        return result;
    }

    fs::path dir;
};

TEST_F(EditorTool, OpensAndRefusesBadInputWithOneLine)
{
    const Result r = run("host DistXcita 0.8\nidle 3\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines[0], "{\"open\": true, \"width\": 1000, \"height\": 650}");

    // Options, script, what the line of error names.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"--tempo 0", "", "--tempo"},         {"--set Nope=1", "", "Nope"}, {"", "idle\njump 1\n", "line 2"},
        {"", "host DistXcita 2\n", "line 1"}, {"", "snapshot\n", "line 1"},
    };
    for (const auto& [options, text, errorHas] : cases) {
        SCOPED_TRACE(std::string(options) + text);
        const Result bad = run(text, options);
        EXPECT_EQ(bad.status, 2) << bad.err;
        EXPECT_TRUE(bad.lines.empty());
        EXPECT_NE(bad.err.find(errorHas), std::string::npos) << bad.err;
        EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    }
}

// The rectangle of a "control" line.
std::vector<int> rectOf(const std::string& line)
{
    std::vector<int> r(4, 0);
    const std::size_t at = line.find("\"rect\": [");
    if (at == std::string::npos ||
        std::sscanf(line.c_str() + at, "\"rect\": [%d, %d, %d, %d]", &r[0], &r[1], &r[2], &r[3]) != 4)
        ADD_FAILURE() << "no rectangle in " << line;
    return r;
}

// "x y" of the point dx, dy pixels from the top-left corner of a reported rectangle.
std::string at(const std::vector<int>& r, int dx, int dy)
{
    return std::to_string(r[0] + dx) + " " + std::to_string(r[1] + dy);
}

// What one parameter holds in a "params" line.
std::string valueIn(const std::string& params, const std::string& name)
{
    const std::size_t p = params.find("\"" + name + "\": ");
    return p == std::string::npos ? "?" : params.substr(p, params.find_first_of(",}", p) - p);
}

TEST_F(EditorTool, StepEditorThroughAScript)
{
    Result r = run("control StepSeqVol\ncontrol StepSeqMenu\n");
    ASSERT_EQ(r.lines.size(), 3u) << r.err;
    const std::vector<int> bars = rectOf(r.lines[1]), menu = rectOf(r.lines[2]);
    const int stepWidth = (bars[2] - bars[0]) / 16, middle = (bars[3] - bars[1]) / 2;
    const std::string click = "down " + at(menu, 5, 5) + " 2\nup " + at(menu, 5, 5) + " 2\n";
    const std::string file = (dir / "pattern.osq").string();
    // A press on a half-height step fills it; the host hears of the row through "StepSeqVol" only.
    // Two moves right and two left restore the pattern; a saved pattern loads back after "Clear".
    r = run("host SeqVolMode 0\nhost Seq1Step2Vol 0.5\nhost Seq1Tie3Vol 1\nidle\n"
            "down " +
                at(bars, stepWidth + 5, middle) + " 2\nup " + at(bars, stepWidth + 5, middle) +
                " 2\nhost-log\nparams\n" + "menu 11\n" + click + "menu 11\n" + click + "menu 10\n" + click +
                "menu 10\n" + click + "host-log\nparams\n" + "menu 1\nfile " + file + "\n" + click +
                "menu 3\n" + click + "params\nmenu 0\nfile " + file + "\n" + click + "params\n",
            "--seed 3");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> out;
    for (const std::string& line : r.lines)
        if (line.rfind("{\"menu\"", 0) != 0 && line.rfind("{\"dialog\"", 0) != 0) out.push_back(line);
    ASSERT_EQ(out.size(), 7u);
    std::string row;
    for (int s = 52; s < 68; ++s)
        row += ", [\"automate\", " + std::to_string(s) + ", " + (s == 53 ? "1" : "0") + "]";
    EXPECT_EQ(out[1], "{\"host\": [" + row.substr(2) + ", [\"automate\", 350, 0]]}");
    EXPECT_EQ(valueIn(out[2], "Seq1Step2Vol"), "\"Seq1Step2Vol\": 1");
    EXPECT_EQ(out[3], "{\"host\": [[\"automate\", 362, 0], [\"automate\", 362, 0], [\"automate\", 362, 0], "
                      "[\"automate\", 362, 0]]}");
    EXPECT_EQ(out[4], out[2]);
    EXPECT_EQ(valueIn(out[5], "Seq1Step2Vol"), "\"Seq1Step2Vol\": 0");
    EXPECT_EQ(valueIn(out[5], "Seq1Tie3Vol"), "\"Seq1Tie3Vol\": 0");
    EXPECT_EQ(out[6], out[2]);
    EXPECT_EQ(fs::file_size(dir / "pattern.osq"), 136u);
}

TEST_F(EditorTool, XYPadThroughAScript)
{
    Result r = run("control MorphSquare\n");
    ASSERT_EQ(r.lines.size(), 2u) << r.err;
    const std::vector<int> pad = rectOf(r.lines[1]);
    const std::string before = (dir / "before.png").string(), after = (dir / "after.png").string();
    // The inner top-left corner is X 0 and Y 1, in one gesture of the pad and both targets that
    // the host hears. A drag far beyond the pad stops at X 1 and Y 1. "Midi Learn Y" arms
    // "MorphYParam". A new X target moves the cursor and writes nothing.
    r = run("host MmFilterMix 0.25\ndown " + at(pad, 4, 4) + " 2\nup " + at(pad, 4, 4) +
            " 2\nhost-log\nparams\n" + "down " + at(pad, 50, 50) +
            " 2\nmove 5000 -5000 2\nup 5000 -5000 2\nparams\nmenu 1\ndown " + at(pad, 50, 50) + " 8\nup " +
            at(pad, 50, 50) + " 8\nidle\nhost-log\nsnapshot " + before +
            "\nhost MorphXParam 0\nidle\nhost-log\nparams\ncontrol MorphSquare\nsnapshot " + after + "\n");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 9u);
    EXPECT_EQ(r.lines[1],
              "{\"host\": [[\"begin\", 347], [\"begin\", 10], [\"begin\", 11], [\"automate\", 10, 0], "
              "[\"automate\", 11, 1], [\"end\", 10], [\"end\", 11], [\"end\", 347]]}");
    EXPECT_EQ(valueIn(r.lines[2], "MmFilterCutoff") + valueIn(r.lines[2], "MmFilterRes"),
              "\"MmFilterCutoff\": 0\"MmFilterRes\": 1");
    EXPECT_EQ(valueIn(r.lines[3], "MmFilterCutoff") + valueIn(r.lines[3], "MmFilterRes"),
              "\"MmFilterCutoff\": 1\"MmFilterRes\": 1");
    EXPECT_EQ(r.lines[6], "{\"host\": []}");
    EXPECT_NE(r.lines[7].find("\"learnTarget\": 41,"), std::string::npos);
    EXPECT_EQ(valueIn(r.lines[7], "MmFilterMix") + valueIn(r.lines[7], "MmFilterCutoff"),
              "\"MmFilterMix\": 0.25\"MmFilterCutoff\": 1");
    EXPECT_NE(r.lines[8].find("\"kind\": \"pad\", \"x\": 8, \"y\": 11"), std::string::npos) << r.lines[8];

    // The skin's 9 x 9 cursor left the right edge (X 1) and stands a quarter of the way (X 0.25), at
    // the top (Y 1), with the lines to the corners around it.
    gui::RgbaImage a, b, cursor;
    ASSERT_TRUE(gui::readPngFile(before, a));
    ASSERT_TRUE(gui::readPngFile(after, b));
    ASSERT_TRUE(
        gui::readPngFile((dir / "home/Tirsk Audio/OrvaneData/Skins/default/XYCursor.png").string(), cursor));
    const int inner = pad[2] - pad[0] - 8;
    const auto cursorAt = [&](const gui::RgbaImage& shot, int cx) {
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9; ++x)
                if (cursor.pixel(x, y)[3] == 255 && !std::equal(cursor.pixel(x, y), cursor.pixel(x, y) + 4,
                                                                shot.pixel(pad[0] + cx + x, pad[1] + y)))
                    return false;
        return true;
    };
    EXPECT_TRUE(cursorAt(a, inner));
    EXPECT_FALSE(cursorAt(b, inner));
    EXPECT_TRUE(cursorAt(b, inner / 4));
}

} // namespace
