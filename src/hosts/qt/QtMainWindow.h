// The widgets of the main window: the frame with its menu bar, the client area holding the
// toolbar, the waveform window and the status bar, each reporting to the QtHost, which turns
// what happens into messages for the core's window procedures.
#pragma once

#include "platform/Canvas.h"
#include "platform/Host.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QToolBar>

#include <memory>
#include <vector>

namespace wt {

class ClassicScrollBar;
class QtCanvas;
class QtHost;

// The top-level window: menu bar, caption, close requests, minimising, dropped files.
class MainFrame : public QMainWindow {
public:
    explicit MainFrame(QtHost& host);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QtHost& host_;
};

// The central widget: everything below the menu bar. Its size is the client size the core
// lays the waveform window out in.
class ClientArea : public QWidget {
public:
    ClientArea(QtHost& host, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QtHost& host_;
};

// The status bar: parts ending at given right edges in pixels (-1: the window edge), each a
// sunken label. A part whose text needs more room than its edges give it widens to show the
// whole text, moving the parts to its right; it keeps the widest width it has needed, so that
// those parts do not jump back and forth as its text changes.
class StatusBarWidget : public QWidget {
public:
    StatusBarWidget(const std::vector<int>& rightEdges, QWidget* parent);
    void SetPartText(int part, const QString& text);
    QLabel* Part(int part) const;
    int PartCount() const { return static_cast<int>(labels_.size()); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();

    std::vector<int> edges_;
    std::vector<QLabel*> labels_;
    std::vector<int> neededWidths_; // per part: the widest its texts have needed, in pixels
};

// The drawing area of the waveform window. Its picture is kept in an image: the window
// procedure paints into it when the area was invalidated, drawing outside a paint goes into it
// directly, and the screen shows the image.
class WaveArea : public QWidget {
public:
    WaveArea(QtHost& host, QWidget* parent);

    // The whole picture is painted again by the window procedure before it is next shown;
    // with `erase` the class background is laid down first.
    void Invalidate(bool erase = true);
    // Moves the pixels inside `area` by dx (dx > 0: right); the uncovered strip is painted
    // again. With a paint still pending, everything is painted again instead.
    void Scroll(int dx, const Rect& area);
    // A canvas on the picture for drawing outside a paint; nullptr when the area is empty.
    Canvas* OutsidePaintCanvas();
    // The picture as it is now (after any pending paint).
    const QImage& Picture();
    bool captured = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void EnsureImage();
    void PaintPictureIfNeeded();
    void Mouse(unsigned message, QMouseEvent* event);

    QtHost& host_;
    QImage image_;
    Rect dirty_;        // the part the window procedure has to paint again
    bool erase_ = true; // erase the dirty part first
    std::unique_ptr<QtCanvas> canvas_;
};

// The waveform child window: a sunken border, the drawing area and the horizontal scroll bar
// along its bottom.
class WaveWindowWidget : public QFrame {
public:
    WaveWindowWidget(QtHost& host, QWidget* parent);
    WaveArea* Area() const { return area_; }
    ClassicScrollBar* ScrollBar() const { return scrollBar_; }
    static constexpr int kScrollBarHeight = 16;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    WaveArea* area_;
    ClassicScrollBar* scrollBar_;
};

// Key state of a mouse event as the wParam of a mouse message: msg::MkLButton (0x01) and the
// classic bits for the right button (0x02), Shift (0x04), Control (0x08), middle button (0x10).
WParam MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

} // namespace wt
