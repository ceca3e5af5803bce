#include "history/StepSpill.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace wt {

namespace {

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

bool MakePrivateFolder(const std::string& folder, std::vector<std::string>& made) {
    if (folder.empty() || folder[0] != '/') {
        return false;
    }
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && part.back() != '/') {
            if (mkdir(part.c_str(), 0700) == 0) {
                made.push_back(part);
            } else if (errno != EEXIST) {
                return false;
            }
        }
        if (slash == std::string::npos) {
            break;
        }
    }
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
        return false;
    }
    return (info.st_mode & 0777) == 0700 || chmod(folder.c_str(), 0700) == 0;
}

std::uint64_t FreeBytes(const std::string& folder) {
    struct statvfs info {};
    if (statvfs(folder.c_str(), &info) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

} // namespace wt
