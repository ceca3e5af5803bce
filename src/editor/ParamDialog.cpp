#include "editor/ParamDialog.h"

#include "editor/App.h"
#include "editor/Preview.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace wt {

namespace {

// The field text a scaled value is read from: at most 15 bytes, as the classic 16-byte buffer
// held them.
constexpr std::size_t kScaledTextLimit = 15;

// Bounds a value without asking the bounds to be ordered (a malformed row must not be able to
// trip an assertion or undefined behaviour).
long long ClampToRow(long long value, const DialogBinding& row) {
    if (value > row.high) {
        value = row.high;
    }
    if (value < row.low) {
        value = row.low;
    }
    return value;
}

// Parses the leading decimal number of `text` as "%f" of scanf would: blanks skipped, an
// optional sign, then the longest number; the rest is ignored. Parsed independently of the
// C locale, whose decimal point the desktop toolkit may have changed.
bool ParseLeadingFloat(const std::string& text, float& result) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] == '+' || text[i] == '-') {
        return false;
    }
    float parsed = 0.0f;
    const auto [end, error] = std::from_chars(text.data() + i, text.data() + text.size(), parsed);
    if (end == text.data() + i) {
        return false;
    }
    if (error == std::errc::result_out_of_range) {
        // Beyond the float range (only an exponent gets there in 15 bytes): the direction is
        // all that matters once the value is clamped into the row's range.
        const std::string number(text.data() + i, end);
        const auto e = number.find_first_of("eE");
        const bool tiny = e != std::string::npos && e + 1 < number.size() && number[e + 1] == '-';
        parsed = tiny ? 0.0f : HUGE_VALF;
    } else if (error != std::errc()) {
        return false;
    }
    if (std::isnan(parsed)) {
        return false;
    }
    result = negative ? -parsed : parsed;
    return true;
}

DialogBinding* FindRow(DialogBinding* table, int control) {
    if (!table) {
        return nullptr;
    }
    for (DialogBinding* row = table; IsBindingRow(*row); ++row) {
        if (row->control == control) {
            return row;
        }
    }
    return nullptr;
}

void InitializeRows(DialogHost& dlg, WParam wParam, LParam lParam, ParamDialogState& state) {
    state.table = reinterpret_cast<DialogBinding*>(lParam);
    for (DialogBinding* row = state.table; row && IsBindingRow(*row); ++row) {
        switch (row->kind) {
        case bind::Check:
            dlg.CheckButton(row->control, row->low != 0               ? Indeterminate
                                          : row->value && *row->value ? Checked
                                                                      : Unchecked);
            break;
        case bind::Hook:
            state.hook = row->hook;
            if (state.hook) {
                DialogHook hook = state.hook;
                hook(dlg, msg::InitDialog, wParam, lParam, state.table);
            }
            break;
        case bind::Number:
            if (row->value) {
                dlg.SetItemText(row->control, FormatScaledValue(*row->value, row->scale));
            }
            break;
        case bind::Radio:
            if (row->value) {
                dlg.CheckButton(row->control, *row->value == row->low ? Checked : Unchecked);
            }
            break;
        case bind::Text:
            if (row->text) {
                const std::size_t length =
                    row->low > 0 ? strnlen(row->text, static_cast<std::size_t>(row->low))
                                 : std::strlen(row->text);
                dlg.SetItemText(row->control, std::string(row->text, length));
            }
            break;
        case bind::Scroll:
            dlg.SetScrollRange(row->control, row->low, row->high, false);
            if (row->value) {
                dlg.SetScrollPos(row->control, *row->value, true);
            }
            break;
        default:
            break;
        }
    }
}

// Copies at most size - 1 bytes of `text` and a terminator into `buffer`, never cutting a
// UTF-8 sequence in two.
void CopyToBuffer(const std::string& text, char* buffer, int size) {
    std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

// OK: every row in table order; the N row after its V row decides the value.
void ReadBackRows(DialogHost& dlg, DialogBinding* table) {
    for (DialogBinding* row = table; row && IsBindingRow(*row); ++row) {
        switch (row->kind) {
        case bind::Check:
            if (row->value) {
                *row->value = dlg.IsButtonChecked(row->control) == Checked ? 1 : 0;
            }
            break;
        case bind::Number:
            if (row->value) {
                int value = 0;
                if (!ReadBoundValue(dlg, *row, value)) {
                    value = static_cast<int>(ClampToRow(0, *row));
                }
                *row->value = value;
            }
            break;
        case bind::Radio:
            if (row->value && dlg.IsButtonChecked(row->control) == Checked) {
                *row->value = row->low;
            }
            break;
        case bind::Text:
            if (row->text && row->low > 0) {
                CopyToBuffer(dlg.GetItemText(row->control), row->text, row->low);
            }
            break;
        case bind::Scroll:
            if (row->value) {
                *row->value = dlg.GetScrollPos(row->control);
            }
            break;
        default:
            break;
        }
    }
}

// A typed change stores the parameter at once and moves the linked bar; the text stays as
// typed. Only number fields carry a parameter that a typed text can become.
void OnEditChange(DialogHost& dlg, int control, ParamDialogState& state) {
    DialogBinding* row = FindRow(state.table, control);
    if (!row || row->kind != bind::Number || !row->value) {
        return;
    }
    int value = 0;
    if (!ReadBoundValue(dlg, *row, value)) {
        return;
    }
    *row->value = value;
    if (row->link != 0) {
        dlg.SetScrollPos(row->link, value, true);
    }
}

LParam OnCommand(DialogHost& dlg, WParam wParam, ParamDialogState& state) {
    const int control = static_cast<int>(LowWord(wParam));
    const unsigned code = HighWord(wParam);
    if (code == NotifyEditChange) {
        OnEditChange(dlg, control, state);
    } else if (code == NotifyClicked) {
        // A check box toggles between 0 and 1; one shown as not applicable stays so.
        DialogBinding* row = FindRow(state.table, control);
        if (row && row->kind == bind::Check) {
            const int now = dlg.IsButtonChecked(control);
            if (now == Checked) {
                dlg.CheckButton(control, Unchecked);
            } else if (now == Unchecked) {
                dlg.CheckButton(control, Checked);
            }
        }
    }
    if (control == IdOk) {
        ReadBackRows(dlg, state.table);
        dlg.EndDialog(1);
        state.hook = nullptr;
        return 1;
    }
    if (control == IdCancel) {
        dlg.EndDialog(0);
        state.hook = nullptr;
        return 1;
    }
    if (wParam == 0 || (wParam >= 3 && wParam <= 10)) {
        dlg.EndDialog(static_cast<LParam>(wParam));
        state.hook = nullptr;
        return 1;
    }
    return 0;
}

void OnScroll(DialogHost& dlg, WParam wParam, LParam lParam, ParamDialogState& state) {
    DialogBinding* row = FindRow(state.table, static_cast<int>(lParam));
    if (!row || row->kind != bind::Scroll) {
        return;
    }
    int low = 0, high = 0;
    dlg.GetScrollRange(row->control, &low, &high);
    int step = static_cast<int>((static_cast<long long>(high) - low) / 16);
    if (step == 0) {
        step = 1;
    }
    const unsigned code = LowWord(wParam);
    int pos = dlg.GetScrollPos(row->control);
    switch (code) {
    case sb::LineUp:
    case sb::Top:
        --pos;
        break;
    case sb::LineDown:
    case sb::Bottom:
        ++pos;
        break;
    case sb::PageUp:
        pos -= step;
        break;
    case sb::PageDown:
        pos += step;
        break;
    case sb::ThumbPosition:
    case sb::ThumbTrack:
        pos = static_cast<std::int16_t>(HighWord(wParam));
        break;
    default:
        break;
    }
    if (code <= sb::Bottom) {
        dlg.SetScrollPos(row->control, pos, true);
    }
    // The field follows the bar; its change notification stores the parameter.
    if (row->link != 0) {
        dlg.SetItemText(row->link, FormatScaledValue(dlg.GetScrollPos(row->control), row->scale));
    }
}

} // namespace

bool IsBindingRow(const DialogBinding& row) {
    switch (row.kind) {
    case bind::Check:
    case bind::Hook:
    case bind::Number:
    case bind::Radio:
    case bind::Text:
    case bind::Scroll:
        return true;
    default:
        return false;
    }
}

DialogBinding ScrollRow(int bar, int* value, int low, int high, int edit, int scale) {
    DialogBinding row;
    row.control = bar;
    row.kind = bind::Scroll;
    row.value = value;
    row.low = low;
    row.high = high;
    row.link = edit;
    row.scale = scale;
    return row;
}

DialogBinding NumberRow(int edit, int* value, int low, int high, int bar, int scale) {
    DialogBinding row = ScrollRow(edit, value, low, high, bar, scale);
    row.kind = bind::Number;
    return row;
}

DialogBinding CheckRow(int box, int* value, bool notApplicable) {
    DialogBinding row;
    row.control = box;
    row.kind = bind::Check;
    row.value = value;
    row.low = notApplicable ? 1 : 0;
    return row;
}

DialogBinding RadioRow(int button, int* value, int standsFor) {
    DialogBinding row;
    row.control = button;
    row.kind = bind::Radio;
    row.value = value;
    row.low = standsFor;
    return row;
}

DialogBinding TextRow(int field, char* buffer, int bufferSize) {
    DialogBinding row;
    row.control = field;
    row.kind = bind::Text;
    row.text = buffer;
    row.low = bufferSize;
    return row;
}

DialogBinding HookRow(DialogHook hook) {
    DialogBinding row;
    row.kind = bind::Hook;
    row.hook = std::move(hook);
    return row;
}

DialogBinding EndRow() {
    return DialogBinding{};
}

void ScrollWithEdit(std::vector<DialogBinding>& table, int bar, int edit, int* value, int low,
                    int high, int scale) {
    table.push_back(ScrollRow(bar, value, low, high, edit, scale));
    table.push_back(NumberRow(edit, value, low, high, bar, scale));
}

std::string FormatScaledValue(int value, int scale) {
    if (scale == 0) {
        return std::to_string(value);
    }
    char text[64];
    const auto [end, error] = std::to_chars(
        text, text + sizeof text, static_cast<double>(value) / scale, std::chars_format::fixed, 1);
    return error == std::errc() ? std::string(text, end) : std::string();
}

bool ReadBoundValue(const DialogHost& dlg, const DialogBinding& row, int& value) {
    if (row.scale == 0) {
        bool ok = false;
        const long parsed = dlg.GetItemInt(row.control, &ok, true);
        if (!ok) {
            return false;
        }
        value = static_cast<int>(ClampToRow(parsed, row));
        return true;
    }
    std::string text = dlg.GetItemText(row.control);
    if (text.size() > kScaledTextLimit) {
        text.resize(kScaledTextLimit);
    }
    float number = 0.0f;
    if (!ParseLeadingFloat(text, number)) {
        return false;
    }
    // Single-precision product, rounded to the nearest integer; bounded before the conversion
    // so that a huge typed number cannot overflow it.
    double scaled = std::round(static_cast<double>(number * static_cast<float>(row.scale)));
    if (scaled > row.high) {
        scaled = row.high;
    }
    if (scaled < row.low) {
        scaled = row.low;
    }
    value = static_cast<int>(scaled);
    return true;
}

LParam ParamDlgProc(DialogHost& dlg, unsigned message, WParam wParam, LParam lParam,
                    ParamDialogState& state) {
    if (state.hook) {
        // A copy: the hook may end the dialog, which forgets the stored one.
        DialogHook hook = state.hook;
        hook(dlg, message, wParam, lParam, state.table);
    }
    switch (message) {
    case msg::InitDialog:
        InitializeRows(dlg, wParam, lParam, state);
        return 1;
    case msg::Command:
        return OnCommand(dlg, wParam, state);
    case msg::HScroll:
    case msg::VScroll:
        OnScroll(dlg, wParam, lParam, state);
        return 0;
    default:
        return 0;
    }
}

LParam RunParamDialog(App& app, int templateId, Owner owner, std::vector<DialogBinding>& table) {
    if (table.empty() || IsBindingRow(table.back())) {
        table.push_back(EndRow());
    }
    ParamDialogState state;
    return RunEffectDialog(
        app, templateId, owner,
        [&state](DialogHost& dlg, unsigned message, WParam wParam, LParam lParam) {
            return ParamDlgProc(dlg, message, wParam, lParam, state);
        },
        reinterpret_cast<LParam>(table.data()));
}

} // namespace wt
