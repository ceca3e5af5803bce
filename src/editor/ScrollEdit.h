// A scroll bar paired with an edit field, for dialogs with procedures of their own (display
// settings, graphic equalizer, melody paste). The edit field's id is the bar's id plus 1.
#pragma once

#include "platform/DialogHost.h"

namespace wt {

struct ScrollEditValue {
    int value = 0;
};

// Clamps value into the bar's range (low and high in either order), stores it, moves the bar
// and writes the value into the edit field as an unsigned integer.
void ScrollEditSet(int value, ScrollEditValue& record, int scrollBar, DialogHost& dlg, int editId);
// Line up/down by 1, page up/down by |high - low| / 20, thumb track to the carried position;
// every other code, thumb position included, does nothing. Then ScrollEditSet.
void ScrollEditOnScroll(DialogHost& dlg, int editId, unsigned code, int trackPos, int scrollBar,
                        ScrollEditValue& record);
// On an edit-change notification of field `LowWord(wParam)`: reads it as an unsigned integer
// (0 when not a number), clamps it into the bar's range (bar id = field id - 1), moves the bar
// and stores the value; the field's text is left as typed. Returns 0 then; for any other
// notification returns the notification code.
unsigned ScrollEditOnChange(ScrollEditValue& record, DialogHost& dlg, WParam wParam);

} // namespace wt
