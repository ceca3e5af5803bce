// The dialog-item host: what a dialog procedure may ask of the modal dialog it runs in.
// Both the Qt dialogs and the scripted host implement it, so every dialog rule is testable
// without a display.
#pragma once

#include "platform/Canvas.h"
#include "platform/Messages.h"

#include <functional>
#include <string>

namespace wt {

// Check-box and radio-button states.
inline constexpr int Unchecked = 0;
inline constexpr int Checked = 1;
inline constexpr int Indeterminate = 2; // shown, but "not applicable"

class DialogHost {
public:
    virtual ~DialogHost() = default;

    virtual void SetItemText(int id, const std::string& utf8) = 0;
    virtual std::string GetItemText(int id) const = 0;
    // Edit fields: replaces the selected text, or inserts at the caret when nothing is
    // selected, and puts the caret after the new text; the change is reported as typing is.
    // Setting a field's text puts the caret at its end.
    virtual void ReplaceItemSelection(int id, const std::string& utf8) {
        SetItemText(id, GetItemText(id) + utf8);
    }
    // Edit fields: selects the characters start..end, the caret at end; -1 stands for the end
    // of the text.
    virtual void SetItemSelection(int, int, int) {}
    // Integer helpers with the classic semantics: GetItemInt parses leading blanks, an optional
    // sign (when isSigned) and decimal digits; ok is false when no digit was found or the value
    // is out of range (the result is then 0).
    void SetItemInt(int id, long value, bool isSigned = true);
    long GetItemInt(int id, bool* ok, bool isSigned = true) const;

    virtual void CheckButton(int id, int state) = 0;
    virtual int IsButtonChecked(int id) const = 0;
    // Checks `checkId` and clears every other radio button with an id in first..last.
    void CheckRadioButton(int first, int last, int checkId);

    virtual void SetScrollRange(int id, int low, int high, bool redraw) = 0;
    virtual void GetScrollRange(int id, int* low, int* high) const = 0;
    // The position is kept inside the range, as a scroll bar does.
    virtual void SetScrollPos(int id, int pos, bool redraw) = 0;
    virtual int GetScrollPos(int id) const = 0;

    // List boxes and drop-down lists.
    virtual void ListReset(int id) = 0;
    virtual int ListAdd(int id, const std::string& utf8) = 0;
    virtual void ListSetCurSel(int id, int row) = 0;
    virtual int ListGetCurSel(int id) const = 0;

    virtual void EnableItem(int id, bool enabled) = 0;
    virtual bool HasItem(int id) const = 0;
    virtual void SetCaption(const std::string& utf8) = 0;
    // Asks for an owner-drawn item to be painted again (it receives msg::Paint with the item id).
    virtual void InvalidateItem(int id) = 0;
    // The rectangle of item `id` in the dialog's client pixels; empty when there is no such
    // item.
    virtual Rect ItemRect(int) const { return {}; }
    // A canvas on owner-drawn item `id` for drawing outside a paint, origin at the item's top
    // left: what is drawn shows at once and stays until the item is painted again. nullptr
    // when the item cannot be drawn on now. Valid until the next call.
    virtual Canvas* ItemCanvas(int) { return nullptr; }

    // Ends the modal dialog; DialogBox returns `result` once the procedure returns.
    virtual void EndDialog(LParam result) = 0;
};

// The end of a dialog whose OK button ends it with `okResult` and whose Cancel button and
// close end it with 0: returns 1 when `message` ended it, 0 for any other message.
LParam EndOnOkOrCancel(DialogHost& dlg, unsigned message, WParam wParam, LParam okResult);

// msg::SetItemValue's lParam: a value given as text to an owner-drawn item, which has no text
// of its own (a scripted user setting at once what a real one would draw).
struct ItemValueRequest {
    std::string text;
    std::string error; // set by the procedure when it refuses the value
};

// A dialog procedure: returns non-zero when it handled the message. For msg::Paint of an
// owner-drawn item, wParam is the item id and lParam points at the Canvas to draw on. Mouse
// messages of an owner-drawn item carry the item id in wParam and the position in the item's
// pixels in lParam. msg::SetItemValue carries the item id and an ItemValueRequest*; the
// procedure returns non-zero when it took the value.
using DialogProc = std::function<LParam(DialogHost&, unsigned msg, WParam, LParam)>;

} // namespace wt
