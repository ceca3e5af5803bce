// What a save may replace: a new name or a regular file the user may write; the replaced
// file's owner and group stay. Root may write anything, so the refusals of an ordinary user
// run in a child that has given up root.
#include "FileTestSupport.h"
#include "Unprivileged.h"

#include "batch/Batch.h"
#include "commands/file/FileCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <vector>

using namespace wt;
using namespace wt::test;

namespace {

// The entries of a folder, to see that a refused save leaves no temporary file behind.
std::vector<std::string> Entries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `line` on a changed sound named `title`; true when the line failed, the user was told
// (a message box naming the file and `cause` for save and save as, the error for
// clipboard_save), the document is still changed and the folder holds what it held before.
// `why` says what went wrong.
bool LineIsRefused(const std::string& line, const std::string& title, const std::string& cause,
                   std::string& why) {
    TestApp t;
    t.SetSound(16, 1, 20, TestSignal, 8000);
    t.app.doc.title = title;
    t.app.doc.fileType = FileTypeWav;
    t.app.doc.modified = true;
    t.host.SetClipboardWave(Bytes(64, 0x55));
    const std::filesystem::path folder = std::filesystem::path(title).parent_path();
    const auto before = Entries(folder);
    std::ostringstream out, err;
    BatchContext context{t.app, t.host, out, err};
    std::string error;
    bool stop = false;
    const bool ran = RunBatchLine(context, line, error, stop);
    const bool told =
        line.rfind("clipboard_save", 0) == 0
            ? error == "cannot write " + title
            : !t.host.messages.empty() &&
                  t.host.messages.back().text == "[" + title + "]に書き込めません\n" + cause &&
                  t.host.messages.back().caption == "保存";
    why = line + ": ran " + std::to_string(ran) + ", told " + std::to_string(told) + ", modified " +
          std::to_string(t.app.doc.modified) + ", folder " +
          (Entries(folder) == before ? "unchanged" : "changed");
    return !ran && told && t.app.doc.modified && Entries(folder) == before;
}

// True when the file starts as a WAV file does.
bool IsWave(const std::string& path) {
    const Bytes bytes = ReadFile(path);
    return bytes.size() > 44 && std::equal(bytes.begin(), bytes.begin() + 4, "RIFF");
}

// The three ways a file is written over: save, save as and clipboard_save.
std::vector<std::string> WritesOver(const std::string& path) {
    return {"save", "saveas \"" + path + "\"", "clipboard_save \"" + path + "\""};
}

// A FIFO or a device node named as the target is refused at once, for root as for an
// ordinary user, and stays what it was; renaming a file over it would destroy it.
TEST(SaveTarget, AFifoOrADeviceNodeIsRefusedAndKept) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0); // anyone may add and rename files here
    const std::string fifo = dir.File("p.wav"), device = dir.File("null.wav");
    const std::string linkToDevice = dir.File("link.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    std::vector<std::string> targets = {fifo};
    // A device node of its own (the null device's numbers), so nothing outside the folder is
    // at stake; only root may make one.
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        std::filesystem::create_symlink(device, linkToDevice);
        targets.insert(targets.end(), {device, linkToDevice});
    }
    const auto refusedEverywhere = [&](std::string& why) {
        for (const std::string& target : targets) {
            for (const std::string& line : WritesOver(target)) {
                alarm(10); // a save that opened the FIFO would wait here for ever
                const bool refused = LineIsRefused(
                    line, target,
                    "通常のファイルではありません(パイプやデバイスには保存できません)", why);
                alarm(0);
                if (!refused) {
                    return false;
                }
            }
        }
        return std::filesystem::is_fifo(fifo) &&
               (targets.size() == 1 || std::filesystem::is_character_file(device));
    };
    std::string why;
    EXPECT_TRUE(refusedEverywhere(why)) << why;
    const int status = RunUnprivileged([&] { return refusedEverywhere(why); });
    EXPECT_TRUE(status == 0 || status == kCannotDropRoot) << "as an ordinary user";
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

// A file the user may not write (mode 0444, or another user's) is not replaced through the
// folder either: the save fails with a message and file and document stay as they were.
// Root keeps its rights and saves over the read-only file, which keeps its mode.
TEST(SaveTarget, AFileTheUserMayNotWriteIsRefused) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    const Bytes old = {'R', 'I', 'F', 'F', 'o', 'l', 'd'};
    const std::string readOnly = dir.File("ro.wav"), others = dir.File("others.wav");
    WriteFile(readOnly, old);
    WriteFile(others, old);
    ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(chmod(others.c_str(), 0644), 0);
    // Another user's file only when there is another user: the child of a non-root run is the
    // files' owner.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(readOnly.c_str(), kNobodyId, kNobodyId), 0);
    }
    const int status = RunUnprivileged([&] {
        std::string why;
        const char* cause = "書き込む権限がありません";
        const bool othersRefused = !root || LineIsRefused("save", others, cause, why);
        return LineIsRefused("save", readOnly, cause, why) && othersRefused;
    });
    ASSERT_NE(status, kCannotDropRoot);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(readOnly), old);
    EXPECT_EQ(ReadFile(others), old);

    if (root) {
        TestApp t;
        t.SetSound(16, 1, 20, TestSignal, 8000);
        t.app.doc.title = readOnly;
        ASSERT_EQ(SaveSoundFile(t.app, FileTypeWav), 1);
        EXPECT_TRUE(IsWave(readOnly));
        struct stat st {};
        ASSERT_EQ(stat(readOnly.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0444u);
    }
}

// Root saving another user's file leaves it that user's: owner, group and mode stay, so the
// owner may still write it.
TEST(SaveTarget, TheReplacedFilesOwnerAndGroupStay) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another user";
    }
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    const std::string theirs = dir.File("theirs.wav");
    WriteFile(theirs, {'o', 'l', 'd'});
    ASSERT_EQ(chown(theirs.c_str(), kNobodyId, kNobodyId), 0);
    ASSERT_EQ(chmod(theirs.c_str(), 0640), 0);
    TestApp t;
    t.SetSound(16, 1, 20, TestSignal, 8000);
    t.app.doc.title = theirs;
    ASSERT_EQ(SaveSoundFile(t.app, FileTypeWav), 1);
    struct stat st {};
    ASSERT_EQ(stat(theirs.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kNobodyId);
    EXPECT_EQ(st.st_gid, kNobodyId);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(IsWave(theirs));
    EXPECT_EQ(RunUnprivileged([&] { return access(theirs.c_str(), W_OK) == 0; }), 0)
        << "the owner may still write the file";
}

// Links, as the kernel's protected-symlinks rule has them: in a sticky world-writable folder a
// link is followed only when it belongs to the folder's owner or to the saving user, so a
// link another user planted there cannot make root's save replace the file it points to. A
// link to nothing is refused rather than replaced by a file.
TEST(SaveTarget, LinksInSharedFoldersAndLinksToNothing) {
    const std::tuple<mode_t, bool, const char*, const char*> cases[] = {
        // folder mode, link given to another user (needs root: last), file, cause of refusal
        {01777, false, "private.wav", nullptr},
        {0755, false, "gone.wav", "シンボリックリンクの指す先がありません"},
        {0777, true, "private.wav", nullptr},
        {01777, true, "private.wav",
         "共有フォルダーにある他のユーザーのシンボリックリンクです。リンク先には保存しません"}};
    for (const auto& [mode, theirs, name, cause] : cases) {
        TempDir dir;
        const std::string shared = dir.File("shared"), link = shared + "/victim.wav";
        const std::string file = dir.File(name);
        std::filesystem::create_directory(shared);
        ASSERT_EQ(chmod(shared.c_str(), mode), 0);
        WriteFile(dir.File("private.wav"), {'o', 'l', 'd'});
        std::filesystem::create_symlink(file, link);
        if (theirs && lchown(link.c_str(), kNobodyId, kNobodyId) != 0) {
            GTEST_SKIP() << "only root may give a link to another user";
        }
        std::string why;
        EXPECT_EQ(LineIsRefused("save", link, cause ? cause : "", why), cause != nullptr) << why;
        EXPECT_EQ(IsWave(file), cause == nullptr) << why;
        EXPECT_TRUE(std::filesystem::is_symlink(link));
    }
}

} // namespace
