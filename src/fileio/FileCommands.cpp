#include "fileio/FileCommands.h"

#include "app/App.h"
#include "document/DocumentUi.h"
#include "fileio/FileTexts.h"
#include "fileio/NewDialog.h"
#include "fileio/SoundFiles.h"

#include <algorithm>
#include <cctype>

namespace wt {

namespace {

bool EndsWithNoCase(const std::string& text, const std::string& ending) {
    if (text.size() < ending.size()) {
        return false;
    }
    return std::equal(ending.begin(), ending.end(), text.end() - static_cast<long>(ending.size()),
                      [](char a, char b) {
                          return std::tolower(static_cast<unsigned char>(a)) ==
                                 std::tolower(static_cast<unsigned char>(b));
                      });
}

// The extension must follow at least one character of name: ".wav" alone is refused.
bool HasExtension(const std::string& path, const std::string& extension) {
    return path.size() > extension.size() && EndsWithNoCase(path, extension);
}

std::vector<std::pair<std::string, std::string>> OpenFilters() {
    return {{filetext::kOpenFilterWav, "*.wav"},
            {filetext::kOpenFilterAu, "*.au"},
            {filetext::kOpenFilterAiff, "*.aif;*.aiff"},
            {filetext::kOpenFilterAll, "*.*"}};
}

std::vector<std::pair<std::string, std::string>> SaveFilters() {
    return {{filetext::kSaveFilterWav, "*.wav"},
            {filetext::kSaveFilterAu, "*.au"},
            {filetext::kSaveFilterAiff, "*.aif;*.aiff"}};
}

const char* SaveExtension(int filterIndex) {
    switch (filterIndex) {
    case FileTypeAu:
        return ".au";
    case FileTypeAiff:
        return ".aiff";
    default:
        return ".wav";
    }
}

} // namespace

int LoadSoundFile(App& app, const std::string& path) {
    SoundDocument& doc = app.doc;
    const std::string previousTitle = doc.title;
    const int previousType = doc.fileType;
    doc.title = path;
    if (doc.title.find('.') == std::string::npos) {
        doc.title += ".";
    }
    // The folder of the file, without its trailing separator. A bare name has no folder: the
    // last directory then stays as it was.
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos) {
        app.settings.lastDirectory = slash == 0 ? "/" : path.substr(0, slash);
    }
    // When the sound stays (the file could not be opened, or its samples could not be held),
    // so does its name: a later save must not write the old sound over that file.
    const auto keepOldName = [&] {
        doc.title = previousTitle;
        doc.fileType = previousType;
        return 0;
    };
    if (!TakeSnapshot(app)) {
        return keepOldName();
    }
    bool documentKept = false;
    int loaded;
    if (HasExtension(path, ".aiff") || HasExtension(path, ".aif")) {
        doc.fileType = FileTypeAiff;
        loaded = LoadAiffFile(app, path, &documentKept);
    } else if (HasExtension(path, ".au")) {
        doc.fileType = FileTypeAu;
        loaded = LoadAuFile(app, path, &documentKept);
    } else if (HasExtension(path, ".wav")) {
        doc.fileType = FileTypeWav;
        loaded = LoadWaveFile(app, path, &documentKept);
    } else {
        app.host.MessageBox(Owner::MainWindow, filetext::kTypeNotSupported, kProductName,
                            mb::Ok | mb::IconInformation);
        return 0;
    }
    return documentKept ? keepOldName() : loaded;
}

int SaveSoundFile(App& app, int fileType) {
    SoundDocument& doc = app.doc;
    if (doc.byteLength == 0 &&
        app.host.MessageBox(Owner::MainWindow, filetext::kSaveEmpty, filetext::kCaptionSave,
                            mb::YesNo | mb::IconWarning) == IdNo) {
        return 0;
    }
    if (doc.title == kUntitled) {
        return CmdSaveAs(app);
    }
    std::string& name = doc.title;
    switch (fileType) {
    case FileTypeNone:
        if (EndsWithNoCase(name, ".au")) {
            return SaveAuFile(app);
        }
        if (EndsWithNoCase(name, ".wav")) {
            return SaveWaveFile(app);
        }
        if (EndsWithNoCase(name, ".aiff") || EndsWithNoCase(name, ".aif")) {
            return SaveAiffFile(app);
        }
        name += ".wav";
        return SaveWaveFile(app);
    case FileTypeWav:
        if (!EndsWithNoCase(name, ".wav")) {
            name += ".wav";
        }
        return SaveWaveFile(app);
    case FileTypeAu:
        if (!EndsWithNoCase(name, ".au")) {
            name += ".au";
        }
        return SaveAuFile(app);
    case FileTypeAiff:
        if (!EndsWithNoCase(name, ".aiff") && !EndsWithNoCase(name, ".aif")) {
            name += ".aiff";
        }
        return SaveAiffFile(app);
    default:
        name += ".wav";
        return SaveWaveFile(app);
    }
}

int OpenRecentFile(App& app, int n) {
    if (ConfirmDiscardChanges(app) != 1) {
        return 0;
    }
    const std::string path = ReadRecentFile(app.profile, n);
    AddRecentFile(app.profile, path);
    return LoadSoundFile(app, path);
}

int CmdOpen(App& app) {
    if (ConfirmDiscardChanges(app) != 1) {
        return 0;
    }
    FileDialogRequest request;
    request.filters = OpenFilters();
    request.filterIndex = app.doc.fileType;
    request.initialDir = app.settings.lastDirectory;
    request.fileMustExist = true;
    if (!app.host.GetOpenFileName(request)) {
        return 0;
    }
    AddRecentFile(app.profile, request.path);
    return LoadSoundFile(app, request.path);
}

int CmdSave(App& app) {
    return SaveSoundFile(app, app.doc.fileType);
}

int CmdSaveAs(App& app) {
    SoundDocument& doc = app.doc;
    FileDialogRequest request;
    request.filters = SaveFilters();
    request.filterIndex = doc.fileType;
    request.path = doc.title == kUntitled ? filetext::kDefaultSaveName : doc.title;
    request.initialDir = app.settings.lastDirectory;
    request.overwritePrompt = true;
    if (!app.host.GetSaveFileName(request)) {
        return 0;
    }
    doc.title = request.path;
    // Only the file name itself decides whether an extension is present.
    const auto slash = doc.title.find_last_of('/');
    const std::string leaf = slash == std::string::npos ? doc.title : doc.title.substr(slash + 1);
    if (leaf.find('.') == std::string::npos) {
        doc.title += SaveExtension(request.filterIndex);
    }
    AddRecentFile(app.profile, doc.title);
    UpdateTitle(app);
    doc.fileType = request.filterIndex;
    return SaveSoundFile(app, doc.fileType);
}

int CmdNew(App& app) {
    if (ConfirmDiscardChanges(app) != 1) {
        return 0;
    }
    SoundDocument& doc = app.doc;
    SoundFormat chosen = doc.format;
    if (RunNewDialog(app, kDialogNew, chosen) != 1) {
        return 0;
    }
    if (!TakeSnapshot(app)) {
        return 0;
    }
    SampleBlock fresh; // an empty sound keeps 16 spare bytes, like every resize
    if (!fresh.Resize(16)) {
        ShowOutOfMemory(app, kProductName);
        return 0;
    }
    doc.format = chosen;
    doc.sampleData = std::move(fresh);
    doc.title = kUntitled;
    UpdateTitle(app);
    doc.byteLength = 0;
    doc.cursor = 0;
    doc.anchor = 0; // an anchor past the end of the empty sound would select beyond it
    doc.modified = false;
    doc.selStart = doc.selEnd = 0;
    doc.viewStart = 0;
    doc.RecomputeBytesPerSample();
    ShowFormatStatus(app);
    RedrawWave(app);
    return 1;
}

} // namespace wt
