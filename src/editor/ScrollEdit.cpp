#include "editor/ScrollEdit.h"

#include <algorithm>
#include <cstdlib>

namespace wt {

namespace {
void BarRange(const DialogHost& dlg, int scrollBar, int& low, int& high) {
    int a = 0, b = 0;
    dlg.GetScrollRange(scrollBar, &a, &b);
    low = std::min(a, b);
    high = std::max(a, b);
}
} // namespace

void ScrollEditSet(int value, ScrollEditValue& record, int scrollBar, DialogHost& dlg, int editId) {
    int low = 0, high = 0;
    BarRange(dlg, scrollBar, low, high);
    value = std::clamp(value, low, high);
    record.value = value;
    dlg.SetScrollPos(scrollBar, value, true);
    dlg.SetItemInt(editId, value, false);
}

void ScrollEditOnScroll(DialogHost& dlg, int editId, unsigned code, int trackPos, int scrollBar,
                        ScrollEditValue& record) {
    int a = 0, b = 0;
    dlg.GetScrollRange(scrollBar, &a, &b);
    const int page = std::abs(b - a) / 20;
    int value = record.value;
    switch (code) {
    case sb::LineUp:
        value -= 1;
        break;
    case sb::LineDown:
        value += 1;
        break;
    case sb::PageUp:
        value -= page;
        break;
    case sb::PageDown:
        value += page;
        break;
    case sb::ThumbTrack:
        value = trackPos;
        break;
    default:
        break;
    }
    ScrollEditSet(value, record, scrollBar, dlg, editId);
}

unsigned ScrollEditOnChange(ScrollEditValue& record, DialogHost& dlg, WParam wParam) {
    const unsigned code = HighWord(wParam);
    if (code != NotifyEditChange) {
        return code;
    }
    const int editId = static_cast<int>(LowWord(wParam));
    const int scrollBar = editId - 1;
    bool ok = false;
    long value = dlg.GetItemInt(editId, &ok, false);
    if (!ok) {
        value = 0;
    }
    int low = 0, high = 0;
    BarRange(dlg, scrollBar, low, high);
    const int clamped = static_cast<int>(std::clamp<long>(value, low, high));
    dlg.SetScrollPos(scrollBar, clamped, true);
    record.value = clamped;
    return 0;
}

} // namespace wt
