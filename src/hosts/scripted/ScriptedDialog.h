// A modal dialog without a window: the items of a dialog template held as plain values, and
// the procedure driven by messages as a user's actions would raise them. Owner-drawn items
// keep their picture in memory. The procedure paints one when the picture is wanted (drawn on
// outside a paint with ItemCanvas, or looked at with ItemPicture) and the item has not been
// painted since the dialog opened or the item was invalidated: the picture is the one a
// screen would show, without the cost of painting what nobody looks at.
#pragma once

#include "platform/DialogHost.h"
#include "platform/DialogTemplate.h"
#include "platform/RasterCanvas.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wt {

class ScriptedDialog : public DialogHost {
public:
    // Dialog units to pixels, as a dialog font with 6-pixel wide, 12-pixel high characters
    // gives them: x pixels = units * 6 / 4, y pixels = units * 12 / 8.
    static constexpr int kPixelsPerFourUnitsX = 6;
    static constexpr int kPixelsPerEightUnitsY = 12;

    ScriptedDialog(const DialogTemplate& dialogTemplate, DialogProc proc);

    // Sends msg::InitDialog with `param`. Returns false when the procedure ended the dialog.
    bool Initialize(LParam param);
    // Acts on control `id` as a user would to make it show `value`. Returns false with a reason
    // when the control does not exist or cannot take the value.
    bool Apply(int id, const std::string& value, std::string& error);
    // Presses a push button (OK, Cancel, preset buttons): sends its click.
    void Press(int id);
    // The Esc key: the Cancel command, marked as coming from the key.
    void PressEscape();
    // Sends a mouse message (msg::LButtonDown, MouseMove, LButtonUp or LButtonDblClk) to
    // owner-drawn item `id` at (x, y) in its pixels. Returns false with a reason when there is
    // no such item or the position cannot be carried (each coordinate is a 16-bit number).
    bool Mouse(int id, unsigned message, int x, int y, std::string& error);
    // The picture of owner-drawn item `id`, painted first if it is due; nullptr for other
    // items.
    const RasterCanvas* ItemPicture(int id);

    bool Ended() const { return result_.has_value(); }
    LParam Result() const { return result_.value_or(0); }

    // DialogHost
    void SetItemText(int id, const std::string& utf8) override;
    std::string GetItemText(int id) const override;
    void ReplaceItemSelection(int id, const std::string& utf8) override;
    // Positions are bytes of the UTF-8 text.
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
    bool HasItem(int id) const override { return items_.count(id) != 0; }
    void SetCaption(const std::string& utf8) override { caption_ = utf8; }
    void InvalidateItem(int id) override;
    Rect ItemRect(int id) const override;
    Canvas* ItemCanvas(int id) override;
    void EndDialog(LParam result) override { result_ = result; }

    const std::string& Caption() const { return caption_; }
    const DialogTemplate& Template() const { return template_; }
    bool IsEnabled(int id) const;

private:
    struct Item {
        ControlKind kind = ControlKind::Static;
        std::string text;
        std::size_t selStart = 0, selEnd = 0; // edit fields: the selection, caret at selEnd
        int state = Unchecked;
        int low = 0, high = 100, pos = 0;
        std::vector<std::string> rows;
        int selection = -1;
        bool enabled = true;
        Rect rect;                             // in the dialog's client pixels
        std::unique_ptr<RasterCanvas> picture; // owner-drawn items only
        bool invalid = false;                  // to be painted before it is next used
    };
    LParam Send(unsigned message, WParam wParam, LParam lParam);
    // Has the procedure paint owner-drawn item `id` when it is due (not once the dialog has
    // ended).
    void PaintIfInvalid(int id, Item& item);
    Item* Find(int id);
    const Item* Find(int id) const;
    // The ids of the radio group that `id` belongs to, in template order.
    std::vector<int> RadioGroup(int id) const;

    const DialogTemplate& template_;
    DialogProc proc_;
    std::map<int, Item> items_;
    std::string caption_;
    std::optional<LParam> result_;
};

} // namespace wt
