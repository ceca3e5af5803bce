#include "batch/Batch.h"

#include "batch/AppBatch.h"
#include "batch/AudioBatch.h"
#include "batch/BatchTexts.h"
#include "batch/ClipboardBatch.h"
#include "batch/EnvelopeBatch.h"
#include "batch/SpectralBatch.h"
#include "batch/ViewBatch.h"
#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "hosts/scripted/ScriptedHost.h"
#include "util/Format.h"
#include "util/ParseNumber.h"
#include "view/WaveWindow.h"
#include "window/CommandTable.h"
#include "window/MainWindow.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace wt {

std::vector<std::string> SplitBatchLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inQuotes = false, hasWord = false;
    for (char c : line) {
        if (c == '"') {
            inQuotes = !inQuotes;
            hasWord = true;
        } else if (!inQuotes && std::isspace(static_cast<unsigned char>(c))) {
            if (hasWord) {
                words.push_back(word);
            }
            word.clear();
            hasWord = false;
        } else {
            word += c;
            hasWord = true;
        }
    }
    if (hasWord) {
        words.push_back(word);
    }
    return words;
}

bool RunBatchCommand(BatchContext& context, int commandId, const std::vector<std::string>& args,
                     std::string& error, BatchDialogInteraction interact) {
    DialogScript script;
    for (const auto& arg : args) {
        if (arg == "cancel") {
            script.cancel = true;
            continue;
        }
        const auto eq = arg.find('=');
        long long id = 0;
        if (eq == std::string::npos || eq == 0) {
            error = "expected ID=VALUE or cancel, got \"" + arg + "\"";
            return false;
        }
        // Control ids are 16-bit numbers: a larger one must not wrap onto another control.
        if (!ParseInteger(arg.substr(0, eq), 0, 0xFFFF, id)) {
            error = "control id must be a whole number from 0 to 65535, got \"" +
                    arg.substr(0, eq) + "\"";
            return false;
        }
        script.assignments.emplace_back(static_cast<int>(id), arg.substr(eq + 1));
    }
    const CommandEntry* entry = FindCommand(commandId);
    if (!entry || !entry->handler) {
        error = "command not available";
        return false;
    }
    if (context.app.busy && commandId != IDM_STOP) {
        error = "the editor is busy";
        return false;
    }
    const std::size_t errorsBefore = context.host.scriptErrors.size();
    bool cancelRequested = script.cancel;
    if (interact) {
        script.interact = [&cancelRequested, interact](ScriptedDialog& dialog, std::string& e) {
            const bool ok = interact(dialog, e);
            cancelRequested = cancelRequested || (dialog.Ended() && dialog.Result() == 0);
            return ok;
        };
    }
    context.host.QueueDialog(std::move(script));
    const int result = DispatchCommand(context.app, commandId, NotifyMenu);
    // A command that showed no dialog (open, save, normalize...) leaves its script unused,
    // and one cancelled before its file dialog leaves the path: neither may reach a later line.
    context.host.DiscardQueuedDialogs();
    context.host.DiscardQueuedFiles();
    if (context.host.scriptErrors.size() > errorsBefore) {
        error = context.host.scriptErrors.back();
        return false;
    }
    if (result != 1 && !cancelRequested) {
        error = "the command did not succeed";
        return false;
    }
    return true;
}

namespace {

// A whole number of the 64-bit range; larger ones are refused, not cut.
bool ParseNumber(const std::string& text, long long& value) {
    return ParseInteger(text, LLONG_MIN, LLONG_MAX, value);
}

std::int32_t FramesToOffset(const App& app, long long frames) {
    // Clamped before the product, so a huge frame count cannot overflow it.
    const long long offset =
        std::clamp<long long>(frames, 0, app.doc.byteLength) * app.doc.format.blockAlign;
    return static_cast<std::int32_t>(std::clamp<long long>(offset, 0, app.doc.byteLength));
}

// Frames per pixel column as the shortest decimal that reads back as the same number: whole
// on the zoom steps, fractional past the widest one.
std::string FormatFramesPerPixel(double value) {
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

bool VerbInfo(BatchContext& c, const std::vector<std::string>&, std::string&) {
    const SoundDocument& doc = c.app.doc;
    for (int part = 0; part < 4; ++part) {
        c.out << "status" << part << ": " << c.host.StatusText(part) << "\n";
    }
    c.out << "caption: " << c.host.caption << "\n"
          << "byteLength: " << doc.byteLength << "\n"
          << "selStart: " << doc.selStart << "\n"
          << "selEnd: " << doc.selEnd << "\n"
          << "cursor: " << doc.cursor << "\n"
          << "modified: " << (doc.modified ? 1 : 0) << "\n"
          << "fileType: " << doc.fileType << "\n"
          << "sourceFormat: " << (doc.sourceFormat.empty() ? "same" : doc.sourceFormat) << "\n"
          << "viewStart: " << doc.viewStart / std::max<int>(1, doc.format.blockAlign) << "\n"
          << "framesPerPixel: " << FormatFramesPerPixel(FramesPerColumn(c.app)) << "\n";
    return true;
}

bool VerbSelect(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    SoundDocument& doc = c.app.doc;
    if (args.size() == 1 && args[0] == "all") {
        doc.selStart = 0;
        doc.selEnd = doc.byteLength;
        return true;
    }
    long long start = 0, end = 0;
    if (args.size() != 2 || !ParseNumber(args[0], start) || !ParseNumber(args[1], end)) {
        error = "usage: select START END (frames) or select all";
        return false;
    }
    const std::int32_t a = FramesToOffset(c.app, start), b = FramesToOffset(c.app, end);
    doc.selStart = std::min(a, b);
    doc.selEnd = std::max(a, b);
    return true;
}

bool VerbCursor(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    long long pos = 0;
    if (args.size() != 1 || !ParseNumber(args[0], pos)) {
        error = "usage: cursor POS (frames)";
        return false;
    }
    c.app.doc.cursor = FramesToOffset(c.app, pos);
    return true;
}

bool VerbAnswer(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    static const std::pair<const char*, int> answers[] = {
        {"yes", IdYes}, {"no", IdNo}, {"cancel", IdCancel}, {"ok", IdOk}};
    if (args.size() == 1) {
        for (const auto& [word, id] : answers) {
            if (args[0] == word) {
                c.host.QueueAnswer(id);
                return true;
            }
        }
    }
    error = "usage: answer yes|no|cancel|ok";
    return false;
}

// "open PATH": the path takes the place of the open dialog, and of no other: the Save As that
// the unsaved-changes question may start finds no name and fails, so the open is cancelled.
bool VerbOpen(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = "usage: open PATH";
        return false;
    }
    c.host.QueueFile(args[0], 0, FileDialogKind::Open);
    return RunBatchCommand(c, IDM_OPEN, {args.begin() + 1, args.end()}, error);
}

// "saveas PATH [filter=1|2|3|4|5]".
bool VerbSaveAs(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (args.empty()) {
        error = "usage: saveas PATH [filter=1|2|3|4|5]";
        return false;
    }
    int filter = 0;
    std::vector<std::string> rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
        long long n = 0;
        if (args[i].rfind("filter=", 0) == 0 && ParseNumber(args[i].substr(7), n) && n >= 1 &&
            n <= 5) {
            filter = static_cast<int>(n);
        } else {
            rest.push_back(args[i]);
        }
    }
    c.host.QueueFile(args[0], filter, FileDialogKind::Save);
    return RunBatchCommand(c, IDM_SAVE_AS, rest, error);
}

// "save": the menu command, but an imported document has no file of its own and the batch
// mode has no dialog to ask for one, so the line fails instead of touching the source.
bool VerbSave(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    if (c.app.doc.imported) {
        error = "the sound was imported from " + c.app.doc.title +
                " and has no file of its own: name one with saveas PATH";
        return false;
    }
    return RunBatchCommand(c, IDM_SAVE, args, error);
}

bool VerbRecent(BatchContext& c, const std::vector<std::string>& args, std::string& error) {
    long long n = 0;
    if (args.size() != 1 || !ParseNumber(args[0], n) || n < 1 || n > kRecentFileCount) {
        error = "usage: recent N (1..6)";
        return false;
    }
    const std::size_t errorsBefore = c.host.scriptErrors.size();
    const int result = DispatchCommand(c.app, IDM_RECENT1 + static_cast<int>(n) - 1);
    if (c.host.scriptErrors.size() > errorsBefore) {
        error = c.host.scriptErrors.back();
        return false;
    }
    if (result != 1) {
        error = "the command did not succeed";
        return false;
    }
    return true;
}

// Appends the script's lines to `lines` and where each came from ("ORIGIN:N") to `origins`.
// The whole script is read before its first line runs; false, with the reason on `err`, when
// it cannot be read to its end or a line is longer than kMaxBatchLineBytes (no script has
// such lines: /dev/zero or a binary file given by mistake would otherwise fill the memory).
bool ReadScript(std::istream& source, const std::string& origin, std::vector<std::string>& lines,
                std::vector<std::string>& origins, std::ostream& err) {
    // Room for one byte more than a line may have, and the terminating NUL.
    std::vector<char> buffer(kMaxBatchLineBytes + 2);
    for (int number = 1;; ++number) {
        source.getline(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(source.gcount()); // with the line break
        if (source.bad()) {
            err << "error: cannot read " << origin << "\n";
            return false;
        }
        if (source.fail() && source.eof() && got == 0) {
            return true; // the end of the script
        }
        // Without a line break the buffer filled (fail) or the script ended (eof).
        const std::size_t length = source.fail() || source.eof() ? got : got - 1;
        if (source.fail() || length > kMaxBatchLineBytes) {
            err << "error: " << origin << ":" << number << ": line longer than "
                << kMaxBatchLineBytes << " bytes\n";
            return false;
        }
        lines.emplace_back(buffer.data(), length);
        origins.push_back(origin + ":" + std::to_string(number));
        if (source.eof()) {
            return true;
        }
    }
}

} // namespace

const std::vector<BatchVerb>& BatchVerbs() {
    static const std::vector<BatchVerb> verbs = {
        {"info", VerbInfo},
        {"select", VerbSelect},
        {"cursor", VerbCursor},
        {"answer", VerbAnswer},
        {"open", VerbOpen},
        {"save", VerbSave},
        {"saveas", VerbSaveAs},
        {"recent", VerbRecent},
        {"paint", BatchPaint},
        {"wheel", BatchWheel},
        {"ctrl_wheel", BatchCtrlWheel},
        {"devices", BatchDevices},
        {"wait", BatchWait},
        {"clipboard_load", BatchClipboardLoad},
        {"clipboard_save", BatchClipboardSave},
        {"clipboard_hold", BatchClipboardHold},
        {"envelope_dialog", BatchEnvelopeDialog},
        {"vocoder", BatchVocoder},
        {"spectral_high_pass", BatchSpectralHighPass},
        {"paths", BatchPaths},
        {"commands", BatchCommands},
    };
    return verbs;
}

bool RunBatchLine(BatchContext& context, const std::string& line, std::string& error, bool& stop) {
    const std::vector<std::string> words = SplitBatchLine(line);
    if (words.empty() || words[0][0] == '#') {
        return true;
    }
    const std::vector<std::string> args(words.begin() + 1, words.end());
    for (const auto& verb : BatchVerbs()) {
        if (words[0] == verb.name) {
            return verb.handler(context, args, error);
        }
    }
    const CommandEntry* entry = FindCommandByName(words[0]);
    if (!entry) {
        error = "unknown command \"" + words[0] + "\"";
        return false;
    }
    const bool ok = RunBatchCommand(context, entry->id, args, error);
    stop = context.host.destroyed;
    // An exit whose save failed or was cancelled leaves the window open: the run ends there,
    // as having failed, rather than going on with the lines meant for after it.
    if (ok && entry->id == IDM_EXIT && !stop) {
        error = batchtext::kExitNotDone;
        return false;
    }
    return ok;
}

bool ParseBatchArguments(const std::vector<std::string>& args, BatchOptions& options,
                         std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--ini" || a == "-e") {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            const std::string& value = args[++i];
            if (a == "--ini") {
                options.iniPath = value;
            } else {
                options.lines.push_back(value);
            }
        } else if (a == "-" || a.empty() || a[0] != '-') {
            if (!options.scriptPath.empty()) {
                error = "only one script may be given";
                return false;
            }
            options.scriptPath = a;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

int RunBatch(const BatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
    ScriptedHost host;
    host.modulePath = options.modulePath;
    host.UseDevices(options.devices);
    host.desktopClipboard = options.clipboard;
    App app(host);
    InitializeApp(app, options.modulePath, options.iniPath);
    // Only a file named with --ini is written. Otherwise the run reads the user's own
    // settings, but what it changes (the recent files of its opens and saves) lasts only
    // until it ends, so scripts never reorder the desktop's list.
    if (options.iniPath.empty()) {
        app.profile.KeepWritesInMemory();
    }
    if (app.profile.Path().empty()) {
        err << "warning: no folder for the settings file (neither XDG_CONFIG_HOME nor HOME "
               "names one): the settings are neither read nor saved\n";
    }
    host.onMessage = [&err](const ShownMessage& m) {
        std::string text = m.text;
        for (std::size_t p = text.find('\n'); p != std::string::npos; p = text.find('\n', p)) {
            text.replace(p, 1, "\\n");
        }
        err << "message: " << m.caption << ": " << text << "\n";
    };
    // In batch mode a file is written only by a line that names it, by "save", or after an
    // explicit "answer yes": the unsaved-changes question with no answer queued fails the
    // line that led to it (and is cancelled, so nothing is written or discarded). The other
    // questions take their first button as before; the window asks as always.
    host.refuseUnanswered = [&app](const std::string& text, unsigned) {
        const std::string& title = app.doc.title;
        return app.doc.modified && text == Format(kTextDiscardChanges, title.c_str())
                   ? Format(batchtext::kUnansweredChanges, title.c_str())
                   : std::string();
    };
    if (MainWndProc(app, msg::Create, 0, 0) != 0) {
        err << "error: " << kTextOutOfMemory << "\n";
        return 1;
    }
    FinishStartup(app, "");

    std::vector<std::string> lines = options.lines;
    std::vector<std::string> origins(lines.size(), "-e");
    const bool readScript = !options.scriptPath.empty() || options.lines.empty();
    if (readScript) {
        std::ifstream file;
        std::istream* source = &in;
        std::string origin = "stdin";
        if (!options.scriptPath.empty() && options.scriptPath != "-") {
            // A folder opens as a stream on Linux but has no lines: it is no script.
            std::error_code ec;
            if (!std::filesystem::is_directory(options.scriptPath, ec)) {
                file.open(options.scriptPath);
            }
            if (!file.is_open() || !file) {
                err << "error: cannot read " << options.scriptPath << "\n";
                return 1;
            }
            source = &file;
            origin = options.scriptPath;
        }
        if (!ReadScript(*source, origin, lines, origins, err)) {
            return 1;
        }
    }

    std::size_t next = 0;
    BatchContext context{app, host, out, err};
    context.nextLine = [&](std::string& line, std::string& origin) {
        if (next >= lines.size()) {
            return false;
        }
        line = lines[next];
        origin = origins[next];
        ++next;
        return true;
    };
    std::string line, origin;
    while (context.nextLine(line, origin)) {
        std::string error;
        bool stop = false;
        if (!RunBatchLine(context, line, error, stop)) {
            err << "error: " << origin << ": " << line << ": " << error << "\n";
            out.flush();
            return 1;
        }
        if (stop) {
            break;
        }
    }
    out.flush();
    return context.failedOnTheWay ? 1 : 0;
}

} // namespace wt
