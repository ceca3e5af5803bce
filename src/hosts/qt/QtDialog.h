// A modal dialog built from a dialog template, driven like a classic dialog manager: the
// procedure gets msg::InitDialog with the creation parameter, then one message per user
// action, and ends the dialog with EndDialog.
//
// Messages the procedure receives:
// - push buttons, check boxes and radio buttons: msg::Command with MakeWParam(id, 0). A
//   CheckBox does not change its state by itself (the procedure sets it, a third state shows
//   as partly checked); an AutoCheckBox toggles, then reports; an AutoRadio checks itself and
//   clears the others of its group (a group begins at a control marked groupStart and runs to
//   the next such control, whatever lies between), then reports.
// - edit fields: msg::Command with MakeWParam(id, NotifyEditChange) after every change of the
//   text, typed or set with SetItemText.
// - scroll bars: msg::HScroll / msg::VScroll with MakeWParam(code, pos) and lParam = control
//   id; the bar moves only when the procedure sets its position (the thumb follows the mouse
//   while dragged). Vertical track bars (sliders) report and are driven the same way.
// - lists: msg::Command with MakeWParam(id, NotifyListSelChange) when the user picks a row.
// - owner-drawn items: msg::Paint with wParam = id and lParam = the Canvas* to draw on (the
//   item's own pixels, origin at its top left) when the item is first shown, resized or
//   invalidated (InvalidateItem); its picture is kept in between, and ItemCanvas draws on it
//   outside a paint. msg::LButtonDown / MouseMove / LButtonUp / LButtonDblClk with wParam = id
//   and lParam = MakeLParam(x, y) in the item's pixels; while the left button is held the
//   item keeps getting the mouse, also outside itself.
// - Escape: msg::Command with MakeWParam(IdCancel, 0). The title-bar close button: msg::Close
//   first; when the procedure does not handle it (returns 0), MakeWParam(IdCancel, 0), unless
//   the dialog has a disabled Cancel button.
#pragma once

#include "platform/DialogHost.h"
#include "platform/DialogTemplate.h"

#include <QDialog>
#include <QString>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wt {

class ClassicScrollBar;

// A caption as Qt should show it: the text exactly, "[*]" included.
QString WindowCaption(const std::string& utf8);

class QtDialog : public QDialog, public DialogHost {
public:
    QtDialog(const DialogTemplate& dialogTemplate, DialogProc proc, QWidget* parent);
    ~QtDialog() override;

    // Sends msg::InitDialog with `param`, then runs the modal loop until EndDialog. Returns
    // the EndDialog result.
    LParam Run(LParam param);
    bool Ended() const { return result_.has_value(); }

    // The widget that shows control `id`; nullptr when there is none.
    QWidget* ItemWidget(int id) const;

    // Dialog units to pixels with this dialog's font.
    int DialogUnitsToPixelsX(int units) const;
    int DialogUnitsToPixelsY(int units) const;

    // DialogHost
    void SetItemText(int id, const std::string& utf8) override;
    std::string GetItemText(int id) const override;
    void ReplaceItemSelection(int id, const std::string& utf8) override;
    void SetItemSelection(int id, int start, int end) override;
    void CheckButton(int id, int state) override;
    int IsButtonChecked(int id) const override;
    void SetScrollRange(int id, int low, int high, bool redraw) override;
    void GetScrollRange(int id, int* low, int* high) const override;
    void SetScrollPos(int id, int pos, bool redraw) override;
    int GetScrollPos(int id) const override;
    void ListReset(int id) override;
    int ListAdd(int id, const std::string& utf8) override;
    void ListSetCurSel(int id, int row) override;
    int ListGetCurSel(int id) const override;
    void EnableItem(int id, bool enabled) override;
    bool HasItem(int id) const override;
    void SetCaption(const std::string& utf8) override;
    void InvalidateItem(int id) override;
    Rect ItemRect(int id) const override;
    Canvas* ItemCanvas(int id) override;
    void EndDialog(LParam result) override;

    // Sends a message to the procedure (nothing once the dialog has ended); returns its result.
    LParam Send(unsigned message, WParam wParam, LParam lParam);

    // Qt's own ways of ending a dialog are routed to the procedure instead: Escape and
    // reject() send the Cancel command, accept() does nothing, done() ends only through
    // EndDialog.
    void reject() override;
    void accept() override {}
    void done(int code) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Item {
        ControlKind kind = ControlKind::Static;
        QWidget* widget = nullptr;
    };
    void CreateControl(const ControlTemplate& control, int groupIndex);
    const Item* Find(int id) const;
    // Clears every other radio button of the group `groupIndex`.
    void CheckRadioInGroup(QWidget* checked, int groupIndex);

    const DialogTemplate& template_;
    DialogProc proc_;
    std::map<int, Item> items_;
    std::vector<std::pair<int, QWidget*>> radios_; // (group index, button)
    std::optional<LParam> result_;
    bool running_ = false;
    bool closing_ = false; // done() is ours, not Qt's default handling
    int baseX_ = 6, baseY_ = 12;
};

} // namespace wt
