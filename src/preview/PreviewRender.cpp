#include "preview/PreviewRender.h"

#include "editor/App.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/ScriptedDialog.h"
#include "hosts/scripted/ScriptedHost.h"
#include "preview/PreviewTexts.h"
#include "resources/Dialogs.h"
#include "window/MainWindow.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace wt {

namespace {

// What of the sound a command reads to make the start of its result.
enum class Reach {
    // Each frame of the result comes from the frames up to it (and a few seconds around it):
    // the selection is cut after what the preview plays.
    Prefix,
    // The result depends on the selection's length (an envelope is spread over it), but each
    // frame only on the frames up to it: the whole selection is there, only its start copied,
    // and the command makes only the frames the preview plays.
    LengthDependent,
    // The result needs the whole selection first (a peak, a mean, the reversed order).
    WholeSelection,
    // A generator: its sound goes where the selection or the cursor is, whatever the
    // selection's length; nothing is selected for it.
    Generator,
};

// Each command with a preview: what it reads of the sound, and how many seconds of it for
// each second it makes (pitch change and time stretch up to four, at a speed of 400 %; the
// pitch envelope two; a transposition keeps the length).
struct PreviewCommand {
    int id;
    Reach reach;
    double inputPerOutput;
};
constexpr PreviewCommand kPreviewCommands[] = {
    {IDM_VOLUME, Reach::Prefix, 1},
    {IDM_COMPRESSOR, Reach::Prefix, 1},
    {IDM_NOISE_GATE, Reach::Prefix, 1},
    {IDM_DISTORTION, Reach::Prefix, 1},
    {IDM_ECHO, Reach::Prefix, 1},
    {IDM_REVERB, Reach::Prefix, 1},
    {IDM_FLANGER, Reach::Prefix, 1},
    {IDM_TREMOLO, Reach::Prefix, 1},
    {IDM_VIBRATO, Reach::Prefix, 1},
    {IDM_EQUALIZER, Reach::Prefix, 1},
    {IDM_PARAMETRIC_EQ, Reach::Prefix, 1},
    {IDM_NOISE_REMOVAL, Reach::Prefix, 1},
    {IDM_PHASE_INVERT, Reach::Prefix, 1},
    {IDM_PITCH, Reach::Prefix, 4},
    {IDM_TIME_STRETCH, Reach::Prefix, 4},
    {IDM_TRANSPOSE, Reach::Prefix, 1},
    {IDM_ENVELOPE, Reach::LengthDependent, 1},
    {IDM_PAN_ENVELOPE, Reach::LengthDependent, 1},
    {IDM_PITCH_ENVELOPE, Reach::LengthDependent, 2},
    {IDM_FADE_IN, Reach::LengthDependent, 1},
    {IDM_FADE_OUT, Reach::LengthDependent, 1},
    {IDM_NORMALIZE, Reach::WholeSelection, 1},
    {IDM_REVERSE, Reach::WholeSelection, 1},
    {IDM_DC_REMOVE, Reach::WholeSelection, 1},
    {IDM_WHITE_NOISE, Reach::Generator, 1},
    {IDM_TONE, Reach::Generator, 1},
    {IDM_INSERT_SILENCE, Reach::Generator, 1},
    {IDM_MELODY_PASTE, Reach::Generator, 1},
};

// The command's row; a command without a preview reads as the effects do.
PreviewCommand CommandOf(int commandId) {
    for (const PreviewCommand& c : kPreviewCommands) {
        if (c.id == commandId) {
            return c;
        }
    }
    return {commandId, Reach::Prefix, 1};
}

// The sound kept before and after what a command reads: the reverb looks back two seconds,
// the modulations and spectral windows a fraction of one.
constexpr double kContextSeconds = 3.0;
// Bytes copied between two looks at `stale`.
constexpr std::size_t kCopyPiece = std::size_t{4} << 20;

// Bytes of `seconds` of sound in `format`, whole frames.
std::int64_t BytesOf(const SoundFormat& format, double seconds) {
    return static_cast<std::int64_t>(std::ceil(seconds * format.sampleRate)) *
           std::max<std::int64_t>(format.blockAlign, 1);
}

// Bytes from the selection's start that the command reads to make what the preview plays,
// with the context after them.
std::int64_t BytesRead(const PreviewRequest& request, const SoundFormat& format) {
    return BytesOf(format,
                   request.seconds * CommandOf(request.commandId).inputPerOutput + kContextSeconds);
}

std::string ControlValue(const DialogHost& dlg, const ControlTemplate& control, bool& has) {
    has = true;
    switch (control.kind) {
    case ControlKind::Edit:
        return dlg.GetItemText(control.id);
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar:
    case ControlKind::VTrackBar:
        return std::to_string(dlg.GetScrollPos(control.id));
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox: {
        const int state = dlg.IsButtonChecked(control.id);
        has = state != Indeterminate;
        return state == Checked ? "1" : "0";
    }
    case ControlKind::AutoRadio:
        has = dlg.IsButtonChecked(control.id) == Checked;
        return "1";
    case ControlKind::ListBox:
    case ControlKind::ComboList: {
        const int row = dlg.ListGetCurSel(control.id);
        has = row >= 0;
        return std::to_string(row);
    }
    default:
        has = false;
        return {};
    }
}

PreviewRequest BaseRequest(App& app, int commandId) {
    PreviewRequest request;
    request.commandId = commandId;
    request.seconds = app.settings.previewSeconds;
    request.effects = app.effects;
    request.settings = app.settings;
    request.sineTable = app.sineTable;
    if (commandId == IDM_MELODY_PASTE) {
        request.clipboardHasWave = app.host.GetClipboardWave(request.clipboard);
    }
    return request;
}

// The part of `sound` a rendering holds (from..to), how much of it is copied (from..copyTo;
// the rest is never read), and where the command's selection lies in it. Bytes of `sound`.
struct Cut {
    std::int64_t from = 0, to = 0, copyTo = 0;
    std::int64_t selStart = 0, selEnd = 0;
};

Cut CutFor(const PreviewRequest& request, const SoundDocument& sound) {
    const Reach reach = CommandOf(request.commandId).reach;
    Cut cut;
    cut.selStart = sound.selStart;
    cut.selEnd = sound.selEnd;
    // The command itself takes the whole sound when nothing is selected; a generator does not.
    if (cut.selStart == cut.selEnd && reach != Reach::Generator) {
        cut.selStart = 0;
        cut.selEnd = sound.byteLength;
    }
    const std::int64_t read = cut.selStart + BytesRead(request, sound.format);
    if (reach == Reach::Prefix || reach == Reach::Generator) {
        cut.selEnd = std::min(cut.selEnd, read);
    }
    const std::int64_t context = BytesOf(sound.format, kContextSeconds);
    cut.from = std::max<std::int64_t>(0, cut.selStart - context);
    cut.to = std::min<std::int64_t>(sound.byteLength, cut.selEnd + context);
    cut.copyTo = reach == Reach::LengthDependent ? std::min(cut.to, read) : cut.to;
    return cut;
}

// Makes `doc` the cut of `sound`, as the command will find it.
void CopySound(const SoundDocument& sound, const Cut& cut, SoundDocument& doc,
               const std::function<bool()>& stale) {
    constexpr std::int64_t kSpare = 16;
    const auto bytes = static_cast<std::size_t>(cut.to - cut.from);
    doc.format = sound.format;
    doc.RecomputeBytesPerSample();
    if (!TryAllocate(doc.sampleData, bytes + kSpare)) {
        throw std::bad_alloc();
    }
    std::uint8_t* to = doc.Data();
    std::memset(to + bytes, 0, kSpare);
    const auto copied = static_cast<std::size_t>(cut.copyTo - cut.from);
    for (std::size_t done = 0; done < copied; done += kCopyPiece) {
        if (stale()) {
            throw PreviewAbandoned{};
        }
        std::memcpy(to + done, sound.Data() + cut.from + done, std::min(kCopyPiece, copied - done));
    }
    const auto inside = [&](std::int64_t at) {
        return static_cast<std::int32_t>(
            std::clamp(at - cut.from, std::int64_t{0}, static_cast<std::int64_t>(bytes)));
    };
    doc.byteLength = static_cast<std::int32_t>(bytes);
    doc.selStart = inside(cut.selStart);
    doc.selEnd = inside(cut.selEnd);
    doc.cursor = inside(sound.cursor);
    doc.anchor = inside(sound.anchor);
    doc.title = sound.title;
    doc.fileType = sound.fileType;
    doc.modified = sound.modified;
    doc.tags = sound.tags;
}

} // namespace

bool CommandHasPreview(int commandId) {
    return std::any_of(std::begin(kPreviewCommands), std::end(kPreviewCommands),
                       [commandId](const PreviewCommand& c) { return c.id == commandId; });
}

PreviewRequest RequestFromDialog(App& app, const DialogHost& dlg, int templateId) {
    PreviewRequest request = BaseRequest(app, app.runningCommand);
    if (const DialogTemplate* t = FindDialogTemplate(templateId)) {
        for (const ControlTemplate& control : t->controls) {
            bool has = false;
            std::string value = ControlValue(dlg, control, has);
            if (has && control.id > 0) {
                request.controls.emplace_back(control.id, std::move(value));
            }
        }
    }
    return request;
}

PreviewRequest RequestFromAssignments(App& app, int commandId,
                                      std::vector<std::pair<int, std::string>> assignments) {
    PreviewRequest request = BaseRequest(app, commandId);
    request.controls = std::move(assignments);
    request.strict = true;
    return request;
}

void CopyPreviewInput(const PreviewRequest& request, const SoundDocument& sound,
                      const std::function<bool()>& stale, SoundDocument& input) {
    CopySound(sound, CutFor(request, sound), input, stale);
}

bool RenderPreview(const PreviewRequest& request, SoundDocument&& input,
                   const std::function<bool()>& stale, PreviewResult& result) {
    result = {};
    ScriptedHost host;
    host.clipboard = request.clipboard;
    host.clipboardHasWave = request.clipboardHasWave;
    // The command's progress steps are where a newer rendering takes over.
    host.onPump = host.onEventPass = [&stale]() -> bool {
        if (stale()) {
            throw PreviewAbandoned{};
        }
        return false;
    };
    App app(host);
    app.profile.KeepWritesInMemory();
    app.settings = request.settings;
    app.effects = request.effects;
    app.sineTable = request.sineTable;
    app.doc = std::move(input);
    if (CommandOf(request.commandId).reach == Reach::LengthDependent) {
        // Only the start of the selection was copied: the command makes the frames played,
        // and its undo snapshot keeps only what was copied.
        app.previewFrames =
            static_cast<std::int64_t>(std::ceil(request.seconds * app.doc.format.sampleRate));
        app.undo.copyLimit = app.doc.selStart + BytesRead(request, app.doc.format);
    }

    DialogScript script;
    if (request.strict) {
        script.assignments = request.controls;
    } else {
        script.interact = [&request](ScriptedDialog& dialog, std::string&) {
            for (const auto& [id, value] : request.controls) {
                std::string ignored;
                if (dialog.Ended()) {
                    break;
                }
                if (dialog.HasItem(id) && dialog.IsEnabled(id)) {
                    dialog.Apply(id, value, ignored);
                }
            }
            return true;
        };
    }
    host.QueueDialog(std::move(script));
    const int done = DispatchCommand(app, request.commandId, NotifyMenu);
    if (!host.scriptErrors.empty()) {
        result.error = host.scriptErrors.back();
        return false;
    }
    if (done != 1) {
        result.error = host.messages.empty() ? kTextPreviewRefused : host.messages.back().text;
        return false;
    }
    const SoundDocument& doc = app.doc;
    const std::int64_t align = std::max<std::int64_t>(doc.format.blockAlign, 1);
    const std::int64_t most =
        static_cast<std::int64_t>(std::floor(request.seconds * doc.format.sampleRate)) * align;
    const std::int64_t length = std::min<std::int64_t>(doc.selEnd - doc.selStart, most);
    result.bytes.assign(doc.Data() + doc.selStart, doc.Data() + doc.selStart + length);
    return true;
}

} // namespace wt
