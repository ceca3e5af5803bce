#include "history/StepSpill.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace wt {

namespace {

constexpr const char* kLockName = ".lock";
constexpr const char* kFolderPrefix = "history-";

// Bytes written per system call; the worker looks at abandon_ between them, so that Stop
// never waits for more than one chunk.
constexpr std::size_t kChunkBytes = std::size_t{8} << 20;

bool WriteFile(const std::string& path, const std::uint8_t* data, std::size_t count,
               const std::atomic<bool>& abandon) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return false;
    }
    std::size_t at = 0;
    while (at < count && !abandon.load(std::memory_order_relaxed)) {
        const ssize_t wrote = write(fd, data + at, std::min(kChunkBytes, count - at));
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            break;
        }
        at += static_cast<std::size_t>(wrote);
    }
    const bool ok = close(fd) == 0 && at == count;
    if (!ok) {
        unlink(path.c_str());
    }
    return ok;
}

} // namespace

StepSpill::~StepSpill() {
    Stop();
}

bool StepSpill::Enqueue(Write write) {
    std::lock_guard lock(mutex_);
    if (!worker_.joinable()) {
        stopping_ = false;
        abandon_ = false;
        try {
            worker_ = std::thread(&StepSpill::Run, this);
        } catch (const std::system_error&) {
            return false;
        }
    }
    queue_.push_back(std::move(write));
    wake_.notify_one();
    return true;
}

void StepSpill::Cancel(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    std::erase_if(queue_, [id](const Write& write) { return write.id == id; });
}

std::vector<StepSpill::Write> StepSpill::Collect() {
    std::vector<Write> finished;
    std::lock_guard lock(mutex_);
    finished.swap(done_);
    return finished;
}

void StepSpill::Stop() {
    std::deque<Write> dropped; // released outside the lock
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        abandon_ = true;
        dropped.swap(queue_);
        wake_.notify_one();
    }
    if (worker_.joinable()) {
        worker_.join();
    }
}

void StepSpill::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) {
            return;
        }
        Write write = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        write.ok = WriteFile(write.path, write.bytes.Data(), write.bytes.bytes, abandon_);
        lock.lock();
        // The write goes back whole, its reference to the bytes included: every reference is
        // dropped on the caller's thread, so that a count of one there means nobody else reads.
        done_.push_back(std::move(write));
    }
}

SharedBytes ReadSpillFile(const std::string& path, std::size_t bytes, std::size_t spare) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return {};
    }
    struct stat info {};
    auto block = std::make_shared<SampleBlock>();
    bool ok = fstat(fd, &info) == 0 && static_cast<std::uint64_t>(info.st_size) == bytes &&
              block->Resize(bytes + spare);
    std::size_t at = 0;
    while (ok && at < bytes) {
        const ssize_t got = read(fd, block->Data() + at, std::min(kChunkBytes, bytes - at));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        ok = got > 0;
        at += ok ? static_cast<std::size_t>(got) : 0;
    }
    close(fd);
    if (!ok) {
        return {};
    }
    std::memset(block->Data() + bytes, 0, spare);
    return {std::move(block), bytes};
}

int LockSpillFolder(const std::string& folder) {
    const std::string path = folder + "/" + kLockName;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void SweepDeadSpillFolders(const std::string& own) {
    const auto slash = own.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return;
    }
    const std::string parent = own.substr(0, slash);
    DIR* dir = opendir(parent.c_str());
    if (!dir) {
        return;
    }
    std::vector<std::string> dead;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        const std::string folder = parent + "/" + name;
        struct stat info {};
        if (name.rfind(kFolderPrefix, 0) != 0 || folder == own ||
            lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
            info.st_uid != geteuid()) {
            continue;
        }
        // A folder without its lock file yet may be one another editor is just making: only an
        // old one is taken for dead.
        const int fd = open((folder + "/" + kLockName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        const bool free = fd >= 0 ? flock(fd, LOCK_EX | LOCK_NB) == 0
                                  : errno == ENOENT && std::time(nullptr) - info.st_mtime > 60;
        if (free) {
            dead.push_back(folder);
        }
        if (fd >= 0) {
            close(fd); // the lock goes with it
        }
    }
    closedir(dir);
    for (const std::string& folder : dead) {
        // Only what the history writes there: its step files and the lock.
        if (DIR* d = opendir(folder.c_str())) {
            while (const dirent* entry = readdir(d)) {
                const std::string name = entry->d_name;
                if (name.rfind("step-", 0) == 0 || name == kLockName) {
                    unlink((folder + "/" + name).c_str());
                }
            }
            closedir(d);
        }
        rmdir(folder.c_str());
    }
}

std::uint64_t FreeBytes(const std::string& folder) {
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

} // namespace wt
