// Files the own readers refuse, opened through libsndfile: the files are written here with
// libsndfile's own writer from a known signal, and the document is compared with that signal
// reduced to 16 (or 8) bits here: exactly for sources of those depths, within the dither's
// ±1 for deeper ones.
#include "FileTestSupport.h"

#include "batch/Batch.h"
#include "commands/file/FileCommands.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <sstream>

using namespace wt;
using namespace wt::test;

namespace {

constexpr int kFrames = 3000;

// The written signal, on the 32-bit scale, with the bits below the file's depth cleared so
// the file holds it exactly: two sines a fifth apart, one per channel, at 0.9 of full scale.
double Signal(int frame, int channel) {
    return 0.9 * std::sin(0.013 * frame * (channel ? 1.5 : 1.0) + channel);
}
int SignalInt(int frame, int channel, int depthBits) {
    const auto full =
        static_cast<std::int64_t>(std::llround(Signal(frame, channel) * 2147483647.0));
    const std::int64_t step = std::int64_t{1} << (32 - depthBits);
    return static_cast<int>(full / step * step);
}

// Writes `frames` frames with libsndfile: ints for PCM of `depthBits`, doubles otherwise.
bool WriteWithSndfile(const std::string& path, int format, int channels, int rate, int depthBits,
                      const std::vector<std::pair<int, double>>& overrides = {},
                      int frames = kFrames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        return false;
    }
    sf_count_t written = 0;
    if (depthBits) {
        std::vector<int> values(static_cast<std::size_t>(frames * channels));
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                values[static_cast<std::size_t>(f * channels + c)] = SignalInt(f, c, depthBits);
            }
        }
        written = sf_writef_int(file, values.data(), frames);
    } else {
        std::vector<double> values(static_cast<std::size_t>(frames * channels));
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c) {
                values[static_cast<std::size_t>(f * channels + c)] = Signal(f, c);
            }
        }
        for (const auto& [index, value] : overrides) {
            values[static_cast<std::size_t>(index)] = value;
        }
        written = sf_writef_double(file, values.data(), frames);
    }
    sf_close(file);
    return written == frames;
}

enum class Expect { Exact, Dithered, Companded, Lossy };

struct ImportCase {
    const char* name;
    int format;    // libsndfile's major | sub
    int depthBits; // of the PCM written as ints; 0: written as doubles
    int channels;
    int rate;
    int bits;               // of the document
    Expect expect;          // how close the document comes to the signal
    const char* source;     // the batch info's sourceFormat, "same" for the own readers
    const char* conversion; // in the status bar after the format; "" for the own readers
};

class ImportConverts : public ::testing::TestWithParam<ImportCase> {};

TEST_P(ImportConverts, ToTheDocumentsDepthAtTheFilesRateAndChannels) {
    const ImportCase& c = GetParam();
    TestApp t;
    const std::string path = t.dir.File(c.name);
    // The float row holds two values beyond full scale, which are clipped and counted.
    const std::vector<std::pair<int, double>> overrides = {{20, 1.5}, {41, -2.0}};
    const bool floats = (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT;
    if (!WriteWithSndfile(path, c.format, c.channels, c.rate, c.depthBits,
                          floats ? overrides : std::vector<std::pair<int, double>>{})) {
        GTEST_SKIP() << "libsndfile does not write " << c.name;
    }
    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    EXPECT_TRUE(t.host.messages.empty()) << t.host.messages[0].text;
    const SoundDocument& doc = t.app.doc;
    const bool own = std::string(c.source) == "same";
    EXPECT_EQ(doc.fileType != FileTypeNone, own);
    EXPECT_EQ(doc.imported, !own);
    EXPECT_EQ(doc.sourceFormat.empty() ? "same" : doc.sourceFormat, c.source);
    EXPECT_EQ(doc.format.bitsPerSample, c.bits);
    EXPECT_EQ(doc.format.channels, c.channels);
    EXPECT_EQ(doc.format.sampleRate, static_cast<std::uint32_t>(c.rate));
    ASSERT_EQ(doc.byteLength, kFrames * doc.format.blockAlign);
    const std::string status = t.host.StatusText(0);
    EXPECT_NE(status.find(c.conversion), std::string::npos) << status;
    if (floats) {
        EXPECT_NE(status.find("2 サンプルをクリップ"), std::string::npos) << status;
    }

    double errorSquares = 0, signalSquares = 0, documentSquares = 0;
    int worst = 0;
    for (int f = 0; f < kFrames; ++f) {
        for (int ch = 0; ch < c.channels; ++ch) {
            const int got = ReadSample(doc, doc.Data() + f * doc.format.blockAlign, ch);
            // A float file holds the signal rounded to float.
            double exact = c.depthBits ? SignalInt(f, ch, c.depthBits) / 65536.0
                                       : static_cast<float>(Signal(f, ch)) * 32768.0;
            if (floats && (f * c.channels + ch == 20 || f * c.channels + ch == 41)) {
                exact = f * c.channels + ch == 20 ? 32767 : -32768;
            }
            // An 8-bit document reads as multiples of 256, like its source.
            const double expected = c.bits == 8 ? std::floor(exact / 256) * 256 : std::round(exact);
            const int error = static_cast<int>(std::abs(got - expected));
            worst = std::max(worst, error);
            errorSquares += (got - expected) * (got - expected);
            signalSquares += expected * expected;
            documentSquares += static_cast<double>(got) * got;
        }
    }
    switch (c.expect) {
    case Expect::Exact:
        EXPECT_EQ(worst, 0);
        break;
    case Expect::Dithered:
        EXPECT_LE(worst, 1);
        break;
    case Expect::Companded: // μ-law and A-law keep about 12 bits near full scale
        EXPECT_LE(worst, 1100);
        EXPECT_LT(errorSquares, signalSquares * 1e-3);
        break;
    case Expect::Lossy: // the codec's delay may shift the wave: its level is compared
        EXPECT_NEAR(documentSquares / signalSquares, 1.0, 0.2);
        break;
    }
}

constexpr int kWav = SF_FORMAT_WAV, kAiff = SF_FORMAT_AIFF;

INSTANTIATE_TEST_SUITE_P(
    Formats, ImportConverts,
    ::testing::Values(ImportCase{"pcm16.wav", kWav | SF_FORMAT_PCM_16, 16, 2, 22050, 16,
                                 Expect::Exact, "same", ""},
                      ImportCase{"pcm8.aiff", kAiff | SF_FORMAT_PCM_S8, 8, 1, 8000, 8,
                                 Expect::Exact, "same", ""},
                      ImportCase{"pcm24.wav", kWav | SF_FORMAT_PCM_24, 24, 2, 48000, 16,
                                 Expect::Dithered, "wav 24 48000 2", "24Bits → 16Bits"},
                      ImportCase{"pcm32.wav", kWav | SF_FORMAT_PCM_32, 32, 1, 44100, 16,
                                 Expect::Dithered, "wav 32 44100 1", "32Bits → 16Bits"},
                      ImportCase{"float.wav", kWav | SF_FORMAT_FLOAT, 0, 2, 44100, 16,
                                 Expect::Dithered, "wav float32 44100 2", "32Bits float → 16Bits"},
                      ImportCase{"extensible.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 16, 2, 44100,
                                 16, Expect::Exact, "wav 16 44100 2", "(WAV)"},
                      ImportCase{"mulaw.aiff", kAiff | SF_FORMAT_ULAW, 16, 1, 8000, 16,
                                 Expect::Companded, "aifc 8 8000 1", "μ-law → 16Bits"},
                      ImportCase{"alaw.aif", kAiff | SF_FORMAT_ALAW, 16, 2, 8000, 16,
                                 Expect::Companded, "aifc 8 8000 2", "A-law → 16Bits"},
                      ImportCase{"pcm24.aiff", kAiff | SF_FORMAT_PCM_24, 24, 2, 96000, 16,
                                 Expect::Dithered, "aiff 24 96000 2", "24Bits → 16Bits"},
                      ImportCase{"linear.au", SF_FORMAT_AU | SF_FORMAT_PCM_16, 16, 2, 44100, 16,
                                 Expect::Exact, "au 16 44100 2", "(AU)"},
                      ImportCase{"pcm16.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 16, 2, 44100, 16,
                                 Expect::Exact, "flac 16 44100 2", "(FLAC)"},
                      ImportCase{"pcm24.FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 24, 2, 48000, 16,
                                 Expect::Dithered, "flac 24 48000 2", "24Bits → 16Bits"},
                      ImportCase{"pcm8.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_S8, 8, 1, 22050, 8,
                                 Expect::Exact, "flac 8 22050 1", "(FLAC)"},
                      ImportCase{"vorbis.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0, 2, 44100, 16,
                                 Expect::Lossy, "ogg - 44100 2", "Vorbis → 16Bits"},
                      ImportCase{"speech.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 0, 1, 48000, 16,
                                 Expect::Lossy, "opus - 48000 1", "Opus → 16Bits"},
                      ImportCase{"song.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0, 2, 44100,
                                 16, Expect::Lossy, "mp3 - 44100 2", "MP3 → 16Bits"}),
    [](const auto& info) {
        std::string name;
        for (char ch : std::string(info.param.name)) {
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

// What a refused, cut-short or joined file does to a document that holds a changed sound with
// an undo snapshot: a refusal keeps all of it; a cut-short file opens with a message, a joined
// one whole.
struct TroubleCase {
    const char* name;
    int format;
    int channels;
    // Changes the written file: cuts it to this fraction of its length, and (when not 0)
    // writes garbage over 30 bytes from damageAt on.
    double cutTo;
    int damageAt;
    const char* message; // the message, up to its first number; "": none
    bool opens;
    // When not 0, this big-endian 32-bit value is written at patchAt (after any cut).
    int patchAt = 0;
    std::uint32_t patch = 0;
    bool twice = false; // the file written twice in a row
};

class ImportTrouble : public ::testing::TestWithParam<TroubleCase> {};

TEST_P(ImportTrouble, RefusesOrOpensWhatIsThereWithAMessage) {
    const TroubleCase& c = GetParam();
    TestApp t;
    const std::string path = t.dir.File(c.name);
    // Long enough for many FLAC frames, so half the file holds whole ones.
    constexpr int kLong = 40000;
    ASSERT_TRUE(WriteWithSndfile(path, c.format, c.channels, 44100, 16, {}, kLong));
    if (c.cutTo < 1) {
        std::filesystem::resize_file(
            path, static_cast<std::uintmax_t>(std::filesystem::file_size(path) * c.cutTo));
    }
    if (c.damageAt) {
        Bytes bytes = ReadFile(path);
        std::fill(bytes.begin() + c.damageAt, bytes.begin() + c.damageAt + 30, 0xA5);
        WriteFile(path, bytes);
    }
    if (c.patchAt) {
        Bytes bytes = ReadFile(path);
        for (int i = 0; i < 4; ++i) {
            bytes[static_cast<std::size_t>(c.patchAt + i)] =
                static_cast<std::uint8_t>(c.patch >> (24 - 8 * i));
        }
        WriteFile(path, bytes);
    }
    if (c.twice) {
        const Bytes once = ReadFile(path);
        Bytes bytes = once;
        bytes.insert(bytes.end(), once.begin(), once.end());
        WriteFile(path, bytes);
    }
    t.SetSound(16, 1, 100, TestSignal);
    t.app.doc.title = "before.wav";
    t.app.doc.fileType = FileTypeWav;
    t.app.doc.modified = true;
    t.app.undo.title = "older.wav";
    const Bytes before(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength);

    EXPECT_EQ(LoadSoundFile(t.app, path), c.opens ? 1 : 0);
    ASSERT_EQ(t.host.messages.size(), *c.message ? 1u : 0u);
    if (*c.message) {
        EXPECT_EQ(t.host.messages[0].text.rfind(c.message, 0), 0u) << t.host.messages[0].text;
    }
    const SoundDocument& doc = t.app.doc;
    if (c.opens) {
        EXPECT_GT(doc.byteLength, 0);
        // A cut file gives less than it claimed; a joined one both of its parts.
        if (c.twice) {
            EXPECT_GT(doc.byteLength, 2 * kLong * doc.format.blockAlign);
        } else {
            EXPECT_LT(doc.byteLength, kLong * doc.format.blockAlign);
        }
        EXPECT_EQ(doc.title, path);
        EXPECT_EQ(t.app.undo.title, "before.wav");
        return;
    }
    EXPECT_EQ(doc.title, "before.wav");
    EXPECT_EQ(doc.fileType, FileTypeWav);
    EXPECT_TRUE(doc.modified);
    EXPECT_EQ(t.app.undo.title, "older.wav");
    EXPECT_EQ(Bytes(doc.Data(), doc.Data() + doc.byteLength), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ImportTrouble,
    ::testing::Values(
        TroubleCase{"six.wav", kWav | SF_FORMAT_PCM_16, 6, 1, 0,
                    "6チャンネルのファイルは開けません（モノラルとステレオのみ）", false},
        TroubleCase{"four.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 4, 1, 0,
                    "4チャンネルのファイルは開けません", false},
        TroubleCase{"header.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 1, 4,
                    "データが異常です(ヘッダー)", false},
        TroubleCase{"short.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 0.5, 0,
                    "ファイルが途中で終わっています", true},
        TroubleCase{"short.wav", kWav | SF_FORMAT_PCM_24, 2, 0.5, 0,
                    "ファイルが途中で終わっています", true},
        TroubleCase{"short.aiff", kAiff | SF_FORMAT_PCM_24, 2, 0.5, 0,
                    "ファイルが途中で終わっています", true},
        TroubleCase{"short.aifc", kAiff | SF_FORMAT_FLOAT, 1, 0.5, 0,
                    "ファイルが途中で終わっています", true},
        TroubleCase{"short.au", SF_FORMAT_AU | SF_FORMAT_PCM_24, 2, 0.5, 0,
                    "ファイルが途中で終わっています", true},
        TroubleCase{"late.au", SF_FORMAT_AU | SF_FORMAT_PCM_24, 2, 1, 0,
                    "データが異常です(サンプルを読み込めません)", false, 4, 0x7FFFFFF0},
        TroubleCase{"cut.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2, 0.9999, 0,
                    "データが異常です(サンプルを読み込めません)", false},
        // STREAMINFO's frame count raised to 4294967280.
        TroubleCase{"claims.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 0.5, 0,
                    "ファイルが途中で終わっています", true, 22, 0xFFFFFFF0},
        // The Xing header's frame count lowered to one.
        TroubleCase{"one.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, 1, 0,
                    "データが異常です(サンプルを読み込めません)", false, 44, 1},
        // Two files joined: read to the end, past the length the first one's tag gives.
        TroubleCase{"joined.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2, 1, 0, "", true, 0,
                    0, true}),
    [](const auto& info) {
        std::string name;
        for (char ch : std::string(info.param.name)) {
            name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
        }
        return name;
    });

// Save on an imported document asks for a name, proposing the source's name as ".wav"; the
// batch mode, which has no dialog, fails the line. Neither writes over the source.
TEST(ImportSave, AsksForANameAndNeverWritesOverTheSource) {
    TestApp t;
    const std::string path = t.dir.File("take.flac");
    ASSERT_TRUE(WriteWithSndfile(path, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2, 48000, 24));
    const Bytes source = ReadFile(path);
    ASSERT_EQ(LoadSoundFile(t.app, path), 1);
    EXPECT_EQ(CmdSave(t.app), 0); // no file queued: the dialog is cancelled
    ASSERT_EQ(t.host.fileRequests.size(), 1u);
    EXPECT_EQ(t.host.fileRequests[0].path, t.dir.File("take.wav"));
    EXPECT_EQ(ReadFile(path), source);
    // Named once, the sound saves to its new file like any other.
    t.host.QueueFile(t.dir.File("take.wav"));
    EXPECT_EQ(CmdSave(t.app), 1);
    EXPECT_FALSE(t.app.doc.imported);
    EXPECT_EQ(t.app.doc.title, t.dir.File("take.wav"));
    EXPECT_EQ(ReadFile(t.dir.File("take.wav")).size(),
              44u + static_cast<std::size_t>(t.app.doc.byteLength));
    EXPECT_EQ(CmdSave(t.app), 1);
    EXPECT_EQ(t.host.fileRequests.size(), 2u) << "the second save asks nothing";
    EXPECT_EQ(ReadFile(path), source);

    BatchOptions options;
    options.modulePath = t.dir.File("wtomuka");
    options.iniPath = t.dir.File("batch.ini");
    options.lines = {"open " + path, "info", "save"};
    std::istringstream in;
    std::ostringstream out, err;
    EXPECT_EQ(RunBatch(options, in, out, err), 1);
    EXPECT_NE(out.str().find("sourceFormat: flac 24 48000 2\n"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("name one with saveas PATH"), std::string::npos) << err.str();
    EXPECT_EQ(ReadFile(path), source);
}

// Save As naming the imported file itself asks before the save keeps less than the file held;
// No leaves the file and the document as they were, Yes writes the document. The batch line
// takes the same answers and writes the same bytes.
TEST(ImportSave, AsksBeforeWritingLessOverTheSource) {
    struct Case {
        const char* name;
        int format;
        int depthBits;
        const char* question; // part of the question; "" when none is asked
    };
    const Case cases[] = {
        {"take.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 24,
         " は 24 ビットのファイルです。16 ビットで上書きすると元の精度は失われます。"},
        {"take.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0,
         " は 32 ビット浮動小数点のファイルです。16 ビットで上書き"},
        {"take.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 16, ""},
        {"take.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0,
         " は非可逆圧縮のファイルです。もう一度エンコードして上書きすると音質がさらに落ちます。"},
    };
    for (const Case& c : cases) {
        for (const bool yes : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.format) +
                         (yes ? " yes" : " no"));
            const bool asked = *c.question != '\0';
            TestApp t;
            const std::string path = t.dir.File(c.name);
            ASSERT_TRUE(WriteWithSndfile(path, c.format, 2, 44100, c.depthBits));
            const Bytes source = ReadFile(path);
            ASSERT_EQ(LoadSoundFile(t.app, path), 1);
            t.host.QueueAnswer(yes ? IdYes : IdNo);
            t.host.QueueFile(path);
            EXPECT_EQ(CmdSaveAs(t.app), yes || !asked ? 1 : 0);
            ASSERT_EQ(t.host.messages.size(), asked ? 1u : 0u);
            if (asked) {
                EXPECT_EQ(t.host.messages[0].text.find(path + c.question), 0u)
                    << t.host.messages[0].text;
                EXPECT_EQ(t.host.messages[0].flags, mb::YesNo | mb::IconWarning);
            }
            // Whether the file at `path` reads back as the document: exactly, or through
            // Vorbis closely.
            const SoundDocument& doc = t.app.doc;
            const auto holdsDocument = [&] {
                SF_INFO info{};
                SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
                if (!file) {
                    return false;
                }
                const sf_count_t frames = doc.byteLength / doc.format.blockAlign;
                std::vector<short> values(static_cast<std::size_t>(frames * 2));
                const bool whole = sf_readf_short(file, values.data(), frames) == frames &&
                                   info.frames == frames && info.channels == 2;
                sf_close(file);
                double errorSquares = 0, signalSquares = 0;
                for (std::size_t i = 0; i < values.size(); ++i) {
                    const int expected = ReadSample(doc, doc.Data() + i / 2 * doc.format.blockAlign,
                                                    static_cast<int>(i % 2));
                    errorSquares += std::pow(values[i] - expected, 2);
                    signalSquares += std::pow(expected, 2);
                }
                const bool lossy = (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_VORBIS;
                return whole && signalSquares > 0 &&
                       (lossy ? errorSquares < signalSquares / 100 : errorSquares == 0);
            };
            if (!yes && asked) {
                EXPECT_EQ(ReadFile(path), source);
                EXPECT_TRUE(doc.imported);
                EXPECT_EQ(doc.title, path);
            } else {
                EXPECT_FALSE(doc.imported);
                EXPECT_TRUE(holdsDocument());
            }

            // Batch mode: the question is printed, "answer" replies to it, and without a
            // save the line fails.
            WriteFile(path, source);
            BatchOptions options;
            options.modulePath = t.dir.File("wtomuka");
            options.iniPath = t.dir.File("batch.ini");
            options.lines = {"open " + path, yes ? "answer yes" : "answer no", "saveas " + path};
            std::istringstream in;
            std::ostringstream out, err;
            EXPECT_EQ(RunBatch(options, in, out, err), yes || !asked ? 0 : 1) << err.str();
            EXPECT_EQ(err.str().find("message: 保存: " + path + c.question) != std::string::npos,
                      asked)
                << err.str();
            if (yes || !asked) {
                EXPECT_TRUE(holdsDocument());
            } else {
                EXPECT_EQ(ReadFile(path), source);
            }
        }
    }
}

} // namespace
