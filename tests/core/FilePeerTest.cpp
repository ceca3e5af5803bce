// SoX as an oracle: files SoX writes load with the sample values SoX itself decodes, and
// files the editor writes are read by SoX with the document's format and samples.
#include "FileTestSupport.h"

#include "commands/file/FileCommands.h"
#include "model/MuLaw.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// Every sample of `path` as SoX decodes it, on the signed 16-bit scale, interleaved.
std::vector<int> SoxSamples(const std::string& path) {
    const std::string raw = Capture("sox -q '" + path + "' -t raw -e signed-integer -b 16 -L -");
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

} // namespace
