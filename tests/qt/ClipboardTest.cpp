// The desktop clipboard through Qt: the three WAV types a copy offers, and what reading
// accepts (any of them, or a uri-list naming one local .wav file). Two editor processes
// exchanging sound on a real X display: tests/cli/clipboard_x11.sh.
#include "platform/qt/QtClipboard.h"

#include "fileio/WaveImage.h"

#include "QtTestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
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

void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
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

TEST(QtClipboard, ReadsAnyWaveTypeOrOneLocalWaveFile) {
    qttest::TempDir dir;
    const Bytes image = MonoImage({5, 6});
    const std::string file = dir.File("Copied.WAV");
    // A file with a LIST chunk in front of its samples: read by the file reader's rules and
    // handed over as a canonical image.
    Bytes withList = {'R', 'I', 'F', 'F', 0,   0, 0, 0, 'W', 'A', 'V',
                      'E', 'L', 'I', 'S', 'T', 2, 0, 0, 0,   'x', 'y'};
    withList.insert(withList.end(), image.begin() + 12, image.end());
    WriteFile(file, withList);
    const std::string broken = dir.File("broken.wav");
    WriteFile(broken, Bytes(30, 'x'));
    WriteFile(dir.File("notes.txt"), image);
    const auto uri = [](const std::string& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    };

    struct Case {
        const char* name;
        const char* type; // a wave type given the image, or nullptr
        QList<QUrl> urls; // a uri-list, when not empty
        bool hasWave;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"audio/wav", "audio/wav", {}, true, image},
        {"audio/x-wav", "audio/x-wav", {}, true, image},
        {"audio/vnd.wave", "audio/vnd.wave", {}, true, image},
        {"one local .wav file", nullptr, {uri(file)}, true, image},
        {"a file that is no WAV file gives an empty image", nullptr, {uri(broken)}, true, {}},
        {"two files", nullptr, {uri(file), uri(broken)}, false, {}},
        {"not a .wav name", nullptr, {uri(dir.File("notes.txt"))}, false, {}},
        {"not a local file",
         nullptr,
         {QUrl(QStringLiteral("https://example.org/a.wav"))},
         false,
         {}},
        {"text only", nullptr, {}, false, {}},
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
        Bytes back = {9};
        EXPECT_EQ(GetQtClipboardWave(back), c.hasWave) << c.name;
        if (c.hasWave) {
            EXPECT_EQ(back, c.expected) << c.name;
        }
    }
}

} // namespace
} // namespace wt
