// orvane-editor: the editor driven by a script, without a window system. It hosts the plug-in
// shell as a host would (set up with the same options and in the same order as orvane-render),
// opens the shell's editor in a headless parent window, runs the script's commands (mouse,
// idle calls, clock, menu and dialog answers, host parameter and program changes, audio blocks,
// snapshots) and prints what happens as JSON lines. "control NAME" prints what the control of a
// parameter shows (its frame rectangle, value, and the entry, text, selection, meter segments,
// step row or pad targets of the product's controls).
//
//   orvane-editor [OPTIONS] [SCRIPT]   SCRIPT: a file of commands; standard input when absent or "-"
//
// Exit status: 0 when the script ran, 1 when the editor did not open, 2 for a faulty command line
// or script.
#include "Script.h"

#include "editor/CRadioGroup.h"
#include "editor/CXYControlSurface.h"
#include "editor/OrvaneEditor.h"
#include "editor/ScrollSelector.h"
#include "editor/StepSeq.h"
#include "editor/TextDisplay.h"
#include "editor/VuMeterS.h"
#include "host/HostShell.h"
#include "platform/gui/COptionMenu.h"
#include "platform/gui/HeadlessBackend.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using host::jsonNumber;
using host::jsonString;
using host::UsageError;

constexpr float kSampleRate = 48000.0f;
constexpr int kBlock = 512;
constexpr double kSineHz = 1000.0;

// What the plug-in told the host, in order, as JSON arrays.
struct HostLog {
    std::vector<std::string> events;
    bool recording = false;
};

VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    auto* log = effect ? static_cast<HostLog*>(effect->user) : nullptr;
    if (!log || !log->recording) return 0;
    if (opcode == audioMasterAutomate)
        log->events.push_back("[\"automate\", " + std::to_string(index) + ", " + jsonNumber(opt) + "]");
    else if (opcode == audioMasterBeginEdit)
        log->events.push_back("[\"begin\", " + std::to_string(index) + "]");
    else if (opcode == audioMasterEndEdit)
        log->events.push_back("[\"end\", " + std::to_string(index) + "]");
    return opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit ? 1 : 0;
}

void emit(const std::string& line)
{
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string menuItems(const COptionMenu& menu)
{
    std::string out = "[";
    for (int i = 0; i < menu.getNbEntries(); ++i) {
        if (i) out += ", ";
        const std::string text = menu.isSeparator(i) ? std::string("-") : menu.getEntryText(i);
        out += "{\"text\": " + jsonString(text.c_str()) +
               ", \"checked\": " + (menu.isEntryChecked(i) ? "true" : "false");
        if (const COptionMenu* sub = menu.getSubMenu(i)) out += ", \"submenu\": " + menuItems(*sub);
        out += "}";
    }
    return out + "]";
}

std::string boolText(bool b)
{
    return b ? "true" : "false";
}

// What the control of a parameter shows, as one JSON object.
std::string describeControl(const KsEditor& editor, int index, const std::string& name)
{
    std::string out = "{\"control\": " + jsonString(name.c_str());
    const CControl* control = editor.getControl(index);
    if (!control) return out + ", \"kind\": null}";
    const CRect r = control->getFrameRect();
    out += ", \"rect\": [" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) +
           "], \"value\": " + jsonNumber(control->getValue());
    if (const auto* s = dynamic_cast<const ScrollSelector*>(control)) {
        const int entry = s->getCurrentEntry();
        out += ", \"kind\": \"selector\", \"entry\": " + std::to_string(entry) +
               ", \"count\": " + std::to_string(s->getEntryCount()) +
               ", \"text\": " + jsonString(s->getEntryText(entry).c_str());
    } else if (const auto* t = dynamic_cast<const TextDisplay*>(control)) {
        out += ", \"kind\": \"text\", \"text\": " + jsonString(t->getText());
    } else if (const auto* g = dynamic_cast<const CRadioGroup*>(control)) {
        out += ", \"kind\": \"radio\", \"selected\": " + std::to_string(g->getSelected());
    } else if (const auto* m = dynamic_cast<const VuMeterS*>(control)) {
        out += ", \"kind\": \"meter\", \"dark\": " + std::to_string(m->darkSegments()) +
               ", \"metering\": " + boolText(VuMeterS::isMeteringOn());
    } else if (const auto* q = dynamic_cast<const StepSeq*>(control)) {
        out += ", \"kind\": \"steps\", \"first\": " + std::to_string(q->getFirstStep()) +
               ", \"volumeMode\": " + boolText(q->isVolumeMode());
    } else if (const auto* x = dynamic_cast<const CXYControlSurface*>(control)) {
        out += ", \"kind\": \"pad\", \"x\": " + std::to_string(x->getXTarget()) +
               ", \"y\": " + std::to_string(x->getYTarget());
    }
    return out + "}";
}

std::string readScript(const std::string& path)
{
    if (path.empty() || path == "-") return std::string(std::istreambuf_iterator<char>(std::cin), {});
    std::ifstream in(path, std::ios::binary);
    if (!in) throw UsageError{"cannot read script '" + path + "'"};
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Session
{
  public:
    Session(host::HostShell& s, KsEditor& e, HostLog& l) : shell(s), editor(e), log(l)
    {
        editor.setBackend(&backend);
        backend.onMenuOpened = [](const COptionMenu& menu, CPoint) {
            emit("{\"menu\": " + menuItems(menu) + "}");
        };
        backend.onFileDialogOpened = [](const gui::FileDialogRequest& request) {
            std::string filter = request.filter;
            for (char& c : filter)
                if (c == '\0') c = '!';
            emit("{\"dialog\": {\"title\": " + jsonString(request.title.c_str()) + ", \"save\": " +
                 (request.save ? "true" : "false") + ", \"filter\": " + jsonString(filter.c_str()) + "}}");
        };
    }

    // The frame must not outlive the back end it is shown through.
    ~Session() { editor.close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Opens the editor and prints the open line; false when it did not open.
    bool open()
    {
        const bool opened = editor.open(&parent);
        if (!opened) {
            emit("{\"open\": false}");
            return false;
        }
        ERect* rect = nullptr;
        editor.getRect(&rect);
        log.events.clear();
        log.recording = true;
        emit("{\"open\": true, \"width\": " + std::to_string(rect->right - rect->left) +
             ", \"height\": " + std::to_string(rect->bottom - rect->top) + "}");
        return true;
    }

    // Runs one command; false when the tool must stop with status 1.
    bool run(const editortool::Command& c)
    {
        CFrame* frame = editor.isOpen() ? editor.getFrame() : nullptr;
        const auto point = [&] {
            return CPoint(static_cast<int>(c.values[0]), static_cast<int>(c.values[1]));
        };
        if (c.name == "down") {
            if (frame) frame->handleMouseDown(point(), static_cast<int>(c.values[2]));
        } else if (c.name == "move") {
            if (frame) frame->handleMouseMoved(point(), static_cast<int>(c.values[2]));
        } else if (c.name == "up") {
            if (frame) frame->handleMouseUp(point(), static_cast<int>(c.values[2]));
        } else if (c.name == "hover") {
            if (frame) frame->handleMouseMoved(point(), 0);
        } else if (c.name == "leave") {
            if (frame) frame->handleMouseLeft();
        } else if (c.name == "idle") {
            for (long long i = 0; i < c.values[0]; ++i)
                editor.idle();
        } else if (c.name == "wait") {
            backend.advance(static_cast<uint32_t>(c.values[0]));
        } else if (c.name == "menu") {
            std::vector<int> path;
            for (long long v : c.values)
                path.push_back(static_cast<int>(v));
            backend.queueMenuAnswer(path);
        } else if (c.name == "file") {
            backend.queueFileAnswer(c.cancel ? std::nullopt : std::optional<std::string>(c.text));
        } else if (c.name == "host") {
            shell.setParameter(static_cast<VstInt32>(c.values[0]), static_cast<float>(c.amount));
        } else if (c.name == "program") {
            shell.setProgram(static_cast<VstInt32>(c.values[0]));
        } else if (c.name == "process") {
            process(c.values[0], static_cast<float>(c.amount));
        } else if (c.name == "close") {
            editor.close();
            log.recording = false;
        } else if (c.name == "open") {
            if (editor.isOpen()) editor.close();
            return open();
        } else if (c.name == "snapshot") {
            if (!frame)
                throw UsageError{"line " + std::to_string(c.line) + ": snapshot while the editor is closed"};
            frame->redrawDirty();
            if (!parent.writeSnapshot(c.text))
                throw UsageError{"line " + std::to_string(c.line) + ": cannot write snapshot '" + c.text +
                                 "'"};
        } else if (c.name == "params") {
            printParams();
        } else if (c.name == "control") {
            emit(describeControl(editor, static_cast<int>(c.values[0]), c.text));
        } else if (c.name == "display") {
            emit("{\"display\": " + jsonString(editor.displayText().c_str()) + "}");
        } else if (c.name == "host-log") {
            std::string out = "{\"host\": [";
            for (std::size_t i = 0; i < log.events.size(); ++i)
                out += (i ? ", " : "") + log.events[i];
            emit(out + "]}");
            log.events.clear();
        }
        return true;
    }

  private:
    void process(long long frames, float amplitude)
    {
        std::vector<float> left(kBlock), right(kBlock), outL(kBlock), outR(kBlock);
        for (long long done = 0; done < frames;) {
            const int n = static_cast<int>(std::min<long long>(kBlock, frames - done));
            for (int i = 0; i < n; ++i) {
                left[static_cast<std::size_t>(i)] = right[static_cast<std::size_t>(i)] =
                    amplitude * static_cast<float>(std::sin(2.0 * M_PI * kSineHz *
                                                            static_cast<double>(sineFrame++) / kSampleRate));
            }
            float* inputs[2] = {left.data(), right.data()};
            float* outputs[2] = {outL.data(), outR.data()};
            shell.processReplacing(inputs, outputs, n);
            shell.advanceTransport(n);
            done += n;
        }
    }

    void printParams()
    {
        KsPlugin& engine = *shell.getEngine();
        std::string names = "{", values = "[";
        std::vector<std::string> seen;
        for (int i = 0; i < engine.parameterCount; ++i) {
            const std::string value = jsonNumber(shell.getParameter(i));
            values += (i ? ", " : "") + value;
            const std::string name = engine.parameter(i)->name;
            if (engine.parameterIndex(name.c_str()) != i) continue; // the first of equal names
            names += std::string(names.size() > 1 ? ", " : "") + jsonString(name.c_str()) + ": " + value;
        }
        emit("{\"params\": " + names + "}, \"values\": " + values +
             "], \"learnTarget\": " + std::to_string(engine.learnTarget.load()) +
             ", \"program\": " + std::to_string(shell.getProgram()) + "}");
    }

    host::HostShell& shell;
    KsEditor& editor;
    HostLog& log;
    gui::HeadlessBackend backend;
    gui::HeadlessParent parent;
    long long sineFrame = 0;
};

int run(int argc, char** argv)
{
    host::ShellOptions options;
    std::string scriptPath;
    CLI::App app{"Opens the Orvane editor without a window system and drives it with a script.",
                 "orvane-editor"};
    app.add_option("script", scriptPath, "file of commands (standard input when absent or '-')");
    host::addShellOptions(app, options);
    if (const std::optional<int> status = host::parseCommandLine(app, argc, argv)) return *status;
    host::checkShellOptions(options);
    host::seedGenerator(options.seed);
    const std::vector<host::Setting> settings = host::parseSettings(options);
    // The whole script is read and checked before anything runs.
    std::vector<editortool::Command> commands = editortool::parseScript(readScript(scriptPath));
    {
        // Parameter names of "host" and "control" lines are checked before anything runs too.
        Orvane names;
        for (editortool::Command& c : commands)
            if (c.name == "host" || c.name == "control")
                c.values = {host::parseSetting(names, c.text + "=0",
                                               ("line " + std::to_string(c.line) + ": " + c.name).c_str())
                                .index};
    }

    OrvaneEditor::useForShells();
    HostLog log;
    auto shell = host::setUpShell(options, kSampleRate, settings, &hostCallback);
    shell->getAeffect()->user = &log;
    auto* editor = dynamic_cast<KsEditor*>(shell->getGuiEditor());
    if (!editor) {
        emit("{\"open\": false}");
        return 1;
    }
    Session session(*shell, *editor, log);
    if (!session.open()) return 1;
    for (const editortool::Command& c : commands)
        if (!session.run(c)) return 1;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return host::runReportingErrors("orvane-editor", run, argc, argv);
}
