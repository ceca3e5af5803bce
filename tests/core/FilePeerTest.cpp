// SoX as an oracle: files SoX writes load with the sample values SoX itself decodes, and
// files the editor writes are read by SoX with the document's format and samples.
#include "FileTestSupport.h"

#include "commands/file/FileCommands.h"
#include "editor/DocumentUi.h"
#include "model/MuLaw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>

using namespace wt;
using namespace wt::test;

namespace {

bool HaveSox() {
    return std::system("command -v sox >/dev/null 2>&1") == 0;
}

// Standard output of a shell command; empty when it failed.
std::string Capture(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return out;
    }
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    return pclose(pipe) == 0 ? out : std::string();
}

// Every sample of `path` as SoX decodes it, on the signed 16-bit scale, interleaved, rounded
// without dither (SoX would dither a deeper source by default).
std::vector<int> SoxSamples(const std::string& path) {
    const std::string raw = Capture("sox -q -D '" + path + "' -t raw -e signed-integer -b 16 -L -");
    std::vector<int> values;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        values.push_back(static_cast<std::int16_t>(static_cast<std::uint8_t>(raw[i]) |
                                                   static_cast<std::uint8_t>(raw[i + 1]) << 8));
    }
    return values;
}

std::string SoxInfo(const std::string& option, const std::string& path) {
    std::string text = Capture("sox --i " + option + " '" + path + "'");
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::vector<int> DocumentSamples(const SoundDocument& doc) {
    std::vector<int> values;
    for (std::int32_t at = 0; at + doc.format.blockAlign <= doc.byteLength;
         at += doc.format.blockAlign) {
        for (int c = 0; c < doc.format.channels; ++c) {
            values.push_back(ReadSample(doc, doc.Data() + at, c));
        }
    }
    return values;
}

struct SoxFile {
    const char* name;
    const char* options; // SoX output options before the file name
    std::uint32_t rate;
    int channels;
    int bits;                // of the loaded document
    const char* mustContain; // a chunk the file has to have for the case to mean anything
    bool addList = false;    // libsndfile then adds a LIST chunk (SoX writes none to WAV)
};

class ReadsSoxFiles : public ::testing::TestWithParam<SoxFile> {};

TEST_P(ReadsSoxFiles, WithTheSamplesSoxDecodes) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed";
    }
    const SoxFile& f = GetParam();
    TestApp t;
    const std::string path = t.dir.File(f.name);
    const std::string made = f.addList ? path + ".tmp.wav" : path;
    std::string make = "sox -q -n " + std::string(f.options) + " '" + made +
                       "' synth 0.1 sine 440 sine 1250 vol 0.9";
    if (f.addList) {
        if (std::system("command -v sndfile-metadata-set >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "sndfile-metadata-set is not installed";
        }
        make += " && sndfile-metadata-set --str-comment x --str-title take '" + made + "' '" +
                path + "'";
    }
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    if (*f.mustContain) {
        const Bytes file = ReadFile(path);
        const std::string text(file.begin(), file.end());
        ASSERT_NE(text.find(f.mustContain), std::string::npos) << f.mustContain;
    }

    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    EXPECT_TRUE(t.host.messages.empty());
    EXPECT_EQ(t.app.doc.format.sampleRate, f.rate);
    EXPECT_EQ(t.app.doc.format.channels, f.channels);
    EXPECT_EQ(t.app.doc.format.bitsPerSample, f.bits);
    const std::vector<int> expected = SoxSamples(path);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(DocumentSamples(t.app.doc), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sox, ReadsSoxFiles,
    ::testing::Values(SoxFile{"w16s.wav", "-r 22050 -c 2 -b 16", 22050, 2, 16, ""},
                      SoxFile{"w8m.wav", "-r 8000 -c 1 -b 8 -e unsigned-integer", 8000, 1, 8, ""},
                      SoxFile{"list.wav", "-r 11025 -c 1 -b 16", 11025, 1, 16, "LIST", true},
                      SoxFile{"comt.aiff", "-r 11025 -c 1 -b 16 --comment x", 11025, 1, 16, "COMT"},
                      SoxFile{"a16s.aiff", "-r 44100 -c 2 -b 16", 44100, 2, 16, ""},
                      SoxFile{"a8m.aif", "-r 8000 -c 1 -b 8", 8000, 1, 8, ""},
                      SoxFile{"m.au", "-r 8000 -c 1 -e mu-law", 8000, 1, 16, ""},
                      SoxFile{"s.au", "-r 8000 -c 2 -e mu-law", 8000, 2, 16, ""},
                      SoxFile{"ann.au", "-r 8000 -c 1 -e mu-law --comment hello", 8000, 1, 16,
                              "hello"}),
    [](const auto& info) {
        std::string name = info.param.name;
        name[name.find('.')] = '_';
        return name;
    });

struct EditorFile {
    const char* extension;
    int bits;
    int channels;
    std::uint32_t rate;
};

class SoxReadsEditorFiles : public ::testing::TestWithParam<EditorFile> {};

TEST_P(SoxReadsEditorFiles, WithTheDocumentsFormatAndSamples) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed";
    }
    const EditorFile& f = GetParam();
    const bool au = std::string(f.extension) == "au";
    TestApp t;
    t.SetSound(f.bits, f.channels, 2205, TestSignal, f.rate);
    const std::string path = t.dir.File(std::string("out.") + f.extension);
    t.app.doc.title = path;
    ASSERT_EQ(SaveSoundFile(t.app, FileTypeNone), 1);

    EXPECT_EQ(SoxInfo("-r", path), std::to_string(f.rate));
    EXPECT_EQ(SoxInfo("-c", path), std::to_string(f.channels));
    EXPECT_EQ(SoxInfo("-s", path), "2205");
    EXPECT_EQ(SoxInfo("-b", path), std::to_string(au ? 8 : f.bits));
    std::vector<int> expected = DocumentSamples(t.app.doc);
    if (au) {
        for (int& v : expected) {
            v = MuLawDecode(MuLawEncode(v));
        }
        EXPECT_EQ(SoxInfo("-e", path), "u-law");
    }
    EXPECT_EQ(SoxSamples(path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sox, SoxReadsEditorFiles,
    ::testing::Values(EditorFile{"wav", 8, 1, 8000}, EditorFile{"wav", 16, 2, 44100},
                      EditorFile{"aiff", 8, 2, 11025}, EditorFile{"aiff", 16, 1, 22050},
                      EditorFile{"au", 16, 1, 8000}, EditorFile{"au", 8, 2, 8000}),
    [](const auto& info) {
        return std::string(info.param.extension) + "_" + std::to_string(info.param.bits) + "_" +
               std::to_string(info.param.channels);
    });

// The largest difference between two sample lists, over the length of the shorter.
int MaxDifference(const std::vector<int>& a, const std::vector<int>& b) {
    int worst = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        worst = std::max(worst, std::abs(a[i] - b[i]));
    }
    return worst;
}

// Files only libsndfile reads (and an 8-bit WAV for comparison), made by SoX from one signal,
// open with SoX's own 16-bit reading of them: exactly for 8- and 16-bit sources, within the
// import's dither (±1) for deeper ones, and within what two decoders of a lossy codec differ by
// (the largest difference seen is recorded as a test property).
struct SoxImport {
    const char* name;
    const char* options; // SoX output options before the file name
    const char* source;  // the sourceFormat the document records, "" for the own readers
    int bits;            // of the loaded document
    int tolerance;       // largest difference from SoX's samples
    int frameSlack;      // frames the two decoders may differ by
    int wavTag = 0;      // the format tag the WAV file must carry; 0: not a WAV
};

class ImportsSoxFiles : public ::testing::TestWithParam<SoxImport> {};

TEST_P(ImportsSoxFiles, AsSoxReadsThem) {
    const SoxImport& f = GetParam();
    const std::string type = std::string(f.name).substr(std::string(f.name).find('.') + 1);
    if (!HaveSox() || Capture("sox -h").find(" " + type + " ") == std::string::npos) {
        GTEST_SKIP() << "sox cannot write " << type;
    }
    TestApp t;
    const std::string path = t.dir.File(f.name);
    const std::string make = "sox -q -n " + std::string(f.options) + " '" + path +
                             "' synth 0.2 sine 440 sine 660 gain -3";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    if (f.wavTag) {
        const Bytes file = ReadFile(path);
        ASSERT_GT(file.size(), 22u);
        ASSERT_EQ(file[20] | file[21] << 8, f.wavTag);
    }

    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    EXPECT_TRUE(t.host.messages.empty()) << t.host.messages[0].text;
    const SoundDocument& doc = t.app.doc;
    EXPECT_EQ(doc.sourceFormat, f.source);
    EXPECT_EQ(std::to_string(doc.format.sampleRate), SoxInfo("-r", path));
    EXPECT_EQ(std::to_string(doc.format.channels), SoxInfo("-c", path));
    EXPECT_EQ(doc.format.bitsPerSample, f.bits);
    const std::vector<int> expected = SoxSamples(path);
    const std::vector<int> got = DocumentSamples(doc);
    ASSERT_FALSE(expected.empty());
    const auto frames = [&](const std::vector<int>& v) {
        return static_cast<int>(v.size()) / doc.format.channels;
    };
    EXPECT_LE(std::abs(frames(got) - frames(expected)), f.frameSlack)
        << frames(got) << " frames, SoX " << frames(expected);
    const int worst = MaxDifference(got, expected);
    EXPECT_LE(worst, f.tolerance);
    RecordProperty("largestDifference", worst);
    RecordProperty("framesOverSox", frames(got) - frames(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Sox, ImportsSoxFiles,
    ::testing::Values(
        SoxImport{"x24.wav", "-r 44100 -c 2 -b 24", "wav 24 44100 2", 16, 1, 0, 0xFFFE},
        SoxImport{"p24.wav", "-t wavpcm -r 44100 -c 2 -b 24", "wav 24 44100 2", 16, 1, 0, 1},
        SoxImport{"f32.wav", "-r 22050 -c 1 -e floating-point -b 32", "wav float32 22050 1", 16, 1,
                  0, 3},
        SoxImport{"u8.wav", "-r 8000 -c 2 -b 8", "", 8, 0, 0, 1},
        SoxImport{"a24.aifc", "-r 48000 -c 2 -b 24", "aifc 24 48000 2", 16, 1, 0},
        SoxImport{"f16.flac", "-r 44100 -c 2 -b 16", "flac 16 44100 2", 16, 0, 0},
        SoxImport{"f24.flac", "-r 96000 -c 1 -b 24", "flac 24 96000 1", 16, 1, 0},
        // Both decode Vorbis with libvorbis: only the rounding differs.
        SoxImport{"v.ogg", "-r 44100 -c 2", "ogg - 44100 2", 16, 1, 0},
        // SoX's MP3 decoder (libmad, fixed point) and libsndfile's (mpg123, float) may round a
        // step apart besides the dither, and keep different amounts of the encoder's padding
        // at the end: up to two frames of 1152 samples.
        SoxImport{"m.mp3", "-r 44100 -c 2", "mp3 - 44100 2", 16, 2, 2304}),
    [](const auto& info) {
        std::string name = info.param.name;
        name[name.find('.')] = '_';
        return name;
    });

// Files written by other programs open with the samples their writer put in: Python's wave
// module and headers built by a Python script (tests/data/peer_sound_files.py, which prints
// the values on the 16-bit scale, G.711-decoded for μ-law and A-law), some of them then
// converted by libsndfile's sndfile-convert.
struct PeerFile {
    const char* name;    // the script's file, KIND.EXT
    const char* convert; // "" or sndfile-convert's option and the name it writes
    const char* source;  // the sourceFormat the document records, "" for the own readers
    int bits;            // of the loaded document
    int tolerance;       // 1 where the import dithers a deeper source
};

class ImportsPeerFiles : public ::testing::TestWithParam<PeerFile> {};

TEST_P(ImportsPeerFiles, WithTheSamplesTheirWriterPutIn) {
    const PeerFile& f = GetParam();
    if (std::system("command -v python3 >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "python3 is not installed";
    }
    TestApp t;
    std::string path = t.dir.File(f.name);
    const std::vector<int> expected = [&] {
        std::vector<int> values;
        std::istringstream text(
            Capture("python3 '" WT_TEST_DATA_DIR "/peer_sound_files.py' '" + path + "'"));
        for (int v; text >> v;) {
            values.push_back(v);
        }
        return values;
    }();
    ASSERT_EQ(expected.size(), 1400u);
    if (*f.convert) {
        if (std::system("command -v sndfile-convert >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "sndfile-convert is not installed";
        }
        const std::string option(f.convert, std::strchr(f.convert, ' '));
        const std::string converted = t.dir.File(std::strchr(f.convert, ' ') + 1);
        const std::string command =
            "sndfile-convert " + option + " '" + path + "' '" + converted + "' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        path = converted;
    }

    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    EXPECT_TRUE(t.host.messages.empty()) << t.host.messages[0].text;
    const SoundDocument& doc = t.app.doc;
    EXPECT_EQ(doc.sourceFormat, f.source);
    EXPECT_EQ(doc.format.sampleRate, 11025u);
    EXPECT_EQ(doc.format.channels, 2);
    EXPECT_EQ(doc.format.bitsPerSample, f.bits);
    const std::vector<int> got = DocumentSamples(doc);
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_LE(MaxDifference(got, expected), f.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Peers, ImportsPeerFiles,
    ::testing::Values(PeerFile{"pcm8.wav", "", "", 8, 0}, PeerFile{"pcm16.wav", "", "", 16, 0},
                      PeerFile{"pcm24.wav", "", "wav 24 11025 2", 16, 1},
                      PeerFile{"pcm32.wav", "", "wav 32 11025 2", 16, 1},
                      PeerFile{"pcm8.aiff", "", "", 8, 0}, PeerFile{"pcm16.aiff", "", "", 16, 0},
                      PeerFile{"pcm24.aiff", "", "aiff 24 11025 2", 16, 1},
                      PeerFile{"pcm32.aiff", "", "aiff 32 11025 2", 16, 1},
                      PeerFile{"pcm8.au", "", "au 8 11025 2", 8, 0},
                      PeerFile{"pcm16.au", "", "au 16 11025 2", 16, 0},
                      PeerFile{"pcm24.au", "", "au 24 11025 2", 16, 1},
                      PeerFile{"pcm32.au", "", "au 32 11025 2", 16, 1},
                      PeerFile{"ulaw.au", "", "", 16, 0},
                      PeerFile{"alaw.au", "", "au 8 11025 2", 16, 0},
                      PeerFile{"ulaw.aifc", "", "aifc 8 11025 2", 16, 0},
                      PeerFile{"alaw.aifc", "", "aifc 8 11025 2", 16, 0},
                      PeerFile{"pcm24.wav", "-pcm24 c24.flac", "flac 24 11025 2", 16, 1},
                      PeerFile{"pcm16.aiff", "-pcm16 c16.flac", "flac 16 11025 2", 16, 0},
                      PeerFile{"pcm32.au", "-pcm24 c24.aiff", "aiff 24 11025 2", 16, 1},
                      PeerFile{"pcm24.au", "-pcm32 c32.wav", "wav 32 11025 2", 16, 1}),
    [](const auto& info) {
        std::string name = info.param.name + std::string(info.param.convert);
        std::replace_if(
            name.begin(), name.end(),
            [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

// A FLAC stream whose header gives no frame count (total samples 0, as a writer to a pipe
// leaves it) opens whole, with the very samples of the same stream with its count, and without
// a message. Two seconds at 44100 Hz outgrow the import's first block, which then grows.
TEST(ImportsSoxFiles, FlacWithoutAFrameCount) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed";
    }
    for (const char* options : {"-r 44100 -c 2 -b 24", "-r 8000 -c 1 -b 16"}) {
        SCOPED_TRACE(options);
        TestApp counted, streamed;
        const std::string path = counted.dir.File("counted.flac");
        const std::string make =
            "sox -q -n " + std::string(options) + " '" + path + "' synth 2 sine 440 sine 660";
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
        Bytes bytes = ReadFile(path);
        // "fLaC", the block header, then STREAMINFO: its bytes 13 to 17 end in the 36-bit count.
        ASSERT_GT(bytes.size(), 26u);
        ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "fLaC");
        ASSERT_EQ(bytes[4] & 0x7F, 0); // STREAMINFO
        bytes[8 + 13] &= 0xF0;
        std::fill(bytes.begin() + 8 + 14, bytes.begin() + 8 + 18, 0);
        const std::string streamPath = counted.dir.File("streamed.flac");
        WriteFile(streamPath, bytes);

        ASSERT_EQ(LoadSoundFile(counted.app, path), 1);
        ASSERT_EQ(LoadSoundFile(streamed.app, streamPath), 1);
        EXPECT_TRUE(streamed.host.messages.empty()) << streamed.host.messages[0].text;
        const SoundDocument& doc = streamed.app.doc;
        EXPECT_EQ(doc.byteLength / doc.format.blockAlign, std::stoi(SoxInfo("-s", path)));
        EXPECT_EQ(DocumentBytes(doc), DocumentBytes(counted.app.doc));
        EXPECT_EQ(doc.sourceFormat, counted.app.doc.sourceFormat);
        EXPECT_LE(MaxDifference(DocumentSamples(doc), SoxSamples(path)), 1);

        // Without the memory for the whole sound (for stereo: for the grown block), the file is
        // refused with a message.
        TestApp starved;
        const AllocationLimit limit(static_cast<std::size_t>(doc.byteLength));
        EXPECT_EQ(LoadSoundFile(starved.app, streamPath), 0);
        ASSERT_EQ(starved.host.messages.size(), 1u);
        EXPECT_EQ(starved.host.messages[0].text, kTextOutOfMemory);
        EXPECT_EQ(starved.app.doc.byteLength, 0);
    }
}

} // namespace
