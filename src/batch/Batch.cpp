#include "batch/Batch.h"

#include "batch/AppBatch.h"
#include "batch/AudioBatch.h"
#include "batch/BatchTexts.h"
#include "batch/ClipboardBatch.h"
#include "batch/EnvelopeBatch.h"
#include "batch/HistoryBatch.h"
#include "batch/PreviewBatch.h"
#include "batch/SpectralBatch.h"
#include "batch/ViewBatch.h"
#include "commands/edit/HistoryCommands.h"
#include "editor/App.h"
#include "editor/CommandIds.h"
#include "editor/DocumentUi.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "hosts/scripted/ScriptedHost.h"
#include "model/SampleBlock.h"
#include "preview/PreviewEngine.h"
#include "util/Format.h"
#include "util/ParseNumber.h"
#include "view/WaveWindow.h"
#include "window/CommandTable.h"
#include "window/MainWindow.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
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

// The lines of a run, one at a time: the -e lines, then a script file read whole before the
// run starts, or standard input read a line at a time as the lines arrive (so another program
// can drive the run). The file is held as its bytes in one block and walked as it runs: a
// script of millions of short lines costs its size and no more. A line longer than
// kMaxBatchLineBytes (no script has such lines: /dev/zero or a binary file given by mistake)
// or holding a NUL byte (the words are C strings further on, and "saveas a.wav\0.flac" would
// write FLAC data into a.wav) is refused, naming the line.
class BatchLines {
public:
    BatchLines(std::vector<std::string> commandLines, std::ostream& out, std::ostream& err)
        : commandLines_(std::move(commandLines)), out_(out), err_(err) {}

    // Reads a script file whole; false, with the reason on the error stream, when it cannot
    // be read to its end, is too large to hold, or has a line that is refused.
    bool ReadFile(std::istream& source, const std::string& origin, std::uintmax_t sizeHint);
    // The lines after the -e ones come from `input` as they arrive.
    void ReadAsTheyArrive(std::istream& input, const std::string& origin) {
        input_ = &input;
        origin_ = origin;
    }
    // The next line and where it came from ("-e", "FILE:N"); false at the end and when the
    // input failed (Failed() then says so and the reason has been printed). Standard output
    // is flushed first, so what the lines before printed is seen before this one waits.
    bool Next(std::string& line, std::string& origin);
    bool Failed() const { return failed_; }

private:
    bool Refuse(const std::string& text) {
        err_ << "error: " << text << "\n";
        failed_ = true;
        return false;
    }
    bool RefuseLongLine(long long number) {
        return Refuse(origin_ + ":" + std::to_string(number) + ": line longer than " +
                      std::to_string(kMaxBatchLineBytes) + " bytes");
    }
    bool RefuseNul(long long number) {
        return Refuse(Format(batchtext::kNulInLine, origin_.c_str(), number));
    }
    bool NextFromInput(std::string& line);

    std::vector<std::string> commandLines_;
    std::size_t nextCommand_ = 0;
    std::ostream& out_;
    std::ostream& err_;
    std::string origin_;
    long long number_ = 0; // of the last line taken from the script
    // A script file: its bytes, `used_` of them, and where the next line starts.
    SampleBlock text_;
    std::size_t used_ = 0;
    std::size_t position_ = 0;
    std::istream* input_ = nullptr;
    std::vector<char> lineBuffer_;
    bool failed_ = false;
};

bool BatchLines::ReadFile(std::istream& source, const std::string& origin,
                          std::uintmax_t sizeHint) {
    origin_ = origin;
    const auto tooLarge = [&](std::uintmax_t size) {
        return Refuse(Format(batchtext::kScriptTooLarge, origin.c_str(),
                             static_cast<unsigned long long>(size)));
    };
    if (sizeHint > SIZE_MAX - 1 || !text_.Resize(static_cast<std::size_t>(sizeHint) + 1)) {
        return tooLarge(sizeHint);
    }
    long long number = 1;
    long long nulLine = 0; // the line a NUL byte was seen on, said when the line has ended
    std::size_t lineStart = 0;
    for (;;) {
        if (used_ == text_.Size()) { // a file that grew, or a device: twice the room
            const std::size_t more = std::max<std::size_t>(used_, std::size_t{1} << 16);
            if (used_ > SIZE_MAX - more || !text_.Resize(used_ + more)) {
                return tooLarge(used_ + more);
            }
        }
        source.read(reinterpret_cast<char*>(text_.Data() + used_),
                    static_cast<std::streamsize>(text_.Size() - used_));
        const auto got = static_cast<std::size_t>(source.gcount());
        if (source.bad()) {
            return Refuse("cannot read " + origin);
        }
        const std::uint8_t* bytes = text_.Data();
        for (std::size_t p = used_; p < used_ + got; ++p) {
            if (bytes[p] == '\n') {
                if (p - lineStart > kMaxBatchLineBytes) {
                    return RefuseLongLine(number);
                }
                if (nulLine != 0) {
                    return RefuseNul(nulLine);
                }
                lineStart = p + 1;
                ++number;
            } else if (bytes[p] == '\0' && nulLine == 0) {
                nulLine = number;
            }
        }
        used_ += got;
        if (used_ - lineStart > kMaxBatchLineBytes) {
            return RefuseLongLine(number);
        }
        if (got == 0 || source.eof()) {
            return nulLine == 0 || RefuseNul(nulLine);
        }
    }
}

bool BatchLines::NextFromInput(std::string& line) {
    // Room for one byte more than a line may have, and the terminating NUL.
    if (lineBuffer_.empty()) {
        lineBuffer_.resize(kMaxBatchLineBytes + 2);
    }
    if (input_->eof()) {
        return false;
    }
    input_->getline(lineBuffer_.data(), static_cast<std::streamsize>(lineBuffer_.size()));
    const auto got = static_cast<std::size_t>(input_->gcount()); // with the line break
    if (input_->bad()) {
        return Refuse("cannot read " + origin_);
    }
    if (input_->fail() && input_->eof() && got == 0) {
        return false; // the end of the script
    }
    ++number_;
    // Without a line break the buffer filled (fail) or the script ended (eof).
    const std::size_t length = input_->fail() || input_->eof() ? got : got - 1;
    if (input_->fail() || length > kMaxBatchLineBytes) {
        return RefuseLongLine(number_);
    }
    if (std::memchr(lineBuffer_.data(), '\0', length)) {
        return RefuseNul(number_);
    }
    line.assign(lineBuffer_.data(), length);
    return true;
}

bool BatchLines::Next(std::string& line, std::string& origin) {
    out_.flush();
    if (failed_) {
        return false;
    }
    if (nextCommand_ < commandLines_.size()) {
        line = std::move(commandLines_[nextCommand_++]);
        origin = "-e";
        return true;
    }
    if (input_) {
        if (!NextFromInput(line)) {
            return false;
        }
    } else {
        if (position_ >= used_) {
            return false;
        }
        const char* start = reinterpret_cast<const char*>(text_.Data()) + position_;
        const auto* end = static_cast<const char*>(std::memchr(start, '\n', used_ - position_));
        const std::size_t length = end ? static_cast<std::size_t>(end - start) : used_ - position_;
        line.assign(start, length);
        position_ += length + 1;
        ++number_;
    }
    origin = origin_ + ":" + std::to_string(number_);
    return true;
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
        {"history", BatchHistory},
        {"history_go", BatchHistoryGo},
        {"journal", BatchJournal},
        {"recover", BatchRecover},
        {"preview", BatchPreview},
        {"preview_play", BatchPreviewPlay},
        {"preview_start", BatchPreviewStart},
        {"preview_set", BatchPreviewSet},
        {"preview_stop", BatchPreviewStop},
        {"spectrum", BatchSpectrum},
        {"view", BatchView},
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

    BatchLines lines(options.lines, out, err);
    std::ifstream file;
    if (!options.scriptPath.empty() && options.scriptPath != "-") {
        // A folder opens as a stream on Linux but has no lines: it is no script.
        std::error_code ec;
        const auto status = std::filesystem::status(options.scriptPath, ec);
        if (!std::filesystem::is_directory(status)) {
            file.open(options.scriptPath, std::ios::binary);
        }
        if (!file.is_open() || !file) {
            err << "error: cannot read " << options.scriptPath << "\n";
            return 1;
        }
        // A regular file is read into a block of its size at once; a device or a pipe
        // grows one as its bytes arrive.
        const std::uintmax_t size = std::filesystem::is_regular_file(status)
                                        ? std::filesystem::file_size(options.scriptPath, ec)
                                        : 0;
        if (!lines.ReadFile(file, options.scriptPath, ec ? 0 : size)) {
            return 1;
        }
    } else if (!options.scriptPath.empty() || options.lines.empty()) {
        lines.ReadAsTheyArrive(in, "stdin");
    }

    PreviewEngine preview;
    app.preview = &preview;
    BatchContext context{app, host, out, err};
    context.preview = &preview;
    context.nextLine = [&lines](std::string& line, std::string& origin) {
        return lines.Next(line, origin);
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
            // The window closed after its question was answered, as a user closes it: the
            // journal goes. A run that ends otherwise leaves it, as a crash would.
            EndHistory(app);
            break;
        }
    }
    if (lines.Failed()) {
        return 1;
    }
    out.flush();
    return context.failedOnTheWay ? 1 : 0;
}

} // namespace wt
