#include "commands/file/SoundFileSupport.h"

#include "commands/file/FileTexts.h"
#include "editor/App.h"
#include "editor/DocumentUi.h"
#include "formats/FileIo.h"
#include "util/Format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace wt {

namespace {

// Cursor and anchor stay where they were (the reader does not move them) as long as they
// still name a frame of the new sound; otherwise they move to its end.
std::int32_t KeepInside(std::int32_t offset, const SoundDocument& doc) {
    if (offset < 0) {
        return 0;
    }
    if (offset > doc.byteLength) {
        offset = doc.byteLength;
    }
    const std::int32_t blockAlign = doc.format.blockAlign ? doc.format.blockAlign : 1;
    return offset - offset % blockAlign;
}

// The rate in Hz with thousands separators ("700,000").
std::string RateText(std::uint32_t rate) {
    const std::string digits = std::to_string(rate);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

// What went wrong in a failed save, in words; empty when nothing is known.
std::string SaveFailureCause(int error) {
    switch (error) {
    case 0:
        return {};
    case ENOSPC:
        return filetext::kCauseDiskFull;
    case EDQUOT:
        return filetext::kCauseQuota;
    case EACCES:
    case EPERM:
        return filetext::kCauseNoPermission;
    case EROFS:
        return filetext::kCauseReadOnlyFs;
    case ENOENT:
        return filetext::kCauseNoFolder;
    case ENOTDIR:
        return filetext::kCauseNotFolder;
    case EISDIR:
        return filetext::kCauseIsFolder;
    case kSaveErrorNotRegular:
        return filetext::kCauseNotRegular;
    case kSaveErrorDanglingLink:
        return filetext::kCauseDanglingLink;
    case kSaveErrorSharedLink:
        return filetext::kCauseSharedLink;
    case kSaveErrorNoFileName:
        return filetext::kCauseNoFileName;
    case ELOOP:
        return filetext::kCauseLinkLoop;
    case ENAMETOOLONG:
        return filetext::kCauseNameTooLong;
    case EFBIG:
        return filetext::kCauseTooLarge;
    case EIO:
        return filetext::kCauseIo;
    default:
        return Format(filetext::kCauseOther, std::strerror(error));
    }
}

} // namespace

int InstallLoadedSound(App& app, LoadedSound& sound) {
    SoundDocument& doc = app.doc;
    doc.format = sound.format;
    doc.sampleData = std::move(sound.data);
    doc.byteLength = sound.byteLength;
    doc.tags = std::move(sound.tags);
    doc.selStart = doc.selEnd = 0;
    doc.viewStart = 0;
    app.host.SetWaveScrollPos(0, true);
    doc.RecomputeBytesPerSample();
    doc.cursor = KeepInside(doc.cursor, doc);
    doc.anchor = KeepInside(doc.anchor, doc);
    doc.modified = false;
    UpdateTitle(app);
    RedrawWave(app);
    ShowFormatStatus(app);
    ShowSelectionStatus(app);
    return 1;
}

// The message of a reader's note.
std::string NoteText(const FileNote& note) {
    switch (note.code) {
    case FileNoteCode::CannotOpen:
        return filetext::kCannotOpen;
    case FileNoteCode::TooLarge:
        return filetext::kTooLarge;
    case FileNoteCode::OutOfMemory:
        return {}; // ShowOutOfMemory's own
    case FileNoteCode::CorruptRiff:
        return filetext::kCorruptRiff;
    case FileNoteCode::CorruptWave:
        return filetext::kCorruptWave;
    case FileNoteCode::CorruptForm:
        return filetext::kCorruptForm;
    case FileNoteCode::CorruptAiff:
        return filetext::kCorruptAiff;
    case FileNoteCode::ChunkNotFound:
        return filetext::kChunkNotFound;
    case FileNoteCode::Corrupt:
        return filetext::kCorrupt;
    case FileNoteCode::FormatNotSupported:
        return filetext::kFormatNotSupported;
    case FileNoteCode::TypeNotSupported:
        return filetext::kTypeNotSupported;
    case FileNoteCode::ImportDamaged:
        return filetext::kImportDamaged;
    case FileNoteCode::ImportChannels:
        return Format(filetext::kImportChannels, static_cast<int>(note.first));
    case FileNoteCode::ImportNoFrames:
        return filetext::kImportNoFrames;
    case FileNoteCode::ImportCutShort:
        return Format(filetext::kImportCutShort, note.first, note.second);
    case FileNoteCode::ImportEndedEarly:
        return Format(filetext::kImportEndedEarly, note.first);
    case FileNoteCode::ImportMp3Beyond:
        return Format(filetext::kImportMp3Beyond, note.first);
    }
    return filetext::kCorrupt;
}

int ShowFileNotes(App& app, const FileStatus& status) {
    for (const FileNote& note : status.notes) {
        if (note.code == FileNoteCode::OutOfMemory) {
            ShowOutOfMemory(app, filetext::kCaptionOpen);
        } else {
            ShowLoadMessage(app, NoteText(note).c_str());
        }
    }
    return status.ok ? 1 : 0;
}

int FinishOrReportSave(App& app, const SaveStatus& status, const char* rateCause) {
    if (status.ok) {
        return FinishSave(app);
    }
    if (status.rateNotHeld && rateCause) {
        return ReportSaveRefusal(app,
                                 Format(rateCause, RateText(app.doc.format.sampleRate).c_str()));
    }
    return ReportSaveFailure(app, status.error);
}

void ShowLoadMessage(App& app, const char* text) {
    app.host.MessageBox(Owner::MainWindow, text, filetext::kCaptionOpen, mb::Ok | mb::IconWarning);
}

int ReportSaveFailure(App& app, int error) {
    if (error == ENOMEM) {
        ShowOutOfMemory(app, filetext::kCaptionSave);
        return 0;
    }
    return ReportSaveRefusal(app, SaveFailureCause(error));
}

int ReportSaveRefusal(App& app, const std::string& cause) {
    const char* name = app.doc.title.c_str();
    const std::string text = cause.empty()
                                 ? Format(filetext::kCannotWriteFile, name)
                                 : Format(filetext::kCannotWriteBecause, name, cause.c_str());
    app.host.MessageBox(Owner::MainWindow, text, filetext::kCaptionSave, mb::Ok | mb::IconWarning);
    return 0;
}

int FinishSave(App& app) {
    app.doc.modified = false;
    RedrawWave(app);
    return 1;
}

} // namespace wt
