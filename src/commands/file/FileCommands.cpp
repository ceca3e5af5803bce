#include "commands/file/FileCommands.h"

#include "commands/file/FileTexts.h"
#include "commands/file/NewDialog.h"
#include "commands/file/SoundFileSupport.h"
#include "commands/file/SoundFiles.h"
#include "editor/App.h"
#include "editor/DocumentUi.h"
#include "formats/FileIo.h"
#include "formats/ImportFile.h"
#include "model/Undo.h"
#include "util/Format.h"
#include "util/ParseNumber.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

namespace wt {

namespace {

// The open dialog's first entry, which it starts on, lists every file the editor reads. Its
// index only chooses the entry shown first; the save dialog's index is the file type.
constexpr int kOpenFilterSounds = 1;

std::vector<std::pair<std::string, std::string>> OpenFilters() {
    return {{filetext::kOpenFilterSounds,
             "*.wav;*.au;*.aif;*.aiff;*.aifc;*.flac;*.ogg;*.oga;*.opus;*.mp3"},
            {filetext::kOpenFilterWav, "*.wav"},
            {filetext::kOpenFilterAu, "*.au"},
            {filetext::kOpenFilterAiff, "*.aif;*.aiff;*.aifc"},
            {filetext::kOpenFilterOther, "*.flac;*.ogg;*.oga;*.opus;*.mp3"},
            {filetext::kOpenFilterAll, "*.*"}};
}

// The save dialog's entries in the order of SoundFileType: an entry's index is its type.
std::vector<std::pair<std::string, std::string>> SaveFilters() {
    return {{filetext::kSaveFilterWav, "*.wav"},
            {filetext::kSaveFilterAu, "*.au"},
            {filetext::kSaveFilterAiff, "*.aif;*.aiff"},
            {filetext::kSaveFilterFlac, "*.flac"},
            {filetext::kSaveFilterOgg, "*.ogg"}};
}

// The type a name's extension stands for; FileTypeNone for any other name.
int FileTypeOfName(const std::string& name) {
    if (EndsWithNoCase(name, ".wav")) {
        return FileTypeWav;
    }
    if (EndsWithNoCase(name, ".au")) {
        return FileTypeAu;
    }
    if (EndsWithNoCase(name, ".aiff") || EndsWithNoCase(name, ".aif")) {
        return FileTypeAiff;
    }
    if (EndsWithNoCase(name, ".flac")) {
        return FileTypeFlac;
    }
    if (EndsWithNoCase(name, ".ogg") || EndsWithNoCase(name, ".oga")) {
        return FileTypeOgg;
    }
    return FileTypeNone;
}

// The writer a save in `fileType` uses and the name it writes. A type names its writer and
// the name gains the type's extension unless it ends in one the type accepts; with no type
// the name's extension chooses, and a name with none of them is written as WAV with ".wav"
// appended; an unknown type always appends ".wav". For every type and none, choosing
// again for the name chosen gives the same name.
struct SaveTarget {
    std::string name;
    int (*writer)(App&);
};
SaveTarget ChooseSaveTarget(const std::string& name, int fileType) {
    if (fileType == FileTypeNone) {
        fileType = FileTypeOfName(name);
        if (fileType == FileTypeNone) {
            return {name + ".wav", SaveWaveFile};
        }
    }
    switch (fileType) {
    case FileTypeWav:
        return {EndsWithNoCase(name, ".wav") ? name : name + ".wav", SaveWaveFile};
    case FileTypeAu:
        return {EndsWithNoCase(name, ".au") ? name : name + ".au", SaveAuFile};
    case FileTypeAiff:
        return {FileTypeOfName(name) == FileTypeAiff ? name : name + ".aiff", SaveAiffFile};
    case FileTypeFlac:
        return {EndsWithNoCase(name, ".flac") ? name : name + ".flac", SaveFlacFile};
    case FileTypeOgg:
        return {FileTypeOfName(name) == FileTypeOgg ? name : name + ".ogg", SaveOggFile};
    default:
        return {name + ".wav", SaveWaveFile};
    }
}

// The folder the file dialogs start in: the current file's, or the last folder a file was
// opened from when the sound has none.
std::string DialogFolder(const App& app) {
    const std::string& title = app.doc.title;
    const auto slash = title.find_last_of('/');
    if (title == kUntitled || slash == std::string::npos) {
        return app.settings.lastDirectory;
    }
    return slash == 0 ? "/" : title.substr(0, slash);
}

// Writes the document as `name` in `fileType` (ChooseSaveTarget). The writers write the file
// the title names, so the title is the target's for the write only: a save that fails or is
// declined puts the name, the type and the imported mark back, and the caption and the recent
// files change only once the file is on disk. `saveAs` makes the type the document's and
// lists the file among the recent files. A name with no file part ("folder/") and a target
// that may not be replaced (a folder, a FIFO, a device, a link another user planted in a
// shared folder) are refused before anything is encoded. `name` is a copy: it may be the
// title, which changes here.
int WriteDocumentAs(App& app, std::string name, int fileType, bool saveAs) {
    SoundDocument& doc = app.doc;
    const std::string oldTitle = doc.title;
    const int oldType = doc.fileType;
    const bool oldImported = doc.imported;
    const SaveTarget target = ChooseSaveTarget(name, fileType);
    const bool noFileName = name.empty() || name.back() == '/';
    doc.title = noFileName ? name : target.name;
    if (saveAs) {
        doc.fileType = fileType;
        doc.imported = false;
    }
    const int refused = noFileName ? kSaveErrorNoFileName : CheckSaveTarget(target.name);
    const int written = refused != 0 ? ReportSaveFailure(app, refused) : target.writer(app);
    if (written != 1) {
        doc.title = oldTitle;
        doc.fileType = oldType;
        doc.imported = oldImported;
        return 0;
    }
    if (saveAs) {
        AddRecentFile(app.profile, doc.title);
    }
    if (saveAs || doc.title != oldTitle) {
        UpdateTitle(app);
    }
    return 1;
}

// Asks before an empty sound is saved; false when the user declined.
bool AgreeToSaveEmpty(App& app) {
    return app.doc.byteLength != 0 ||
           app.host.MessageBox(Owner::MainWindow, filetext::kSaveEmpty, filetext::kCaptionSave,
                               mb::YesNo | mb::IconWarning) != IdNo;
}

// `name` with its extension (after the last dot of the last path part) replaced by ".wav",
// or ".wav" appended when it has none.
std::string WithWavExtension(const std::string& name) {
    const auto slash = name.find_last_of('/');
    const auto dot = name.find_last_of('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? name.substr(0, dot) : name) + ".wav";
}

// Whether `a` and `b` name one existing file (also through other spellings or links).
bool SameExistingFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// The question to ask before the document is written in `fileType` over the file it was
// imported from, or nothing when the save keeps everything that file holds: a save in fewer
// bits than the file's, float samples saved as integers, a linear file saved as μ-law or Ogg
// Vorbis, and a lossy file encoded again all lose something.
std::string OverwriteSourceQuestion(const SoundDocument& doc, int fileType) {
    std::istringstream words(doc.sourceFormat);
    std::string type, depth;
    words >> type >> depth;
    const char* name = doc.title.c_str();
    const bool lossyWrite = fileType == FileTypeOgg;
    if (depth == "-") {
        return lossyWrite ? Format(filetext::kOverwriteLossy, name) : std::string();
    }
    std::string sourceText;
    bool poorer = lossyWrite || fileType == FileTypeAu;
    if (depth.rfind("float", 0) == 0) {
        sourceText = Format("%s ビット浮動小数点", depth.substr(5).c_str());
        poorer = true;
    } else {
        long long bits = 0;
        // A depth that cannot be read is taken as richer: asking once too often loses nothing.
        if (!ParseInteger(depth, 1, 64, bits)) {
            bits = 64;
        }
        sourceText = Format("%lld ビット", bits);
        poorer = poorer || bits > doc.format.bitsPerSample;
    }
    if (!poorer) {
        return {};
    }
    const std::string writtenText = lossyWrite ? std::string("Ogg Vorbis ")
                                    : fileType == FileTypeAu
                                        ? std::string("μ-law ")
                                        : Format("%d ビット", doc.format.bitsPerSample);
    return Format(filetext::kOverwriteRicher, name, sourceText.c_str(), writtenText.c_str());
}

// Whether a file of `fileType` as the editor writes it holds tag `field`: WAV in its INFO
// list, AIFF in its four text chunks, FLAC and Ogg Vorbis every tag, AU none.
bool TypeHoldsTag(int fileType, TagField field) {
    switch (fileType) {
    case FileTypeWav:
        return RiffInfoId(field) != nullptr;
    case FileTypeAiff:
        return AiffTextChunkId(field) != nullptr;
    case FileTypeFlac:
    case FileTypeOgg:
        return true;
    default:
        return false;
    }
}

// The question to ask before the document is saved as `target` in `fileType` when that type
// cannot hold some of the sound's tags, or nothing when it holds them all.
std::string TagsLostQuestion(const SoundDocument& doc, const std::string& target, int fileType) {
    std::string lost;
    for (int i = 0; i < kTagFieldCount; ++i) {
        const auto field = static_cast<TagField>(i);
        if (!doc.tags[field].empty() && !TypeHoldsTag(fileType, field)) {
            lost += (lost.empty() ? "" : filetext::kTagNameSeparator);
            lost += filetext::kTagNames[i];
        }
    }
    if (lost.empty()) {
        return {};
    }
    return Format(filetext::kTagsNotKept, target.c_str(), filetext::kTypeNames[fileType],
                  lost.c_str());
}

} // namespace

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

int ReadSoundFile(App& app, const std::string& path, LoadedSound& sound) {
    // The extension must follow at least one character: ".wav" alone names no sound file.
    const int fileType = path.rfind('.') != 0 ? FileTypeOfName(path) : FileTypeNone;
    if (path.rfind('.') != 0 && IsImportOnlyName(path)) {
        return ImportSoundFile(app, path, sound) ? FileTypeImported : FileTypeNone;
    }
    int (*reader)(App&, const std::string&, LoadedSound&) = nullptr;
    switch (fileType) {
    case FileTypeWav:
        reader = LoadWaveFile;
        break;
    case FileTypeAu:
        reader = LoadAuFile;
        break;
    case FileTypeAiff:
        reader = LoadAiffFile;
        break;
    default:
        app.host.MessageBox(Owner::MainWindow, filetext::kTypeNotSupported, kProductName,
                            mb::Ok | mb::IconInformation);
        return FileTypeNone;
    }
    // 8- and 16-bit files the own reader holds, and files libsndfile cannot open (damaged
    // ones, which the own reader then explains), stay on the own reader.
    const OwnReader own = fileType == FileTypeWav  ? OwnReader::Wav
                          : fileType == FileTypeAu ? OwnReader::Au
                                                   : OwnReader::Aiff;
    if (OwnReaderRefusesFormat(path, own)) {
        return ImportSoundFile(app, path, sound) ? FileTypeImported : FileTypeNone;
    }
    return reader(app, path, sound) ? fileType : FileTypeNone;
}

int LoadSoundFile(App& app, const std::string& path) {
    SoundDocument& doc = app.doc;
    // The folder of the file, without its trailing separator. A bare name has no folder: the
    // last directory then stays as it was.
    const auto slash = path.find_last_of('/');
    if (slash != std::string::npos) {
        app.settings.lastDirectory = slash == 0 ? "/" : path.substr(0, slash);
    }
    // The sound is read whole before anything of the document changes: a file that cannot
    // be read leaves the sound, its name, type and modified flag as they were, so a later
    // save cannot write the old sound over that file.
    LoadedSound sound;
    const int fileType = ReadSoundFile(app, path, sound);
    if (fileType == FileTypeNone) {
        return 0;
    }
    // The old sound goes to the undo snapshot with its name, type and modified flag: Undo
    // brings it back as it was, unsaved changes included, and never under the new name.
    MoveSoundToSnapshot(doc, app.undo, true);
    doc.title = path;
    doc.fileType = fileType == FileTypeImported ? FileTypeNone : fileType;
    doc.imported = fileType == FileTypeImported;
    doc.sourceFormat = sound.sourceFormat;
    const std::string conversion = sound.conversion;
    const int installed = InstallLoadedSound(app, sound);
    // What the import converted follows the format in the status bar.
    if (!conversion.empty()) {
        app.status.SetText(0, app.status.Text(0) + " (" + conversion + ")");
    }
    return installed;
}

int SaveSoundFile(App& app, int fileType) {
    SoundDocument& doc = app.doc;
    if (!AgreeToSaveEmpty(app)) {
        return 0;
    }
    if (doc.title == kUntitled || doc.imported) {
        return CmdSaveAs(app);
    }
    // A name that gains an extension is shown as it is written, once it is written.
    return WriteDocumentAs(app, doc.title, fileType, false);
}

// A file that was refused does not go to the top of the recent files.
int OpenRecentFile(App& app, int n) {
    if (ConfirmDiscardChanges(app) != 1) {
        return 0;
    }
    const std::string path = ReadRecentFile(app.profile, n);
    if (LoadSoundFile(app, path) != 1) {
        return 0;
    }
    AddRecentFile(app.profile, path);
    return 1;
}

int CmdOpen(App& app) {
    if (ConfirmDiscardChanges(app) != 1) {
        return 0;
    }
    FileDialogRequest request;
    request.filters = OpenFilters();
    request.filterIndex = kOpenFilterSounds;
    request.initialDir = DialogFolder(app);
    request.fileMustExist = true;
    if (!app.host.GetOpenFileName(request)) {
        return 0;
    }
    // Only a file that opened is listed among the recent files.
    if (LoadSoundFile(app, request.path) != 1) {
        return 0;
    }
    AddRecentFile(app.profile, request.path);
    return 1;
}

int CmdSave(App& app) {
    return SaveSoundFile(app, app.doc.fileType);
}

int CmdSaveAs(App& app) {
    SoundDocument& doc = app.doc;
    FileDialogRequest request;
    request.filters = SaveFilters();
    request.filterIndex = doc.fileType;
    request.path = doc.title == kUntitled ? filetext::kDefaultSaveName
                   : doc.imported         ? WithWavExtension(doc.title)
                                          : doc.title;
    request.initialDir = DialogFolder(app);
    request.overwritePrompt = true;
    if (!app.host.GetSaveFileName(request)) {
        return 0;
    }
    // The type box shows the document's type, or the first type when it has none.
    const bool typeLeftAsShown = request.filterIndex == doc.fileType ||
                                 (doc.fileType == FileTypeNone && request.filterIndex == 1);
    // A type index the dialog does not offer saves as WAV.
    int fileType = request.filterIndex >= FileTypeNone && request.filterIndex <= FileTypeOgg
                       ? request.filterIndex
                       : FileTypeWav;
    // A name typed with a sound file's extension is saved in that type unless the user chose
    // another type. The title and the recent entry name the file as it is written, with the
    // type's extension appended where the name lacks it.
    if (typeLeftAsShown && FileTypeOfName(request.path) != FileTypeNone) {
        fileType = FileTypeOfName(request.path);
    }
    const std::string target = ChooseSaveTarget(request.path, fileType).name;
    // Writing over the imported file itself with less than it holds is asked first; No leaves
    // the file and the document as they were.
    if (doc.imported && SameExistingFile(target, doc.title)) {
        const std::string question = OverwriteSourceQuestion(doc, fileType);
        if (!question.empty() &&
            app.host.MessageBox(Owner::MainWindow, question, filetext::kCaptionSave,
                                mb::YesNo | mb::IconWarning) != IdYes) {
            return 0;
        }
    }
    // A type that cannot hold all of the sound's tags is asked about first; No writes nothing.
    const std::string tagQuestion = TagsLostQuestion(doc, target, FileTypeOfName(target));
    if (!tagQuestion.empty() &&
        app.host.MessageBox(Owner::MainWindow, tagQuestion, filetext::kCaptionSave,
                            mb::YesNo | mb::IconWarning) != IdYes) {
        return 0;
    }
    if (!AgreeToSaveEmpty(app)) {
        return 0;
    }
    // Once written, the document is named after the file: later saves write it, not the
    // import's source.
    return WriteDocumentAs(app, request.path, fileType, true);
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
    SampleBlock fresh; // an empty sound keeps 16 spare bytes, like every resize
    if (!fresh.Resize(16)) {
        ShowOutOfMemory(app, kProductName);
        return 0;
    }
    // The old sound goes to the undo snapshot whole, with its name, type and modified flag.
    MoveSoundToSnapshot(doc, app.undo, true);
    doc.format = chosen;
    doc.sampleData = std::move(fresh);
    doc.title = kUntitled;
    doc.imported = false;
    doc.sourceFormat.clear();
    UpdateTitle(app);
    doc.byteLength = 0;
    doc.cursor = 0;
    doc.anchor = 0; // an anchor past the end of the empty sound would select beyond it
    doc.modified = false;
    doc.selStart = doc.selEnd = 0;
    doc.viewStart = 0;
    doc.RecomputeBytesPerSample();
    ShowFormatStatus(app);
    ShowSelectionStatus(app);
    RedrawWave(app);
    return 1;
}

int ConfirmDiscardChanges(App& app) {
    if (!app.doc.modified) {
        return 1;
    }
    const int answer =
        app.host.MessageBox(Owner::MainWindow, Format(kTextDiscardChanges, app.doc.title.c_str()),
                            kProductName, mb::YesNoCancel | mb::IconQuestion);
    switch (answer) {
    case IdYes:
        return SaveSoundFile(app, app.doc.fileType);
    case IdNo:
        return 1;
    case IdCancel:
        return 0;
    default:
        return 1;
    }
}

} // namespace wt
