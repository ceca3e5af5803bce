// FLAC and Ogg Vorbis files written by the editor: FLAC reads back bit-exact (through
// libsndfile, through the editor's own import and, where installed, through SoX), Ogg decodes
// to the sound's length and rate, the type list, batch filters and typed extensions choose
// these writers, and a refused save keeps the old file.
#include "FileTestSupport.h"

#include "batch/Batch.h"
#include "commands/file/FileCommands.h"
#include "commands/file/SoundFiles.h"
#include "editor/Settings.h"
#include "window/MainWindow.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <tuple>

using namespace wt;
using namespace wt::test;

namespace {

std::string Magic(const std::string& path) {
    const Bytes b = ReadFile(path);
    return b.size() < 4 ? std::string() : std::string(b.begin(), b.begin() + 4);
}

// The document's samples, interleaved, on the 16-bit scale.
std::vector<short> DocumentSamples(const SoundDocument& doc) {
    std::vector<short> samples;
    for (std::int32_t at = 0; at < doc.byteLength; at += doc.format.blockAlign) {
        for (int c = 0; c < doc.format.channels; ++c) {
            samples.push_back(static_cast<short>(ReadSample(doc, doc.Data() + at, c)));
        }
    }
    return samples;
}

// What libsndfile decodes from `path`: its info and its samples as shorts.
std::vector<short> DecodeWithSndfile(const std::string& path, SF_INFO& info) {
    info = {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        return {};
    }
    std::vector<short> samples(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    samples.resize(static_cast<std::size_t>(std::max<sf_count_t>(got, 0) * info.channels));
    return samples;
}

bool HaveSox() {
    return std::system("sox --version >/dev/null 2>&1") == 0;
}

int RunLines(TestApp& t, const std::vector<std::string>& lines, std::string& output) {
    BatchOptions options;
    options.modulePath = t.dir.File("wtomuka");
    options.iniPath = t.dir.File("batch.ini");
    options.lines = lines;
    std::istringstream in;
    std::ostringstream out, err;
    const int result = RunBatch(options, in, out, err);
    output = out.str() + err.str();
    return result;
}

struct Shape {
    int bits, channels, rate;
};
constexpr Shape kShapes[] = {{16, 1, 22050}, {16, 2, 44100}, {8, 1, 11025}, {8, 2, 8000}};
constexpr int kFrames = 5000;

// Through the type list's FLAC entry; the sound read back is the sound saved, sample for
// sample, through libsndfile and through the editor's own import (an 8-bit sound stays 8-bit).
TEST(SaveFlac, ReadsBackBitExact) {
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(std::to_string(s.bits) + " bits, " + std::to_string(s.channels) + " ch");
        TestApp t;
        t.SetSound(s.bits, s.channels, kFrames, TestSignal, static_cast<std::uint32_t>(s.rate));
        t.app.doc.modified = true;
        const std::vector<short> saved = DocumentSamples(t.app.doc);
        t.host.QueueFile(t.dir.File("take"), FileTypeFlac);
        ASSERT_EQ(CmdSaveAs(t.app), 1);
        const std::string path = t.dir.File("take.flac");
        EXPECT_EQ(t.app.doc.title, path);
        EXPECT_EQ(t.app.doc.fileType, FileTypeFlac);
        EXPECT_FALSE(t.app.doc.modified);
        EXPECT_EQ(Magic(path), "fLaC");

        SF_INFO info;
        EXPECT_EQ(DecodeWithSndfile(path, info), saved);
        EXPECT_EQ(info.format,
                  SF_FORMAT_FLAC | (s.bits == 8 ? SF_FORMAT_PCM_S8 : SF_FORMAT_PCM_16));
        EXPECT_EQ(info.samplerate, s.rate);

        const Bytes before(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength);
        ASSERT_EQ(LoadSoundFile(t.app, path), 1);
        EXPECT_EQ(t.app.doc.format.bitsPerSample, s.bits);
        EXPECT_EQ(Bytes(t.app.doc.Data(), t.app.doc.Data() + t.app.doc.byteLength), before);
    }
}

TEST(SaveFlac, SoxReadsItBitExact) {
    if (!HaveSox()) {
        GTEST_SKIP() << "sox is not installed";
    }
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(std::to_string(s.bits) + " bits, " + std::to_string(s.channels) + " ch");
        TestApp t;
        t.SetSound(s.bits, s.channels, kFrames, TestSignal, static_cast<std::uint32_t>(s.rate));
        const std::string path = t.dir.File("x.flac"), raw = t.dir.File("x.raw");
        t.app.doc.title = path;
        ASSERT_EQ(SaveSoundFile(t.app, FileTypeNone), 1);
        const std::string command =
            "sox '" + path + "' -t raw -e signed-integer -b 16 -L '" + raw + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const Bytes bytes = ReadFile(raw);
        std::vector<short> decoded(bytes.size() / 2);
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            decoded[i] = static_cast<short>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        }
        EXPECT_EQ(decoded, DocumentSamples(t.app.doc));
    }
}

// Through batch saveas filter=5: the Ogg Vorbis file decodes to the sound's rate and channels,
// its length within 0.1 % (the codec's padding) and its level within 10 %.
TEST(SaveOgg, DecodesToTheLengthAndRate) {
    const bool sox = HaveSox();
    for (const Shape& s : kShapes) {
        SCOPED_TRACE(std::to_string(s.bits) + " bits, " + std::to_string(s.channels) + " ch");
        TestApp t;
        const int frames = s.rate * 2;
        const std::string wav = t.dir.File("in.wav"), ogg = t.dir.File("out.ogg");
        t.SetSound(s.bits, s.channels, frames, TestSignal, static_cast<std::uint32_t>(s.rate));
        t.app.doc.title = wav;
        ASSERT_EQ(SaveWaveFile(t.app), 1);
        std::string output;
        ASSERT_EQ(RunLines(t, {"open " + wav, "saveas " + t.dir.File("out") + " filter=5", "info"},
                           output),
                  0)
            << output;
        EXPECT_NE(output.find("fileType: 5\n"), std::string::npos) << output;
        EXPECT_EQ(Magic(ogg), "OggS");

        SF_INFO info;
        const std::vector<short> decoded = DecodeWithSndfile(ogg, info);
        EXPECT_EQ(info.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
        EXPECT_EQ(info.samplerate, s.rate);
        EXPECT_EQ(info.channels, s.channels);
        EXPECT_NEAR(static_cast<double>(info.frames), frames, frames * 0.001);
        double decodedSquares = 0, savedSquares = 0;
        for (short v : decoded) {
            decodedSquares += static_cast<double>(v) * v;
        }
        for (short v : DocumentSamples(t.app.doc)) {
            savedSquares += static_cast<double>(v) * v;
        }
        EXPECT_NEAR(std::sqrt(decodedSquares / savedSquares), 1.0, 0.1);

        if (sox) {
            const std::string probe = t.dir.File("probe.txt");
            const std::string command = "sox --i -s '" + ogg + "' > '" + probe +
                                        "' && sox --i -r '" + ogg + "' >> '" + probe + "'";
            ASSERT_EQ(std::system(command.c_str()), 0);
            const Bytes text = ReadFile(probe);
            std::istringstream lines(std::string(text.begin(), text.end()));
            double soxFrames = 0, soxRate = 0;
            lines >> soxFrames >> soxRate;
            EXPECT_NEAR(soxFrames, frames, frames * 0.001);
            EXPECT_EQ(soxRate, s.rate);
        }
    }
}

// The type list offers FLAC and Ogg after the three own types; batch filter=4|5 and typed
// extensions choose those writers, and a later Save writes the same type again.
TEST(SaveAs, FlacAndOggByFilterOrExtension) {
    TestApp t;
    t.SetSound(16, 2, 2000, TestSignal, 22050);
    t.host.QueueFile(t.dir.File("listed.wav"), 0);
    ASSERT_EQ(CmdSaveAs(t.app), 1);
    const auto& filters = t.host.fileRequests.back().filters;
    ASSERT_EQ(filters.size(), 5u);
    EXPECT_EQ(filters[3].second, "*.flac");
    EXPECT_EQ(filters[4].second, "*.ogg");

    const std::string wav = t.app.doc.title;
    struct Case {
        const char* line; // after the path
        const char* written;
        const char* magic;
        int fileType;
    };
    const Case cases[] = {
        {"a filter=4", "a.flac", "fLaC", FileTypeFlac},
        {"b filter=5", "b.ogg", "OggS", FileTypeOgg},
        {"c.FLAC", "c.FLAC", "fLaC", FileTypeFlac},
        {"d.ogg", "d.ogg", "OggS", FileTypeOgg},
        {"e.oga", "e.oga", "OggS", FileTypeOgg},
        {"f.wav filter=4", "f.wav.flac", "fLaC", FileTypeFlac},
        {"g.ogg filter=4", "g.ogg.flac", "fLaC", FileTypeFlac},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string written = t.dir.File(c.written);
        std::string output;
        ASSERT_EQ(RunLines(t,
                           {"open " + wav, "saveas " + t.dir.File(c.line), "info", "reverse",
                            "save", "info"},
                           output),
                  0)
            << output;
        EXPECT_EQ(Magic(written), c.magic);
        const std::string type = "fileType: " + std::to_string(c.fileType) + "\n";
        const auto first = output.find(type);
        ASSERT_NE(first, std::string::npos) << output;
        EXPECT_NE(output.find(type, first + 1), std::string::npos) << "Save kept the type";
        EXPECT_NE(output.find("caption: WaveTomuka -[" + written + "]"), std::string::npos)
            << output;
    }
}

// A save whose target may not be replaced (a folder of that name) is refused at once and
// leaves the folder as it was, with no temporary file beside it. An empty sound, of which
// libsndfile would write nothing, is refused too and keeps the old file.
TEST(SaveFailure, FlacAndOggKeepTheOldFile) {
    TestApp t;
    t.SetSound(16, 1, 3000, TestSignal, 22050);
    for (const char* name : {"held.flac", "held.ogg"}) {
        SCOPED_TRACE(name);
        const std::string path = t.dir.File(name);
        std::filesystem::create_directory(path);
        WriteFile(path + "/inside", {'o', 'l', 'd'});
        t.app.doc.title = path;
        t.app.doc.modified = true;
        EXPECT_EQ(SaveSoundFile(t.app, FileTypeNone), 0);
        ASSERT_FALSE(t.host.messages.empty());
        EXPECT_EQ(t.host.messages.back().text,
                  "[" + path + "]に書き込めません\n同じ名前のフォルダーがあります");
        EXPECT_TRUE(t.app.doc.modified);
        EXPECT_TRUE(std::filesystem::is_directory(path));
        EXPECT_EQ(ReadFile(path + "/inside"), (Bytes{'o', 'l', 'd'}));
    }
    for (const char* name : {"empty.flac", "empty.ogg"}) {
        SCOPED_TRACE(name);
        const std::string path = t.dir.File(name);
        WriteFile(path, {'o', 'l', 'd'});
        t.SetSound(16, 2, 0, TestSignal, 22050);
        t.app.doc.title = path;
        t.app.doc.modified = true;
        t.host.QueueAnswer(IdYes); // save the empty sound
        EXPECT_EQ(SaveSoundFile(t.app, FileTypeNone), 0);
        ASSERT_FALSE(t.host.messages.empty());
        EXPECT_EQ(t.host.messages.back().text, "[" + path + "]に書き込めません");
        EXPECT_TRUE(t.app.doc.modified);
        EXPECT_EQ(ReadFile(path), (Bytes{'o', 'l', 'd'}));
    }
    // A rate the format cannot hold is named as the cause; a FIFO is refused before three
    // minutes of stereo are encoded (seconds of work).
    const std::string fifo = t.dir.File("pipe.ogg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::tuple<const char*, std::uint32_t, int, const char*> cases[] = {
        {"fast.flac", 700000, 3000,
         "FLAC で保存できるサンプリングレートは 655,350Hz までです(この音は 700,000Hz)"},
        {"fast.ogg", 250000, 3000,
         "Ogg Vorbis ではサンプリングレート 250,000Hz の音を保存できません"},
        {"pipe.ogg", 44100, 180 * 44100,
         "通常のファイルではありません(パイプやデバイスには保存できません)"}};
    for (const auto& [name, rate, frames, cause] : cases) {
        t.SetSound(16, 2, frames, TestSignal, rate);
        t.app.doc.title = t.dir.File(name);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(SaveSoundFile(t.app, FileTypeNone), 0) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        EXPECT_EQ(t.host.messages.back().text,
                  "[" + t.app.doc.title + "]に書き込めません\n" + cause);
    }
    std::remove(fifo.c_str());
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(t.dir.Path())) {
        if (entry.path().extension() != ".ini") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"empty.flac", "empty.ogg", "held.flac", "held.ogg"}));
}

// The open dialog starts on every sound file also for a FLAC or Ogg sound, and a
// dropped file and a recent entry of every extension libsndfile reads open as imports.
TEST(OpenOthers, TheDialogEntryTheDropAndTheRecentFiles) {
    TestApp t;
    t.SetSound(16, 1, 2000, TestSignal, 22050);
    for (const char* saved : {"saved.flac", "saved.ogg"}) {
        t.host.QueueFile(t.dir.File(saved));
        ASSERT_EQ(CmdSaveAs(t.app), 1);
        EXPECT_EQ(CmdOpen(t.app), 0); // no file queued: the dialog is cancelled
        EXPECT_EQ(t.host.fileRequests.back().filterIndex, 1) << saved;
        EXPECT_EQ(t.host.fileRequests.back().filters[4].second, "*.flac;*.ogg;*.oga;*.opus;*.mp3");
    }

    struct Kind {
        const char* name;
        int format;
        int rate;
    };
    const Kind kinds[] = {
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100},
        {"b.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
        {"c.oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050},
        {"d.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000},
        {"e.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string path = t.dir.File(k.name);
        SF_INFO info{};
        info.samplerate = k.rate;
        info.channels = 1;
        info.format = k.format;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!file) {
            continue; // a kind this libsndfile does not write
        }
        std::vector<short> samples(4800);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<short>(TestSignal(static_cast<int>(i), 0));
        }
        sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(file);

        OnDropFiles(t.app, {path});
        EXPECT_EQ(t.app.doc.title, path);
        EXPECT_TRUE(t.app.doc.imported);
        EXPECT_GT(t.app.doc.byteLength, 0);

        t.app.doc.title = kUntitled;
        AddRecentFile(t.app.profile, path);
        EXPECT_EQ(OpenRecentFile(t.app, 1), 1);
        EXPECT_EQ(t.app.doc.title, path);
        EXPECT_TRUE(t.app.doc.imported);
    }
    EXPECT_TRUE(t.host.messages.empty()) << t.host.messages.front().text;
}

} // namespace

// Saving FLAC and Ogg and opening an import show "処理中…" with a percentage under the busy
// menu, letting the window's events through all along; the menu, the busy gate and the
// status text come back afterwards, also when the open is refused.
TEST(FileWork, ShowsItsProgressUnderTheBusyMenu) {
    TestApp t;
    const std::string flac = t.dir.File("long.flac"), cut = t.dir.File("cut.flac");
    struct Step {
        const char* name;
        std::function<int()> run;
        int result;
    };
    const Step steps[] = {
        {"save flac", [&] { return t.app.doc.title = flac, SaveSoundFile(t.app, FileTypeNone); },
         1},
        {"save ogg", [&] { return t.app.doc.title = t.dir.File("long.ogg"), SaveOggFile(t.app); },
         1},
        {"open flac", [&] { return LoadSoundFile(t.app, flac); }, 1},
        {"open empty", [&] { return LoadSoundFile(t.app, cut); }, 0}};
    t.SetSound(16, 2, 300000, TestSignal, 44100);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (std::filesystem::exists(flac)) {
            Bytes head = ReadFile(flac);
            head.resize(200);
            WriteFile(cut, head);
        }
        const std::string status = t.app.status.Text(0);
        std::vector<std::string> seen;
        t.host.onPump = [&] {
            EXPECT_TRUE(t.app.busy);
            EXPECT_EQ(t.host.menu, &t.app.menus.busy);
            seen.push_back(t.app.status.Text(0));
            return false;
        };
        EXPECT_EQ(step.run(), step.result);
        t.host.onPump = nullptr;
        EXPECT_FALSE(t.app.busy);
        EXPECT_EQ(t.host.menu, &t.app.menus.normal);
        if (step.result) {
            ASSERT_GT(seen.size(), 10u);
            EXPECT_EQ(seen.back(), "処理中…:100%");
            EXPECT_NE(t.app.status.Text(0).rfind("処理中", 0), 0u);
        } else {
            EXPECT_EQ(t.app.status.Text(0), status);
        }
    }
}
