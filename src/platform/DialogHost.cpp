#include "platform/DialogHost.h"

#include <cctype>
#include <climits>

namespace wt {

void DialogHost::SetItemInt(int id, long value, bool isSigned) {
    if (isSigned) {
        SetItemText(id, std::to_string(value));
    } else {
        SetItemText(id, std::to_string(static_cast<unsigned long>(static_cast<unsigned>(value))));
    }
}

long DialogHost::GetItemInt(int id, bool* ok, bool isSigned) const {
    const std::string text = GetItemText(id);
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (isSigned && i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool anyDigit = false;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = value * 10 + (text[i] - '0');
        anyDigit = true;
        if (value > 0xFFFFFFFFLL) {
            break;
        }
        ++i;
    }
    // Trailing blanks are tolerated, anything else makes the text "not a number".
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    const bool inRange =
        isSigned ? value <= (negative ? 2147483648LL : 2147483647LL) : value <= 0xFFFFFFFFLL;
    const bool good = anyDigit && i == text.size() && inRange;
    if (ok) {
        *ok = good;
    }
    if (!good) {
        return 0;
    }
    return static_cast<long>(negative ? -value : value);
}

void DialogHost::CheckRadioButton(int first, int last, int checkId) {
    for (int id = first; id <= last; ++id) {
        if (HasItem(id)) {
            CheckButton(id, id == checkId ? Checked : Unchecked);
        }
    }
}

LParam EndOnOkOrCancel(DialogHost& dlg, unsigned message, WParam wParam, LParam okResult) {
    const bool command = message == msg::Command;
    const bool ok = command && LowWord(wParam) == static_cast<unsigned>(IdOk);
    const bool cancel =
        message == msg::Close || (command && LowWord(wParam) == static_cast<unsigned>(IdCancel));
    if (!ok && !cancel) {
        return 0;
    }
    dlg.EndDialog(ok ? okResult : 0);
    return 1;
}

} // namespace wt
