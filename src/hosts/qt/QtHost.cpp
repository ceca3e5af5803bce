#include "hosts/qt/QtHost.h"

#include "editor/Menus.h"
#include "hosts/portaudio/PortAudioWaveDevices.h"
#include "hosts/portaudio/SoundPlayer.h"
#include "hosts/qt/ClassicScrollBar.h"
#include "hosts/qt/PixelArt.h"
#include "hosts/qt/QtCanvas.h"
#include "hosts/qt/QtClipboard.h"
#include "hosts/qt/QtDialog.h"
#include "hosts/qt/QtMainWindow.h"
#include "hosts/qt/QtMenuBar.h"
#include "resources/Dialogs.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <chrono>

namespace wt {

namespace {

// Code run among Qt's events can leave the upper halves of the vector registers in use. The
// editor's own loops, built for the baseline instruction set, then run at about half speed
// (measured: the spectral high-pass took twice as long in the window as in batch mode).
// vzeroupper marks them unused again; before the editor's code runs is the place for it.
#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx")]] void ClearUpperVectorHalvesWithAvx() {
    __builtin_ia32_vzeroupper();
}
void ClearUpperVectorHalves() {
    static const bool haveAvx = __builtin_cpu_supports("avx");
    if (haveAvx) {
        ClearUpperVectorHalvesWithAvx();
    }
}
#else
void ClearUpperVectorHalves() {}
#endif

QString FromLocal(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
std::string ToLocal(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

QString NameFilter(const std::string& display, const std::string& patterns) {
    QString description = QString::fromStdString(display).trimmed();
    // The classic display text often repeats the patterns in parentheses; Qt reads the patterns
    // from the last parentheses, so those are replaced by the real list.
    if (description.endsWith(QLatin1Char(')'))) {
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0) {
            description = description.left(open).trimmed();
        }
    }
    QStringList list;
    for (const QString& p : QString::fromStdString(patterns).split(QLatin1Char(';'))) {
        const QString pattern = p.trimmed();
        if (pattern.isEmpty()) {
            continue;
        }
        list << (pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
    }
    if (list.isEmpty()) {
        list << QStringLiteral("*");
    }
    return description + QStringLiteral(" (") + list.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QtHost::QtHost() {
    frame_ = new MainFrame(*this);
    frame_->setWindowTitle(QStringLiteral("WaveTomuka"));
    frame_->setWindowIcon(QIcon(QPixmap::fromImage(ApplicationIconImage())));
    client_ = new ClientArea(*this, frame_);
    frame_->setCentralWidget(client_);
    wave_ = new WaveWindowWidget(*this, client_);
    wave_->setGeometry(0, 0, 0, 0);
    menuView_ = std::make_unique<QtMenuBar>(
        frame_->menuBar(), [this](int id) { PostCommand(id); },
        [this] { SendMain(msg::InitMenu, 0, 0); });
    InstallAccelerators();
}

QtHost::~QtHost() {
    // The editor behind the procedures may be gone already; nothing reaches it from here on.
    UseDevices(nullptr);
    portAudio_.reset();
    mainWindowProc = nullptr;
    waveWindowProc = nullptr;
    onDropFiles = nullptr;
    timers_.clear();
    menuView_.reset();
    delete frame_;
    player_.reset();
}

QWidget* QtHost::Client() const {
    return client_;
}
QMenuBar* QtHost::MenuBar() const {
    return frame_->menuBar();
}
WaveArea* QtHost::WaveDrawingArea() const {
    return wave_->Area();
}
ClassicScrollBar* QtHost::WaveScrollBar() const {
    return wave_->ScrollBar();
}

SoundPlayer& QtHost::Player() {
    if (!player_) {
        player_ = std::make_unique<SoundPlayer>();
    }
    return *player_;
}

void QtHost::InstallAccelerators() {
    for (const Accelerator& a : AcceleratorTable()) {
        const Qt::Key key = a.key == 0 ? Qt::Key_Delete
                            : (a.key >= '0' && a.key <= '9')
                                ? static_cast<Qt::Key>(Qt::Key_0 + (a.key - '0'))
                                : static_cast<Qt::Key>(Qt::Key_A + (a.key - 'A'));
        const QKeySequence keys(
            QKeyCombination(a.control ? Qt::ControlModifier : Qt::NoModifier, key));
        auto* shortcut = new QShortcut(keys, frame_);
        shortcut->setContext(Qt::WindowShortcut);
        const int id = a.command;
        QObject::connect(shortcut, &QShortcut::activated, frame_, [this, id] {
            SendMain(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyAccelerator), 0);
        });
    }
    // Home, End and Space reach the main window as key presses.
    for (const auto& [key, code] :
         {std::pair{Qt::Key_Home, vk::Home}, std::pair{Qt::Key_End, vk::End},
          std::pair{Qt::Key_Space, vk::Space}}) {
        auto* shortcut = new QShortcut(QKeySequence(key), frame_);
        shortcut->setContext(Qt::WindowShortcut);
        const WParam keyCode = code;
        QObject::connect(shortcut, &QShortcut::activated, frame_,
                         [this, keyCode] { SendMain(msg::KeyDown, keyCode, 0); });
    }
    // Two control keys reach the window as the characters they type.
    for (const auto& [key, code] : {std::pair{Qt::Key_F, 6}, std::pair{Qt::Key_T, 20}}) {
        auto* shortcut =
            new QShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier, key)), frame_);
        shortcut->setContext(Qt::WindowShortcut);
        const int character = code;
        QObject::connect(shortcut, &QShortcut::activated, frame_, [this, character] {
            SendMain(msg::Char, static_cast<WParam>(character), 0);
        });
    }
}

// --- Messages to the core ---------------------------------------------------------------------

LParam QtHost::SendMain(unsigned message, WParam wParam, LParam lParam) {
    if (destroyed_ || !mainWindowProc) {
        return 0;
    }
    ClearUpperVectorHalves();
    return mainWindowProc(message, wParam, lParam);
}

LParam QtHost::SendWave(unsigned message, WParam wParam, LParam lParam, Canvas* canvas) {
    if (destroyed_ || !waveWindowProc) {
        return 0;
    }
    return waveWindowProc(message, wParam, lParam, canvas);
}

void QtHost::PostCommand(int id) {
    QMetaObject::invokeMethod(
        frame_,
        [this, id] {
            SendMain(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyMenu), 0);
        },
        Qt::QueuedConnection);
}

void QtHost::OnFilesDropped(std::vector<std::string> paths) {
    QMetaObject::invokeMethod(
        frame_,
        [this, paths = std::move(paths)] {
            if (!destroyed_ && onDropFiles) {
                onDropFiles(paths);
            }
        },
        Qt::QueuedConnection);
}

void QtHost::LayOutClient() {
    const int width = client_->width();
    if (toolbar_) {
        toolbar_->setGeometry(0, 0, width, toolbar_->height());
    }
    if (statusBar_) {
        const int h = statusBar_->height();
        statusBar_->setGeometry(0, client_->height() - h, width, h);
    }
}

void QtHost::OnClientResized() {
    LayOutClient();
    if (frame_->isMinimized()) {
        return;
    }
    const WParam kind = frame_->isMaximized() ? SizeMaximized : SizeRestored;
    SendMain(msg::Size, kind, MakeLParam(client_->width(), client_->height()));
}

void QtHost::OnMinimized() {
    SendMain(msg::Size, SizeMinimized, 0);
}

void QtHost::SetOuterSize(int width, int height) {
    frame_->resize(std::max(1, width), std::max(1, height));
    pendingOuterSize_ = {width, height};
    OnFrameShownOrMoved();
}

void QtHost::OnFrameShownOrMoved() {
    if (!pendingOuterSize_ || !frame_->isVisible()) {
        return;
    }
    const QSize inner = frame_->size();
    const QSize outer = frame_->frameGeometry().size();
    const int dw = outer.width() - inner.width(), dh = outer.height() - inner.height();
    if (dw == 0 && dh == 0) {
        return; // not decorated (yet)
    }
    const auto [width, height] = *pendingOuterSize_;
    pendingOuterSize_.reset();
    frame_->resize(std::max(1, width - dw), std::max(1, height - dh));
}

QWidget* QtHost::OwnerWidget(Owner owner) const {
    if (owner == Owner::WaveWindow && wave_->isVisible()) {
        return wave_;
    }
    return frame_;
}

// --- Message boxes and dialogs --------------------------------------------------------------

int QtHost::MessageBox(Owner owner, const std::string& text, const std::string& caption,
                       unsigned flags) {
    QMessageBox box(OwnerWidget(owner));
    box.setWindowTitle(WindowCaption(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    switch (flags & mb::IconMask) {
    case mb::IconError:
        box.setIcon(QMessageBox::Critical);
        break;
    case mb::IconQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case mb::IconWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case mb::IconInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    struct Choice {
        const char* label;
        int id;
    };
    std::vector<Choice> choices;
    switch (flags & mb::ButtonMask) {
    case mb::OkCancel:
        choices = {{"OK", IdOk}, {"キャンセル", IdCancel}};
        break;
    case mb::YesNoCancel:
        choices = {{"はい", IdYes}, {"いいえ", IdNo}, {"キャンセル", IdCancel}};
        break;
    case mb::YesNo:
        choices = {{"はい", IdYes}, {"いいえ", IdNo}};
        break;
    default:
        choices = {{"OK", IdOk}};
        break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    QAbstractButton* escape = nullptr;
    int escapeId = IdNo;
    for (const Choice& c : choices) {
        // One role for all keeps the classic left-to-right order on every platform.
        QPushButton* b = box.addButton(QString::fromUtf8(c.label), QMessageBox::ActionRole);
        buttons.emplace_back(b, c.id);
        if (c.id == IdCancel || choices.size() == 1) {
            escape = b;
            escapeId = c.id;
        }
    }
    box.setDefaultButton(static_cast<QPushButton*>(buttons.front().first));
    // Without Cancel (Yes/No) neither Escape nor the close button answers, as classically.
    box.setEscapeButton(escape);
    box.exec();
    for (const auto& [button, id] : buttons) {
        if (box.clickedButton() == button) {
            return id;
        }
    }
    // Closed without a button (the application quit meanwhile): the Escape answer.
    return escapeId;
}

LParam QtHost::DialogBox(int templateId, Owner owner, DialogProc proc, LParam param) {
    const DialogTemplate* dialogTemplate = FindDialogTemplate(templateId);
    if (!dialogTemplate) {
        return -1;
    }
    QtDialog dialog(*dialogTemplate, std::move(proc), OwnerWidget(owner));
    return dialog.Run(param);
}

namespace {

bool RunFileDialog(QWidget* owner, FileDialogRequest& request, bool save) {
    QFileDialog dialog(owner, QString::fromStdString(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !request.fileMustExist ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
    if (save && !request.overwritePrompt) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    QStringList filters;
    for (const auto& [display, patterns] : request.filters) {
        filters << NameFilter(display, patterns);
    }
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = std::clamp(request.filterIndex, 1, static_cast<int>(filters.size()));
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.defaultExtension.empty()) {
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    }
    if (!request.initialDir.empty() && QFileInfo(FromLocal(request.initialDir)).isDir()) {
        dialog.setDirectory(FromLocal(request.initialDir));
    }
    if (!request.path.empty()) {
        dialog.selectFile(FromLocal(request.path));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    request.path = ToLocal(dialog.selectedFiles().front());
    const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    if (chosen >= 0) {
        request.filterIndex = chosen + 1;
    }
    return true;
}

} // namespace

bool QtHost::GetOpenFileName(FileDialogRequest& request) {
    return RunFileDialog(frame_, request, false);
}

bool QtHost::GetSaveFileName(FileDialogRequest& request) {
    return RunFileDialog(frame_, request, true);
}

bool QtHost::PumpOneMessage() {
    // Reading the clock costs tens of nanoseconds; dispatching, even with nothing pending,
    // costs microseconds and used to take most of an effect's time in the window.
    const auto now = std::chrono::steady_clock::now();
    if (now - lastPump_ < kPumpInterval) {
        return false;
    }
    // Qt cannot hand out a single event: this dispatches what is pending now, without waiting
    // for more. The core's busy gate keeps commands out meanwhile.
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) {
        return false;
    }
    const bool handled = dispatcher->processEvents(QEventLoop::AllEvents);
    ClearUpperVectorHalves();
    // Timed from the end, so that a slow repaint among the events does not eat the next turn.
    lastPump_ = std::chrono::steady_clock::now();
    return handled;
}

// --- Main window ------------------------------------------------------------------------------

void QtHost::SetCaption(const std::string& utf8) {
    frame_->setWindowTitle(WindowCaption(utf8));
}

void QtHost::SetMenu(Menu* menu) {
    menuView_->SetModel(menu);
}

void QtHost::DrawMenuBar() {
    menuView_->Sync();
}

void QtHost::CreateToolbar(const std::vector<ToolbarButton>& buttons) {
    delete toolbar_;
    toolbarActions_.clear();
    toolbar_ = new QToolBar(client_);
    toolbar_->setAutoFillBackground(true);
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(kToolbarImageWidth, kToolbarImageHeight));
    toolbar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolbarButton& b : buttons) {
        if (b.imageIndex < 0) {
            toolbar_->addSeparator();
            continue;
        }
        QAction* action =
            toolbar_->addAction(QIcon(QPixmap::fromImage(ToolbarImage(b.imageIndex))), QString());
        const int id = b.command;
        QObject::connect(action, &QAction::triggered, frame_, [this, id] { PostCommand(id); });
        toolbarActions_[id] = action;
        // Raised buttons, as on a classic (not flat) toolbar.
        if (auto* button = qobject_cast<QToolButton*>(toolbar_->widgetForAction(action))) {
            button->setAutoRaise(false);
            button->setFixedSize(kToolbarImageWidth + 7, kToolbarImageHeight + 7);
        }
    }
    toolbar_->setFixedHeight(toolbar_->sizeHint().height());
    toolbar_->show();
    LayOutClient();
}

void QtHost::EnableToolbarButton(int command, bool enabled) {
    if (auto it = toolbarActions_.find(command); it != toolbarActions_.end()) {
        it->second->setEnabled(enabled);
    }
}

int QtHost::ToolbarHeight() const {
    return toolbar_ ? toolbar_->height() : 0;
}

void QtHost::CreateStatusBar(const std::vector<int>& rightEdges) {
    delete statusBar_;
    statusTexts_.clear();
    statusBar_ = new StatusBarWidget(rightEdges, client_);
    statusBar_->show();
    LayOutClient();
}

void QtHost::SetStatusText(int part, const std::string& utf8) {
    if (!statusBar_ || part < 0 || part >= statusBar_->PartCount()) {
        return;
    }
    statusTexts_[part] = utf8;
    statusBar_->SetPartText(part, QString::fromStdString(utf8));
}

std::string QtHost::StatusText(int part) const {
    auto it = statusTexts_.find(part);
    return it == statusTexts_.end() ? std::string() : it->second;
}

int QtHost::StatusBarHeight() const {
    return statusBar_ ? statusBar_->height() : 0;
}

void QtHost::UpdateStatusBar() {
    if (statusBar_ && statusBar_->isVisible()) {
        statusBar_->repaint();
    }
}

void QtHost::SetTimer(int id, int periodMs) {
    auto& timer = timers_[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, frame_,
                         [this, id] { SendMain(msg::Timer, static_cast<WParam>(id), 0); });
    }
    timer->start(std::max(1, periodMs));
}

void QtHost::KillTimer(int id) {
    const auto it = timers_.find(id);
    if (it == timers_.end()) {
        return;
    }
    // A timer may be killed from its own timeout: it goes once that has returned.
    it->second->stop();
    it->second.release()->deleteLater();
    timers_.erase(it);
}

int QtHost::ClientWidth() const {
    return client_->width();
}
int QtHost::ClientHeight() const {
    return client_->height();
}
int QtHost::OuterWidth() const {
    return frame_->frameGeometry().width();
}
int QtHost::OuterHeight() const {
    return frame_->frameGeometry().height();
}
bool QtHost::IsMinimized() const {
    return frame_->isMinimized();
}

TextMetrics QtHost::MainTextMetrics() const {
    return QtCanvas::MetricsOf(frame_->font());
}

void QtHost::BringToForeground() {
    if (frame_->isMinimized()) {
        frame_->showNormal();
    }
    frame_->raise();
    frame_->activateWindow();
}

void QtHost::DestroyMainWindow() {
    if (destroyed_) {
        return;
    }
    if (mainWindowProc) {
        mainWindowProc(msg::Destroy, 0, 0);
    }
    destroyed_ = true;
    timers_.clear();
    frame_->hide();
    // Only the loop run by Exec is left: telling Qt to quit while no loop runs would make
    // every later modal loop (a message box, a dialog) return at once.
    if (inEventLoop_) {
        QCoreApplication::exit(0);
    }
}

int QtHost::Exec() {
    if (destroyed_) {
        return 0;
    }
    inEventLoop_ = true;
    const int code = QApplication::exec();
    inEventLoop_ = false;
    return code;
}

// --- Waveform window --------------------------------------------------------------------------

void QtHost::MoveWaveWindow(int x, int y, int width, int height) {
    // A size of zero or less leaves an empty window.
    wave_->setGeometry(x, y, std::max(0, width), std::max(0, height));
    wave_->show();
}

int QtHost::WaveClientWidth() const {
    return wave_->Area()->width();
}
int QtHost::WaveClientHeight() const {
    return wave_->Area()->height();
}

void QtHost::InvalidateWave(bool erase) {
    wave_->Area()->Invalidate(erase);
}

void QtHost::ScrollWave(int dx, const Rect& area) {
    wave_->Area()->Scroll(dx, area);
}

void QtHost::SetWaveScrollRange(int low, int high, bool) {
    wave_->ScrollBar()->SetClassicRange(low, high);
}

void QtHost::SetWaveScrollPos(int pos, bool) {
    wave_->ScrollBar()->SetClassicPos(pos);
}

int QtHost::WaveScrollPos() const {
    return wave_->ScrollBar()->ClassicPos();
}

void QtHost::CaptureMouse() {
    wave_->Area()->captured = true;
}

void QtHost::ReleaseMouse() {
    wave_->Area()->captured = false;
}

Canvas* QtHost::WaveCanvas() {
    return wave_->Area()->OutsidePaintCanvas();
}

// --- Clipboard, shell, sound ------------------------------------------------------------------

bool QtHost::SetClipboardWave(const std::vector<std::uint8_t>& riffImage) {
    return SetQtClipboardWave(riffImage);
}

bool QtHost::GetClipboardWave(std::vector<std::uint8_t>& riffImage) {
    return GetQtClipboardWave(riffImage);
}

bool QtHost::ClipboardHasWave() {
    return QtClipboardHasWave();
}

std::string QtHost::ClipboardFile() {
    return QtClipboardFile();
}

void QtHost::EmptyClipboard() {
    EmptyQtClipboard();
}

int QtHost::StartProcess(const std::string& path, const std::vector<std::string>& args) {
    const QFileInfo info(FromLocal(path));
    if (!info.exists()) {
        return 2; // file not found
    }
    if (!info.isFile() || !info.isExecutable()) {
        return 11; // not a program
    }
    QStringList arguments;
    for (const std::string& arg : args) {
        arguments << FromLocal(arg);
    }
    return QProcess::startDetached(info.absoluteFilePath(), arguments) ? 33 : 8;
}

bool QtHost::OpenHelp(const std::string& path) {
    const QString file = FromLocal(path);
    if (!QFileInfo(file).isFile()) {
        return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void QtHost::PlaySoundFile(const std::string& path) {
    Player().Play(path);
}

WaveDevices* QtHost::Devices() {
    if (!devices_) {
        if (!portAudio_) {
            portAudio_ = std::make_unique<PortAudioWaveDevices>();
        }
        UseDevices(portAudio_.get());
    }
    return devices_;
}

void QtHost::UseDevices(WaveDevices* devices) {
    if (devices_) {
        devices_->SetNotify(nullptr);
    }
    devices_ = devices;
    if (devices_) {
        // The report comes from the device layer's own thread; it is queued to the main
        // window and handled on the user-interface thread.
        devices_->SetNotify([this](unsigned message, WParam handle) {
            QMetaObject::invokeMethod(
                frame_, [this, message, handle] { SendMain(message, handle, 0); },
                Qt::QueuedConnection);
        });
    }
}

std::string QtHost::ModulePath() const {
    return ToLocal(QCoreApplication::applicationFilePath());
}

} // namespace wt
