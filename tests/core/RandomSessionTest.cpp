// A long random session: seeded walks through every command of the command table on the
// scripted host, with random sounds of every format, random selections and cursors, random
// dialog values (at and beyond the controls' ranges), random answers to every question, and
// copy and paste between formats. After every step the document must be consistent, two
// undos must give back the same sound, and the sound must survive a save and an open.
//
// Environment: WT_SESSION_SECONDS (how long to walk, default 120), WT_SESSION_SEED (the
// first walk's seed; default from the clock), WT_SESSION_WALKS (at most this many walks),
// WT_SESSION_STEPS (steps per walk, default 150), WT_SESSION_VERBOSE (print every step).
// A failure prints the walk's seed and its steps; WT_SESSION_SEED=S WT_SESSION_WALKS=1
// repeats that walk exactly. scripts/random_session.sh runs it for longer.
#include "SessionSupport.h"

#include "FileTestSupport.h"
#include "commands/edit/HistoryCommands.h"
#include "commands/file/SoundFileSupport.h"
#include "commands/file/SoundFiles.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "window/CommandTable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

using namespace wt;
using namespace wt::test;

namespace {

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

using Rng = std::mt19937_64;

int Uniform(Rng& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}
bool Chance(Rng& rng, double p) {
    return std::uniform_real_distribution<double>(0, 1)(rng) < p;
}
template <class T> const T& Pick(Rng& rng, const std::vector<T>& items) {
    return items[static_cast<std::size_t>(Uniform(rng, 0, static_cast<int>(items.size()) - 1))];
}

// The walk under way, for the report of a sanitizer that stops the process.
struct WalkLog {
    std::uint64_t seed = 0;
    std::vector<std::string> steps;
    std::string Text() const {
        std::string text = "random session seed " + std::to_string(seed) + ", steps:\n";
        for (std::size_t i = 0; i < steps.size(); ++i) {
            text += "  " + std::to_string(i + 1) + ". " + steps[i] + "\n";
        }
        return text;
    }
};
WalkLog* g_walk = nullptr;

[[maybe_unused]] void PrintWalkOnDeath() {
    if (g_walk) {
        std::cerr << g_walk->Text() << "(repeat with WT_SESSION_SEED=" << g_walk->seed
                  << " WT_SESSION_WALKS=1)\n";
    }
}

// A WAV file of a random sound: 8 or 16 bits, mono or stereo, one of the offered rates or an
// odd one, empty, a frame or two, odd or even lengths; noise, a sine, the extremes or silence.
Bytes RandomWaveFile(Rng& rng, std::string& description) {
    const int bits = Chance(rng, 0.5) ? 8 : 16;
    const int channels = Chance(rng, 0.5) ? 1 : 2;
    const std::uint32_t rate =
        Chance(rng, 0.9) ? Pick(rng, std::vector<std::uint32_t>{8000, 11025, 22050, 44100})
                         : static_cast<std::uint32_t>(Uniform(rng, 1, 96000));
    int frames = 0;
    switch (Uniform(rng, 0, 5)) {
    case 0:
        frames = Uniform(rng, 0, 3);
        break;
    case 1:
        frames = Uniform(rng, 4, 64);
        break;
    case 5:
        frames = Uniform(rng, 4000, 30000);
        break;
    default:
        frames = Uniform(rng, 65, 4000);
        break;
    }
    const int shape = Uniform(rng, 0, 3);
    ByteWriter samples;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            int v = 0;
            switch (shape) {
            case 0:
                v = Uniform(rng, -32768, 32767);
                break;
            case 1:
                v = static_cast<int>(std::sin(f * (0.01 + 0.02 * c)) * 30000);
                break;
            case 2:
                v = (f + c) % 2 ? 32767 : -32768;
                break;
            default:
                v = 0;
                break;
            }
            bits == 8 ? samples.Raw({static_cast<std::uint32_t>((v >> 8) + 128)})
                      : samples.Le16(static_cast<std::uint32_t>(v) & 0xFFFF);
        }
    }
    description = std::to_string(rate) + " Hz " + std::to_string(bits) + "-bit " +
                  std::to_string(channels) + " ch, " + std::to_string(frames) + " frames";
    return RiffWave(ByteWriter()
                        .Append(WaveFormatChunk(1, channels, rate, bits / 8 * channels, bits))
                        .Append(Chunk("data", samples.bytes, true))
                        .bytes);
}

// What a user might type into an edit field: numbers at, inside and beyond the ranges of the
// dialog's scroll bars, extremes, decimals, garbage, and text in the melody's alphabet.
std::string RandomFieldText(Rng& rng, const std::vector<std::pair<int, int>>& ranges) {
    switch (Uniform(rng, 0, 5)) {
    case 0:
    case 1:
        if (!ranges.empty()) {
            const auto [low, high] = Pick(rng, ranges);
            const int lo = std::min(low, high), hi = std::max(low, high);
            const std::vector<long long> values = {
                lo - 1LL, lo, hi, hi + 1LL, Uniform(rng, lo, hi), Uniform(rng, lo, hi)};
            return std::to_string(Pick(rng, values));
        }
        [[fallthrough]];
    case 2:
        return std::to_string(Uniform(rng, -1000, 100000));
    case 3:
        return Pick(rng, std::vector<std::string>{"0", "-1", "2147483647", "-2147483648",
                                                  "99999999999", "", "abc", "1.5", "-0.5", "1e3",
                                                  " 12", "12 ", "0x10", "3.14159", "-", "."});
    default: {
        static const std::string alphabet = "cdefgabrCDEFGABRotlv<>#+-.0123456789 ,;";
        std::string text;
        for (int n = Uniform(rng, 0, 24); n > 0; --n) {
            text += alphabet[static_cast<std::size_t>(Uniform(rng, 0, int(alphabet.size()) - 1))];
        }
        return text;
    }
    }
}

// Acts on an open dialog as an impatient user: random values in its controls, a few presses
// and drags, then (sometimes) Cancel. What was done is added to `log`.
bool Fiddle(ScriptedDialog& dialog, Rng& rng, std::string& log) {
    std::vector<std::pair<int, int>> ranges;
    for (const ControlTemplate& c : dialog.Template().controls) {
        if (c.kind == ControlKind::HScrollBar || c.kind == ControlKind::VScrollBar) {
            int low = 0, high = 0;
            dialog.GetScrollRange(c.id, &low, &high);
            ranges.emplace_back(low, high);
        }
    }
    for (const ControlTemplate& c : dialog.Template().controls) {
        if (dialog.Ended()) {
            return true;
        }
        if (c.id < 0 || !dialog.IsEnabled(c.id) || !Chance(rng, 0.6)) {
            continue;
        }
        std::string value, error;
        switch (c.kind) {
        case ControlKind::Edit:
            value = RandomFieldText(rng, ranges);
            break;
        case ControlKind::HScrollBar:
        case ControlKind::VScrollBar: {
            int low = 0, high = 0;
            dialog.GetScrollRange(c.id, &low, &high);
            value = std::to_string(Pick(
                rng, std::vector<int>{low, high, low - 1, high + 1,
                                      Uniform(rng, std::min(low, high), std::max(low, high))}));
            break;
        }
        case ControlKind::CheckBox:
        case ControlKind::AutoCheckBox:
            value = Chance(rng, 0.5) ? "1" : "0";
            break;
        case ControlKind::AutoRadio:
            value = "1";
            break;
        case ControlKind::ListBox:
        case ControlKind::ComboList:
            value = std::to_string(Uniform(rng, 0, 4));
            break;
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
            if (c.id == IdOk || c.id == IdCancel || !Chance(rng, 0.2)) {
                continue;
            }
            log += " press:" + std::to_string(c.id);
            dialog.Press(c.id);
            continue;
        case ControlKind::OwnerDraw: {
            const Rect r = dialog.ItemRect(c.id);
            const auto x = [&] { return Uniform(rng, -20, r.Width() + 20); };
            const auto y = [&] { return Uniform(rng, -20, r.Height() + 20); };
            int px = x(), py = y();
            log += " mouse:" + std::to_string(px) + "," + std::to_string(py);
            dialog.Mouse(c.id, msg::LButtonDown, px, py, error);
            for (int n = Uniform(rng, 0, 3); n > 0 && !dialog.Ended(); --n) {
                px = x();
                py = y();
                log += "->" + std::to_string(px) + "," + std::to_string(py);
                dialog.Mouse(c.id, msg::MouseMove, px, py, error);
            }
            dialog.Mouse(c.id, msg::LButtonUp, px, py, error);
            continue;
        }
        default:
            continue;
        }
        // A value the control cannot take (a list row it does not have) is refused, as the
        // control itself would refuse it.
        if (dialog.Apply(c.id, value, error)) {
            log += " " + std::to_string(c.id) + "=\"" + value + "\"";
        }
    }
    if (!dialog.Ended() && Chance(rng, 0.15)) {
        log += " cancel";
        dialog.Press(IdCancel);
    }
    return true;
}

// The sound written and read back in a second editor, as a file of each type in turn:
// WAV and AIFF give the same format and samples; AU (mu-law) the same rate, channels and
// length, and a second round trip gives the same samples again.
std::string RoundTripProblem(const SoundDocument& doc, const std::string& folder, int type) {
    // The sound and what the second editor said, for the report of a failed round trip.
    const auto Shown = [&doc](const ScriptedHost& host) {
        std::string text = " (" + test::SoundState::Of(doc).Describe() + ")";
        for (const ShownMessage& m : host.messages) {
            text += " [" + m.caption + ": " + m.text + "]";
        }
        return text;
    };
    const auto load = [&](const SoundFormat& format, const std::uint8_t* data, std::int32_t length,
                          std::vector<std::uint8_t>& samples, SoundFormat& loaded) -> std::string {
        ScriptedHost host;
        App app(host);
        app.status.Create();
        app.doc.format = format;
        app.doc.RecomputeBytesPerSample();
        app.doc.byteLength = length;
        app.doc.sampleData.Resize(static_cast<std::size_t>(length) + 16);
        if (length > 0) {
            std::memcpy(app.doc.Data(), data, static_cast<std::size_t>(length));
        }
        static const char* kExtensions[] = {"wav", "aiff", "au"};
        app.doc.title = folder + "/round." + kExtensions[type];
        const auto save = type == 0 ? SaveWaveFile : type == 1 ? SaveAiffFile : SaveAuFile;
        const auto read = type == 0 ? LoadWaveFile : type == 1 ? LoadAiffFile : LoadAuFile;
        if (save(app) != 1) {
            return std::string("cannot save ") + kExtensions[type] + Shown(host);
        }
        LoadedSound sound;
        if (read(app, app.doc.title, sound) != 1) {
            return std::string("cannot open the saved ") + kExtensions[type] + Shown(host);
        }
        InstallLoadedSound(app, sound);
        samples.assign(app.doc.Data(), app.doc.Data() + app.doc.byteLength);
        loaded = app.doc.format;
        return "";
    };
    const SoundFormat& f = doc.format;
    const bool plainPcm = (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
                          f.blockAlign == f.channels * f.bitsPerSample / 8;
    if (type == 1 && !plainPcm) {
        return ""; // AIFF stores whole samples only
    }
    if (type == 2 && 2ull * f.channels * f.sampleRate > 0xFFFFFFFFull) {
        return ""; // AU opens as 16 bits: a rate whose bytes a second overflow is refused
    }
    std::vector<std::uint8_t> samples, again;
    SoundFormat loaded, loadedAgain;
    if (std::string problem = load(f, doc.Data(), doc.byteLength, samples, loaded);
        !problem.empty()) {
        return problem;
    }
    const std::vector<std::uint8_t> original(doc.Data(), doc.Data() + doc.byteLength);
    if (type != 2) {
        loaded.extraSize = f.extraSize; // a 16-byte "fmt " carries none
        if (type == 1) {
            loaded.bytesPerSecond = f.bytesPerSecond;
        }
        return loaded == f && samples == original ? "" : "saved and opened, the sound differs";
    }
    const std::size_t frames = doc.byteLength / f.blockAlign;
    if (loaded.sampleRate != f.sampleRate || loaded.channels != f.channels ||
        samples.size() != frames * f.channels * 2) {
        return "saved and opened as AU, the rate, channels or length differ";
    }
    if (std::string problem = load(loaded, samples.data(),
                                   static_cast<std::int32_t>(samples.size()), again, loadedAgain);
        !problem.empty() || again != samples) {
        return "an AU saved and opened twice changed";
    }
    return "";
}

// What a step of the edit history must bring back: the sound and positions, the name and the
// modified mark the document had right after the command that made it.
struct StepCapture {
    SoundState state;
    std::string title;
    bool modified = false;
    std::size_t madeBy = 0; // the walk's step that made it
    bool Matches(const SoundDocument& doc) const {
        return SoundState::Of(doc) == state && doc.title == title && doc.modified == modified;
    }
    std::string Describe() const {
        return state.Describe() + ", \"" + title + "\"" + (modified ? " modified" : "");
    }
};

class Walk {
public:
    // `history`: the edit history is on (with a memory budget small enough that steps move to
    // files), every step's state is captured when it is made, and the saves that would rename
    // the sound are left out, so that each step keeps the name it was made under (as is the
    // many-step undo, which two undos do not undo).
    Walk(std::uint64_t seed, const std::string& folder, WalkLog& log, bool history = false)
        : rng_(seed), folder_(folder), log_(log), history_(history) {
        static const std::vector<int> renames = {IDM_SAVE, IDM_SAVE_AS, IDM_EXIT,
                                                 IDM_UNDO_SETTINGS};
        for (const CommandEntry& e : CommandTable()) {
            if (e.handler && !(history && std::count(renames.begin(), renames.end(), e.id))) {
                commands_.push_back(&e);
            }
        }
        for (int id : {IDM_COPY, IDM_CUT, IDM_PASTE, IDM_MIX_PASTE, IDM_UNDO, IDM_CHANGE_FORMAT}) {
            favoured_.push_back(FindCommand(id));
        }
        StartEditor();
    }

    // Runs `steps` steps; empty when every check held, else what went wrong.
    std::string Run(int steps, bool verbose) {
        for (int i = 0; i < steps; ++i) {
            Step(i == 0);
            if (verbose) {
                std::cerr << log_.steps.size() << ". " << log_.steps.back() << "\n";
            }
            if (history_) {
                CaptureStep();
            }
            if (std::string problem = Check(); !problem.empty()) {
                return problem;
            }
        }
        return "";
    }

    // Goes to every captured step in a random order; each must give exactly what it gave when
    // it was made, and undo must then return to where the document was.
    std::string VisitEveryStep() {
        App& app = rig_->app();
        std::vector<int> order;
        for (int step = app.history.FirstStep(); step < static_cast<int>(captures_.size());
             ++step) {
            if (captures_[static_cast<std::size_t>(step)]) {
                order.push_back(step);
            }
        }
        std::shuffle(order.begin(), order.end(), rng_);
        std::size_t visited = 0;
        for (int step : order) {
            if (step < app.history.FirstStep()) {
                continue; // dropped meanwhile for the disk budget
            }
            ++visited;
            const StepCapture before{SoundState::Of(app.doc), app.doc.title, app.doc.modified};
            if (!GoToStep(app, step)) {
                return "history_go " + std::to_string(step) + " failed";
            }
            const StepCapture& want = *captures_[static_cast<std::size_t>(step)];
            if (!want.Matches(app.doc)) {
                return "history_go " + std::to_string(step) + " gives " +
                       StepCapture{SoundState::Of(app.doc), app.doc.title, app.doc.modified}
                           .Describe() +
                       " instead of " + want.Describe() + " (made by the walk's step " +
                       std::to_string(want.madeBy) + ")";
            }
            DispatchCommand(app, IDM_UNDO);
            if (!before.Matches(app.doc)) {
                return "undo after history_go " + std::to_string(step) + " gives " +
                       StepCapture{SoundState::Of(app.doc), app.doc.title, app.doc.modified}
                           .Describe() +
                       " instead of " + before.Describe();
            }
        }
        visited_ += visited;
        return "";
    }
    std::size_t Visited() const { return visited_; }
    std::size_t Made() const { return made_; }

private:
    // After a step: a change the history recorded is captured as its new current step.
    void CaptureStep() {
        const EditHistory& history = rig_->app().history;
        const auto current = static_cast<std::size_t>(history.Current());
        const bool moved = log_.steps.back().rfind("undo", 0) == 0 ||
                           log_.steps.back().rfind("redo", 0) == 0 ||
                           log_.steps.back().rfind("edit_history", 0) == 0;
        captures_.resize(static_cast<std::size_t>(history.Count()));
        if (!moved && (history.Count() != lastCount_ || history.Current() != lastCurrent_)) {
            const SoundDocument& doc = rig_->doc();
            captures_[current] =
                StepCapture{SoundState::Of(doc), doc.title, doc.modified, log_.steps.size()};
            ++made_;
        }
        lastCount_ = history.Count();
        lastCurrent_ = history.Current();
    }

    void StartEditor() {
        rig_.reset();
        rig_ = std::make_unique<Rig>();
        if (history_) {
            App& app = rig_->app();
            EnableHistory(app);
            app.history.SetBudget({64 * 1024, 64 << 20, folder_ + "/spill"});
            captures_.assign(1, std::nullopt);
            lastCount_ = app.history.Count();
            lastCurrent_ = app.history.Current();
        }
        rig_->t.host.chooseAnswer = [this](unsigned flags) {
            std::vector<int> answers;
            switch (flags & mb::ButtonMask) {
            case mb::YesNoCancel:
                // With the history on no save may rename the sound (see the constructor).
                answers = history_ ? std::vector<int>{IdNo, IdCancel}
                                   : std::vector<int>{IdYes, IdNo, IdCancel};
                break;
            case mb::YesNo:
                answers = {IdYes, IdNo};
                break;
            case mb::OkCancel:
                answers = {IdOk, IdCancel};
                break;
            default:
                answers = {IdOk};
                break;
            }
            return Pick(rng_, answers);
        };
        rig_->t.host.onMessage = [this](const ShownMessage& m) {
            static const std::map<int, const char*> names = {
                {IdOk, "ok"}, {IdCancel, "cancel"}, {IdYes, "yes"}, {IdNo, "no"}};
            log_.steps.back() +=
                " [" + m.caption + ": " + m.text + " -> " + names.at(m.answer) + "]";
        };
    }

    std::string NewFile(const std::string& extension) {
        return folder_ + "/f" + std::to_string(files_.size() + saved_++) + "." + extension;
    }

    // A file for an open dialog: a sound of the session, a damaged copy, or no file at all.
    std::string FileToOpen() {
        if (files_.empty() || Chance(rng_, 0.05)) {
            return folder_ + "/missing.wav";
        }
        const std::string path = Pick(rng_, files_);
        if (!Chance(rng_, 0.1)) {
            return path;
        }
        Bytes bytes = ReadFile(path);
        if (!bytes.empty()) {
            bytes.resize(static_cast<std::size_t>(Uniform(rng_, 0, int(bytes.size()))));
            for (int n = Uniform(rng_, 0, 4); n > 0 && !bytes.empty(); --n) {
                bytes[static_cast<std::size_t>(Uniform(rng_, 0, int(bytes.size()) - 1))] ^=
                    static_cast<std::uint8_t>(Uniform(rng_, 1, 255));
            }
        }
        const std::string ext = path.substr(path.rfind('.') + 1);
        const std::string damaged = NewFile(ext);
        WriteFile(damaged, bytes);
        return damaged;
    }

    std::int32_t RandomOffset() {
        const SoundDocument& doc = rig_->doc();
        const std::int32_t frames = doc.byteLength / doc.format.blockAlign;
        const std::int32_t frame =
            Pick(rng_, std::vector<std::int32_t>{0, frames, Uniform(rng_, 0, frames),
                                                 Uniform(rng_, 0, frames)});
        return frame * doc.format.blockAlign;
    }

    void Step(bool first) {
        SoundDocument& doc = rig_->doc();
        ScriptedHost& host = rig_->t.host;
        const int kind = first ? 0 : Uniform(rng_, 0, 99);
        const std::size_t fileRequests = host.fileRequests.size();
        if (kind < 10) {
            std::string description;
            const std::string path = NewFile("wav");
            WriteFile(path, RandomWaveFile(rng_, description));
            files_.push_back(path);
            log_.steps.push_back("open a new sound " + path + " (" + description + ")");
            host.QueueFile(path);
            RunCommand(*rig_, IDM_OPEN);
        } else if (kind < 20) {
            const std::int32_t a = RandomOffset(), b = RandomOffset();
            doc.selStart = std::min(a, b);
            doc.selEnd = std::max(a, b);
            log_.steps.push_back("select bytes " + std::to_string(doc.selStart) + ".." +
                                 std::to_string(doc.selEnd));
        } else if (kind < 25) {
            doc.cursor = doc.anchor = RandomOffset();
            log_.steps.push_back("cursor at byte " + std::to_string(doc.cursor));
        } else {
            const CommandEntry& command =
                Chance(rng_, 0.25) ? *Pick(rng_, favoured_) : *Pick(rng_, commands_);
            log_.steps.push_back(BatchName(command));
            std::string& line = log_.steps.back();
            // Any file dialog the command (or a question on its way) opens gets one path.
            std::string path;
            int filter = 0;
            if (command.id == IDM_OPEN) {
                path = FileToOpen();
            } else {
                static const std::vector<std::string> extensions = {"wav", "aiff", "aif",
                                                                    "au",  "WAV",  "txt"};
                path = Chance(rng_, 0.1) ? folder_ + "/noext" + std::to_string(saved_++)
                                         : NewFile(Pick(rng_, extensions));
                filter = Uniform(rng_, 0, 3);
            }
            host.QueueFile(path, filter);
            DialogScript script;
            script.interact = [this, &line](ScriptedDialog& dialog, std::string&) {
                line += " dialog" + std::to_string(dialog.Template().id) + ":";
                return Fiddle(dialog, rng_, line);
            };
            host.QueueDialog(std::move(script));
            RunCommand(*rig_, command.id, static_cast<std::size_t>(Uniform(rng_, 0, 30000)));
            if (host.fileRequests.size() > fileRequests) {
                line += " (file dialog: " + path + " filter " + std::to_string(filter) + ")";
                if (command.id != IDM_OPEN) {
                    files_.push_back(path);
                }
            }
        }
        host.DiscardQueuedDialogs();
        host.DiscardQueuedFiles();
        if (host.destroyed) {
            log_.steps.back() += " (the editor ended; a new one starts)";
            StartEditor();
        }
    }

    std::string Check() {
        App& app = rig_->app();
        SoundDocument& doc = app.doc;
        if (!rig_->t.host.scriptErrors.empty()) {
            return "script error: " + rig_->t.host.scriptErrors.back();
        }
        if (app.busy || app.audio.recording || app.audio.playMode != kPlayIdle) {
            return "the editor is still busy after the step";
        }
        if (std::string problem = DocumentProblem(doc); !problem.empty()) {
            return problem;
        }
        if (std::string problem = SummaryProblem(doc); !problem.empty()) {
            return problem;
        }
        const SoundState now = SoundState::Of(doc);
        DispatchCommand(app, IDM_UNDO);
        if (std::string problem = DocumentProblem(doc); !problem.empty()) {
            return "after undo: " + problem;
        }
        if (std::string problem = SummaryProblem(doc); !problem.empty()) {
            return "after undo: " + problem;
        }
        DispatchCommand(app, IDM_UNDO);
        if (std::string problem = SummaryProblem(doc); !problem.empty()) {
            return "after undo twice: " + problem;
        }
        if (!(SoundState::Of(doc) == now)) {
            return "undo twice gives " + SoundState::Of(doc).Describe() + " instead of " +
                   now.Describe();
        }
        return RoundTripProblem(doc, folder_, static_cast<int>(log_.steps.size() % 3));
    }

    Rng rng_;
    std::string folder_;
    WalkLog& log_;
    std::unique_ptr<Rig> rig_;
    std::vector<const CommandEntry*> commands_, favoured_;
    std::vector<std::string> files_;
    int saved_ = 0;
    bool history_ = false;
    std::vector<std::optional<StepCapture>> captures_;
    int lastCount_ = 0, lastCurrent_ = 0;
    std::size_t visited_ = 0, made_ = 0;
};

// A folder in memory when the system has one: a save syncs its file to disk.
std::string SessionFolder(TempDir& fallback, std::string& made) {
    char pattern[] = "/dev/shm/wt-session-XXXXXX";
    if (access("/dev/shm", W_OK) == 0 && mkdtemp(pattern)) {
        made = pattern;
        return made;
    }
    return fallback.Path().string();
}

TEST(RandomSession, EveryStepKeepsTheSoundConsistentUndoableAndSavable) {
    const auto seconds = EnvNumber("WT_SESSION_SECONDS", 120);
    const auto walks = EnvNumber("WT_SESSION_WALKS", ~0ULL);
    const auto steps = static_cast<int>(EnvNumber("WT_SESSION_STEPS", 150));
    const bool verbose = EnvNumber("WT_SESSION_VERBOSE", 0) != 0;
    const std::uint64_t firstSeed = EnvNumber(
        "WT_SESSION_SEED",
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) %
            1000000000);
    std::cout << "random session: first seed " << firstSeed << "\n";
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_death_callback(PrintWalkOnDeath);
#endif
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::uint64_t walked = 0, stepsTaken = 0;
    for (; walked < walks && (walked == 0 || std::chrono::steady_clock::now() < end); ++walked) {
        TempDir fallback;
        std::string made;
        const std::string folder = SessionFolder(fallback, made);
        WalkLog log;
        log.seed = firstSeed + walked;
        g_walk = &log;
        const std::string problem = Walk(log.seed, folder, log).Run(steps, verbose);
        g_walk = nullptr;
        stepsTaken += log.steps.size();
        if (!made.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        }
        if (!problem.empty()) {
            ADD_FAILURE() << problem << "\n"
                          << log.Text() << "(repeat with WT_SESSION_SEED=" << log.seed
                          << " WT_SESSION_WALKS=1)";
            break;
        }
    }
    std::cout << "random session: " << walked << " walks, " << stepsTaken << " steps\n";
}

} // namespace

namespace {

// 300 random commands with the edit history on (a budget small enough that steps move to
// files); after every hundred, every step gone to in a random order (and undo back to where
// the walk was, so that it goes on from there).
TEST(RandomSession, WithTheHistoryOnEveryStepComesBackAsItWasMade) {
    const std::uint64_t seed = EnvNumber(
        "WT_SESSION_SEED",
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) %
            1000000000);
    TempDir fallback;
    std::string made;
    const std::string folder = SessionFolder(fallback, made);
    WalkLog log;
    log.seed = seed;
    g_walk = &log;
    Walk walk(seed, folder, log, true);
    const int steps = static_cast<int>(EnvNumber("WT_HISTORY_STEPS", 300));
    std::string problem;
    for (int done = 0; done < steps && problem.empty(); done += 100) {
        problem = walk.Run(std::min(100, steps - done), false);
        if (problem.empty()) {
            problem = walk.VisitEveryStep();
        }
    }
    g_walk = nullptr;
    if (!made.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(made, ignored);
    }
    EXPECT_EQ(problem, "") << log.Text() << "(repeat with WT_SESSION_SEED=" << seed << ")";
    // Going back through 編集履歴 and changing the sound drops the later steps, so fewer are
    // left to visit than were made.
    EXPECT_GT(walk.Made(), 50u) << "too few steps were made to tell";
    EXPECT_GT(walk.Visited(), 20u) << "too few steps were left to tell";
}

} // namespace
