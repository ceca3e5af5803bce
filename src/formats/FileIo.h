// Plain POSIX file access for the sound-file readers and writers: positioned reads that
// report how much was really there, and a writer that replaces its target only once the whole
// file is on disk.
#pragma once

#include "model/ByteOrder.h"
#include "model/SampleBlock.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace wt {

// A file opened for reading. Reads are positioned (no shared file offset); a read past the
// end returns the bytes that are there.
class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // False at once when the file cannot be opened or is not a regular file (a FIFO, a
    // directory, a device or a socket): nothing waits for a writer.
    bool Open(const std::string& path);
    // Size in bytes at the time of opening.
    std::uint64_t Size() const { return size_; }
    // Reads up to `count` bytes at `offset`; returns the number of bytes read (less than
    // `count` only at the end of the file or on a read error).
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // True when exactly `count` bytes could be read at `offset`.
    bool ReadExactlyAt(std::uint64_t offset, void* buffer, std::size_t count) const {
        return ReadAt(offset, buffer, count) == count;
    }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Why a save may not replace its target, beside the errno values of the steps that fail
// (EISDIR for a folder, EACCES or EROFS for a file that may not be written, ENOENT for a
// missing folder, ENOSPC for a full disk...). Negative, so they never meet an errno value.
inline constexpr int kSaveErrorNotRegular = -1;   // a FIFO, a device or a socket
inline constexpr int kSaveErrorDanglingLink = -2; // a symbolic link to nothing
// A link in a sticky world-writable folder (such as /tmp) owned neither by the folder's
// owner nor by the saving user: the kernel's protected-symlinks rule, which a save that
// resolves the link itself would otherwise bypass. Another user could plant it to make the
// save replace a file of the saving user's.
inline constexpr int kSaveErrorSharedLink = -3;
inline constexpr int kSaveErrorNoFileName = -4; // a name that ends in "/" or is empty

// Checks, writing nothing, whether a save may replace `target` (following symbolic links as
// AtomicFileWriter does): 0 when it may, or the cause above. A missing folder or a full disk
// show only when the file is written.
int CheckSaveTarget(const std::string& target);

// Writes a new file beside `target` and renames it over the target on Commit, so the old
// file stays whole until the new one is complete. A writer destroyed without a successful
// Commit removes its temporary file. The new file keeps the old one's permission bits (a
// fresh file gets 0666 less the umask) and, where the process may set them, its owner and
// group; a symbolic link is followed, not replaced (but see kSaveErrorSharedLink and
// kSaveErrorDanglingLink). Only a new name or a regular file the real user may write to is
// replaced: anything else (a FIFO, a device, a folder, a read-only file) makes Open fail at
// once, with nothing changed.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file. False when the target may not be replaced (see above) or
    // its folder cannot take a new file.
    bool Open();
    // Writes all `count` bytes (buffered); false after any write error, and from then on.
    bool Write(const void* data, std::size_t count);
    // Writes all `count` bytes at `offset` of the temporary file, straight through (what
    // Write buffered is flushed first), for an encoder that seeks back to finish its header.
    // False after any write error, and from then on, as Write. A writer written through
    // WriteAt is written through WriteAt only.
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t count);
    // Flushes, syncs to disk and renames over the target. False when any step failed; the
    // target is then untouched.
    bool Commit();
    // True when Open failed because the write buffer could not be had.
    bool OutOfMemory() const { return outOfMemory_; }
    // Why the first step that failed failed: its errno value (ENOMEM when the buffer could not
    // be had) or a kSaveError cause; 0 while nothing failed.
    int Error() const { return error_; }

private:
    bool Flush();
    bool WriteAll(const void* data, std::size_t count);
    // Marks the writer failed with `error`, unless an earlier step already failed. False.
    bool Fail(int error);

    std::string target_;
    std::string tempPath_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
    SampleBlock buffer_; // collects small writes; large ones go straight through
    bool outOfMemory_ = false;
    int error_ = 0;
    std::size_t buffered_ = 0;
    std::uint64_t written_ = 0; // bytes in the file so far
};

} // namespace wt
