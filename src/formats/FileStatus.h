// What the readers and writers of this layer give back instead of showing messages: a
// reader's outcome with the notes the user must see, in the order they must see them, and a
// writer's outcome with its cause. The commands (commands/file) turn them into their texts.
// Long reads and writes report their progress through a FileProgress the caller provides.
#pragma once

#include "model/SampleBlock.h"

#include <cstdint>
#include <vector>

namespace wt {

// What a reader has to tell the user.
enum class FileNoteCode {
    CannotOpen,         // missing, unreadable or not a regular file
    TooLarge,           // beyond kMaxSoundBytes
    OutOfMemory,        // the sample block could not be had
    CorruptRiff,        // no RIFF (WAV) or ".snd" (AU) at the start
    CorruptWave,        // a RIFF of another type
    CorruptForm,        // no IFF "FORM" (AIFF)
    CorruptAiff,        // a FORM of another type
    ChunkNotFound,      // AIFF without a usable "COMM" and "SSND"
    Corrupt,            // chunks missing or refused
    FormatNotSupported, // a format the editor cannot hold
    TypeNotSupported,   // an AU encoding other than 8-bit mu-law
    ImportDamaged,      // libsndfile cannot open it, or its header is nonsense
    ImportChannels,     // more than two channels: first = the number
    ImportNoFrames,     // not one frame could be read
    ImportCutShort,     // first = frames read, second = frames the header claimed
    ImportEndedEarly,   // the decoder stopped on damage: first = frames read
    ImportMp3Beyond,    // more MP3 audio after the stream its header measures: first = frames
};

struct FileNote {
    FileNoteCode code;
    long long first = 0;
    long long second = 0;
};

// A reader's outcome: `ok` when the sound was read (the notes then say what the user should
// know about it), false when it was refused (the last note says why).
struct FileStatus {
    bool ok = false;
    std::vector<FileNote> notes;
    // An import's samples that lay beyond full scale and were clipped.
    long long clipped = 0;

    // Adds a note and leaves ok false; returns the status for `return Refuse(...)`.
    FileStatus& Refuse(FileNoteCode code, long long first = 0) {
        notes.push_back({code, first, 0});
        ok = false;
        return *this;
    }
    FileStatus& Accept() {
        ok = true;
        return *this;
    }
};

// A writer's outcome. `error` is why a failed write failed: an errno value (ENOMEM when the
// writer's memory could not be had), a kSaveError cause of formats/FileIo.h, or 0 when
// nothing more is known. `rateNotHeld` marks a FLAC, Ogg or AU save refused before any
// encoding because the format cannot hold the sound's rate.
struct SaveStatus {
    bool ok = false;
    int error = 0;
    bool rateNotHeld = false;
};

// The progress of a reader or writer. Begin and End enclose the long part of the work (a
// caller shows its busy state in between); Step reports done out of total after each piece
// (total 0 while unknown) and is where the caller lets its window's events through.
class FileProgress {
public:
    virtual ~FileProgress() = default;
    virtual void Begin() {}
    virtual void Step(std::int64_t done, std::int64_t total) = 0;
    virtual void End() {}
};

// A progress that shows nothing.
class NoFileProgress final : public FileProgress {
public:
    void Step(std::int64_t, std::int64_t) override {}
};

// Makes `block` hold `bytes` sample bytes plus 16 zeroed spare bytes for a reader. False after
// a TooLarge note when the size is beyond kMaxSoundBytes, or an OutOfMemory note when the
// memory cannot be had.
bool AllocateSoundBlock(FileStatus& status, SampleBlock& block, std::uint64_t bytes);

} // namespace wt
