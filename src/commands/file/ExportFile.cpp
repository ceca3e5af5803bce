// FLAC and Ogg Vorbis files, written through libsndfile. libsndfile's encoders seek back to
// finish their headers, which the atomic writer's stream cannot do, so the file is encoded
// into memory through libsndfile's virtual I/O and then written whole through the atomic
// writer: a refused or failed save leaves the old file as it was, like the other writers.
#include "commands/file/FileTexts.h"
#include "commands/file/SoundFileSupport.h"
#include "commands/file/SoundFiles.h"
#include "editor/App.h"
#include "model/FileIo.h"
#include "util/Format.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace wt {

namespace {

constexpr sf_count_t kChunkFrames = 4096;

// A growable file in memory behind libsndfile's virtual I/O.
struct MemoryFile {
    std::vector<unsigned char> bytes;
    sf_count_t position = 0;
    bool outOfMemory = false;
};

sf_count_t MemoryLength(void* user) {
    return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes.size());
}

sf_count_t MemorySeek(sf_count_t offset, int whence, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    sf_count_t base = 0;
    if (whence == SEEK_CUR) {
        base = file->position;
    } else if (whence == SEEK_END) {
        base = static_cast<sf_count_t>(file->bytes.size());
    }
    if (base + offset < 0) {
        return -1;
    }
    file->position = base + offset;
    return file->position;
}

sf_count_t MemoryRead(void* out, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const auto size = static_cast<sf_count_t>(file->bytes.size());
    const sf_count_t n = std::clamp<sf_count_t>(size - file->position, 0, count);
    if (n > 0) {
        std::memcpy(out, file->bytes.data() + file->position, static_cast<std::size_t>(n));
        file->position += n;
    }
    return n;
}

sf_count_t MemoryWrite(const void* in, sf_count_t count, void* user) {
    auto* file = static_cast<MemoryFile*>(user);
    const auto end = static_cast<std::size_t>(file->position + count);
    try {
        if (end > file->bytes.size()) {
            file->bytes.resize(end);
        }
    } catch (const std::bad_alloc&) {
        file->outOfMemory = true;
        return 0;
    }
    std::memcpy(file->bytes.data() + file->position, in, static_cast<std::size_t>(count));
    file->position += count;
    return count;
}

sf_count_t MemoryTell(void* user) {
    return static_cast<MemoryFile*>(user)->position;
}

// Encodes the document in `format` (libsndfile's major | sub) into `file`. False when
// libsndfile refused the format or a write failed.
bool Encode(const SoundDocument& doc, int format, double vbrQuality, MemoryFile& file) {
    SF_VIRTUAL_IO io{MemoryLength, MemorySeek, MemoryRead, MemoryWrite, MemoryTell};
    SF_INFO info{};
    info.samplerate = static_cast<int>(doc.format.sampleRate);
    info.channels = doc.format.channels;
    info.format = format;
    if (!sf_format_check(&info)) {
        return false;
    }
    SNDFILE* sound = sf_open_virtual(&io, SFM_WRITE, &info, &file);
    if (!sound) {
        return false;
    }
    bool ok = true;
    if (vbrQuality >= 0.0) {
        ok = sf_command(sound, SFC_SET_VBR_ENCODING_QUALITY, &vbrQuality, sizeof vbrQuality) ==
             SF_TRUE;
    }
    // libsndfile's shorts are the document's samples on the 16-bit scale; an 8-bit FLAC keeps
    // their high byte, which is the 8-bit sample exactly.
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
        ok = sf_writef_short(sound, values.data(), want) == want;
        done += want;
    }
    // Closing writes what the encoder still holds and finishes the header.
    const bool closed = sf_close(sound) == 0;
    return ok && closed && !file.outOfMemory;
}

// A file that takes and forgets what libsndfile writes, for a trial encoding.
struct DiscardedFile {
    sf_count_t position = 0;
    sf_count_t length = 0;
};

SF_VIRTUAL_IO DiscardingIo() {
    SF_VIRTUAL_IO io{};
    io.get_filelen = [](void* user) { return static_cast<DiscardedFile*>(user)->length; };
    io.seek = [](sf_count_t offset, int whence, void* user) {
        auto* file = static_cast<DiscardedFile*>(user);
        const sf_count_t base = whence == SEEK_CUR   ? file->position
                                : whence == SEEK_END ? file->length
                                                     : 0;
        file->position = std::max<sf_count_t>(0, base + offset);
        return file->position;
    };
    io.read = [](void*, sf_count_t, void*) -> sf_count_t { return 0; };
    io.write = [](const void*, sf_count_t count, void* user) {
        auto* file = static_cast<DiscardedFile*>(user);
        file->position += count;
        file->length = std::max(file->length, file->position);
        return count;
    };
    io.tell = [](void* user) { return static_cast<DiscardedFile*>(user)->position; };
    return io;
}

// Whether libsndfile's encoder for `format` takes the document's rate: one frame of silence
// encoded into nothing. FLAC holds at most 655,350 Hz and the Vorbis encoder refuses rates
// above 200 kHz; libsndfile's own format check accepts both, and the Vorbis encoder says so
// only at its first frame, so the trial runs before the sound is encoded.
bool EncoderTakesRate(const SoundDocument& doc, int format, double vbrQuality) {
    DiscardedFile trial;
    SF_VIRTUAL_IO io = DiscardingIo();
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::min<std::uint32_t>(doc.format.sampleRate, INT32_MAX));
    info.channels = doc.format.channels;
    info.format = format;
    SNDFILE* sound = sf_open_virtual(&io, SFM_WRITE, &info, &trial);
    if (!sound) {
        return false;
    }
    if (vbrQuality >= 0.0) {
        sf_command(sound, SFC_SET_VBR_ENCODING_QUALITY, &vbrQuality, sizeof vbrQuality);
    }
    const short silence[2] = {};
    const bool took = sf_writef_short(sound, silence, 1) == 1;
    return sf_close(sound) == 0 && took;
}

// The rate in Hz with thousands separators ("700,000").
std::string RateText(std::uint32_t rate) {
    const std::string digits = std::to_string(rate);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    return text;
}

int SaveThroughSndfile(App& app, int format, double vbrQuality) {
    // A rate the format cannot hold is said as such, before the sound is encoded.
    if (!EncoderTakesRate(app.doc, format, vbrQuality)) {
        const bool flac = (format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC;
        return ReportSaveRefusal(app,
                                 Format(flac ? filetext::kCauseFlacRate : filetext::kCauseOggRate,
                                        RateText(app.doc.format.sampleRate).c_str()));
    }
    // libsndfile writes no bytes at all for a sound without frames (and an empty FLAC would
    // read back as one of unknown length): such a save is refused like a failed write, so it
    // never replaces a file with an empty or unreadable one.
    if (app.doc.byteLength < app.doc.format.blockAlign) {
        return ReportWriteFailure(app);
    }
    MemoryFile encoded;
    bool encodedOk = false;
    try {
        encodedOk = Encode(app.doc, format, vbrQuality, encoded);
    } catch (const std::bad_alloc&) {
        encoded.outOfMemory = true;
    }
    if (!encodedOk || encoded.bytes.empty()) {
        return ReportWriteFailure(app, encoded.outOfMemory);
    }
    AtomicFileWriter out(app.doc.title);
    const bool written =
        out.Open() && out.Write(encoded.bytes.data(), encoded.bytes.size()) && out.Commit();
    return written ? FinishSave(app) : ReportSaveFailure(app, out.Error());
}

} // namespace

int SaveFlacFile(App& app) {
    const int depth = app.doc.format.bitsPerSample == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16;
    return SaveThroughSndfile(app, SF_FORMAT_FLAC | depth, -1.0);
}

int SaveOggFile(App& app) {
    return SaveThroughSndfile(app, SF_FORMAT_OGG | SF_FORMAT_VORBIS, kOggVorbisQuality);
}

} // namespace wt
