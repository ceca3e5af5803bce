#include "formats/ImportFile.h"

#include "formats/FileIo.h"
#include "formats/SndfileTags.h"
#include "util/Format.h"

#include <mpg123.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace wt {

namespace {

// The dither's generator starts from the same seed on every import, so opening a file twice
// gives the same samples.
constexpr std::uint32_t kDitherSeed = 0x57544D4Bu;
constexpr sf_count_t kChunkFrames = 4096;

// An open libsndfile handle, closed on every way out.
class SndFile {
public:
    // Only regular files: libsndfile would wait on a FIFO for a writer.
    bool Open(const std::string& path) {
        InputFile probe;
        if (!probe.Open(path)) {
            return false;
        }
        file_ = sf_open(path.c_str(), SFM_READ, &info_);
        return file_ != nullptr;
    }
    ~SndFile() {
        if (file_) {
            sf_close(file_);
        }
    }
    SndFile() = default;
    SndFile(const SndFile&) = delete;
    SndFile& operator=(const SndFile&) = delete;

    SNDFILE* Get() const { return file_; }
    const SF_INFO& Info() const { return info_; }
    int Major() const { return info_.format & SF_FORMAT_TYPEMASK; }
    int Sub() const { return info_.format & SF_FORMAT_SUBMASK; }

private:
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
};

// The 4 bytes that name an IFF form ("AIFF", "AIFC"), or nothing for a file of another kind.
std::string FormTypeOf(const std::string& path) {
    InputFile file;
    std::uint8_t header[12] = {};
    if (!file.Open(path) || !file.ReadExactlyAt(0, header, sizeof header) ||
        !IsFourCc(header, "FORM")) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(header + 8), 4);
}

// The frame count a RIFF/WAVE header claims (the "data" chunk's size over the "fmt " chunk's
// block align), or -1 when the header claims none: a stream writer's 0 or 0xFFFFFFFF size.
sf_count_t RiffClaimedFrames(const std::string& path) {
    InputFile file;
    std::uint8_t chunk[8];
    if (!file.Open(path) || !file.ReadExactlyAt(0, chunk, 4) || !IsFourCc(chunk, "RIFF")) {
        return -1;
    }
    std::uint32_t blockAlign = 0, dataBytes = 0;
    for (std::uint64_t position = 12; file.ReadExactlyAt(position, chunk, sizeof chunk);) {
        const std::uint32_t size = GetLe32(chunk + 4);
        if (IsFourCc(chunk, "fmt ")) {
            std::uint8_t body[14] = {};
            file.ReadAt(position + 8, body, sizeof body);
            blockAlign = GetLe16(body + 12);
        } else if (IsFourCc(chunk, "data")) {
            dataBytes = size;
        }
        position += 8 + std::uint64_t{size} + (size & 1u);
    }
    if (blockAlign == 0 || dataBytes == 0 || dataBytes == 0xFFFFFFFFu) {
        return -1;
    }
    return dataBytes / blockAlign;
}

// The frame count an AIFF or AIFF-C header claims (its "COMM" chunk's), or -1 when it has
// none.
sf_count_t AiffClaimedFrames(const std::string& path) {
    InputFile file;
    std::uint8_t chunk[8];
    if (!file.Open(path) || !file.ReadExactlyAt(0, chunk, 4) || !IsFourCc(chunk, "FORM")) {
        return -1;
    }
    for (std::uint64_t position = 12; file.ReadExactlyAt(position, chunk, sizeof chunk);) {
        const std::uint32_t size = GetBe32(chunk + 4);
        std::uint8_t body[6];
        if (IsFourCc(chunk, "COMM") && file.ReadExactlyAt(position + 8, body, sizeof body)) {
            return GetBe32(body + 2);
        }
        position += 8 + std::uint64_t{size} + (size & 1u);
    }
    return -1;
}

// The frame count an AU header claims (its data size over the frame's bytes), or -1 when the
// size is the stream writer's "unknown" 0xFFFFFFFF.
sf_count_t AuClaimedFrames(const std::string& path, int frameBytes) {
    InputFile file;
    std::uint8_t header[12];
    if (frameBytes <= 0 || !file.Open(path) || !file.ReadExactlyAt(0, header, sizeof header) ||
        !IsFourCc(header, ".snd") || GetBe32(header + 8) == 0xFFFFFFFFu) {
        return -1;
    }
    return GetBe32(header + 8) / static_cast<std::uint32_t>(frameBytes);
}

// The bytes of one sample of libsndfile's PCM and companded sub-formats; 0 for the others.
int SampleBytesOf(int sub) {
    switch (sub) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return 1;
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 4;
    case SF_FORMAT_DOUBLE:
        return 8;
    default:
        return 0;
    }
}

// The frame count the file's header claims, or -1 when it claims none. libsndfile trims the
// sample data of WAV, AIFF and AU to the file, so theirs is read from the header itself; an
// MP3's is an estimate and claims nothing; an Ogg or FLAC stream of unknown length (libsndfile
// gives SF_COUNT_MAX) claims nothing either.
sf_count_t ClaimedFrames(const SndFile& file, const std::string& path, const char* type) {
    const sf_count_t frames = file.Info().frames;
    sf_count_t claimed = file.Major() == SF_FORMAT_MPEG || frames == SF_COUNT_MAX
                             ? -1
                             : std::max<sf_count_t>(frames, 0);
    const std::string kind = type;
    if (kind == "wav") {
        claimed = std::max(claimed, RiffClaimedFrames(path));
    } else if (kind == "aiff" || kind == "aifc") {
        claimed = std::max(claimed, AiffClaimedFrames(path));
    } else if (kind == "au") {
        claimed = std::max(claimed,
                           AuClaimedFrames(path, SampleBytesOf(file.Sub()) * file.Info().channels));
    }
    return claimed;
}

// True when more MPEG audio follows the stream an MP3's Xing or Info header measures (two
// files joined): the decoder stops where that header says the stream ends. The header lies
// in the first frame, after an ID3v2 tag if there is one; its byte count starts at that frame.
bool Mp3ContinuesPastItsHeader(const std::string& path) {
    InputFile file;
    std::uint8_t head[10];
    if (!file.Open(path) || !file.ReadExactlyAt(0, head, sizeof head)) {
        return false;
    }
    std::uint64_t start = 0;
    if (head[0] == 'I' && head[1] == 'D' && head[2] == '3') {
        start = 10 + (std::uint64_t{head[6] & 0x7Fu} << 21 | (head[7] & 0x7Fu) << 14 |
                      (head[8] & 0x7Fu) << 7 | (head[9] & 0x7Fu));
        start += (head[5] & 0x10) ? 10 : 0; // a footer
    }
    std::uint8_t frame[64];
    if (!file.ReadExactlyAt(start, frame, sizeof frame) || frame[0] != 0xFF ||
        (frame[1] & 0xE0) != 0xE0) {
        return false;
    }
    for (std::size_t at = 4; at + 16 <= sizeof frame; ++at) {
        if (!IsFourCc(frame + at, "Xing") && !IsFourCc(frame + at, "Info")) {
            continue;
        }
        const std::uint32_t flags = GetBe32(frame + at + 4);
        if (!(flags & 2u)) {
            return false; // no byte count
        }
        const std::uint32_t bytes = GetBe32(frame + at + ((flags & 1u) ? 12 : 8));
        std::uint8_t next[2];
        return bytes > 0 && file.ReadExactlyAt(start + bytes, next, sizeof next) &&
               next[0] == 0xFF && (next[1] & 0xE0) == 0xE0;
    }
    return false;
}

// Joined MP3s decoded to their end, past the length the first one's Xing or Info tag gives,
// where libsndfile stops: libmpg123 reads the tag as a frame of audio and the stream to the end
// of the file, on the [-1, 1] scale of libsndfile's decoder.
class WholeMp3 {
public:
    WholeMp3() = default;
    WholeMp3(const WholeMp3&) = delete;
    WholeMp3& operator=(const WholeMp3&) = delete;
    ~WholeMp3() {
        if (handle_) {
            mpg123_close(handle_);
            mpg123_delete(handle_);
        }
    }

    // False when libmpg123 cannot decode the file as `channels` channels at `rate` Hz.
    bool Open(const std::string& path, int channels, long rate) {
        handle_ = mpg123_new(nullptr, nullptr);
        channels_ = channels;
        return handle_ &&
               mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME | MPG123_QUIET,
                            0.0) == MPG123_OK &&
               mpg123_param(handle_, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0) == MPG123_OK &&
               mpg123_format_none(handle_) == MPG123_OK &&
               mpg123_format(handle_, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO,
                             MPG123_ENC_FLOAT_32) == MPG123_OK &&
               mpg123_open(handle_, path.c_str()) == MPG123_OK;
    }

    // Up to `frames` frames into `out`; 0 at the end of the stream or on damage (Damaged).
    sf_count_t ReadFrames(double* out, sf_count_t frames) {
        const auto values = static_cast<std::size_t>(frames * channels_);
        floats_.resize(values);
        std::size_t done = 0;
        int result = MPG123_OK;
        do {
            result = mpg123_read(handle_, floats_.data(), values * sizeof(float), &done);
        } while (result == MPG123_NEW_FORMAT && done == 0);
        damaged_ = damaged_ ||
                   (result != MPG123_OK && result != MPG123_DONE && result != MPG123_NEW_FORMAT);
        const std::size_t got = done / sizeof(float);
        std::copy_n(floats_.data(), got, out);
        return static_cast<sf_count_t>(got / static_cast<std::size_t>(channels_));
    }
    bool Damaged() const { return damaged_; }

private:
    mpg123_handle* handle_ = nullptr;
    int channels_ = 1;
    std::vector<float> floats_;
    bool damaged_ = false;
};

// How the samples are read and converted.
enum class Reading {
    Exact,    // 16 bits or fewer: libsndfile's shorts are the samples (8-bit ones shifted up)
    DeepInts, // 24 or 32 bits: ints, dithered down to 16
    Floats,   // float, double and the decoded codecs: doubles scaled by 32768 and dithered
};

struct SourceKind {
    const char* type = nullptr; // wav aiff aifc au flac ogg opus mp3; nullptr: not taken
    std::string depth;          // "24", "float32", "-" ...
    std::string depthText;      // for the conversion note: "24Bits", "32Bits float" ...
    Reading reading = Reading::Floats;
    int targetBits = 16;
};

SourceKind Describe(const SndFile& file, const std::string& path) {
    SourceKind kind;
    switch (file.Major()) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        kind.type = "wav";
        break;
    case SF_FORMAT_AIFF:
        kind.type = FormTypeOf(path) == "AIFC" ? "aifc" : "aiff";
        break;
    case SF_FORMAT_AU:
        kind.type = "au";
        break;
    case SF_FORMAT_FLAC:
        kind.type = "flac";
        break;
    case SF_FORMAT_OGG:
        kind.type = file.Sub() == SF_FORMAT_OPUS ? "opus" : "ogg";
        break;
    case SF_FORMAT_MPEG:
        kind.type = "mp3";
        break;
    default:
        break;
    }
    switch (file.Sub()) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        kind = {kind.type, "8", "8Bits", Reading::Exact, 8};
        break;
    case SF_FORMAT_PCM_16:
        kind = {kind.type, "16", "16Bits", Reading::Exact, 16};
        break;
    case SF_FORMAT_ULAW:
        kind = {kind.type, "8", "μ-law", Reading::Exact, 16};
        break;
    case SF_FORMAT_ALAW:
        kind = {kind.type, "8", "A-law", Reading::Exact, 16};
        break;
    case SF_FORMAT_PCM_24:
        kind = {kind.type, "24", "24Bits", Reading::DeepInts, 16};
        break;
    case SF_FORMAT_PCM_32:
        kind = {kind.type, "32", "32Bits", Reading::DeepInts, 16};
        break;
    case SF_FORMAT_FLOAT:
        kind = {kind.type, "float32", "32Bits float", Reading::Floats, 16};
        break;
    case SF_FORMAT_DOUBLE:
        kind = {kind.type, "float64", "64Bits float", Reading::Floats, 16};
        break;
    case SF_FORMAT_VORBIS:
        kind = {kind.type, "-", "Vorbis", Reading::Floats, 16};
        break;
    case SF_FORMAT_OPUS:
        kind = {kind.type, "-", "Opus", Reading::Floats, 16};
        break;
    default:
        kind = {kind.type, "-", file.Major() == SF_FORMAT_MPEG ? "MP3" : "compressed",
                Reading::Floats, 16};
        break;
    }
    return kind;
}

// Rounds to nearest after adding triangular dither of ±1 LSB (the difference of two uniform
// values in [0, 1)), then clips to 16 bits.
class Ditherer {
public:
    int Round(double value) {
        constexpr double kScale = 1.0 / 4294967296.0;
        const double u1 = static_cast<double>(rng_()) * kScale;
        const double u2 = static_cast<double>(rng_()) * kScale;
        const double rounded = std::floor(value + (u1 - u2) + 0.5);
        return static_cast<int>(std::clamp(rounded, -32768.0, 32767.0));
    }

private:
    std::mt19937 rng_{kDitherSeed};
};

void StoreSample(std::uint8_t* out, int value, int bits) {
    if (bits == 8) {
        *out = static_cast<std::uint8_t>((value >> 8) + 128);
    } else {
        const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
        out[0] = static_cast<std::uint8_t>(v & 0xFF);
        out[1] = static_cast<std::uint8_t>(v >> 8);
    }
}

} // namespace

bool OwnReaderRefusesFormat(const std::string& path, OwnReader reader) {
    SndFile file;
    if (!file.Open(path)) {
        return false;
    }
    // Only a file of the extension's own family is taken from its reader: any other (a WAV
    // named ".au", junk libsndfile guesses at) gets that reader's word on its damage.
    const int major = file.Major(), sub = file.Sub();
    const bool twoChannelsAtMost = file.Info().channels <= 2;
    switch (reader) {
    case OwnReader::Wav:
        if (major == SF_FORMAT_WAVEX) {
            return true;
        }
        return major == SF_FORMAT_WAV &&
               !(twoChannelsAtMost && (sub == SF_FORMAT_PCM_U8 || sub == SF_FORMAT_PCM_16));
    case OwnReader::Au:
        return major == SF_FORMAT_AU && !(twoChannelsAtMost && sub == SF_FORMAT_ULAW);
    case OwnReader::Aiff:
        return major == SF_FORMAT_AIFF && !(twoChannelsAtMost && FormTypeOf(path) == "AIFF" &&
                                            (sub == SF_FORMAT_PCM_S8 || sub == SF_FORMAT_PCM_16));
    }
    return false;
}

FileStatus ImportSound(const std::string& path, LoadedSound& sound, FileProgress& progress) {
    FileStatus status;
    InputFile probe;
    if (!probe.Open(path)) {
        return status.Refuse(FileNoteCode::CannotOpen);
    }
    SndFile file;
    if (!file.Open(path)) {
        return status.Refuse(FileNoteCode::ImportDamaged);
    }
    const SF_INFO& info = file.Info();
    if (info.channels <= 0 || info.samplerate <= 0) {
        return status.Refuse(FileNoteCode::ImportDamaged);
    }
    if (info.channels > 2) {
        return status.Refuse(FileNoteCode::ImportChannels, info.channels);
    }
    const SourceKind kind = Describe(file, path);
    if (!kind.type) {
        return status.Refuse(FileNoteCode::FormatNotSupported);
    }

    SoundFormat& format = sound.format;
    format.formatTag = 1;
    format.channels = static_cast<std::uint16_t>(info.channels);
    format.sampleRate = static_cast<std::uint32_t>(info.samplerate);
    format.bitsPerSample = static_cast<std::uint16_t>(kind.targetBits);
    format.blockAlign = static_cast<std::uint16_t>(info.channels * kind.targetBits / 8);
    const std::uint64_t perSecond = std::uint64_t{format.sampleRate} * format.blockAlign;
    format.bytesPerSecond = static_cast<std::uint32_t>(perSecond);
    if (perSecond > 0xFFFFFFFFu || !IsHoldableFormat(format)) {
        return status.Refuse(FileNoteCode::FormatNotSupported);
    }

    // The block starts small and doubles as the frames arrive, up to the header's claim
    // while fewer came, then up to the largest sound the document can hold: a header that
    // claims more than the file holds never decides the memory taken. A stream of unknown
    // length (libsndfile gives SF_COUNT_MAX frames for a FLAC written to a pipe) and an MP3
    // (whose frame count is an estimate) are read the same way, to their end.
    const sf_count_t claimed = ClaimedFrames(file, path, kind.type);
    const sf_count_t estimate =
        info.frames == SF_COUNT_MAX ? 0 : std::max<sf_count_t>(info.frames, 0);
    const auto maxFrames = static_cast<sf_count_t>(kMaxSoundBytes / format.blockAlign);
    sf_count_t frames = std::min(kChunkFrames * 256, maxFrames);
    if (claimed >= 0) {
        frames = std::min(frames, std::max(claimed, kChunkFrames));
    }
    const std::uint64_t bytes = static_cast<std::uint64_t>(frames) * format.blockAlign;
    if (!AllocateSoundBlock(status, sound.data, bytes)) {
        return status;
    }

    // A joined MP3 is decoded whole by libmpg123; where that cannot be had, libsndfile gives
    // what its first part holds, with a note saying so.
    const bool joinedMp3 = file.Major() == SF_FORMAT_MPEG && Mp3ContinuesPastItsHeader(path);
    WholeMp3 wholeMp3;
    const bool readWhole = joinedMp3 && wholeMp3.Open(path, info.channels, info.samplerate);
    const auto readDoubles = [&](double* out, sf_count_t want) {
        return readWhole ? wholeMp3.ReadFrames(out, want) : sf_readf_double(file.Get(), out, want);
    };
    const int channels = info.channels;
    std::vector<short> shorts;
    std::vector<int> ints;
    std::vector<double> doubles;
    Ditherer dither;
    long long clipped = 0;
    const int sampleBytes = kind.targetBits / 8;
    sf_count_t got = 0;
    // Busy while the frames come; the notes are shown after it, with the menu back.
    progress.Begin();
    for (;;) {
        if (got == frames) {
            if (frames == maxFrames) {
                // Full at the largest size: one more frame means the stream is too long.
                std::vector<double> probe(static_cast<std::size_t>(info.channels));
                if (readDoubles(probe.data(), 1) > 0) {
                    progress.End();
                    return status.Refuse(FileNoteCode::TooLarge);
                }
                break;
            }
            const sf_count_t limit = got < claimed ? std::min(claimed, maxFrames) : maxFrames;
            const sf_count_t larger = std::max(got + 1, std::min(frames * 2, limit));
            if (!sound.data.Resize(static_cast<std::size_t>(larger * format.blockAlign) + 16)) {
                progress.End();
                return status.Refuse(FileNoteCode::OutOfMemory);
            }
            frames = larger;
        }
        std::uint8_t* out = sound.data.Data() + got * format.blockAlign;
        const sf_count_t want = std::min(kChunkFrames, frames - got);
        const std::size_t values = static_cast<std::size_t>(want * channels);
        sf_count_t read = 0;
        switch (kind.reading) {
        case Reading::Exact:
            shorts.resize(values);
            read = sf_readf_short(file.Get(), shorts.data(), want);
            for (sf_count_t i = 0; i < read * channels; ++i) {
                StoreSample(out + i * sampleBytes, shorts[static_cast<std::size_t>(i)],
                            kind.targetBits);
            }
            break;
        case Reading::DeepInts:
            ints.resize(values);
            read = sf_readf_int(file.Get(), ints.data(), want);
            for (sf_count_t i = 0; i < read * channels; ++i) {
                const double value = ints[static_cast<std::size_t>(i)] / 65536.0;
                StoreSample(out + i * sampleBytes, dither.Round(value), 16);
            }
            break;
        case Reading::Floats:
            doubles.resize(values);
            read = readDoubles(doubles.data(), want);
            for (sf_count_t i = 0; i < read * channels; ++i) {
                double value = doubles[static_cast<std::size_t>(i)];
                // NaN counts as clipped too and is stored as silence.
                if (!(value >= -1.0 && value <= 1.0)) {
                    ++clipped;
                    value = std::isnan(value) ? 0.0 : std::clamp(value, -1.0, 1.0);
                }
                StoreSample(out + i * sampleBytes, dither.Round(value * 32768.0), 16);
            }
            break;
        }
        if (read <= 0) {
            break;
        }
        got += read;
        progress.Step(got, std::max(claimed, estimate));
    }
    progress.End();
    // The block shrinks to what came (the rest of it, never written, is given back
    // untouched) and the 16 spare bytes after the samples are zeroed. A failed shrink keeps
    // the larger block, which is just as good.
    sound.byteLength = static_cast<std::int32_t>(got * format.blockAlign);
    const auto used = static_cast<std::size_t>(sound.byteLength);
    sound.data.Resize(used + 16);
    std::memset(sound.data.Data() + used, 0, 16);

    // A decoder that stopped on damage, fewer frames than the header claimed, or an Ogg
    // stream whose end libsndfile could not find (a complete one always has its length) is
    // said to have ended early; one that gave nothing at all, although its header claimed
    // frames or no length, is refused.
    const bool damaged =
        (readWhole ? wholeMp3.Damaged() : sf_error(file.Get()) != SF_ERR_NO_ERROR) ||
        (file.Major() == SF_FORMAT_OGG && info.frames == SF_COUNT_MAX);
    if (got == 0 && (claimed != 0 || damaged)) {
        return status.Refuse(FileNoteCode::ImportNoFrames);
    }
    if (got < claimed) {
        status.notes.push_back({FileNoteCode::ImportCutShort, static_cast<long long>(got),
                                static_cast<long long>(claimed)});
    } else if (damaged) {
        status.notes.push_back({FileNoteCode::ImportEndedEarly, static_cast<long long>(got)});
    }
    if (joinedMp3 && !readWhole) {
        status.notes.push_back({FileNoteCode::ImportMp3Beyond, static_cast<long long>(got)});
    }

    sound.tags = ReadSndfileTags(file.Get());
    sound.sourceFormat =
        Format("%s %s %d %d", kind.type, kind.depth.c_str(), info.samplerate, info.channels);
    // Samples taken as they are show the source's type ("FLAC"), converted ones both depths.
    const std::string target = Format("%dBits", kind.targetBits);
    sound.conversion = kind.depthText == target
                           ? UpperCase(kind.type)
                           : Format("%s → %s", kind.depthText.c_str(), target.c_str());
    status.clipped = clipped;
    return status.Accept();
}

} // namespace wt
