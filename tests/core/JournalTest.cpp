// The recovery journal: what a session that died leaves behind is listed and rebuilt exactly,
// a damaged journal is refused and set aside, and a live session's journal is never touched.
#include "TestApp.h"

#include "history/EditHistory.h"
#include "history/Journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wt {
namespace {

namespace fs = std::filesystem;

SoundFormat Pcm(int channels, int bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return {1,     static_cast<std::uint16_t>(channels), 8000, 8000u * align,
            align, static_cast<std::uint16_t>(bits),     0};
}

std::vector<std::uint8_t> Noise(std::size_t count, unsigned seed) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes[i] = static_cast<std::uint8_t>(seed >> 16);
    }
    return bytes;
}

SharedBytes Share(const std::vector<std::uint8_t>& bytes, std::size_t from = 0,
                  std::size_t count = std::string::npos) {
    count = std::min(count, bytes.size() - from);
    return CopyShared(bytes.data() + from, count);
}

// One edit session: the document's bytes and state per history step, and the journal fed
// as the window would feed it.
struct Session {
    struct Snap {
        std::vector<std::uint8_t> bytes;
        StepState state;
    };
    std::vector<Snap> steps;
    int current = 0;
    std::optional<Snap> recording;
    int rebases = 0; // going back before the journal's base took a new one
    std::unique_ptr<Journal> journal = std::make_unique<Journal>();

    explicit Session(const std::string& folder, const std::string& source = "") {
        std::string error;
        EXPECT_TRUE(journal->Start(folder, error)) << error;
        StepState state{
            Pcm(2, 16), 4000, {40, 400, 400, 40}, {"song.wav", 1, false, "", {}}, false};
        steps.push_back({Noise(4000, 1), state});
        journal->Base(0, state, Share(steps[0].bytes), source);
    }
    const Snap& Now() const { return steps[static_cast<std::size_t>(current)]; }

    // A new step after the current one: `bytes` and `state` after it.
    void Change(std::vector<std::uint8_t> bytes, StepState state) {
        const Snap& before = Now();
        state.length = static_cast<std::int32_t>(bytes.size());
        StepChange change;
        change.step = current + 1;
        change.range = DiffSounds(before.bytes.data(), before.state.length, before.state.format,
                                  bytes.data(), state.length, state.format);
        change.newMiddle = Share(bytes, static_cast<std::size_t>(change.range.prefix),
                                 static_cast<std::size_t>(change.range.newLength));
        change.after = state;
        change.text = "edit";
        steps.resize(static_cast<std::size_t>(++current));
        steps.push_back({std::move(bytes), state});
        journal->Step(change);
    }
    void GoTo(int step, StepPositions positions) {
        current = step;
        Snap& snap = steps[static_cast<std::size_t>(step)];
        snap.state.positions = positions;
        if (!journal->GoTo(step, snap.state)) {
            journal->Base(step, snap.state, Share(snap.bytes), "");
            ++rebases;
        }
    }
    // Applies `op`: e(dit) replaces b bytes at a with c new ones, w(hole) makes a new sound of
    // a bytes, f(ormat) makes it 8-bit mono, i(dentity) renames it, g(o to) step a, r(ecording)
    // starts with c bytes captured (a partial frame too).
    void Apply(char op, int a, int b, int c) {
        std::vector<std::uint8_t> bytes = Now().bytes;
        StepState state = Now().state;
        state.modified = true;
        state.positions = {a, a + c, a + c, a};
        const auto seed = static_cast<unsigned>(steps.size() * 7 + 3);
        if (op == 'e') {
            const std::vector<std::uint8_t> middle = Noise(static_cast<std::size_t>(c), seed);
            bytes.erase(bytes.begin() + a, bytes.begin() + a + b);
            bytes.insert(bytes.begin() + a, middle.begin(), middle.end());
        } else if (op == 'w') {
            bytes = Noise(static_cast<std::size_t>(a), seed);
        } else if (op == 'f') {
            state.format = Pcm(1, 8);
            bytes.resize(bytes.size() / 4);
        } else if (op == 'i') {
            state.identity = {"renamed.aiff", 2, true, "aiff 16", {}};
            state.identity.tags[TagField::Artist] = "誰か";
        } else if (op == 'g') {
            return GoTo(a, {b, b, b, b});
        } else if (op == 'r') {
            recording = Snap{Noise(static_cast<std::size_t>(c), seed), {}};
            recording->state.format = Pcm(2, 16);
            recording->state.identity.title = kUntitled;
            journal->RecordingStart(Pcm(2, 16));
            journal->RecordingData(Share(recording->bytes, 0, 1000));
            journal->RecordingData(Share(recording->bytes, 1000));
            recording->bytes.resize(recording->bytes.size() / 4 * 4);
            recording->state.length = static_cast<std::int32_t>(recording->bytes.size());
            return;
        }
        Change(std::move(bytes), state);
    }
    const Snap& Expected() const { return recording ? *recording : Now(); }
};

void ExpectRestores(const std::string& path, const Session::Snap& want) {
    RestoredSound got;
    std::string error;
    ASSERT_TRUE(RestoreJournal(path, got, error)) << error;
    EXPECT_EQ(got.sound.byteLength, want.state.length);
    EXPECT_TRUE(got.sound.format == want.state.format);
    ASSERT_EQ(got.sound.data.Size(), want.bytes.size() + 16);
    const std::uint8_t* data = got.sound.data.Data();
    EXPECT_TRUE(std::equal(want.bytes.begin(), want.bytes.end(), data));
    EXPECT_EQ(std::vector<std::uint8_t>(data + want.bytes.size(), data + want.bytes.size() + 16),
              std::vector<std::uint8_t>(16, 0));
    EXPECT_EQ(got.state.positions, want.state.positions);
    EXPECT_EQ(got.state.identity, want.state.identity);
    EXPECT_TRUE(got.state.modified);
}

struct Op {
    char op;
    int a, b, c;
};

// Sessions that end without a clean exit at different kinds of change; the restore gives the
// state the document was in.
TEST(Journal, RestoresTheLastStateOfADeadSession) {
    const std::vector<std::pair<int, std::vector<Op>>> sessions = {
        {0, {{'e', 400, 800, 40}, {'e', 0, 0, 400}, {'i', 0, 0, 0}, {'e', 3200, 400, 0}}},
        // back two steps, then a branch that drops them; then back to before the branch
        {0,
         {{'e', 400, 800, 40},
          {'e', 80, 4, 8},
          {'e', 12, 400, 4},
          {'g', 1, 8, 0},
          {'e', 1000, 0, 40},
          {'g', 1, 4, 0}}},
        // a whole new sound starts the file anew; going back before it takes a new base
        {1,
         {{'e', 4, 4, 4}, {'w', 6000, 0, 0}, {'e', 1200, 40, 4}, {'g', 1, 12, 0}, {'e', 8, 8, 80}}},
        {1, {{'e', 4, 4, 4}, {'f', 0, 0, 0}, {'e', 10, 20, 30}, {'g', 2, 2, 0}, {'g', 0, 0, 0}}},
        {0, {{'e', 400, 800, 40}, {'r', 0, 0, 2003}}},
    };
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        SCOPED_TRACE(i);
        test::TempDir dir;
        Session session(dir.Path().string());
        for (const Op& op : sessions[i].second) {
            session.Apply(op.op, op.a, op.b, op.c);
        }
        EXPECT_EQ(session.rebases, sessions[i].first);
        session.journal.reset(); // as after a crash: no Close
        std::vector<std::string> refused;
        const std::vector<RecoverableJournal> found = ListJournals(dir.Path().string(), refused);
        EXPECT_TRUE(refused.empty());
        ASSERT_EQ(found.size(), 1u);
        const Session::Snap& want = session.Expected();
        EXPECT_EQ(found[0].title, want.state.identity.title);
        EXPECT_TRUE(found[0].format == want.state.format);
        EXPECT_EQ(found[0].length, want.state.length);
        ExpectRestores(found[0].path, want);
    }
}

// A journal cut by a crash restores the state of its last whole record; any other damage
// refuses the file, sets it aside and never restores samples.
TEST(Journal, RefusesDamageAndKeepsWhatACutLeft) {
    enum Damage { Cut, CutZeroPad, Flip };
    struct Case {
        Damage damage;
        int record;   // the damage's place: the end of that record (-1: the file's start)
        int offset;   // bytes after it
        int restored; // the step restored, -1 for refused
    };
    const std::vector<Case> cases = {
        {Cut, 3, 0, 3},        {Cut, 2, 30, 2},   {Cut, 1, 100, 1},   {Cut, 0, 7, 0},
        {CutZeroPad, 2, 0, 2}, {Cut, -1, 10, -1}, {Flip, 1, 200, -1}, {Flip, 2, 9, -1},
        {Flip, 2, 0, -1},      {Flip, -1, 2, -1}, {Flip, 0, 100, -1}, {Flip, 2, 17, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.damage << " " << c.record << " " << c.offset);
        test::TempDir dir;
        Session session(dir.Path().string());
        session.journal->Flush();
        std::vector<std::uintmax_t> ends = {fs::file_size(session.journal->Path())};
        for (const Op& op :
             std::vector<Op>{{'e', 400, 800, 40}, {'e', 0, 4, 400}, {'e', 8, 0, 4}}) {
            session.Apply(op.op, op.a, op.b, op.c);
            session.journal->Flush();
            ends.push_back(fs::file_size(session.journal->Path()));
        }
        const std::string path = session.journal->Path();
        session.journal.reset();
        const auto at = static_cast<std::uintmax_t>(c.record < 0 ? 0 : ends[c.record]) +
                        static_cast<std::uintmax_t>(c.offset);
        if (c.damage == Flip) {
            std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(static_cast<std::streamoff>(at));
            const char byte = static_cast<char>(file.get() ^ 0x10);
            file.seekp(static_cast<std::streamoff>(at));
            file.put(byte);
        } else {
            const std::uintmax_t size = fs::file_size(path);
            fs::resize_file(path, at);
            if (c.damage == CutZeroPad) {
                fs::resize_file(path, size);
            }
        }
        std::vector<std::string> refused;
        const std::vector<RecoverableJournal> found = ListJournals(dir.Path().string(), refused);
        if (c.restored >= 0) {
            EXPECT_TRUE(refused.empty());
            ASSERT_EQ(found.size(), 1u);
            ExpectRestores(path, session.steps[static_cast<std::size_t>(c.restored)]);
        } else {
            EXPECT_TRUE(found.empty());
            ASSERT_EQ(refused.size(), 1u);
            EXPECT_NE(refused[0].find(fs::path(path).filename().string()), std::string::npos);
            EXPECT_FALSE(fs::exists(path));
            EXPECT_TRUE(fs::exists(path + ".damaged"));
        }
    }
}

// A live session's journal is neither listed, restored nor discarded; how a session ends
// decides whether its file stays.
TEST(Journal, LockAndEndings) {
    enum End { Crash, CloseKeep, CloseDrop, Clean, RecordingOnly };
    for (const auto& [end, stays] : std::vector<std::pair<End, bool>>{{Crash, true},
                                                                      {CloseKeep, true},
                                                                      {CloseDrop, false},
                                                                      {Clean, false},
                                                                      {RecordingOnly, false}}) {
        SCOPED_TRACE(end);
        test::TempDir dir;
        const std::string folder = (dir.Path() / "a/b").string();
        Session session(folder);
        if (end == RecordingOnly) {
            session.journal->Clean();
            session.journal->RecordingStart(Pcm(1, 8));
            session.journal->RecordingData(Share(Noise(100, 1)));
        }
        session.journal->Flush();
        const std::string path = session.journal->Path();
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
        std::vector<std::string> refused;
        EXPECT_TRUE(ListJournals(folder, refused).empty());
        RestoredSound restored;
        std::string error;
        EXPECT_FALSE(RestoreJournal(path, restored, error));
        EXPECT_NE(error.find("他のウィンドウ"), std::string::npos) << error;
        EXPECT_FALSE(DiscardJournal(path));
        EXPECT_TRUE(fs::exists(path));
        if (end == CloseKeep || end == CloseDrop) {
            session.journal->Close(end == CloseKeep);
        } else if (end == Clean) {
            session.journal->Clean();
        } else if (end == RecordingOnly) {
            session.journal->RecordingEnd();
        }
        session.journal.reset();
        EXPECT_EQ(fs::exists(path), stays);
        EXPECT_EQ(ListJournals(folder, refused).size(), stays ? 1u : 0u);
        EXPECT_TRUE(refused.empty());
        EXPECT_EQ(DiscardJournal(path), stays);
        EXPECT_FALSE(fs::exists(path));
    }
}

// The file the sound came from changed (or went) after the journal's base was taken.
TEST(Journal, SaysWhenTheSourceFileIsNewer) {
    enum Change { None, Touched, Grown, Removed };
    for (const auto& [change, newer] : std::vector<std::pair<Change, bool>>{
             {None, false}, {Touched, true}, {Grown, true}, {Removed, false}}) {
        SCOPED_TRACE(change);
        test::TempDir dir;
        const std::string source = dir.File("song.wav");
        std::ofstream(source) << "RIFF";
        Session session(dir.File("recovery"), source);
        session.Apply('e', 0, 4, 4);
        session.journal.reset();
        if (change == Touched) {
            fs::last_write_time(source, fs::last_write_time(source) + std::chrono::seconds(3));
        } else if (change == Grown) {
            std::ofstream(source, std::ios::app) << "WAVE";
        } else if (change == Removed) {
            fs::remove(source);
        }
        std::vector<std::string> refused;
        const std::vector<RecoverableJournal> found = ListJournals(dir.File("recovery"), refused);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].sourcePath, source);
        EXPECT_EQ(found[0].sourceNewer, newer);
        RestoredSound restored;
        std::string error;
        ASSERT_TRUE(RestoreJournal(found[0].path, restored, error)) << error;
        EXPECT_EQ(restored.sourceNewer, newer);
    }
}

} // namespace
} // namespace wt
