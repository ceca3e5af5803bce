// One level of undo: the snapshot is a full copy, the exchange moves blocks without copying,
// and undoing twice returns to the changed state.
#include "FileTestSupport.h"

#include "commands/edit/UndoCommands.h"
#include "commands/file/FileCommands.h"
#include "editor/CommandIds.h"
#include "window/CommandTable.h"

#include <gtest/gtest.h>

using namespace wt;
using namespace wt::test;

namespace {

TEST(Undo, StartsWithTheEmptySoundInATenByteBlock) {
    TestApp t;
    EXPECT_EQ(t.app.undo.length, 0);
    EXPECT_EQ(t.app.undo.data.Size(), 10u);
    CmdUndo(t.app);
    EXPECT_EQ(t.app.doc.byteLength, 0);
    EXPECT_EQ(t.app.doc.format, t.app.undo.format) << "undo with no change keeps the empty sound";
}

TEST(Undo, ExchangesTheEditedAndThePreviousSound) {
    TestApp t;
    t.SetSound(16, 2, 100, TestSignal, 44100);
    SoundDocument& doc = t.app.doc;
    doc.selStart = 40;
    doc.selEnd = 80;
    doc.cursor = 80;
    doc.anchor = 40;
    const Bytes original = DocumentBytes(doc);
    ASSERT_EQ(TakeSnapshot(t.app), 1);
    EXPECT_EQ(t.app.undo.data.Size(), original.size() + 16);

    // The "edit": other samples in another format, another selection.
    t.SetSound(
        8, 1, 30, [](int f, int) { return f * 512; }, 8000);
    doc.selStart = 3;
    doc.selEnd = 9;
    doc.cursor = 9;
    doc.anchor = 3;
    doc.modified = true;
    doc.viewStart = 5;
    const Bytes edited = DocumentBytes(doc);
    const std::uint8_t* editedBlock = doc.Data();
    const std::uint8_t* snapshotBlock = t.app.undo.data.Data();

    CmdUndo(t.app);
    EXPECT_EQ(DocumentBytes(doc), original);
    EXPECT_EQ(doc.Data(), snapshotBlock) << "the blocks are exchanged, not copied";
    EXPECT_EQ(t.app.undo.data.Data(), editedBlock);
    EXPECT_EQ(doc.format.sampleRate, 44100u);
    EXPECT_EQ(doc.bytesPerSample, 2);
    EXPECT_EQ(doc.selStart, 40);
    EXPECT_EQ(doc.selEnd, 80);
    EXPECT_EQ(doc.cursor, 80);
    EXPECT_EQ(doc.anchor, 40);
    EXPECT_TRUE(doc.modified) << "undo leaves the modified mark alone";
    EXPECT_EQ(doc.viewStart, 5) << "and the view";
    EXPECT_EQ(t.host.StatusText(0), "44100Hz 16Bits Stereo");
    EXPECT_EQ(t.host.StatusText(1), "400 Bytes");

    CmdUndo(t.app);
    EXPECT_EQ(DocumentBytes(doc), edited);
    EXPECT_EQ(doc.bytesPerSample, 1);
    EXPECT_EQ(doc.selStart, 3);
    EXPECT_EQ(doc.selEnd, 9);
    EXPECT_EQ(doc.cursor, 9);
    EXPECT_EQ(doc.anchor, 3);
    EXPECT_EQ(t.host.StatusText(0), "8000Hz 8Bits Mono");
}

TEST(Undo, ASnapshotThatCannotBeTakenKeepsThePreviousOne) {
    TestApp t;
    t.SetSound(8, 1, 100, TestSignal);
    ASSERT_EQ(TakeSnapshot(t.app), 1);
    const Bytes first = DocumentBytes(t.app.doc);
    t.SetSound(16, 2, 5000, TestSignal);
    {
        AllocationLimit limit(1000);
        EXPECT_EQ(TakeSnapshot(t.app), 0);
    }
    ASSERT_EQ(t.host.messages.size(), 1u);
    EXPECT_EQ(t.host.messages[0].text, "メモリーが足りません");
    EXPECT_EQ(t.host.messages[0].caption, "WaveTomuka");
    CmdUndo(t.app);
    EXPECT_EQ(DocumentBytes(t.app.doc), first);
}

// Opening a file and New replace the whole document: Undo brings back the sound before them
// with its own name, type, tags and modified mark, so a save afterwards writes that sound to its
// own file and never over the file just opened.
TEST(Undo, AcrossOpenAndNewTheNameTravelsWithTheSound) {
    for (const bool viaNew : {false, true}) {
        SCOPED_TRACE(viaNew ? "new" : "open");
        TestApp t;
        SoundDocument& doc = t.app.doc;
        const std::string a = t.dir.File("a.aiff"), b = t.dir.File("b.wav");
        t.SetSound(16, 1, 10, TestSignal);
        doc.title = b;
        ASSERT_EQ(SaveSoundFile(t.app, FileTypeWav), 1);
        const Bytes fileB = ReadFile(b);
        t.SetSound(8, 2, 6, TestSignal);
        doc.title = a;
        doc.tags[TagField::Title] = "A";
        ASSERT_EQ(SaveSoundFile(t.app, FileTypeAiff), 1);
        doc.tags = {};
        ASSERT_EQ(LoadSoundFile(t.app, a), 1);
        EXPECT_EQ(doc.tags[TagField::Title], "A");
        const Bytes fileA = ReadFile(a);
        // An unsaved change, a selection and its status text.
        WriteSample(doc, doc.Data(), 0x4000, 0);
        doc.modified = true;
        doc.selStart = 2;
        doc.selEnd = 6;
        const Bytes changedA = DocumentBytes(doc);

        t.host.QueueAnswer(IdNo); // discard the change
        if (viaNew) {
            t.host.QueueDialog({});
            ASSERT_EQ(DispatchCommand(t.app, IDM_NEW, NotifyMenu), 1);
        } else {
            t.host.QueueFile(b);
            ASSERT_EQ(DispatchCommand(t.app, IDM_OPEN, NotifyMenu), 1);
        }
        const std::string replacedBy = viaNew ? std::string(kUntitled) : b;
        EXPECT_EQ(doc.title, replacedBy);
        EXPECT_TRUE(doc.tags.Empty()) << "the tags went with the old sound";
        EXPECT_EQ(t.host.StatusText(2), "Cur :0.000(Sec)") << "no selection text of the old sound";

        ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO, NotifyMenu), 1);
        EXPECT_EQ(DocumentBytes(doc), changedA);
        EXPECT_EQ(doc.title, a);
        EXPECT_EQ(doc.fileType, FileTypeAiff);
        EXPECT_EQ(doc.tags[TagField::Title], "A");
        EXPECT_TRUE(doc.modified) << "the discarded change is back, and unsaved";
        EXPECT_EQ(t.host.caption, "WaveTomuka -[" + a + "]");
        EXPECT_EQ(t.host.StatusText(2), "Sel :0.000-0.000(Sec)");
        ASSERT_EQ(DispatchCommand(t.app, IDM_SAVE, NotifyMenu), 1);
        EXPECT_EQ(ReadFile(b), fileB) << "the file opened last keeps its own sound";
        EXPECT_NE(ReadFile(a), fileA) << "the changed sound went to its own file";

        // Undo again: the sound opened (or made) last, with its own name and state.
        ASSERT_EQ(DispatchCommand(t.app, IDM_UNDO, NotifyMenu), 1);
        EXPECT_EQ(doc.title, replacedBy);
        EXPECT_TRUE(doc.tags.Empty());
        EXPECT_EQ(doc.byteLength, viaNew ? 0 : 20);
        EXPECT_FALSE(doc.modified);
        EXPECT_EQ(t.host.caption, "WaveTomuka -[" + replacedBy + "]");
    }
}

} // namespace
