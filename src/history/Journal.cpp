// The recovery journal: a writer thread per window and the reader the next start uses.
//
// File layout (every number little-endian):
//   header, 16 bytes: the magic "WTOMUKAJ", the version (u32, 1), zero (u32).
//   records, one after another, each:
//     type (u32), sequence number (u32, 0 for the file's first record, then +1 each),
//     fields length (u32), bulk length (u32), CRC-32 of fields then bulk (u32),
//     CRC-32 of the 20 bytes before it (u32); then the fields, then the bulk bytes.
//   Strings in the fields are a u32 length and the bytes. A state is the format (tag u16,
//   channels u16, rate u32, bytes per second u32, block align u16, bits u16, extra u16), the
//   length (i32), selection start and end, cursor, anchor (i32 each), the title, file type
//   (i32), imported (u8), source format, the ten tags, and modified (u8).
//   Records:
//     1 base:      step (i32), state, source path, its mtime (i64 ns) and size (i64, -1 for
//                  none); bulk: the sound's bytes.
//     2 step:      step (i32), prefix, old length, new length (i32 each), the state after,
//                  text, time (i64 s), identity changed (u8); bulk: the new middle.
//     3 go to:     step (i32), state.
//     4 recording start: format; 5 recording data: bulk only; 6 recording end: nothing.
// A file is written whole under NAME.new and renamed over NAME once its base (or its first
// recording record) is synced, so NAME always holds a complete first record. The reader takes
// a record cut by the end of the file (or a tail of zeros a crash left) as the end of the
// journal; any other fault refuses the whole file, so a damaged journal never restores wrong
// samples.
#include "history/Journal.h"

#include "history/EditHistory.h"
#include "history/JournalTexts.h"
#include "model/ByteOrder.h"
#include "platform/UserFolders.h"
#include "util/Format.h"
#include "util/Png.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wt {

namespace {

constexpr std::uint8_t kMagic[8] = {'W', 'T', 'O', 'M', 'U', 'K', 'A', 'J'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kFileHeaderBytes = 16;
constexpr std::size_t kRecordHeaderBytes = 24;
// Fields hold a state and a few strings (ten tags of at most a megabyte each); more is damage.
constexpr std::uint32_t kMaxFieldBytes = 64u << 20;
constexpr const char* kExtension = ".wtj";
constexpr const char* kTempSuffix = ".new";
constexpr const char* kDamagedSuffix = ".damaged";

enum RecordType : std::uint32_t {
    kBase = 1,
    kStep = 2,
    kGoTo = 3,
    kRecordingStart = 4,
    kRecordingData = 5,
    kRecordingEnd = 6,
};

// --- Encoding ----------------------------------------------------------------------------

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}
void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    Put(out, v, 2);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put(out, v, 4);
}
void PutI32(std::vector<std::uint8_t>& out, std::int32_t v) {
    Put(out, static_cast<std::uint32_t>(v), 4);
}
void PutI64(std::vector<std::uint8_t>& out, std::int64_t v) {
    Put(out, static_cast<std::uint64_t>(v), 8);
}
void PutString(std::vector<std::uint8_t>& out, const std::string& text) {
    Put32(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

void PutFormat(std::vector<std::uint8_t>& out, const SoundFormat& f) {
    Put16(out, f.formatTag);
    Put16(out, f.channels);
    Put32(out, f.sampleRate);
    Put32(out, f.bytesPerSecond);
    Put16(out, f.blockAlign);
    Put16(out, f.bitsPerSample);
    Put16(out, f.extraSize);
}

void PutState(std::vector<std::uint8_t>& out, const StepState& s) {
    PutFormat(out, s.format);
    PutI32(out, s.length);
    PutI32(out, s.positions.selStart);
    PutI32(out, s.positions.selEnd);
    PutI32(out, s.positions.cursor);
    PutI32(out, s.positions.anchor);
    PutString(out, s.identity.title);
    PutI32(out, s.identity.fileType);
    out.push_back(s.identity.imported ? 1 : 0);
    PutString(out, s.identity.sourceFormat);
    for (const std::string& tag : s.identity.tags.values) {
        PutString(out, tag);
    }
    out.push_back(s.modified ? 1 : 0);
}

// Reads the fields of a record; every read past the end sets `ok` false and gives zero.
class FieldReader {
public:
    explicit FieldReader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool ok = true;

    std::uint64_t Get(int count) {
        if (bytes_.size() - at_ < static_cast<std::size_t>(count)) {
            ok = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i) {
            value |= std::uint64_t{bytes_[at_ + static_cast<std::size_t>(i)]} << (8 * i);
        }
        at_ += static_cast<std::size_t>(count);
        return value;
    }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Get(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Get(4)); }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::int64_t I64() { return static_cast<std::int64_t>(Get(8)); }
    bool Flag() { return Get(1) != 0; }
    std::string String() {
        const std::uint32_t size = U32();
        if (bytes_.size() - at_ < size) {
            ok = false;
            return {};
        }
        std::string text(reinterpret_cast<const char*>(bytes_.data() + at_), size);
        at_ += size;
        return text;
    }
    SoundFormat Format() {
        SoundFormat f;
        f.formatTag = U16();
        f.channels = U16();
        f.sampleRate = U32();
        f.bytesPerSecond = U32();
        f.blockAlign = U16();
        f.bitsPerSample = U16();
        f.extraSize = U16();
        return f;
    }
    StepState State() {
        StepState s;
        s.format = Format();
        s.length = I32();
        s.positions = {I32(), I32(), I32(), I32()};
        s.identity.title = String();
        s.identity.fileType = I32();
        s.identity.imported = Flag();
        s.identity.sourceFormat = String();
        for (std::string& tag : s.identity.tags.values) {
            tag = String();
        }
        s.modified = Flag();
        return s;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

// --- Files -------------------------------------------------------------------------------

// Bytes written, and checksummed, between two looks at whether the record is still wanted.
constexpr std::size_t kPieceBytes = std::size_t{4} << 20;

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size,
              const std::function<bool()>& abandoned = nullptr) {
    while (size > 0) {
        if (abandoned && abandoned()) {
            return false;
        }
        const ssize_t done = ::write(fd, data, std::min(size, kPieceBytes));
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

bool ReadAt(int fd, std::uint64_t offset, std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t done = ::pread(fd, data, std::min<std::size_t>(size, std::size_t{1} << 30),
                                     static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) {
            continue;
        }
        if (done <= 0) {
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
        offset += static_cast<std::uint64_t>(done);
    }
    return true;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Makes `folder` and every missing parent, each 0700. True when it exists as a folder.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Opens `path` and takes its lock without waiting; -1 when it cannot be opened or another
// holder has it (`held` then says which).
int OpenUnheld(const std::string& path, int flags, bool& held) {
    held = false;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        held = errno == EWOULDBLOCK;
        ::close(fd);
        return -1;
    }
    return fd;
}

// --- Reading -----------------------------------------------------------------------------

// What a journal holds after its last complete record. The byte vectors are filled only when
// the reader is asked for the sound.
struct ParsedJournal {
    bool haveBase = false;
    int baseStep = 0;
    StepState baseState;
    std::vector<std::uint8_t> baseBytes;
    std::string sourcePath;
    std::int64_t sourceMtimeNs = 0, sourceSize = -1;

    // The steps after the base, in order: chain[k] is step baseStep + 1 + k.
    struct Link {
        StepRange range;
        StepState state;
        std::vector<std::uint8_t> middle;
    };
    std::vector<Link> chain;
    int current = 0;
    StepState currentState;

    bool recording = false;
    SoundFormat recordingFormat;
    std::vector<std::uint8_t> recordingBytes;
    std::uint64_t recordingCount = 0;
};

class JournalReader {
public:
    JournalReader(int fd, std::uint64_t size, bool wantSound, const std::string& name)
        : fd_(fd), size_(size), wantSound_(wantSound), name_(name) {}

    // Reads every record; false with `error` set when the file is refused.
    bool Read(ParsedJournal& out, std::string& error);

private:
    bool Damaged(const char* detail, std::string& error) const {
        error = Format(journaltext::kDamaged, detail, name_.c_str());
        return false;
    }
    // The bytes from `offset` to the end are all zero: a write the system padded at a crash.
    bool ZeroTail(std::uint64_t offset) const;
    // Reads the bulk bytes at `offset` into `into` (null: only checks them) and continues `crc`.
    bool ReadBulk(std::uint64_t offset, std::uint32_t size, std::uint8_t* into,
                  std::uint32_t& crc) const;
    // Applies one record's meaning; false with `error` for an impossible one.
    bool Apply(std::uint32_t type, const std::vector<std::uint8_t>& fields,
               std::vector<std::uint8_t>& bulk, std::uint32_t bulkSize, ParsedJournal& out,
               std::string& error);

    int fd_;
    std::uint64_t size_;
    bool wantSound_;
    std::string name_;
};

bool JournalReader::ZeroTail(std::uint64_t offset) const {
    std::vector<std::uint8_t> chunk(1 << 16);
    while (offset < size_) {
        const auto count =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size_ - offset));
        if (!ReadAt(fd_, offset, chunk.data(), count) ||
            std::any_of(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count),
                        [](std::uint8_t b) { return b != 0; })) {
            return false;
        }
        offset += count;
    }
    return true;
}

bool JournalReader::ReadBulk(std::uint64_t offset, std::uint32_t size, std::uint8_t* into,
                             std::uint32_t& crc) const {
    if (into) {
        if (!ReadAt(fd_, offset, into, size)) {
            return false;
        }
        crc = Crc32(into, size, crc);
        return true;
    }
    std::vector<std::uint8_t> chunk(std::min<std::uint32_t>(size, 1u << 20));
    while (size > 0) {
        const auto count = std::min<std::size_t>(chunk.size(), size);
        if (!ReadAt(fd_, offset, chunk.data(), count)) {
            return false;
        }
        crc = Crc32(chunk.data(), count, crc);
        offset += count;
        size -= static_cast<std::uint32_t>(count);
    }
    return true;
}

bool JournalReader::Read(ParsedJournal& out, std::string& error) {
    std::uint8_t header[kFileHeaderBytes];
    if (size_ < kFileHeaderBytes || !ReadAt(fd_, 0, header, sizeof header)) {
        return Damaged(journaltext::kDetailLength, error);
    }
    if (std::memcmp(header, kMagic, sizeof kMagic) != 0 || GetLe32(header + 8) != kVersion) {
        error = Format(journaltext::kForeign, name_.c_str());
        return false;
    }
    std::uint64_t at = kFileHeaderBytes;
    std::uint32_t sequence = 0;
    std::vector<std::uint8_t> fields, bulk;
    while (size_ - at >= kRecordHeaderBytes) {
        std::uint8_t head[kRecordHeaderBytes];
        if (!ReadAt(fd_, at, head, sizeof head)) {
            error = Format(journaltext::kCannotRead, name_.c_str());
            return false;
        }
        if (Crc32(head, 20) != GetLe32(head + 20)) {
            if (ZeroTail(at)) {
                break;
            }
            return Damaged(journaltext::kDetailChecksum, error);
        }
        const std::uint32_t type = GetLe32(head), fieldSize = GetLe32(head + 8),
                            bulkSize = GetLe32(head + 12);
        if (GetLe32(head + 4) != sequence) {
            return Damaged(journaltext::kDetailOrder, error);
        }
        if (fieldSize > kMaxFieldBytes || bulkSize > kMaxSoundBytes) {
            return Damaged(journaltext::kDetailLength, error);
        }
        const std::uint64_t end = at + kRecordHeaderBytes + fieldSize + bulkSize;
        if (end > size_) {
            break; // the last write was cut: the journal ends with the record before
        }
        fields.resize(fieldSize);
        if (!ReadAt(fd_, at + kRecordHeaderBytes, fields.data(), fieldSize)) {
            error = Format(journaltext::kCannotRead, name_.c_str());
            return false;
        }
        std::uint32_t crc = Crc32(fields.data(), fieldSize);
        // The bytes go where they will stay: the recording's end, or a buffer of their own.
        std::uint8_t* into = nullptr;
        const bool keep = wantSound_ && bulkSize > 0;
        if (keep && type == kRecordingData && out.recording) {
            if (!TryResize(out.recordingBytes, out.recordingBytes.size() + bulkSize)) {
                error = Format(journaltext::kNoMemory, name_.c_str());
                return false;
            }
            into = out.recordingBytes.data() + out.recordingBytes.size() - bulkSize;
        } else if (!keep) {
            bulk.clear();
        } else {
            if (!TryResize(bulk, bulkSize)) {
                error = Format(journaltext::kNoMemory, name_.c_str());
                return false;
            }
            into = bulk.data();
        }
        if (!ReadBulk(at + kRecordHeaderBytes + fieldSize, bulkSize, into, crc)) {
            error = Format(journaltext::kCannotRead, name_.c_str());
            return false;
        }
        if (crc != GetLe32(head + 16)) {
            return Damaged(journaltext::kDetailChecksum, error);
        }
        if (!Apply(type, fields, bulk, bulkSize, out, error)) {
            return false;
        }
        at = end;
        ++sequence;
    }
    if (!out.haveBase && !out.recording) {
        return Damaged(journaltext::kDetailNoSound, error);
    }
    return true;
}

bool JournalReader::Apply(std::uint32_t type, const std::vector<std::uint8_t>& fields,
                          std::vector<std::uint8_t>& bulk, std::uint32_t bulkSize,
                          ParsedJournal& out, std::string& error) {
    FieldReader in(fields);
    // A state the editor could show: a usable format and a whole number of frames inside it.
    const auto sane = [](const StepState& s) {
        return IsUsableFormat(s.format) && s.length >= 0 && s.length % s.format.blockAlign == 0;
    };
    switch (type) {
    case kBase: {
        const int step = in.I32();
        StepState state = in.State();
        std::string source = in.String();
        const std::int64_t mtime = in.I64(), size = in.I64();
        if (!in.ok || !in.AtEnd()) {
            return Damaged(journaltext::kDetailLength, error);
        }
        if (!sane(state) || static_cast<std::uint32_t>(state.length) != bulkSize) {
            return Damaged(journaltext::kDetailFormat, error);
        }
        out.haveBase = true;
        out.baseStep = out.current = step;
        out.baseState = out.currentState = std::move(state);
        out.baseBytes = std::move(bulk);
        bulk = {};
        out.sourcePath = std::move(source);
        out.sourceMtimeNs = mtime;
        out.sourceSize = size;
        out.chain.clear();
        return true;
    }
    case kStep: {
        const int step = in.I32();
        StepRange range;
        range.prefix = in.I32();
        range.oldLength = in.I32();
        range.newLength = in.I32();
        StepState state = in.State();
        in.String(); // the text and time are for the history list, not for the sound
        in.I64();
        in.Flag();
        if (!in.ok || !in.AtEnd()) {
            return Damaged(journaltext::kDetailLength, error);
        }
        // Counted in 64 bits: a damaged step number must not overflow.
        const std::int64_t after = std::int64_t{step} - out.baseStep - 1;
        if (!out.haveBase || after < 0 || after > static_cast<std::int64_t>(out.chain.size())) {
            return Damaged(journaltext::kDetailOrder, error);
        }
        // A step after going back replaces the steps from its index on.
        out.chain.resize(static_cast<std::size_t>(after));
        const StepState& before = out.chain.empty() ? out.baseState : out.chain.back().state;
        if (!sane(state) || range.prefix < 0 || range.oldLength < 0 || range.newLength < 0 ||
            static_cast<std::uint32_t>(range.newLength) != bulkSize ||
            std::int64_t{range.prefix} + range.oldLength > before.length ||
            std::int64_t{before.length} - range.oldLength + range.newLength != state.length) {
            return Damaged(journaltext::kDetailRange, error);
        }
        out.chain.push_back({range, state, std::move(bulk)});
        bulk = {};
        out.current = step;
        out.currentState = std::move(state);
        return true;
    }
    case kGoTo: {
        const int step = in.I32();
        StepState state = in.State();
        if (!in.ok || !in.AtEnd() || bulkSize != 0) {
            return Damaged(journaltext::kDetailLength, error);
        }
        const std::int64_t after = std::int64_t{step} - out.baseStep;
        if (!out.haveBase || after < 0 || after > static_cast<std::int64_t>(out.chain.size())) {
            return Damaged(journaltext::kDetailOrder, error);
        }
        const StepState& held = step == out.baseStep
                                    ? out.baseState
                                    : out.chain[static_cast<std::size_t>(after - 1)].state;
        if (!(held.format == state.format) || held.length != state.length) {
            return Damaged(journaltext::kDetailRange, error);
        }
        out.current = step;
        out.currentState = std::move(state);
        return true;
    }
    case kRecordingStart: {
        const SoundFormat format = in.Format();
        if (!in.ok || !in.AtEnd() || bulkSize != 0) {
            return Damaged(journaltext::kDetailLength, error);
        }
        if (!IsUsableFormat(format)) {
            return Damaged(journaltext::kDetailFormat, error);
        }
        out.recording = true;
        out.recordingFormat = format;
        out.recordingBytes.clear();
        out.recordingCount = 0;
        return true;
    }
    case kRecordingData:
        if (!fields.empty() || !out.recording) {
            return Damaged(journaltext::kDetailOrder, error);
        }
        if (out.recordingCount + bulkSize > kMaxSoundBytes) {
            return Damaged(journaltext::kDetailLength, error);
        }
        out.recordingCount += bulkSize;
        return true;
    case kRecordingEnd:
        if (!fields.empty() || bulkSize != 0 || !out.recording) {
            return Damaged(journaltext::kDetailOrder, error);
        }
        out.recording = false;
        out.recordingBytes = {};
        return true;
    default:
        return Damaged(journaltext::kDetailType, error);
    }
}

// Reads the journal open as `fd` (locked by the caller).
bool ReadJournal(int fd, const std::string& path, bool wantSound, ParsedJournal& out,
                 std::string& error, std::int64_t* mtime = nullptr) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = Format(journaltext::kCannotRead, BaseName(path).c_str());
        return false;
    }
    if (mtime) {
        *mtime = info.st_mtim.tv_sec;
    }
    JournalReader reader(fd, static_cast<std::uint64_t>(info.st_size), wantSound, BaseName(path));
    return reader.Read(out, error);
}

// The source file's modification time (ns) and size; size -1 when there is none.
void SourceStamp(const std::string& path, std::int64_t& mtimeNs, std::int64_t& size) {
    struct stat info {};
    mtimeNs = 0;
    size = -1;
    if (!path.empty() && ::stat(path.c_str(), &info) == 0) {
        mtimeNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
        size = info.st_size;
    }
}

bool SourceChanged(const ParsedJournal& parsed) {
    if (parsed.recording || parsed.sourcePath.empty()) {
        return false;
    }
    std::int64_t mtime = 0, size = -1;
    SourceStamp(parsed.sourcePath, mtime, size);
    return size >= 0 && (mtime != parsed.sourceMtimeNs || size != parsed.sourceSize);
}

// The state a restore shows: the last state, or the recording as a new untitled sound.
StepState FinalState(const ParsedJournal& parsed) {
    if (!parsed.recording) {
        return parsed.currentState;
    }
    StepState state;
    state.format = parsed.recordingFormat;
    const std::uint64_t frames = parsed.recordingCount / parsed.recordingFormat.blockAlign;
    state.length = static_cast<std::int32_t>(frames * parsed.recordingFormat.blockAlign);
    state.identity.title = kUntitled;
    return state;
}

} // namespace

// --- Writing -----------------------------------------------------------------------------

std::string DefaultRecoveryFolder() {
    const std::string state = XdgBaseFolder("XDG_STATE_HOME", ".local/state");
    return state.empty() ? state : state + "/wavetomuka/recovery";
}

namespace {

enum class Job {
    Base,
    Rebase,
    Step,
    GoTo,
    RecordingStart,
    RecordingData,
    RecordingEnd,
    Clean,
    Sync
};

// Bytes the journal reads straight out of the document while the window leaves them as they
// are (Journal::Borrow). When the window must change the document before the worker is
// through with them, it copies what the worker still needs (Journal::WaitForCopies).
// Guarded by the journal's mutex.
struct BorrowState {
    const std::uint8_t* from = nullptr; // the document's bytes
    std::size_t size = 0;
    SampleBlock placeholder;           // what the lent SharedBytes point at: no bytes
    std::shared_ptr<SampleBlock> copy; // the window's copy, once the document must change
    bool reading = false;              // the worker reads a piece out of `from` now
    bool done = false;                 // the worker needs no more of it
    int pass = 0;                      // 0 the checksum, 1 the write
    std::size_t at = 0;                // how far the pass has come
    std::uint64_t order = 0;           // its record's place in the queue, once queued
};

// One queued record. The sample bytes are shared, never copied.
struct Item {
    explicit Item(Job kind = Job::Sync) : job(kind) {}
    Job job;
    int step = 0;
    StepState state;
    SharedBytes bytes;
    std::string sourcePath;
    StepRange range;
    std::string text;
    std::int64_t time = 0;
    bool identityChanged = false;
    SoundFormat format;
    std::uint64_t ticket = 0;
    std::uint64_t order = 0;             // when it was queued; a later base or a clean abandons it
    std::shared_ptr<BorrowState> borrow; // set when `bytes` are lent out of the document
};

} // namespace

struct Journal::Impl {
    // The window's side: what the journal can rebuild.
    std::string folder, path;
    bool started = false, hasBase = false;
    int baseStep = 0, lastStep = 0;
    std::int32_t currentLength = 0;

    // Shared with the worker.
    std::mutex mutex;
    std::condition_variable wake, synced;
    std::deque<Item> queue;
    bool stopping = false;
    std::uint64_t syncAsked = 0, syncDone = 0;
    std::thread worker;
    // Items queued before `abandonBefore` are no longer wanted (a new base or a clean came
    // after them): the worker stops writing one at its next piece.
    std::uint64_t queued = 0;
    std::atomic<std::uint64_t> abandonBefore{0};
    std::uint64_t working = 0; // the order of the item the worker writes
    // What Borrow lent and the window has not yet taken back (the window's own list).
    std::vector<std::weak_ptr<BorrowState>> lent;
    std::condition_variable pieceRead;
    BorrowState* reading = nullptr; // the lent bytes of the record the worker writes

    // The worker's own: the live file (locked), its next sequence number, the base's source.
    int fd = -1;
    bool fileHasBase = false, failed = false, dirty = false;
    bool recording = false;
    SoundFormat recordingFormat;
    std::uint32_t sequence = 0;
    std::string sourcePath;
    std::int64_t sourceMtimeNs = 0, sourceSize = -1;
    std::chrono::steady_clock::time_point lastSync{};

    void Push(Item item) {
        {
            std::lock_guard lock(mutex);
            item.order = ++queued;
            if (item.borrow) {
                item.borrow->order = item.order;
            }
            queue.push_back(std::move(item));
        }
        wake.notify_one();
    }
    // Queues `item`, which makes every record before it needless (a base, a clean): they are
    // dropped from the queue, and the one being written is abandoned. Under `mutex`.
    void PushSuperseding(Item item, bool keepRecording) {
        DropQueued(keepRecording);
        item.order = ++queued;
        if (item.borrow) {
            item.borrow->order = item.order;
        }
        abandonBefore.store(item.order);
        queue.push_back(std::move(item));
    }
    bool Abandoned() const { return working < abandonBefore.load(std::memory_order_relaxed); }
    // The lent state behind bytes Borrow gave out; null for bytes of their own.
    std::shared_ptr<BorrowState> LentState(const SharedBytes& bytes) const {
        for (const std::weak_ptr<BorrowState>& weak : lent) {
            if (auto state = weak.lock(); state && &state->placeholder == bytes.block.get()) {
                return state;
            }
        }
        return nullptr;
    }
    // A piece of a record's bulk bytes for `pass`, out of the document or the window's copy of
    // them; EndPiece when it has been used.
    const std::uint8_t* BeginPiece(const std::uint8_t* bulk, std::size_t at, int pass) {
        if (!reading) {
            return bulk + at;
        }
        std::lock_guard lock(mutex);
        reading->pass = pass;
        reading->at = at;
        reading->reading = !reading->copy;
        return (reading->copy ? reading->copy->Data() : reading->from) + at;
    }
    void EndPiece() {
        if (reading) {
            {
                std::lock_guard lock(mutex);
                reading->reading = false;
            }
            pieceRead.notify_all();
        }
    }
    // Drops the queued records a deleted or replaced file would have held (the syncs stay,
    // and a recording's records when `keepRecording`).
    void DropQueued(bool keepRecording = false) {
        std::erase_if(queue, [&](const Item& item) {
            const bool recordingJob = item.job == Job::RecordingStart ||
                                      item.job == Job::RecordingData ||
                                      item.job == Job::RecordingEnd;
            return item.job != Job::Sync && !(keepRecording && recordingJob);
        });
    }

    void Run();
    void Process(Item& item);
    bool WriteRecord(int to, std::uint32_t type, const std::vector<std::uint8_t>& fields,
                     const std::uint8_t* bulk, std::size_t bulkSize);
    void Append(std::uint32_t type, const std::vector<std::uint8_t>& fields,
                const std::uint8_t* bulk = nullptr, std::size_t bulkSize = 0);
    void Replace(std::uint32_t type, const std::vector<std::uint8_t>& fields,
                 const std::uint8_t* bulk, std::size_t bulkSize, bool withBase);
    void Sync();
    void Remove();
};

void Journal::Impl::Run() {
    using namespace std::chrono;
    std::unique_lock lock(mutex);
    for (;;) {
        // Synced at most about once a second, even while records keep coming, and at once
        // when the worker stops.
        const auto due = lastSync + seconds(1);
        if (dirty && (stopping || steady_clock::now() >= due)) {
            lock.unlock();
            Sync();
            lock.lock();
            continue;
        }
        if (!queue.empty()) {
            Item item = std::move(queue.front());
            queue.pop_front();
            working = item.order;
            reading = item.borrow.get();
            lock.unlock();
            Process(item);
            if (item.borrow) {
                // Written, or given up: the document's bytes are the window's again.
                {
                    std::lock_guard done(mutex);
                    item.borrow->done = true;
                }
                pieceRead.notify_all();
                reading = nullptr;
            }
            const bool sync = item.job == Job::Sync;
            const std::uint64_t ticket = item.ticket;
            item = Item(); // the shared bytes go before the lock is taken again
            lock.lock();
            if (sync) {
                syncDone = std::max(syncDone, ticket);
                synced.notify_all();
            }
            continue;
        }
        if (dirty) {
            wake.wait_until(lock, due);
            continue;
        }
        if (stopping) {
            break;
        }
        wake.wait(lock);
    }
}

bool Journal::Impl::WriteRecord(int to, std::uint32_t type, const std::vector<std::uint8_t>& fields,
                                const std::uint8_t* bulk, std::size_t bulkSize) {
    std::vector<std::uint8_t> head;
    head.reserve(kRecordHeaderBytes + fields.size());
    Put32(head, type);
    Put32(head, sequence);
    Put32(head, static_cast<std::uint32_t>(fields.size()));
    Put32(head, static_cast<std::uint32_t>(bulkSize));
    // A record a later base or a clean made needless is given up between pieces.
    std::uint32_t crc = Crc32(fields.data(), fields.size());
    for (std::size_t at = 0; at < bulkSize; at += kPieceBytes) {
        if (Abandoned()) {
            return false;
        }
        crc = Crc32(BeginPiece(bulk, at, 0), std::min(kPieceBytes, bulkSize - at), crc);
        EndPiece();
    }
    Put32(head, crc);
    Put32(head, Crc32(head.data(), head.size()));
    head.insert(head.end(), fields.begin(), fields.end());
    if (!WriteAll(to, head.data(), head.size())) {
        return false;
    }
    for (std::size_t at = 0; at < bulkSize; at += kPieceBytes) {
        if (Abandoned()) {
            return false;
        }
        const bool wrote =
            WriteAll(to, BeginPiece(bulk, at, 1), std::min(kPieceBytes, bulkSize - at));
        EndPiece();
        if (!wrote) {
            return false;
        }
    }
    ++sequence;
    return true;
}

void Journal::Impl::Append(std::uint32_t type, const std::vector<std::uint8_t>& fields,
                           const std::uint8_t* bulk, std::size_t bulkSize) {
    if (fd < 0 || failed) {
        return;
    }
    const off_t start = ::lseek(fd, 0, SEEK_END);
    if (start < 0 || !WriteRecord(fd, type, fields, bulk, bulkSize)) {
        // A full disk: the file keeps the records before, whole; later ones wait for a new
        // base in a new file.
        if (start >= 0 && ::ftruncate(fd, start) == 0) {
            ::fdatasync(fd);
        }
        failed = true;
        return;
    }
    dirty = true;
}

void Journal::Impl::Replace(std::uint32_t type, const std::vector<std::uint8_t>& fields,
                            const std::uint8_t* bulk, std::size_t bulkSize, bool withBase) {
    const std::string temp = path + kTempSuffix;
    const int next = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (next < 0) {
        failed = true;
        return;
    }
    std::vector<std::uint8_t> header(kMagic, kMagic + sizeof kMagic);
    Put32(header, kVersion);
    Put32(header, 0);
    const std::uint32_t oldSequence = sequence;
    sequence = 0;
    // Locked before it has its name, so that no other editor ever sees it unlocked.
    if (::flock(next, LOCK_EX | LOCK_NB) != 0 || !WriteAll(next, header.data(), header.size()) ||
        !WriteRecord(next, type, fields, bulk, bulkSize) || ::fdatasync(next) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
        ::close(next);
        ::unlink(temp.c_str());
        sequence = oldSequence;
        failed = true;
        return;
    }
    SyncFolder(folder);
    if (fd >= 0) {
        ::close(fd);
    }
    fd = next;
    fileHasBase = withBase;
    failed = false;
    dirty = false;
    lastSync = std::chrono::steady_clock::now();
}

void Journal::Impl::Sync() {
    if (fd >= 0 && dirty) {
        ::fdatasync(fd);
    }
    dirty = false;
    lastSync = std::chrono::steady_clock::now();
}

void Journal::Impl::Remove() {
    if (fd >= 0) {
        ::unlink(path.c_str());
        ::close(fd);
        fd = -1;
    }
    fileHasBase = failed = dirty = false;
}

void Journal::Impl::Process(Item& item) {
    std::vector<std::uint8_t> fields;
    switch (item.job) {
    case Job::Base:
        sourcePath = item.sourcePath;
        SourceStamp(sourcePath, sourceMtimeNs, sourceSize);
        [[fallthrough]];
    case Job::Rebase:
        PutI32(fields, item.step);
        PutState(fields, item.state);
        PutString(fields, sourcePath);
        PutI64(fields, sourceMtimeNs);
        PutI64(fields, sourceSize);
        Replace(kBase, fields, item.bytes.Data(), static_cast<std::size_t>(item.state.length),
                true);
        if (recording && !failed) {
            // A recording goes on in the new file; what it captured before stays behind.
            fields.clear();
            PutFormat(fields, recordingFormat);
            Append(kRecordingStart, fields);
        }
        break;
    case Job::Step:
        if (fileHasBase) {
            PutI32(fields, item.step);
            PutI32(fields, item.range.prefix);
            PutI32(fields, item.range.oldLength);
            PutI32(fields, item.range.newLength);
            PutState(fields, item.state);
            PutString(fields, item.text);
            PutI64(fields, item.time);
            fields.push_back(item.identityChanged ? 1 : 0);
            Append(kStep, fields, item.bytes.Data(),
                   static_cast<std::size_t>(item.range.newLength));
        }
        break;
    case Job::GoTo:
        if (fileHasBase) {
            PutI32(fields, item.step);
            PutState(fields, item.state);
            Append(kGoTo, fields);
        }
        break;
    case Job::RecordingStart:
        recording = true;
        recordingFormat = item.format;
        PutFormat(fields, item.format);
        if (fd < 0) {
            Replace(kRecordingStart, fields, nullptr, 0, false);
        } else {
            Append(kRecordingStart, fields);
        }
        break;
    case Job::RecordingData:
        if (recording) {
            Append(kRecordingData, fields, item.bytes.Data(), item.bytes.bytes);
        }
        break;
    case Job::RecordingEnd:
        if (recording) {
            recording = false;
            Append(kRecordingEnd, fields);
            if (!fileHasBase) {
                Remove(); // a file made for the recording alone holds nothing any more
            }
        }
        break;
    case Job::Clean:
        Remove();
        break;
    case Job::Sync:
        Sync();
        break;
    }
}

Journal::Journal() : impl_(std::make_unique<Impl>()) {}

SharedBytes Journal::Borrow(const std::uint8_t* from, std::size_t count) {
    if (!impl_->started) {
        return {};
    }
    // No copy: the worker reads the document's bytes itself, and the window copies what it
    // still needs only if the document must change before (WaitForCopies).
    auto state = std::make_shared<BorrowState>();
    state->from = from;
    state->size = count;
    impl_->lent.push_back(state);
    const SampleBlock* placeholder = &state->placeholder;
    return {std::shared_ptr<const SampleBlock>(std::move(state), placeholder), count};
}

void Journal::WaitForCopies() {
    Impl& impl = *impl_;
    for (const std::weak_ptr<BorrowState>& weak : impl.lent) {
        const std::shared_ptr<BorrowState> state = weak.lock();
        if (!state) {
            continue; // its record was written, or dropped
        }
        std::unique_lock lock(impl.mutex);
        impl.pieceRead.wait(lock, [&] { return !state->reading; });
        if (state->done || state->copy) {
            continue;
        }
        if (state->order != 0 && state->order < impl.abandonBefore.load()) {
            // Its record is being given up: the worker lets go of it within a piece.
            impl.pieceRead.wait(lock, [&] { return state->done; });
            continue;
        }
        // The write pass needs only what it has not written yet; the checksum pass all of it.
        const std::size_t need = state->pass == 1 ? state->at : 0;
        auto copy = std::make_shared<SampleBlock>();
        if (copy->Resize(std::max<std::size_t>(state->size, 1))) {
            std::memcpy(copy->Data() + need, state->from + need, state->size - need);
            state->copy = std::move(copy);
        } else {
            // Without memory for the copy the window waits until the worker is through.
            impl.pieceRead.wait(lock, [&] { return state->done; });
        }
    }
    impl.lent.clear();
}

Journal::~Journal() {
    WaitForCopies();
    if (impl_->worker.joinable()) {
        {
            std::lock_guard lock(impl_->mutex);
            impl_->stopping = true;
        }
        impl_->wake.notify_one();
        impl_->worker.join();
    }
    impl_->Sync();
    if (impl_->fd >= 0) {
        ::close(impl_->fd); // the file stays, as after a crash; the lock goes with the fd
    }
}

bool Journal::Start(const std::string& folder, std::string& error) {
    if (impl_->started) {
        return true;
    }
    std::vector<std::string> made;
    if (folder.empty() || folder[0] != '/' || !MakePrivateFolder(folder, made) ||
        ::access(folder.c_str(), W_OK | X_OK) != 0) {
        error = Format(journaltext::kNoFolder, folder.c_str());
        return false;
    }
    char stamp[32] = "";
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::random_device random;
    impl_->folder = folder;
    impl_->path =
        Format("%s/session-%s-%ld-%08x%s", folder.c_str(), stamp, static_cast<long>(::getpid()),
               static_cast<unsigned>(random()), kExtension);
    impl_->started = true;
    impl_->stopping = false;
    impl_->worker = std::thread([impl = impl_.get()] { impl->Run(); });
    return true;
}

bool Journal::Started() const {
    return impl_->started;
}

void Journal::Clean() {
    if (!impl_->started) {
        return;
    }
    impl_->hasBase = false;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->PushSuperseding(Item{Job::Clean}, false);
    }
    impl_->wake.notify_one();
}

void Journal::Base(int step, const StepState& state, SharedBytes sound,
                   const std::string& sourcePath) {
    if (!impl_->started || state.length < 0 || !sound.block ||
        sound.bytes < static_cast<std::size_t>(state.length)) {
        return;
    }
    impl_->hasBase = true;
    impl_->baseStep = impl_->lastStep = step;
    impl_->currentLength = state.length;
    {
        std::lock_guard lock(impl_->mutex);
        // The new file replaces what the queued steps would have written; a recording goes on.
        Item item{Job::Base};
        item.step = step;
        item.state = state;
        item.borrow = impl_->LentState(sound);
        item.bytes = std::move(sound);
        item.sourcePath = sourcePath;
        impl_->PushSuperseding(std::move(item), true);
    }
    impl_->wake.notify_one();
}

bool Journal::HasBase() const {
    return impl_->hasBase;
}

void Journal::Step(const StepChange& change) {
    const StepRange& range = change.range;
    if (!impl_->hasBase || change.step <= impl_->baseStep || range.newLength < 0 ||
        !change.newMiddle.block ||
        change.newMiddle.bytes < static_cast<std::size_t>(range.newLength)) {
        return;
    }
    // Nothing of the sound before is kept: the new sound is the journal's new base.
    const bool whole = range.prefix == 0 && range.oldLength == impl_->currentLength &&
                       range.newLength == change.after.length;
    Item item{whole ? Job::Rebase : Job::Step};
    item.step = change.step;
    item.state = change.after;
    item.bytes = change.newMiddle;
    item.borrow = impl_->LentState(change.newMiddle);
    item.range = range;
    item.text = change.text;
    item.time = change.time;
    item.identityChanged = change.identityChanged;
    impl_->lastStep = change.step;
    impl_->currentLength = change.after.length;
    if (!whole) {
        impl_->Push(std::move(item));
        return;
    }
    impl_->baseStep = change.step;
    {
        std::lock_guard lock(impl_->mutex);
        // A new file whose base replaces what is queued before it. A first base still queued
        // would have named the sound's source file: the new one takes it over.
        for (const Item& queued : impl_->queue) {
            if (queued.job == Job::Base) {
                item.job = Job::Base;
                item.sourcePath = queued.sourcePath;
            }
        }
        impl_->PushSuperseding(std::move(item), true);
    }
    impl_->wake.notify_one();
}

bool Journal::GoTo(int step, const StepState& state) {
    if (!impl_->hasBase || step < impl_->baseStep || step > impl_->lastStep) {
        return false;
    }
    impl_->currentLength = state.length;
    Item item{Job::GoTo};
    item.step = step;
    item.state = state;
    impl_->Push(std::move(item));
    return true;
}

void Journal::RecordingStart(const SoundFormat& format) {
    if (impl_->started) {
        Item item{Job::RecordingStart};
        item.format = format;
        impl_->Push(std::move(item));
    }
}

void Journal::RecordingData(SharedBytes bytes) {
    if (impl_->started && bytes.block && bytes.bytes > 0) {
        Item item{Job::RecordingData};
        item.bytes = std::move(bytes);
        impl_->Push(std::move(item));
    }
}

void Journal::RecordingEnd() {
    if (impl_->started) {
        impl_->Push(Item{Job::RecordingEnd});
    }
}

void Journal::Close(bool keep) {
    if (!impl_->worker.joinable()) {
        WaitForCopies();
        return;
    }
    if (!keep) {
        std::lock_guard lock(impl_->mutex);
        impl_->PushSuperseding(Item{Job::Clean}, false);
    }
    impl_->wake.notify_one();
    // What is still lent is taken back (a record given up needs no copy) before the worker
    // is told to end.
    WaitForCopies();
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->wake.notify_one();
    impl_->worker.join();
    impl_->hasBase = false;
    impl_->started = false;
}

std::uint64_t Journal::RequestSync() {
    if (!impl_->worker.joinable()) {
        return 0;
    }
    std::lock_guard lock(impl_->mutex);
    const std::uint64_t ticket = ++impl_->syncAsked;
    Item item{Job::Sync};
    item.ticket = ticket;
    impl_->queue.push_back(std::move(item));
    impl_->wake.notify_one();
    return ticket;
}

bool Journal::SyncDone(std::uint64_t ticket) {
    if (!impl_->worker.joinable()) {
        return true;
    }
    std::lock_guard lock(impl_->mutex);
    return impl_->syncDone >= ticket;
}

void Journal::Flush() {
    const std::uint64_t ticket = RequestSync();
    if (ticket == 0) {
        return;
    }
    std::unique_lock lock(impl_->mutex);
    impl_->synced.wait(lock, [&] { return impl_->syncDone >= ticket; });
}

std::string Journal::Path() const {
    return impl_->path;
}

// --- Listing and restoring -----------------------------------------------------------------

std::vector<RecoverableJournal> ListJournals(const std::string& folder,
                                             std::vector<std::string>& refused) {
    std::vector<RecoverableJournal> found;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) {
        return found;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    const std::time_t now = std::time(nullptr);
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name;
        bool held = false;
        if (EndsWith(name, std::string(kExtension) + kTempSuffix)) {
            // A new file a crash left before it took its name; a live writer holds its lock.
            struct stat info {};
            const int fd = OpenUnheld(path, O_RDONLY, held);
            if (fd >= 0 && ::fstat(fd, &info) == 0 && now - info.st_mtim.tv_sec > 60) {
                ::unlink(path.c_str());
            }
            if (fd >= 0) {
                ::close(fd);
            }
            continue;
        }
        if (!EndsWith(name, kExtension)) {
            continue;
        }
        const int fd = OpenUnheld(path, O_RDONLY, held);
        if (fd < 0) {
            if (!held) {
                refused.push_back(Format(journaltext::kCannotRead, name.c_str()));
            }
            continue;
        }
        ParsedJournal parsed;
        std::string error;
        std::int64_t mtime = 0;
        if (!ReadJournal(fd, path, false, parsed, error, &mtime)) {
            // Set aside under a name the next listing passes over, still under the lock.
            ::rename(path.c_str(), (path + kDamagedSuffix).c_str());
            ::close(fd);
            refused.push_back(error);
            continue;
        }
        ::close(fd);
        const StepState state = FinalState(parsed);
        found.push_back({path, state.identity.title, mtime, state.format, state.length,
                         parsed.recording ? std::string() : parsed.sourcePath,
                         SourceChanged(parsed)});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.lastChange != b.lastChange ? a.lastChange > b.lastChange : a.path > b.path;
    });
    return found;
}

bool RestoreJournal(const std::string& path, RestoredSound& out, std::string& error) {
    bool held = false;
    const int fd = OpenUnheld(path, O_RDONLY, held);
    if (fd < 0) {
        error =
            Format(held ? journaltext::kInUse : journaltext::kCannotRead, BaseName(path).c_str());
        return false;
    }
    ParsedJournal parsed;
    const bool read = ReadJournal(fd, path, true, parsed, error);
    ::close(fd);
    if (!read) {
        return false;
    }
    StepState state = FinalState(parsed);
    // Grown to the longest state on the way, then cut to the last one and its spare bytes.
    std::size_t most = static_cast<std::size_t>(state.length);
    const std::size_t steps =
        parsed.recording ? 0 : static_cast<std::size_t>(parsed.current - parsed.baseStep);
    if (!parsed.recording) {
        most = static_cast<std::size_t>(parsed.baseState.length);
        for (std::size_t k = 0; k < steps; ++k) {
            most = std::max(most, static_cast<std::size_t>(parsed.chain[k].state.length));
        }
    }
    SampleBlock data;
    if (!data.Resize(most + 16)) {
        error = Format(journaltext::kNoMemory, BaseName(path).c_str());
        return false;
    }
    std::uint8_t* bytes = data.Data();
    if (parsed.recording) {
        // An empty vector may have no address at all, which memcpy must not be given.
        if (state.length > 0) {
            std::memcpy(bytes, parsed.recordingBytes.data(),
                        static_cast<std::size_t>(state.length));
        }
    } else {
        if (!parsed.baseBytes.empty()) {
            std::memcpy(bytes, parsed.baseBytes.data(), parsed.baseBytes.size());
        }
        std::size_t length = parsed.baseBytes.size();
        for (std::size_t k = 0; k < steps; ++k) {
            const ParsedJournal::Link& link = parsed.chain[k];
            const auto prefix = static_cast<std::size_t>(link.range.prefix);
            const auto oldLength = static_cast<std::size_t>(link.range.oldLength);
            const auto newLength = static_cast<std::size_t>(link.range.newLength);
            std::memmove(bytes + prefix + newLength, bytes + prefix + oldLength,
                         length - prefix - oldLength);
            if (newLength > 0) {
                std::memcpy(bytes + prefix, link.middle.data(), newLength);
            }
            length = length - oldLength + newLength;
        }
    }
    if (!data.Resize(static_cast<std::size_t>(state.length) + 16)) {
        error = Format(journaltext::kNoMemory, BaseName(path).c_str());
        return false;
    }
    std::memset(data.Data() + state.length, 0, 16);
    state.modified = true;
    out.sourceNewer = SourceChanged(parsed);
    out.sound = {};
    out.sound.format = state.format;
    out.sound.data = std::move(data);
    out.sound.byteLength = state.length;
    out.sound.sourceFormat = state.identity.sourceFormat;
    out.sound.tags = state.identity.tags;
    out.state = std::move(state);
    return true;
}

bool DiscardJournal(const std::string& path) {
    bool held = false;
    const int fd = OpenUnheld(path, O_RDONLY, held);
    if (fd < 0) {
        return false;
    }
    const bool removed = ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

} // namespace wt
