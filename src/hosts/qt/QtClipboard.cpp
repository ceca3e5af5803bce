#include "hosts/qt/QtClipboard.h"

#include "model/SampleBlock.h"

#include <QClipboard>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace wt {

namespace {

constexpr const char* kWaveTypes[] = {"audio/wav", "audio/x-wav", "audio/vnd.wave"};

QClipboard* Clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

const QMimeData* ClipboardData() {
    QClipboard* clipboard = Clipboard();
    return clipboard ? clipboard->mimeData() : nullptr;
}

const char* WaveTypeOf(const QMimeData& data) {
    for (const char* type : kWaveTypes) {
        if (data.hasFormat(QString::fromLatin1(type))) {
            return type;
        }
    }
    return nullptr;
}

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

std::string SingleLocalFileOf(const QMimeData& data) {
    if (!data.hasUrls()) {
        return {};
    }
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return {};
    }
    return QFile::encodeName(urls.front().toLocalFile()).toStdString();
}

bool SetQtClipboardWave(const std::vector<std::uint8_t>& riffImage) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard) {
        return false;
    }
    auto* data = new QMimeData;
    const QByteArray bytes(reinterpret_cast<const char*>(riffImage.data()),
                           static_cast<qsizetype>(riffImage.size()));
    for (const char* type : kWaveTypes) {
        data->setData(QString::fromLatin1(type), bytes);
    }
    clipboard->setMimeData(data);
    return true;
}

bool GetQtClipboardWave(std::vector<std::uint8_t>& riffImage) {
    const QMimeData* data = ClipboardData();
    if (!data) {
        return false;
    }
    if (const char* type = WaveTypeOf(*data)) {
        const QByteArray bytes = data->data(QString::fromLatin1(type));
        // The editor's copy is asked for like any other large block: false when it cannot
        // be had, while the clipboard still holds its sound.
        if (!TryResize(riffImage, static_cast<std::size_t>(bytes.size()))) {
            return false;
        }
        std::copy(bytes.begin(), bytes.end(), riffImage.begin());
        return true;
    }
    return false;
}

std::string QtClipboardFile() {
    const QMimeData* data = ClipboardData();
    return data && !WaveTypeOf(*data) ? SingleLocalFileOf(*data) : std::string();
}

bool QtClipboardHasWave() {
    const QMimeData* data = ClipboardData();
    return data && (WaveTypeOf(*data) || !SingleLocalFileOf(*data).empty());
}

void EmptyQtClipboard() {
    if (QClipboard* clipboard = Clipboard()) {
        clipboard->clear();
    }
}

QtBatchClipboard::QtBatchClipboard(std::string programPath)
    : programPath_(std::move(programPath)) {}

QtBatchClipboard::~QtBatchClipboard() = default;

bool QtBatchClipboard::DesktopAvailable() {
    if (const char* platform = std::getenv("QT_QPA_PLATFORM"); platform && *platform) {
        return std::strstr(platform, "offscreen") == nullptr &&
               std::strstr(platform, "minimal") == nullptr;
    }
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

void QtBatchClipboard::Start() {
    if (application_ || QCoreApplication::instance()) {
        return;
    }
    argv_[argc_++] = programPath_.data();
    if (!IsSet("QT_QPA_PLATFORM")) {
        // A display that cannot be reached falls back to a clipboard private to the process.
        platform_ = IsSet("WAYLAND_DISPLAY") ? "wayland;xcb;offscreen" : "xcb;offscreen";
        static char option[] = "-platform";
        argv_[argc_++] = option;
        argv_[argc_++] = platform_.data();
    }
    application_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

bool QtBatchClipboard::SetWave(const std::vector<std::uint8_t>& riffImage) {
    Start();
    return SetQtClipboardWave(riffImage);
}

bool QtBatchClipboard::GetWave(std::vector<std::uint8_t>& riffImage) {
    Start();
    return GetQtClipboardWave(riffImage);
}

bool QtBatchClipboard::HasWave() {
    Start();
    return QtClipboardHasWave();
}

std::string QtBatchClipboard::File() {
    Start();
    return QtClipboardFile();
}

void QtBatchClipboard::Empty() {
    Start();
    EmptyQtClipboard();
}

bool QtBatchClipboard::Hold(int milliseconds) {
    QClipboard* clipboard = Clipboard();
    if (!clipboard || !clipboard->ownsClipboard()) {
        return false;
    }
    QEventLoop loop;
    const auto quitWhenTaken = [&] {
        if (!clipboard->ownsClipboard()) {
            loop.quit();
        }
    };
    QObject::connect(clipboard, &QClipboard::changed, &loop, quitWhenTaken);
    // The change notification is what normally ends the wait; the poll covers a platform that
    // does not send it.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, quitWhenTaken);
    poll.start(100);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return !clipboard->ownsClipboard();
}

} // namespace wt
