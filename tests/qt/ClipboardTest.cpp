// The desktop clipboard through Qt: the three WAV types a copy offers, what reading accepts
// (any of them, or a uri-list naming one local .wav file), and copy and paste in the editor
// when memory runs out. Two editor processes exchanging sound on a real X display:
// tests/cli/clipboard_x11.sh.
#include "hosts/qt/QtClipboard.h"

#include "editor/App.h"
#include "editor/CommandIds.h"
#include "hosts/qt/Desktop.h"
#include "hosts/qt/QtHost.h"
#include "model/SampleBlock.h"
#include "model/WaveImage.h"
#include "window/MainWindow.h"

#include "QtTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace wt {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A canonical image of 16-bit mono samples at 22050 Hz.
Bytes MonoImage(const std::vector<std::int16_t>& values) {
    const SoundFormat format{1, 1, 22050, 44100, 2, 16, 0};
    Bytes image(kWaveHeaderBytes + values.size() * 2);
    WriteWaveHeader(image.data(), format, static_cast<std::uint32_t>(values.size() * 2));
    for (std::size_t i = 0; i < values.size(); ++i) {
        image[kWaveHeaderBytes + 2 * i] = static_cast<std::uint8_t>(values[i] & 0xFF);
        image[kWaveHeaderBytes + 2 * i + 1] = static_cast<std::uint8_t>((values[i] >> 8) & 0xFF);
    }
    return image;
}

QByteArray ToQt(const Bytes& b) {
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
}

TEST(QtClipboard, ACopyOffersTheThreeWaveTypesAndEmptyingRemovesThem) {
    const Bytes image = MonoImage({1, -2, 3});
    ASSERT_TRUE(SetQtClipboardWave(image));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    for (const char* type : {"audio/wav", "audio/x-wav", "audio/vnd.wave"}) {
        EXPECT_EQ(data->data(QString::fromLatin1(type)), ToQt(image)) << type;
    }
    EXPECT_FALSE(data->hasImage()) << "a copy offers no picture";
    EmptyQtClipboard();
    EXPECT_FALSE(QtClipboardHasWave());
    Bytes back;
    EXPECT_FALSE(GetQtClipboardWave(back));
}

TEST(QtClipboard, ReadsAnyWaveTypeOrNamesOneLocalFile) {
    qttest::TempDir dir;
    const Bytes image = MonoImage({5, 6});
    const std::string file = dir.File("Copied.WAV"), notes = dir.File("notes.txt");
    const auto uri = [](const std::string& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    };

    // Wave data is handed over as it is; one local file, whatever its name, by its path for
    // the editor to read as it opens files (and to say why when it cannot).
    struct Case {
        const char* name;
        const char* type; // a wave type given the image, or nullptr
        QList<QUrl> urls; // a uri-list, when not empty
        bool hasWave;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"audio/wav", "audio/wav", {}, true, ""},
        {"audio/x-wav", "audio/x-wav", {}, true, ""},
        {"audio/vnd.wave", "audio/vnd.wave", {}, true, ""},
        {"wave data before a file", "audio/wav", {uri(file)}, true, ""},
        {"one local .wav file", nullptr, {uri(file)}, true, file},
        {"one local file of any name", nullptr, {uri(notes)}, true, notes},
        {"two files", nullptr, {uri(file), uri(notes)}, false, ""},
        {"not a local file",
         nullptr,
         {QUrl(QStringLiteral("https://example.org/a.wav"))},
         false,
         ""},
        {"text only", nullptr, {}, false, ""},
    };
    for (const Case& c : cases) {
        auto* data = new QMimeData;
        data->setText(QStringLiteral("text"));
        if (c.type) {
            data->setData(QString::fromLatin1(c.type), ToQt(image));
        }
        if (!c.urls.isEmpty()) {
            data->setUrls(c.urls);
        }
        QGuiApplication::clipboard()->setMimeData(data);
        EXPECT_EQ(QtClipboardHasWave(), c.hasWave) << c.name;
        EXPECT_EQ(QtClipboardFile(), c.file) << c.name;
        Bytes back = {9};
        EXPECT_EQ(GetQtClipboardWave(back), c.type != nullptr) << c.name;
        if (c.type) {
            EXPECT_EQ(back, image) << c.name;
        }
    }
}

// Copy, paste and mix paste on the desktop clipboard, with each large allocation the command
// makes (the copy's image, the snapshot, the clipboard's copy of the sound, the converted and
// the grown sound) failing in turn. A run either ends as the undisturbed run ended or says
// "メモリーが足りません" in a message box and leaves the sound, its selection and cursor as
// they were; a failed copy empties the clipboard, a failed paste leaves its sound there.
TEST(QtClipboard, CopyAndPasteThatRunOutOfMemorySayItAndLeaveTheSoundAsItWas) {
    qttest::DesktopEditor editor;
    QtHost& host = editor.host;
    App& app = editor.app;
    ASSERT_TRUE(OpenMainWindow(host, app, ""));
    SoundDocument& doc = app.doc;
    // 8-bit mono at 11025 Hz, 200 frames, frames 50 .. 150 selected, the cursor at 150; the
    // clipboard holds 300 frames of 16-bit mono at 22050 Hz, so a paste converts them, and a
    // mix at the cursor runs past the end.
    const Bytes clipboard = MonoImage(std::vector<std::int16_t>(300, 1000));
    const auto reset = [&] {
        doc.format = {1, 1, 11025, 11025, 1, 8, 0};
        doc.RecomputeBytesPerSample();
        doc.byteLength = 200;
        ASSERT_TRUE(doc.sampleData.Resize(200 + 16));
        for (int i = 0; i < 200; ++i) {
            doc.Data()[i] = static_cast<std::uint8_t>(i * 7);
        }
        doc.selStart = 50;
        doc.selEnd = doc.cursor = doc.anchor = 150;
        app.undo.data.Reset(); // no snapshot block of the same size to reuse
        ASSERT_TRUE(SetQtClipboardWave(clipboard));
    };
    const auto sound = [&] { return Bytes(doc.Data(), doc.Data() + doc.byteLength); };
    // Runs the command, reading and closing the message box it may show.
    const auto run = [&](int command, std::string& said) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&said] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                said = box->text().toStdString();
                box->accept();
            }
        });
        poll.start(10);
        return DispatchCommand(app, command, NotifyMenu);
    };

    for (const auto& [name, command] : {std::pair{"copy", IDM_COPY}, std::pair{"paste", IDM_PASTE},
                                        std::pair{"mix paste", IDM_MIX_PASTE}}) {
        // The undisturbed run counts the allocations the command makes.
        reset();
        const Bytes before = sound();
        std::string said;
        const std::uint64_t first = SampleBlock::AllocationCountForTesting();
        ASSERT_EQ(run(command, said), 1) << name;
        const std::uint64_t sites = SampleBlock::AllocationCountForTesting() - first;
        const Bytes done = sound();
        if (command != IDM_COPY) {
            ASSERT_EQ(done.size(), command == IDM_PASTE ? 350u : 300u) << name;
        }
        int failures = 0;
        for (std::uint64_t n = 1; n <= sites; ++n) {
            reset();
            said.clear();
            SampleBlock::FailNthAllocationForTesting(n);
            const int result = run(command, said);
            SampleBlock::FailNthAllocationForTesting(0);
            Bytes held;
            const bool holds = GetQtClipboardWave(held);
            if (result == 1) {
                EXPECT_EQ(said, "") << name << " " << n;
                EXPECT_EQ(sound(), done) << name << " " << n;
                continue;
            }
            ++failures;
            EXPECT_EQ(said, "メモリーが足りません") << name << " " << n;
            EXPECT_EQ(sound(), before) << name << " " << n;
            EXPECT_EQ(doc.selStart, 50) << name << " " << n;
            EXPECT_EQ(doc.selEnd, 150) << name << " " << n;
            EXPECT_EQ(doc.cursor, 150) << name << " " << n;
            EXPECT_EQ(holds, command != IDM_COPY) << name << " " << n;
            if (command != IDM_COPY) {
                EXPECT_EQ(held, clipboard) << name << " " << n;
            }
        }
        // The copy's image; the paste's snapshot, clipboard copy and conversion at least.
        EXPECT_GE(failures, command == IDM_COPY ? 1 : 4) << name;
    }
    // The clipboard's own copy of the sound, alone: refused, the clipboard keeps the sound.
    Bytes held;
    SampleBlock::FailNthAllocationForTesting(1);
    EXPECT_FALSE(GetQtClipboardWave(held));
    SampleBlock::FailNthAllocationForTesting(0);
    EXPECT_TRUE(QtClipboardHasWave());
    ASSERT_TRUE(GetQtClipboardWave(held));
    EXPECT_EQ(held, clipboard);
}

} // namespace
} // namespace wt
