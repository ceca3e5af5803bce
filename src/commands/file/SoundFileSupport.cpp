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

constexpr std::size_t kSpareBytes = 16;

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

BusyFileWork::BusyFileWork(App& app)
    : app_(app), wasBusy_(app.busy), menu_(app.menus.current), status_(app.status.Text(0)) {
    app.busy = true;
    app.menus.current = &app.menus.busy;
    app.host.SetMenu(app.menus.current);
    app.status.SetText(0, filetext::kProgressFileWork);
}

BusyFileWork::~BusyFileWork() {
    app_.menus.current = menu_;
    app_.host.SetMenu(menu_);
    app_.status.SetText(0, status_);
    app_.busy = wasBusy_;
}

void BusyFileWork::Step(std::int64_t done, std::int64_t total) {
    if (total > 0) {
        const long long percent = std::clamp<long long>(done * 100 / total, 0, 100);
        if (percent != percent_) {
            percent_ = percent;
            app_.status.SetText(0, Format("%s:%3lld%%", filetext::kProgressFileWork, percent));
        }
    }
    app_.host.PumpOneMessage();
}

bool AllocateSoundBlock(App& app, SampleBlock& block, std::uint64_t bytes) {
    if (bytes > kMaxSoundBytes) {
        ShowLoadMessage(app, filetext::kTooLarge);
        return false;
    }
    const std::size_t size = static_cast<std::size_t>(bytes);
    if (!block.Resize(size + kSpareBytes)) {
        ShowOutOfMemory(app, filetext::kCaptionOpen);
        return false;
    }
    std::memset(block.Data() + size, 0, kSpareBytes);
    return true;
}

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

void ShowLoadMessage(App& app, const char* text) {
    app.host.MessageBox(Owner::MainWindow, text, filetext::kCaptionOpen, mb::Ok | mb::IconWarning);
}

int ReportWriteFailure(App& app, bool outOfMemory) {
    return ReportSaveFailure(app, outOfMemory ? ENOMEM : 0);
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
