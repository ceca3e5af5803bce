// FLAC and Ogg Vorbis files, written through libsndfile. libsndfile's encoders seek back to
// finish their headers, so they write through its virtual I/O into the atomic writer's
// temporary file at the positions they choose: a refused or failed save leaves the old file
// as it was, like the other writers, and the encoded file is never held in memory.
#include "formats/FileIo.h"
#include "formats/SndfileTags.h"
#include "formats/SoundFormats.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace wt {

namespace {

constexpr sf_count_t kChunkFrames = 4096;

// The atomic writer's temporary file behind libsndfile's virtual I/O. The encoders only
// write, seek back to finish their headers and ask where they are; every byte goes straight
// to the file, so a save needs no memory beyond the encoder's own. Without a writer the bytes
// are counted and forgotten (a trial encoding).
struct WriterFile {
    AtomicFileWriter* out = nullptr;
    sf_count_t position = 0;
    sf_count_t length = 0;
};

sf_count_t WriterLength(void* user) {
    return static_cast<WriterFile*>(user)->length;
}

sf_count_t WriterSeek(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<WriterFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) {
        base = file->position;
    } else if (whence == SEEK_END) {
        base = file->length;
    }
    if (base + offset < 0) {
        return -1;
    }
    file->position = base + offset;
    return file->position;
}

// Nothing is read back: the temporary file is open for writing only.
sf_count_t WriterRead(void*, sf_count_t, void*) {
    return 0;
}

sf_count_t WriterWrite(const void* in, sf_count_t count, void* user) {
    auto* file = static_cast<WriterFile*>(user);
    if (count <= 0 || (file->out && !file->out->WriteAt(static_cast<std::uint64_t>(file->position),
                                                        in, static_cast<std::size_t>(count)))) {
        return 0;
    }
    file->position += count;
    file->length = std::max(file->length, file->position);
    return count;
}

sf_count_t WriterTell(void* user) {
    return static_cast<WriterFile*>(user)->position;
}

// An encoder writing into a WriterFile, closed on every way out (closing a half-written one
// just ends it: the writer then removes its temporary file).
class Encoder {
public:
    Encoder(WriterFile& file, SF_INFO& info) {
        SF_VIRTUAL_IO io{WriterLength, WriterSeek, WriterRead, WriterWrite, WriterTell};
        sound_ = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    }
    ~Encoder() { Close(); }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    SNDFILE* Get() const { return sound_; }
    // Writes what the encoder still holds and finishes the header; true when that worked.
    bool Close() {
        if (!sound_) {
            return false;
        }
        const bool closed = sf_close(sound_) == 0;
        sound_ = nullptr;
        return closed;
    }

private:
    SNDFILE* sound_ = nullptr;
};

// Encodes the document in `format` (libsndfile's major | sub) into the writer's temporary
// file, reporting its progress. False when libsndfile refused the format or a write failed.
bool Encode(const SoundDocument& doc, int format, double vbrQuality, AtomicFileWriter& out,
            FileProgress& progress) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(doc.format.sampleRate);
    info.channels = doc.format.channels;
    info.format = format;
    if (!sf_format_check(&info)) {
        return false;
    }
    WriterFile file{&out};
    Encoder sound(file, info);
    if (!sound.Get()) {
        return false;
    }
    bool ok = true;
    if (vbrQuality >= 0.0) {
        ok = sf_command(sound.Get(), SFC_SET_VBR_ENCODING_QUALITY, &vbrQuality,
                        sizeof vbrQuality) == SF_TRUE;
    }
    // The tags go out with the first samples, so they are set before any.
    ok = ok && WriteSndfileTags(sound.Get(), doc.tags);
    // libsndfile's shorts are the document's samples on the 16-bit scale; an 8-bit FLAC keeps
    // their high byte, which is the 8-bit sample exactly.
    progress.Begin();
    const int channels = doc.format.channels;
    const sf_count_t frames = doc.byteLength / doc.format.blockAlign;
    std::vector<short> values;
    for (sf_count_t done = 0; ok && done < frames;) {
        const sf_count_t want = std::min(kChunkFrames, frames - done);
        values.resize(static_cast<std::size_t>(want * channels));
        const std::uint8_t* frame = doc.Data() + done * doc.format.blockAlign;
        for (sf_count_t f = 0; f < want; ++f, frame += doc.format.blockAlign) {
            for (int c = 0; c < channels; ++c) {
                values[static_cast<std::size_t>(f * channels + c)] =
                    static_cast<short>(ReadSample(doc, frame, c));
            }
        }
        ok = sf_writef_short(sound.Get(), values.data(), want) == want;
        done += want;
        progress.Step(done, frames);
    }
    const bool closed = sound.Close();
    progress.End();
    return closed && ok && file.length > 0;
}

// Whether libsndfile's encoder for `format` takes the document's rate: one frame of silence
// encoded into nothing. FLAC holds at most 655,350 Hz and the Vorbis encoder refuses rates
// above 200 kHz; libsndfile's own format check accepts both, and the Vorbis encoder says so
// only at its first frame, so the trial runs before the sound is encoded.
bool EncoderTakesRate(const SoundDocument& doc, int format, double vbrQuality) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::min<std::uint32_t>(doc.format.sampleRate, INT32_MAX));
    info.channels = doc.format.channels;
    info.format = format;
    WriterFile trial;
    Encoder sound(trial, info);
    if (!sound.Get()) {
        return false;
    }
    if (vbrQuality >= 0.0) {
        sf_command(sound.Get(), SFC_SET_VBR_ENCODING_QUALITY, &vbrQuality, sizeof vbrQuality);
    }
    const short silence[2] = {};
    const bool took = sf_writef_short(sound.Get(), silence, 1) == 1;
    return sound.Close() && took;
}

SaveStatus SaveThroughSndfile(const SoundDocument& doc, const std::string& path, int format,
                              double vbrQuality, FileProgress& progress) {
    // A rate the format cannot hold is said as such, before the sound is encoded.
    if (!EncoderTakesRate(doc, format, vbrQuality)) {
        return {false, 0, true};
    }
    // libsndfile writes no bytes at all for a sound without frames (and an empty FLAC would
    // read back as one of unknown length): such a save is refused like a failed write, so it
    // never replaces a file with an empty or unreadable one.
    if (doc.byteLength < doc.format.blockAlign) {
        return {};
    }
    AtomicFileWriter out(path);
    if (!out.Open()) {
        return {false, out.Error()};
    }
    bool encoded = false;
    try {
        encoded = Encode(doc, format, vbrQuality, out, progress);
    } catch (const std::bad_alloc&) {
        progress.End();
        return {false, ENOMEM};
    }
    const bool written = encoded && out.Commit();
    return {written, written ? 0 : out.Error()};
}

} // namespace

SaveStatus WriteFlacFile(const SoundDocument& doc, const std::string& path,
                         FileProgress& progress) {
    const int depth = doc.format.bitsPerSample == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16;
    return SaveThroughSndfile(doc, path, SF_FORMAT_FLAC | depth, -1.0, progress);
}

SaveStatus WriteOggFile(const SoundDocument& doc, const std::string& path, FileProgress& progress) {
    return SaveThroughSndfile(doc, path, SF_FORMAT_OGG | SF_FORMAT_VORBIS, kOggVorbisQuality,
                              progress);
}

} // namespace wt
