// The text tags of a sound: written by every type that holds them and read back by libsndfile,
// SoX and the editor; other programs' tags opened by the own readers; a type that drops some
// asked about first; all of them shown in the information dialog.
#include "FileTestSupport.h"

#include "commands/file/FileCommands.h"
#include "commands/file/SoundInfo.h"
#include "editor/CommandIds.h"
#include "hosts/scripted/ScriptedDialog.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <filesystem>

using namespace wt;
using namespace wt::test;

namespace {

// libsndfile's string types in TagField's order.
constexpr int kStrings[kTagFieldCount] = {
    SF_STR_TITLE, SF_STR_ARTIST,      SF_STR_ALBUM,     SF_STR_DATE,     SF_STR_COMMENT,
    SF_STR_GENRE, SF_STR_TRACKNUMBER, SF_STR_COPYRIGHT, SF_STR_SOFTWARE, SF_STR_LICENSE};
const SoundTags kAll{{"朝の歌", "Artist", "Album X", "2024-05-01", "odd", "Jazz", "7", "(C) 2024",
                      "Recorder 1.0", "CC-BY"}};
const SoundTags kTitleArtist{{"T", "ＡＢＣ"}};

SoundTags ReadWithSndfile(const std::string& path, sf_count_t& frames) {
    SF_INFO info{};
    SoundTags tags;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    for (std::size_t i = 0; file && i < kTagFieldCount; ++i) {
        const char* text = sf_get_string(file, kStrings[i]);
        tags.values[i] = text ? text : "";
    }
    frames = file ? info.frames : -1;
    sf_close(file);
    return tags;
}

// libsndfile adds its own name to the software tag it writes.
void ExpectTags(const SoundTags& read, const SoundTags& expected) {
    for (std::size_t i = 0; i < kTagFieldCount; ++i) {
        const std::string &got = read.values[i], &want = expected.values[i];
        EXPECT_TRUE(want.empty() ? got.empty() : got.rfind(want, 0) == 0) << got << " for " << want;
    }
}

TEST(Tags, EveryTypeWritesTheTagsItHoldsAndReadsThemBack) {
    using enum TagField;
    struct Case {
        const char* name;
        int fileType;
        int sndfileFormat; // 0: written through libsndfile
        std::vector<TagField> dropped;
    };
    const Case cases[] = {
        {"x.wav", FileTypeWav, SF_FORMAT_WAV | SF_FORMAT_PCM_16, {License}},
        {"x.aiff",
         FileTypeAiff,
         SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
         {Album, Date, Genre, TrackNumber, Software, License}},
        {"x.flac", FileTypeFlac, 0, {}},
        {"x.ogg", FileTypeOgg, 0, {}},
    };
    const bool sox = std::system("sox --version >/dev/null 2>&1") == 0;
    for (const Case& c : cases) {
        for (const SoundTags& tags : {kAll, kTitleArtist}) {
            SCOPED_TRACE(std::string(c.name) + " " + tags[Title]);
            TestApp t;
            const std::string path = t.dir.File(c.name), soxText = t.dir.File("sox.txt");
            t.SetSound(16, 2, 3000, TestSignal, 44100);
            t.app.doc.tags = tags;
            t.app.doc.title = path;
            ASSERT_EQ(SaveSoundFile(t.app, c.fileType), 1);
            SoundTags kept = tags;
            for (const TagField field : c.dropped) {
                kept[field].clear();
            }
            sf_count_t frames = 0;
            ExpectTags(ReadWithSndfile(path, frames), kept);
            EXPECT_EQ(frames, 3000);
            // SoX reads FLAC and Ogg comments with libFLAC's and libvorbis' own parsers.
            if (sox && c.sndfileFormat == 0 &&
                !std::system(("sox --i -a '" + path + "' >'" + soxText + "'").c_str())) {
                const Bytes shown = ReadFile(soxText);
                const std::string text(shown.begin(), shown.end());
                for (const std::string& value : kept.values) {
                    EXPECT_NE(text.find("=" + value), std::string::npos) << value << " in " << text;
                }
            }
            ASSERT_EQ(LoadSoundFile(t.app, path), 1);
            ExpectTags(t.app.doc.tags, kept);
            if (c.sndfileFormat == 0) {
                continue;
            }
            // Written by libsndfile, the own reader reads what libsndfile reads (but AIFF's
            // software, which libsndfile keeps in an application chunk).
            const std::string other = t.dir.File(std::string("other-") + c.name);
            SF_INFO info{0, 44100, 2, c.sndfileFormat, 0, 0};
            SNDFILE* file = sf_open(other.c_str(), SFM_WRITE, &info);
            for (std::size_t i = 0; file && i < kTagFieldCount; ++i) {
                if (!tags.values[i].empty()) {
                    sf_set_string(file, kStrings[i], tags.values[i].c_str());
                }
            }
            const short silence[2000] = {};
            sf_writef_short(file, silence, 1000);
            sf_close(file);
            SoundTags expected = ReadWithSndfile(other, frames);
            expected[Software] = c.fileType == FileTypeAiff ? "" : expected[Software];
            ASSERT_EQ(LoadSoundFile(t.app, other), 1);
            EXPECT_EQ(t.app.doc.sourceFormat, "") << "read by the editor's own reader";
            EXPECT_EQ(t.app.doc.tags, expected);
        }
    }
}

// Save As in a type that cannot hold some of the sound's tags names them and asks first: Yes
// writes the file without them, No writes nothing and keeps the name.
TEST(Tags, SaveAsInATypeThatDropsTagsAsksFirst) {
    struct Case {
        int fileType;
        const char* extension;
        const char* type;
        SoundTags tags;
        const char* lost; // "" when nothing is asked
    };
    const Case cases[] = {
        {FileTypeAu, ".au", "AU", kAll,
         "タイトル、アーティスト、アルバム、日付、コメント、ジャンル、トラック番号、著作権、"
         "ソフトウェア、ライセンス"},
        {FileTypeAu, ".au", "AU", {}, ""},
        {FileTypeAiff, ".aiff", "AIFF", kAll,
         "アルバム、日付、ジャンル、トラック番号、ソフトウェア、ライセンス"},
        {FileTypeAiff, ".aiff", "AIFF", kTitleArtist, ""},
        {FileTypeWav, ".wav", "WAV", kAll, "ライセンス"},
        {FileTypeFlac, ".flac", "FLAC", kAll, ""},
    };
    for (const Case& c : cases) {
        for (const bool yes : {true, false}) {
            SCOPED_TRACE(std::string(c.extension) + " " + c.lost + (yes ? " yes" : " no"));
            const bool asked = *c.lost != '\0', written = yes || !asked;
            TestApp t;
            t.SetSound(16, 1, 800, TestSignal, 8000);
            t.app.doc.tags = c.tags;
            t.host.QueueAnswer(yes ? IdYes : IdNo);
            t.host.QueueFile(t.dir.File("out"), c.fileType);
            EXPECT_EQ(CmdSaveAs(t.app), written ? 1 : 0);
            const std::string path = t.dir.File(std::string("out") + c.extension);
            ASSERT_EQ(t.host.messages.size(), asked ? 1u : 0u);
            if (asked) {
                EXPECT_EQ(t.host.messages[0].text, path + " を " + c.type +
                                                       " 形式で保存すると、タグ（" + c.lost +
                                                       "）は失われます。保存しますか？");
                EXPECT_EQ(t.host.messages[0].flags, mb::YesNo | mb::IconWarning);
            }
            EXPECT_EQ(std::filesystem::exists(path), written);
            EXPECT_EQ(t.app.doc.title, written ? path : std::string(kUntitled));
        }
    }
}

// The information dialog shows the sound's name, format, length and every tag.
TEST(Tags, TheInformationDialogShowsThem) {
    TestApp t;
    t.SetSound(16, 2, 22050, TestSignal, 44100);
    t.app.doc.tags = kAll;
    std::vector<std::string> shown, expected = {kUntitled, "44100Hz 16Bits Stereo", "0.500 秒"};
    expected.insert(expected.end(), kAll.values.begin(), kAll.values.end());
    DialogScript look;
    look.interact = [&](ScriptedDialog& dialog, std::string&) {
        for (int id = kIdInfoName; id < kIdInfoTagFirst + kTagFieldCount; ++id) {
            if (dialog.HasItem(id)) {
                shown.push_back(dialog.GetItemText(id));
            }
        }
        return true;
    };
    t.host.QueueDialog(look);
    ASSERT_EQ(DispatchCommand(t.app, IDM_SOUND_INFO, NotifyMenu), 1);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(t.host.shownDialogs.back().templateId, kDialogSoundInfo);
}

} // namespace
