#include "formats/FileIo.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace wt {

namespace {

constexpr std::size_t kWriteBufferBytes = std::size_t{1} << 20;
// One read call moves at most this much (Linux caps a call just below 2 GiB).
constexpr std::size_t kMaxTransferBytes = std::size_t{1} << 30;
// One write call moves at most this much before its writeback to disk is started.
constexpr std::size_t kWritebackBytes = std::size_t{8} << 20;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// How many links a save follows before it gives up, as the kernel does (ELOOP).
constexpr int kMaxLinks = 40;

// Whether the kernel's protected-symlinks rule lets the saving user follow `link`, which lies
// in `folder`: outside a sticky world-writable folder always; inside one only when the link
// belongs to the folder's owner or to the user itself.
bool MayFollowLink(const struct stat& link, const std::string& folder) {
    struct stat dir {};
    if (stat(folder.c_str(), &dir) != 0) {
        return false;
    }
    const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
    return !shared || link.st_uid == dir.st_uid || link.st_uid == geteuid();
}

// The path a save really replaces: a symbolic link is followed, link by link, to the file it
// names. Each link is checked as the kernel checks the links it follows, because a path
// resolved here is opened without the kernel seeing the link. 0, or why the save may not go
// on: a link the rule forbids, a link to nothing, a loop of links.
int ResolveTarget(const std::string& target, std::string& resolved) {
    if (target.empty() || target.back() == '/') {
        return kSaveErrorNoFileName;
    }
    std::string path = target;
    for (int followed = 0; followed <= kMaxLinks; ++followed) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            // A new name is written as it is; a link to nothing is refused, so the save does
            // not replace the link with a file nor create one where the link points.
            if (followed > 0 && errno == ENOENT) {
                return kSaveErrorDanglingLink;
            }
            resolved = path;
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            resolved = path;
            return 0;
        }
        const std::string folder = FolderOf(path);
        if (!MayFollowLink(st, folder)) {
            return kSaveErrorSharedLink;
        }
        char text[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), text, sizeof text);
        if (length < 0) {
            return errno;
        }
        if (length == 0 || static_cast<std::size_t>(length) >= sizeof text) {
            return ENAMETOOLONG;
        }
        const std::string to(text, static_cast<std::size_t>(length));
        path = to.front() == '/' ? to : folder + "/" + to;
    }
    return ELOOP;
}

std::string LeafOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// What a save finds at its target: nothing yet (a new name), a regular file it may replace,
// or something it must not touch (`error` says what).
struct ReplacedFile {
    int error = 0;
    std::optional<struct stat> existing; // the regular file being replaced, if any
};

// Only a new name or a regular file the user could write to may be replaced. A FIFO, a
// device, a socket or a folder keeps its place: renaming a regular file over it would destroy
// what other programs rely on (a device node, a pipe another program reads). A regular file
// must be writable by the real user: one they could not change in place (mode 0444, another
// user's) is not theirs to replace, even in a folder they may write to; root keeps its
// rights. Nothing is opened, so a FIFO never blocks the save.
ReplacedFile InspectTarget(const std::string& target) {
    ReplacedFile found;
    struct stat st {};
    if (stat(target.c_str(), &st) != 0) {
        found.error = errno == ENOENT ? 0 : errno;
        return found;
    }
    if (S_ISDIR(st.st_mode)) {
        found.error = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        found.error = kSaveErrorNotRegular;
    } else if (access(target.c_str(), W_OK) != 0) {
        found.error = errno; // EACCES, or EROFS on a read-only file system
    } else {
        found.existing = st;
    }
    return found;
}

// Gives the new file the replaced one's owner and group, so root saving a user's file does not
// take it from the user. Where the process may not set the owner it still keeps the group
// when it may (it is a member); otherwise the new file is the saving user's, as any file they
// make. False when neither could be kept, which is no failure of the save.
bool KeepOwner(int fd, const struct stat& replaced) {
    return fchown(fd, replaced.st_uid, replaced.st_gid) == 0 ||
           fchown(fd, static_cast<uid_t>(-1), replaced.st_gid) == 0;
}

// Six random characters for a temporary file's name.
std::string RandomSuffix() {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string suffix(6, 'X');
    for (char& c : suffix) {
        c = kAlphabet[random() % (sizeof kAlphabet - 1)];
    }
    return suffix;
}

} // namespace

int CheckSaveTarget(const std::string& target) {
    std::string resolved;
    const int error = ResolveTarget(target, resolved);
    return error != 0 ? error : InspectTarget(resolved).error;
}

InputFile::~InputFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool InputFile::Open(const std::string& path) {
    // Opened without blocking: a FIFO named like a sound file would otherwise wait for a
    // writer for ever, and a device could block too. Anything but a regular file is refused
    // before a byte is read; reads of a regular file never block on O_NONBLOCK anyway.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(st.st_size);
    return true;
}

std::size_t InputFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) const {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (offset + done > static_cast<std::uint64_t>(LLONG_MAX)) {
            break;
        }
        const std::size_t chunk =
            count - done < kMaxTransferBytes ? count - done : kMaxTransferBytes;
        const ssize_t got = pread(fd_, out + done, chunk, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return done;
}

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (fd_ >= 0) {
        close(fd_);
    }
    if (!committed_ && !tempPath_.empty()) {
        unlink(tempPath_.c_str());
    }
}

bool AtomicFileWriter::Fail(int error) {
    if (!failed_) {
        error_ = error;
    }
    failed_ = true;
    return false;
}

bool AtomicFileWriter::Open() {
    if (!TryAllocate(buffer_, kWriteBufferBytes)) {
        outOfMemory_ = true;
        return Fail(ENOMEM);
    }
    std::string resolved;
    if (const int error = ResolveTarget(target_, resolved); error != 0) {
        return Fail(error);
    }
    target_ = std::move(resolved);
    const ReplacedFile replaced = InspectTarget(target_);
    if (replaced.error != 0) {
        return Fail(replaced.error);
    }
    // ".NAME.wtsave-XXXXXX" beside the target: hidden, named after the file it will replace,
    // and with no sound-file extension, so one left behind by a killed editor is recognisable
    // and never taken for a sound. It is created with the old file's permission bits, so the
    // new file never exists with wider or narrower ones.
    std::optional<mode_t> keptMode;
    if (replaced.existing) {
        keptMode = replaced.existing->st_mode & 07777;
    }
    constexpr std::size_t kNameMax = 255;
    constexpr std::size_t kDecoration = 1 + 8 + 6; // ".", ".wtsave-", the suffix
    std::string leaf = LeafOf(target_);
    if (leaf.size() > kNameMax - kDecoration) {
        leaf.resize(kNameMax - kDecoration);
    }
    const std::string stem = FolderOf(target_) + "/." + leaf + ".wtsave-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = stem + RandomSuffix();
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                            keptMode.value_or(0666));
        if (fd < 0) {
            if (errno == EEXIST && attempt + 1 < 100) {
                continue;
            }
            return Fail(errno);
        }
        fd_ = fd;
        tempPath_ = std::move(candidate);
        if (replaced.existing) {
            KeepOwner(fd_, *replaced.existing);
        }
        // The umask narrowed the bits given to open(), and a change of owner clears the set-id
        // bits; the old file's are restored exactly.
        if (keptMode && fchmod(fd_, *keptMode) != 0) {
            return Fail(errno);
        }
        return true;
    }
    return Fail(EEXIST);
}

bool AtomicFileWriter::WriteAll(const void* data, std::size_t count) {
    const auto* in = static_cast<const unsigned char*>(data);
    while (count > 0 && !failed_) {
        const std::size_t chunk = count < kWritebackBytes ? count : kWritebackBytes;
        const ssize_t put = write(fd_, in, chunk);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            Fail(put < 0 ? errno : ENOSPC);
            break;
        }
        in += put;
        count -= static_cast<std::size_t>(put);
        // Start writing this piece to disk now, so the disk works while the next piece is
        // copied and the final fsync has little left to wait for.
        sync_file_range(fd_, static_cast<off_t>(written_), put, SYNC_FILE_RANGE_WRITE);
        written_ += static_cast<std::uint64_t>(put);
    }
    return !failed_;
}

bool AtomicFileWriter::Flush() {
    if (buffered_ == 0) {
        return !failed_;
    }
    const std::size_t count = buffered_;
    buffered_ = 0;
    return WriteAll(buffer_.Data(), count);
}

bool AtomicFileWriter::Write(const void* data, std::size_t count) {
    if (failed_ || fd_ < 0) {
        return Fail(EBADF);
    }
    if (count == 0) {
        return true;
    }
    if (buffered_ + count > kWriteBufferBytes && !Flush()) {
        return false;
    }
    if (count >= kWriteBufferBytes) {
        return WriteAll(data, count);
    }
    std::memcpy(buffer_.Data() + buffered_, data, count);
    buffered_ += count;
    return true;
}

bool AtomicFileWriter::WriteAt(std::uint64_t offset, const void* data, std::size_t count) {
    if (failed_ || fd_ < 0) {
        return Fail(EBADF);
    }
    if (!Flush()) {
        return false;
    }
    const auto* in = static_cast<const unsigned char*>(data);
    while (count > 0) {
        const std::size_t chunk = count < kWritebackBytes ? count : kWritebackBytes;
        const ssize_t put = pwrite(fd_, in, chunk, static_cast<off_t>(offset));
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return Fail(put < 0 ? errno : ENOSPC);
        }
        in += put;
        count -= static_cast<std::size_t>(put);
        offset += static_cast<std::uint64_t>(put);
        // Pieces written past everything before start their writeback now, as WriteAll's do,
        // once the writeback started before them is done: an encoder never runs far ahead of
        // the disk, so Commit's fsync has at most a few megabytes left to wait for.
        if (offset > written_ + kWritebackBytes) {
            sync_file_range(fd_, 0, static_cast<off_t>(written_), SYNC_FILE_RANGE_WAIT_BEFORE);
            sync_file_range(fd_, static_cast<off_t>(written_),
                            static_cast<off_t>(offset - written_), SYNC_FILE_RANGE_WRITE);
            written_ = offset;
        }
    }
    return true;
}

bool AtomicFileWriter::Commit() {
    if (fd_ < 0 || failed_) {
        return Fail(EBADF);
    }
    if (!Flush()) {
        return false;
    }
    // A full disk or an exceeded quota may show only here, when the data reaches the disk.
    const int synced = fsync(fd_) == 0 ? 0 : errno;
    const int closed = close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    if (synced != 0 || closed != 0) {
        return Fail(synced != 0 ? synced : closed);
    }
    if (rename(tempPath_.c_str(), target_.c_str()) != 0) {
        return Fail(errno);
    }
    committed_ = true;
    // Make the rename itself durable; the data is already safe, so a failure here is not one
    // of the save.
    const int dir = open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

} // namespace wt
