#include "hosts/qt/QtDialog.h"

#include "hosts/qt/ClassicScrollBar.h"
#include "hosts/qt/ClassicTrackBar.h"
#include "hosts/qt/PixelArt.h"
#include "hosts/qt/QtCanvas.h"
#include "resources/Dialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>

namespace wt {

QString WindowCaption(const std::string& utf8) {
    // "[*]" is Qt's placeholder for the modified mark; doubling it shows it literally.
    return QString::fromStdString(utf8).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
}

namespace {

// A check box whose click either leaves the state to the dialog procedure (CheckBox) or
// toggles between checked and unchecked (AutoCheckBox). The third state can be shown.
class ClassicCheckBox : public QCheckBox {
public:
    ClassicCheckBox(const QString& text, QWidget* parent, bool automatic)
        : QCheckBox(text, parent), automatic_(automatic) {
        setTristate(true);
    }

protected:
    // The whole control answers a click, not only its box and text.
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void nextCheckState() override {
        if (automatic_) {
            setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        }
    }

private:
    bool automatic_;
};

// An edit field that keeps its selection while another control has the focus, as a classic
// edit field does (Qt's drops it): a button or a radio button clicked before a key of the
// melody keyboard, or the rest button, then replaces what was selected.
class ClassicLineEdit : public QLineEdit {
public:
    ClassicLineEdit(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
        connect(this, &QLineEdit::textChanged, this, [this] { kept_ = {}; });
    }

    // Replaces the selection, the one kept while the focus is elsewhere included, or inserts
    // at the cursor.
    void ReplaceSelection(const QString& text) {
        if (!hasFocus() && kept_.second > 0) {
            setSelection(kept_.first, kept_.second);
        }
        kept_ = {};
        insert(text);
    }
    void Select(int from, int to) {
        kept_ = {};
        if (from == to) {
            setCursorPosition(to);
        } else {
            setSelection(from, to - from);
        }
    }

protected:
    void focusOutEvent(QFocusEvent* event) override {
        kept_ = {};
        if (hasSelectedText()) {
            kept_ = {selectionStart(), static_cast<int>(selectedText().size())};
        }
        QLineEdit::focusOutEvent(event);
    }
    void focusInEvent(QFocusEvent* event) override {
        kept_ = {};
        QLineEdit::focusInEvent(event);
    }

private:
    std::pair<int, int> kept_{0, 0}; // start and length of the selection when the focus left
};

// A radio button whose group is decided by the dialog template, not by its parent widget.
class ClassicRadioButton : public QRadioButton {
public:
    ClassicRadioButton(const QString& text, QWidget* parent) : QRadioButton(text, parent) {
        setAutoExclusive(false);
    }
    std::function<void()> onCheck; // clears the other buttons of the group

protected:
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
    void nextCheckState() override {
        setChecked(true);
        if (onCheck) {
            onCheck();
        }
    }
};

// An area painted by the dialog procedure through a Canvas; it also receives the mouse. Its
// picture is kept: the procedure paints it when it is first shown, resized or invalidated, and
// may draw on it outside a paint, as on a classic device context.
class OwnerDrawItem : public QWidget {
public:
    OwnerDrawItem(QtDialog& dialog, int id, QWidget* parent)
        : QWidget(parent), dialog_(dialog), id_(id) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void Invalidate() {
        dirty_ = true;
        update();
    }

    Canvas* OutsidePaintCanvas() {
        if (width() <= 0 || height() <= 0) {
            return nullptr;
        }
        EnsureImage();
        canvas_ = std::make_unique<QtCanvas>(image_, font(), [this](const Rect& r) {
            update(QRect(r.left, r.top, r.Width(), r.Height()));
        });
        return canvas_.get();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (width() <= 0 || height() <= 0) {
            return;
        }
        EnsureImage();
        if (dirty_) {
            dirty_ = false;
            image_.fill(palette().color(QPalette::Window));
            QtCanvas canvas(image_, font());
            dialog_.Send(msg::Paint, static_cast<WParam>(id_), reinterpret_cast<LParam>(&canvas));
        }
        QPainter painter(this);
        painter.drawImage(event->rect(), image_, event->rect());
    }
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        Invalidate();
    }
    void mousePressEvent(QMouseEvent* e) override { Mouse(msg::LButtonDown, e); }
    void mouseMoveEvent(QMouseEvent* e) override { Mouse(msg::MouseMove, e); }
    void mouseReleaseEvent(QMouseEvent* e) override { Mouse(msg::LButtonUp, e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { Mouse(msg::LButtonDblClk, e); }

private:
    void EnsureImage() {
        if (image_.size() != size()) {
            image_ = QImage(size(), QImage::Format_RGB32);
            image_.fill(palette().color(QPalette::Window));
            dirty_ = true;
        }
    }
    void Mouse(unsigned message, QMouseEvent* e) {
        if (message != msg::MouseMove && e->button() != Qt::LeftButton) {
            return;
        }
        const QPoint p = e->position().toPoint();
        dialog_.Send(message, static_cast<WParam>(id_), MakeLParam(p.x(), p.y()));
    }

    QtDialog& dialog_;
    int id_;
    QImage image_;
    bool dirty_ = true;
    std::unique_ptr<QtCanvas> canvas_;
};

} // namespace

QtDialog::QtDialog(const DialogTemplate& dialogTemplate, DialogProc proc, QWidget* parent)
    : QDialog(parent), template_(dialogTemplate), proc_(std::move(proc)) {
    setWindowTitle(WindowCaption(template_.caption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    const TextMetrics metrics = QtCanvas::MetricsOf(font());
    baseX_ = std::max(1, metrics.averageWidth);
    baseY_ = std::max(1, metrics.height);
    setFixedSize(DialogUnitsToPixelsX(template_.width), DialogUnitsToPixelsY(template_.height));

    const std::vector<int> groups = template_.GroupNumbers();
    for (std::size_t i = 0; i < template_.controls.size(); ++i) {
        CreateControl(template_.controls[i], groups[i]);
    }
}

QtDialog::~QtDialog() = default;

int QtDialog::DialogUnitsToPixelsX(int units) const {
    return units * baseX_ / 4;
}
int QtDialog::DialogUnitsToPixelsY(int units) const {
    return units * baseY_ / 8;
}

void QtDialog::CreateControl(const ControlTemplate& c, int groupIndex) {
    const QString text = QString::fromStdString(c.text);
    const int id = c.id;
    QWidget* widget = nullptr;
    switch (c.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setText(text);
        widget = label;
        break;
    }
    case ControlKind::Icon: {
        auto* label = new QLabel(this);
        if (c.text == "201") {
            label->setPixmap(QPixmap::fromImage(ApplicationIconImage()));
        } else if (const auto* art = WaveformIcon(std::atoi(c.text.c_str()))) {
            label->setPixmap(QPixmap::fromImage(ImageFromArt(*art, IconColours())));
        }
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    case ControlKind::GroupBox:
        widget = new QGroupBox(text, this);
        break;
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        button->setDefault(c.kind == ControlKind::DefPushButton);
        connect(button, &QPushButton::clicked, this, [this, id] {
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyClicked), 0);
        });
        widget = button;
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox: {
        auto* box = new ClassicCheckBox(text, this, c.kind == ControlKind::AutoCheckBox);
        connect(box, &QCheckBox::clicked, this, [this, id] {
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyClicked), 0);
        });
        widget = box;
        break;
    }
    case ControlKind::AutoRadio: {
        auto* button = new ClassicRadioButton(text, this);
        button->onCheck = [this, button, groupIndex] { CheckRadioInGroup(button, groupIndex); };
        connect(button, &QRadioButton::clicked, this, [this, id] {
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyClicked), 0);
        });
        radios_.emplace_back(groupIndex, button);
        widget = button;
        break;
    }
    case ControlKind::Edit: {
        auto* edit = new ClassicLineEdit(text, this);
        connect(edit, &QLineEdit::textChanged, this, [this, id] {
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyEditChange), 0);
        });
        widget = edit;
        break;
    }
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar: {
        const bool horizontal = c.kind == ControlKind::HScrollBar;
        widget = new ClassicScrollBar(
            horizontal ? Qt::Horizontal : Qt::Vertical, this,
            [this, id, horizontal](unsigned code, int pos) {
                Send(horizontal ? msg::HScroll : msg::VScroll,
                     MakeWParam(code, static_cast<unsigned>(pos) & 0xFFFFu), id);
            });
        break;
    }
    case ControlKind::VTrackBar:
        widget = new ClassicTrackBar(Qt::Vertical, this, [this, id](unsigned code, int pos) {
            Send(msg::VScroll, MakeWParam(code, static_cast<unsigned>(pos) & 0xFFFFu), id);
        });
        break;
    case ControlKind::ListBox: {
        auto* list = new QListWidget(this);
        connect(list, &QListWidget::currentRowChanged, this, [this, id] {
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyListSelChange), 0);
        });
        widget = list;
        break;
    }
    case ControlKind::ComboList: {
        auto* combo = new QComboBox(this);
        connect(combo, &QComboBox::activated, this, [this, id] {
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyListSelChange), 0);
        });
        widget = combo;
        break;
    }
    case ControlKind::OwnerDraw:
        widget = new OwnerDrawItem(*this, id, this);
        break;
    }
    int height = DialogUnitsToPixelsY(c.height);
    if (c.kind == ControlKind::ComboList) {
        // A drop-down list's template height includes the open list.
        height = std::min(height, widget->sizeHint().height());
    }
    widget->setGeometry(DialogUnitsToPixelsX(c.x), DialogUnitsToPixelsY(c.y),
                        DialogUnitsToPixelsX(c.width), height);
    widget->setEnabled(!c.disabled);
    if (id >= 0 && items_.find(id) == items_.end()) {
        items_[id] = {c.kind, widget};
    }
}

void QtDialog::CheckRadioInGroup(QWidget* checked, int groupIndex) {
    for (const auto& [group, button] : radios_) {
        if (group == groupIndex && button != checked) {
            static_cast<QRadioButton*>(button)->setChecked(false);
        }
    }
}

const QtDialog::Item* QtDialog::Find(int id) const {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : &it->second;
}

QWidget* QtDialog::ItemWidget(int id) const {
    const Item* item = Find(id);
    return item ? item->widget : nullptr;
}

bool QtDialog::HasItem(int id) const {
    return Find(id) != nullptr;
}

LParam QtDialog::Send(unsigned message, WParam wParam, LParam lParam) {
    if (Ended() || !proc_) {
        return 0;
    }
    return proc_(*this, message, wParam, lParam);
}

LParam QtDialog::Run(LParam param) {
    Send(msg::InitDialog, 0, param);
    if (!Ended()) {
        running_ = true;
        exec();
        running_ = false;
    }
    return result_.value_or(0);
}

void QtDialog::EndDialog(LParam result) {
    if (Ended()) {
        return;
    }
    result_ = result;
    if (running_) {
        closing_ = true;
        QDialog::done(0);
        closing_ = false;
    }
}

void QtDialog::done(int code) {
    // Only EndDialog ends the dialog; Qt's own accept and reject paths are routed to the
    // procedure as commands instead.
    if (closing_) {
        QDialog::done(code);
    }
}

void QtDialog::reject() {
    // Escape, as the classic dialog manager does: the Cancel command.
    Send(msg::Command, MakeWParam(IdCancel, 0), kCancelFromEscape);
}

void QtDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (Ended()) {
        event->accept();
        return;
    }
    if (Send(msg::Close, 0, 0) != 0) {
        return;
    }
    const Item* cancel = Find(IdCancel);
    if (cancel && !cancel->widget->isEnabled()) {
        return;
    }
    Send(msg::Command, MakeWParam(IdCancel, 0), 0);
}

void QtDialog::SetItemText(int id, const std::string& utf8) {
    const Item* item = Find(id);
    if (!item) {
        return;
    }
    const QString text = QString::fromStdString(utf8);
    switch (item->kind) {
    case ControlKind::Static:
        static_cast<QLabel*>(item->widget)->setText(text);
        break;
    case ControlKind::GroupBox:
        static_cast<QGroupBox*>(item->widget)->setTitle(text);
        break;
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
    case ControlKind::AutoRadio:
        static_cast<QAbstractButton*>(item->widget)->setText(text);
        break;
    case ControlKind::Edit: {
        auto* edit = static_cast<QLineEdit*>(item->widget);
        {
            const QSignalBlocker block(edit);
            edit->setText(text);
        }
        // A classic edit field reports every text set on it, even an unchanged one.
        Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyEditChange), 0);
        break;
    }
    default:
        break;
    }
}

std::string QtDialog::GetItemText(int id) const {
    const Item* item = Find(id);
    if (!item) {
        return {};
    }
    switch (item->kind) {
    case ControlKind::Static:
        return static_cast<QLabel*>(item->widget)->text().toStdString();
    case ControlKind::GroupBox:
        return static_cast<QGroupBox*>(item->widget)->title().toStdString();
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
    case ControlKind::AutoRadio:
        return static_cast<QAbstractButton*>(item->widget)->text().toStdString();
    case ControlKind::Edit:
        return static_cast<QLineEdit*>(item->widget)->text().toStdString();
    case ControlKind::ComboList:
        return static_cast<QComboBox*>(item->widget)->currentText().toStdString();
    default:
        return {};
    }
}

void QtDialog::ReplaceItemSelection(int id, const std::string& utf8) {
    const Item* item = Find(id);
    if (item && item->kind == ControlKind::Edit) {
        // Replaces the selection or inserts at the cursor; textChanged reports it.
        static_cast<ClassicLineEdit*>(item->widget)->ReplaceSelection(QString::fromStdString(utf8));
    }
}

void QtDialog::SetItemSelection(int id, int start, int end) {
    const Item* item = Find(id);
    if (!item || item->kind != ControlKind::Edit) {
        return;
    }
    auto* edit = static_cast<ClassicLineEdit*>(item->widget);
    const auto length = static_cast<int>(edit->text().size());
    edit->Select(start < 0 ? length : std::min(start, length),
                 end < 0 ? length : std::min(end, length));
}

void QtDialog::CheckButton(int id, int state) {
    const Item* item = Find(id);
    if (!item) {
        return;
    }
    switch (item->kind) {
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
        static_cast<QCheckBox*>(item->widget)
            ->setCheckState(state == Checked         ? Qt::Checked
                            : state == Indeterminate ? Qt::PartiallyChecked
                                                     : Qt::Unchecked);
        break;
    case ControlKind::AutoRadio:
        static_cast<QRadioButton*>(item->widget)->setChecked(state != Unchecked);
        break;
    default:
        break;
    }
}

int QtDialog::IsButtonChecked(int id) const {
    const Item* item = Find(id);
    if (!item) {
        return Unchecked;
    }
    switch (item->kind) {
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
        switch (static_cast<QCheckBox*>(item->widget)->checkState()) {
        case Qt::Checked:
            return Checked;
        case Qt::PartiallyChecked:
            return Indeterminate;
        default:
            return Unchecked;
        }
    case ControlKind::AutoRadio:
        return static_cast<QRadioButton*>(item->widget)->isChecked() ? Checked : Unchecked;
    default:
        return Unchecked;
    }
}

namespace {
// Calls f with the control as a scroll bar or a track bar; returns false when it is neither.
template <class F> bool WithRangeControl(ControlKind kind, QWidget* widget, F f) {
    switch (kind) {
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar:
        f(*static_cast<ClassicScrollBar*>(widget));
        return true;
    case ControlKind::VTrackBar:
        f(*static_cast<ClassicTrackBar*>(widget));
        return true;
    default:
        return false;
    }
}
} // namespace

void QtDialog::SetScrollRange(int id, int low, int high, bool) {
    if (const Item* item = Find(id)) {
        WithRangeControl(item->kind, item->widget,
                         [&](auto& bar) { bar.SetClassicRange(low, high); });
    }
}

void QtDialog::GetScrollRange(int id, int* low, int* high) const {
    const Item* item = Find(id);
    if (item && WithRangeControl(item->kind, item->widget,
                                 [&](auto& bar) { bar.GetClassicRange(low, high); })) {
        return;
    }
    if (low) {
        *low = 0;
    }
    if (high) {
        *high = 0;
    }
}

void QtDialog::SetScrollPos(int id, int pos, bool) {
    if (const Item* item = Find(id)) {
        WithRangeControl(item->kind, item->widget, [&](auto& bar) { bar.SetClassicPos(pos); });
    }
}

int QtDialog::GetScrollPos(int id) const {
    int pos = 0;
    if (const Item* item = Find(id)) {
        WithRangeControl(item->kind, item->widget, [&](auto& bar) { pos = bar.ClassicPos(); });
    }
    return pos;
}

void QtDialog::ListReset(int id) {
    const Item* item = Find(id);
    if (!item) {
        return;
    }
    const QSignalBlocker block(item->widget);
    if (item->kind == ControlKind::ListBox) {
        static_cast<QListWidget*>(item->widget)->clear();
    } else if (item->kind == ControlKind::ComboList) {
        static_cast<QComboBox*>(item->widget)->clear();
    }
}

int QtDialog::ListAdd(int id, const std::string& utf8) {
    const Item* item = Find(id);
    if (!item) {
        return -1;
    }
    const QSignalBlocker block(item->widget);
    const QString text = QString::fromStdString(utf8);
    if (item->kind == ControlKind::ListBox) {
        auto* list = static_cast<QListWidget*>(item->widget);
        list->addItem(text);
        return list->count() - 1;
    }
    if (item->kind == ControlKind::ComboList) {
        auto* combo = static_cast<QComboBox*>(item->widget);
        combo->addItem(text);
        return combo->count() - 1;
    }
    return -1;
}

void QtDialog::ListSetCurSel(int id, int row) {
    const Item* item = Find(id);
    if (!item) {
        return;
    }
    // Selecting a row from the program does not report a change, as with a classic list.
    const QSignalBlocker block(item->widget);
    if (item->kind == ControlKind::ListBox) {
        auto* list = static_cast<QListWidget*>(item->widget);
        list->setCurrentRow(row >= 0 && row < list->count() ? row : -1);
    } else if (item->kind == ControlKind::ComboList) {
        auto* combo = static_cast<QComboBox*>(item->widget);
        combo->setCurrentIndex(row >= 0 && row < combo->count() ? row : -1);
    }
}

int QtDialog::ListGetCurSel(int id) const {
    const Item* item = Find(id);
    if (!item) {
        return -1;
    }
    if (item->kind == ControlKind::ListBox) {
        return static_cast<QListWidget*>(item->widget)->currentRow();
    }
    if (item->kind == ControlKind::ComboList) {
        return static_cast<QComboBox*>(item->widget)->currentIndex();
    }
    return -1;
}

void QtDialog::EnableItem(int id, bool enabled) {
    if (const Item* item = Find(id)) {
        item->widget->setEnabled(enabled);
    }
}

void QtDialog::SetCaption(const std::string& utf8) {
    setWindowTitle(WindowCaption(utf8));
}

void QtDialog::InvalidateItem(int id) {
    const Item* item = Find(id);
    if (item && item->kind == ControlKind::OwnerDraw) {
        static_cast<OwnerDrawItem*>(item->widget)->Invalidate();
    } else if (item) {
        item->widget->update();
    }
}

Rect QtDialog::ItemRect(int id) const {
    const Item* item = Find(id);
    if (!item) {
        return {};
    }
    const QRect r = item->widget->geometry();
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

Canvas* QtDialog::ItemCanvas(int id) {
    const Item* item = Find(id);
    if (!item || item->kind != ControlKind::OwnerDraw) {
        return nullptr;
    }
    return static_cast<OwnerDrawItem*>(item->widget)->OutsidePaintCanvas();
}

} // namespace wt
