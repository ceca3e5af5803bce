// The formats layer on its own, without an editor: what a reader says about a damaged or short
// file, in the order the user must see it, and why a writer failed.
#include "FileTestSupport.h"

#include "formats/ImportFile.h"
#include "formats/SoundFormats.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <tuple>

namespace wt::test {
namespace {

using Note = std::tuple<FileNoteCode, long long, long long>;

// Counts the progress calls, so that a reader that begins also ends.
class CountingProgress final : public FileProgress {
public:
    void Begin() override { ++open; }
    void Step(std::int64_t, std::int64_t) override { ++steps; }
    void End() override { --open; }
    int open = 0;
    long long steps = 0;
};

TEST(FormatLayer, ReadersGiveTheirNotesInOrder) {
    using C = FileNoteCode;
    const Bytes pcm16 = WaveFormatChunk(1, 1, 8000, 2, 16);
    // 24-bit mono, a data chunk claiming 100 frames of which 40 are there.
    const Bytes cut24 = RiffWave(ByteWriter()
                                     .Append(WaveFormatChunk(1, 1, 8000, 3, 24))
                                     .Text("data")
                                     .Le32(300)
                                     .Fill(120, 0x10)
                                     .bytes);
    struct Case {
        const char* name;
        Bytes file;
        std::function<FileStatus(const std::string&, LoadedSound&, FileProgress&)> read;
        bool ok;
        std::vector<Note> notes;
    };
    const auto wav = [](const std::string& p, LoadedSound& s, FileProgress&) {
        return ReadWaveFile(p, s);
    };
    const auto au = [](const std::string& p, LoadedSound& s, FileProgress&) {
        return ReadAuFile(p, s);
    };
    const Case cases[] = {
        {"not RIFF", Bytes(40, 'x'), wav, false, {{C::CorruptRiff, 0, 0}}},
        {"float format: refused, then corrupt",
         RiffWave(ByteWriter()
                      .Append(WaveFormatChunk(3, 1, 8000, 4, 32))
                      .Append(Chunk("data", Bytes(8), true))
                      .bytes),
         wav,
         false,
         {{C::FormatNotSupported, 0, 0}, {C::Corrupt, 0, 0}}},
        {"no data chunk", RiffWave(pcm16), wav, false, {{C::Corrupt, 0, 0}}},
        {"AIFF without SSND",
         FormAiff(CommChunk(1, 4, 16, Extended({0x40, 0x0B, 0xFA}))),
         ReadAiffFile,
         false,
         {{C::ChunkNotFound, 0, 0}}},
        {"AU of linear PCM",
         AuFile(32, 4, 3, 8000, 1, Bytes(4)),
         au,
         false,
         {{C::TypeNotSupported, 0, 0}}},
        {"import cut short opens with its note",
         cut24,
         ImportSound,
         true,
         {{C::ImportCutShort, 40, 100}}},
        {"import of 3 channels",
         RiffWave(ByteWriter()
                      .Append(WaveFormatChunk(1, 3, 8000, 9, 24))
                      .Append(Chunk("data", Bytes(90), true))
                      .bytes),
         ImportSound,
         false,
         {{C::ImportChannels, 3, 0}}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const std::string path = dir.File("in.wav");
        WriteFile(path, c.file);
        LoadedSound sound;
        CountingProgress progress;
        const FileStatus status = c.read(path, sound, progress);
        EXPECT_EQ(status.ok, c.ok) << c.name;
        std::vector<Note> got;
        for (const FileNote& note : status.notes) {
            got.emplace_back(note.code, note.first, note.second);
        }
        EXPECT_EQ(got, c.notes) << c.name;
        EXPECT_EQ(progress.open, 0) << c.name;
    }
    LoadedSound none;
    EXPECT_EQ(ReadWaveFile(dir.File("missing.wav"), none).notes.at(0).code, C::CannotOpen);
}

TEST(FormatLayer, WriterSaysWhyItFailed) {
    TempDir dir;
    SoundDocument doc;
    doc.format = {1, 1, 8000, 16000, 2, 16, 0};
    const SaveStatus missing = WriteWaveFile(doc, dir.File("no/such/folder.wav"));
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, ENOENT);
    NoFileProgress quiet;
    EXPECT_TRUE(WriteWaveFile(doc, dir.File("empty.wav")).ok);
    // A sound without frames is never written as FLAC: libsndfile would write nothing.
    EXPECT_FALSE(WriteFlacFile(doc, dir.File("empty.flac"), quiet).ok);
    // 8-bit mono at 3 GHz fits a WAV's format record, but not the 16 bits an AU file opens as.
    doc.format = {1, 1, 3000000000u, 3000000000u, 1, 8, 0};
    EXPECT_TRUE(WriteAuFile(doc, dir.File("fast.au")).rateNotHeld);
    EXPECT_FALSE(std::filesystem::exists(dir.File("fast.au")));
}

} // namespace
} // namespace wt::test
