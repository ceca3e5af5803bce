#include "hosts/qt/QtMainWindow.h"

#include "hosts/qt/ClassicScrollBar.h"
#include "hosts/qt/QtCanvas.h"
#include "hosts/qt/QtHost.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cstring>

namespace wt {

namespace {
// The waveform window's class background (the classic button face).
constexpr Rgb kWaveFace{212, 208, 200};
const QColor kWaveBackground(kWaveFace.r, kWaveFace.g, kWaveFace.b);
// The main window's class background (the classic application workspace).
const QColor kWorkspace(128, 128, 128);
} // namespace

WParam MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    WParam state = 0;
    if (buttons & Qt::LeftButton) {
        state |= msg::MkLButton;
    }
    if (buttons & Qt::RightButton) {
        state |= 0x0002;
    }
    if (modifiers & Qt::ShiftModifier) {
        state |= 0x0004;
    }
    if (modifiers & Qt::ControlModifier) {
        state |= msg::MkControl;
    }
    if (buttons & Qt::MiddleButton) {
        state |= 0x0010;
    }
    return state;
}

// --- MainFrame ------------------------------------------------------------------------------

MainFrame::MainFrame(QtHost& host) : host_(host) {
    setAcceptDrops(true);
}

void MainFrame::closeEvent(QCloseEvent* event) {
    // The core decides: it destroys the window (DestroyMainWindow) or keeps it open.
    event->ignore();
    if (!host_.Destroyed()) {
        host_.SendMain(msg::Close, 0, 0);
    }
    if (host_.Destroyed()) {
        event->accept();
    }
}

void MainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        host_.OnMinimized();
    }
}

bool MainFrame::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::Move ||
        event->type() == QEvent::Resize) {
        host_.OnFrameShownOrMoved();
    }
    return handled;
}

void MainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) {
        for (const QUrl& url : event->mimeData()->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
}

void MainFrame::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
    if (!paths.empty()) {
        event->acceptProposedAction();
        host_.OnFilesDropped(std::move(paths));
    }
}

// --- ClientArea -----------------------------------------------------------------------------

ClientArea::ClientArea(QtHost& host, QWidget* parent) : QWidget(parent), host_(host) {}

void ClientArea::paintEvent(QPaintEvent* event) {
    // Painted rather than set in the palette, which the toolbar and status bar would inherit.
    QPainter painter(this);
    painter.fillRect(event->rect(), kWorkspace);
}

void ClientArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    host_.OnClientResized();
}

// --- StatusBarWidget ------------------------------------------------------------------------

StatusBarWidget::StatusBarWidget(const std::vector<int>& rightEdges, QWidget* parent)
    : QWidget(parent), edges_(rightEdges), neededWidths_(rightEdges.size(), 0) {
    setAutoFillBackground(true);
    for (std::size_t i = 0; i < edges_.size(); ++i) {
        auto* label = new QLabel(this);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setIndent(3);
        labels_.push_back(label);
    }
    setFixedHeight(fontMetrics().height() + 8);
}

void StatusBarWidget::SetPartText(int part, const QString& text) {
    QLabel* label = Part(part);
    if (!label) {
        return;
    }
    label->setText(text);
    // The label's size hint is the width that shows its text, frame and indent in full.
    int& needed = neededWidths_[static_cast<std::size_t>(part)];
    if (label->sizeHint().width() > needed) {
        needed = label->sizeHint().width();
        Layout();
    }
}

QLabel* StatusBarWidget::Part(int part) const {
    if (part < 0 || part >= PartCount()) {
        return nullptr;
    }
    return labels_[static_cast<std::size_t>(part)];
}

void StatusBarWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void StatusBarWidget::Layout() {
    // A gap of two pixels separates the parts, as on the classic bar.
    constexpr int kGap = 2;
    int left = 0;
    int classicLeft = 0; // where the part would start if no part had widened
    for (std::size_t i = 0; i < labels_.size(); ++i) {
        // The part at the window edge takes what is left; any other gets the width its edges
        // give it, or more when its text needs it.
        const int right = edges_[i] < 0
                              ? width() - kGap
                              : left + std::max(edges_[i] - classicLeft - kGap, neededWidths_[i]);
        labels_[i]->setGeometry(left, 2, std::max(0, right - left), height() - 2);
        left = std::max(left, right) + kGap;
        classicLeft = edges_[i];
    }
}

// --- WaveArea -------------------------------------------------------------------------------

WaveArea::WaveArea(QtHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WaveArea::Invalidate(bool erase) {
    // A pending erase is kept: the classic update region remembers it until the paint.
    erase_ = erase || (erase_ && !dirty_.Empty());
    dirty_ = {0, 0, width(), height()};
    update();
}

void WaveArea::Scroll(int dx, const Rect& area) {
    EnsureImage();
    const Rect a{std::max(area.left, 0), std::max(area.top, 0),
                 std::min(area.right, image_.width()), std::min(area.bottom, image_.height())};
    if (a.Empty() || dx == 0) {
        return;
    }
    if (!dirty_.Empty()) {
        Invalidate(true);
        return;
    }
    const int shift = std::min(std::abs(dx), a.Width());
    const int keep = a.Width() - shift;
    for (int y = a.top; y < a.bottom; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        if (dx > 0) {
            std::memmove(line + a.left + shift, line + a.left, sizeof(QRgb) * keep);
        } else {
            std::memmove(line + a.left, line + a.left + shift, sizeof(QRgb) * keep);
        }
    }
    dirty_ = dx > 0 ? Rect{a.left, a.top, a.left + shift, a.bottom}
                    : Rect{a.right - shift, a.top, a.right, a.bottom};
    erase_ = true;
    update(QRect(a.left, a.top, a.Width(), a.Height()));
}

void WaveArea::EnsureImage() {
    if (image_.size() != size()) {
        image_ = QImage(size(), QImage::Format_RGB32);
        image_.fill(kWaveBackground);
        dirty_ = {0, 0, width(), height()};
        erase_ = true;
    }
}

void WaveArea::PaintPictureIfNeeded() {
    EnsureImage();
    if (dirty_.Empty() || image_.isNull()) {
        dirty_ = {};
        return;
    }
    const Rect region = dirty_;
    dirty_ = {};
    QtCanvas canvas(image_, font());
    canvas.SetClip(region);
    if (erase_) {
        canvas.FillRect(region, kWaveFace);
    }
    erase_ = false;
    host_.SendWave(msg::Paint, 0, 0, &canvas);
}

const QImage& WaveArea::Picture() {
    PaintPictureIfNeeded();
    return image_;
}

Canvas* WaveArea::OutsidePaintCanvas() {
    if (width() <= 0 || height() <= 0) {
        return nullptr;
    }
    EnsureImage();
    canvas_ = std::make_unique<QtCanvas>(image_, font(), [this](const Rect& r) {
        update(QRect(r.left, r.top, r.Width(), r.Height()));
    });
    return canvas_.get();
}

void WaveArea::paintEvent(QPaintEvent* event) {
    PaintPictureIfNeeded();
    QPainter painter(this);
    painter.drawImage(event->rect(), image_, event->rect());
}

void WaveArea::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Invalidate(true);
}

void WaveArea::Mouse(unsigned message, QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    // Without capture the classic window sees the mouse only over itself.
    if (!captured && message != msg::LButtonDown && message != msg::LButtonDblClk &&
        !rect().contains(p)) {
        return;
    }
    host_.SendWave(message, MouseKeyState(event->buttons(), event->modifiers()),
                   MakeLParam(p.x(), p.y()), nullptr);
}

void WaveArea::wheelEvent(QWheelEvent* event) {
    // A wheel that turns sideways (a touchpad's) scrolls as the upright one does.
    const QPoint angle = event->angleDelta();
    const int delta = std::clamp(angle.y() != 0 ? angle.y() : angle.x(), -32767, 32767);
    const QPoint p = event->position().toPoint();
    host_.SendWave(
        msg::MouseWheel,
        MakeWParam(static_cast<unsigned>(MouseKeyState(event->buttons(), event->modifiers())),
                   static_cast<unsigned>(delta) & 0xFFFFu),
        MakeLParam(p.x(), p.y()), nullptr);
    event->accept();
}

void WaveArea::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Mouse(msg::LButtonDown, event);
    }
}

void WaveArea::mouseMoveEvent(QMouseEvent* event) {
    Mouse(msg::MouseMove, event);
}

void WaveArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Mouse(msg::LButtonUp, event);
    }
}

void WaveArea::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        Mouse(msg::LButtonDblClk, event);
    }
}

// --- WaveWindowWidget -----------------------------------------------------------------------

WaveWindowWidget::WaveWindowWidget(QtHost& host, QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    QPalette p = palette();
    p.setColor(QPalette::Window, kWaveBackground);
    setPalette(p);
    setAutoFillBackground(true);
    area_ = new WaveArea(host, this);
    scrollBar_ = new ClassicScrollBar(Qt::Horizontal, this, [&host](unsigned code, int pos) {
        host.SendWave(msg::HScroll, MakeWParam(code, static_cast<unsigned>(pos) & 0xFFFFu), 0,
                      nullptr);
    });
}

void WaveWindowWidget::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    const QRect inside = contentsRect();
    const int areaHeight = std::max(0, inside.height() - kScrollBarHeight);
    area_->setGeometry(inside.x(), inside.y(), inside.width(), areaHeight);
    scrollBar_->setGeometry(inside.x(), inside.y() + areaHeight, inside.width(),
                            std::min(kScrollBarHeight, inside.height()));
}

} // namespace wt
