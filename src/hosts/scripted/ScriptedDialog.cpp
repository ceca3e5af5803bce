#include "hosts/scripted/ScriptedDialog.h"

#include "util/ParseNumber.h"

#include <algorithm>
#include <climits>

namespace wt {

namespace {
// A value given for a control as a whole number that fits an int; anything else is refused
// with `error` naming the control, never wrapped.
bool ReadNumber(const std::string& text, const char* what, int id, int& value, std::string& error) {
    long long parsed = 0;
    if (!ParseInteger(text, INT_MIN, INT_MAX, parsed)) {
        error = std::string(what) + " " + std::to_string(id) +
                " needs a whole number from -2147483648 to 2147483647, got \"" + text + "\"";
        return false;
    }
    value = static_cast<int>(parsed);
    return true;
}

// What an owner-drawn item shows before its first paint.
constexpr Rgb kItemBackground{212, 208, 200};
} // namespace

ScriptedDialog::ScriptedDialog(const DialogTemplate& dialogTemplate, DialogProc proc)
    : template_(dialogTemplate), proc_(std::move(proc)), caption_(dialogTemplate.caption) {
    for (const auto& c : template_.controls) {
        if (c.id < 0) {
            continue;
        }
        Item item;
        item.kind = c.kind;
        item.text = c.text;
        item.enabled = !c.disabled;
        if (c.kind == ControlKind::HScrollBar || c.kind == ControlKind::VScrollBar ||
            c.kind == ControlKind::VTrackBar) {
            item.text.clear();
        }
        item.rect = {c.x * kPixelsPerFourUnitsX / 4, c.y * kPixelsPerEightUnitsY / 8,
                     (c.x + c.width) * kPixelsPerFourUnitsX / 4,
                     (c.y + c.height) * kPixelsPerEightUnitsY / 8};
        if (c.kind == ControlKind::OwnerDraw) {
            item.picture = std::make_unique<RasterCanvas>(item.rect.Width(), item.rect.Height(),
                                                          kItemBackground);
            item.invalid = true;
        }
        items_[c.id] = std::move(item);
    }
}

LParam ScriptedDialog::Send(unsigned message, WParam wParam, LParam lParam) {
    return Ended() ? 0 : proc_(*this, message, wParam, lParam);
}

void ScriptedDialog::PaintIfInvalid(int id, Item& item) {
    if (!item.invalid || Ended()) {
        return;
    }
    item.invalid = false;
    RasterCanvas& canvas = *item.picture;
    canvas.ResetClip();
    canvas.FillRect({0, 0, canvas.Width(), canvas.Height()}, kItemBackground);
    Send(msg::Paint, static_cast<WParam>(id), reinterpret_cast<LParam>(&canvas));
}

bool ScriptedDialog::Initialize(LParam param) {
    proc_(*this, msg::InitDialog, 0, param);
    return !Ended();
}

ScriptedDialog::Item* ScriptedDialog::Find(int id) {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : &it->second;
}

const ScriptedDialog::Item* ScriptedDialog::Find(int id) const {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : &it->second;
}

std::vector<int> ScriptedDialog::RadioGroup(int id) const {
    const std::vector<int> groups = template_.GroupNumbers();
    const std::vector<ControlTemplate>& controls = template_.controls;
    int own = -1;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind == ControlKind::AutoRadio && controls[i].id == id) {
            own = groups[i];
        }
    }
    if (own < 0) {
        return {id};
    }
    std::vector<int> group;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].kind == ControlKind::AutoRadio && groups[i] == own) {
            group.push_back(controls[i].id);
        }
    }
    return group;
}

bool ScriptedDialog::Apply(int id, const std::string& value, std::string& error) {
    Item* item = Find(id);
    if (!item) {
        error = "dialog " + std::to_string(template_.id) + " has no control " + std::to_string(id);
        return false;
    }
    if (!item->enabled) {
        error = "control " + std::to_string(id) + " is disabled";
        return false;
    }
    int number = 0;
    switch (item->kind) {
    case ControlKind::Edit:
        item->text = value;
        item->selStart = item->selEnd = item->text.size();
        Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyEditChange), 0);
        return true;
    case ControlKind::HScrollBar:
    case ControlKind::VScrollBar:
    case ControlKind::VTrackBar: {
        if (!ReadNumber(value, "scroll bar", id, number, error)) {
            return false;
        }
        // Dragging the thumb: the bar reports the tracked position, then the final one. The
        // thumb cannot leave the bar, so a position outside the range is the nearest end.
        number =
            std::clamp(number, std::min(item->low, item->high), std::max(item->low, item->high));
        const unsigned message =
            item->kind == ControlKind::HScrollBar ? msg::HScroll : msg::VScroll;
        const auto pos16 = static_cast<unsigned>(number) & 0xFFFFu;
        Send(message, MakeWParam(sb::ThumbTrack, pos16), id);
        Send(message, MakeWParam(sb::ThumbPosition, pos16), id);
        Send(message, MakeWParam(sb::EndScroll, 0), id);
        return true;
    }
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
        if (value != "0" && value != "1") {
            error = "check box " + std::to_string(id) + " takes 1 or 0";
            return false;
        }
        number = value == "1" ? 1 : 0;
        if (item->state != number) {
            if (item->kind == ControlKind::AutoCheckBox) {
                item->state = item->state == Checked ? Unchecked : Checked;
            }
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyClicked), 0);
        }
        return true;
    case ControlKind::AutoRadio:
        if (value != "0" && value != "1") {
            error = "radio button " + std::to_string(id) + " takes 1 or 0";
            return false;
        }
        if (value == "1") {
            for (int other : RadioGroup(id)) {
                if (Item* o = Find(other)) {
                    o->state = other == id ? Checked : Unchecked;
                }
            }
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyClicked), 0);
        }
        return true;
    case ControlKind::ListBox:
    case ControlKind::ComboList:
        if (!ReadNumber(value, "list", id, number, error)) {
            return false;
        }
        if (number < 0 || number >= static_cast<int>(item->rows.size())) {
            error = "list " + std::to_string(id) + " has no row " + value;
            return false;
        }
        item->selection = number;
        Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyListSelChange), 0);
        return true;
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        Press(id);
        return true;
    case ControlKind::OwnerDraw: {
        // The item has no text of its own: its procedure reads the value, as what the user
        // would have drawn, or says why it cannot be.
        ItemValueRequest request{value, {}};
        if (Send(msg::SetItemValue, static_cast<WParam>(id), reinterpret_cast<LParam>(&request)) ==
            0) {
            error = "control " + std::to_string(id) + ": " +
                    (request.error.empty() ? "cannot be changed" : request.error);
            return false;
        }
        return true;
    }
    default:
        error = "control " + std::to_string(id) + " cannot be changed";
        return false;
    }
}

void ScriptedDialog::Press(int id) {
    Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyClicked), 0);
}

void ScriptedDialog::PressEscape() {
    Send(msg::Command, MakeWParam(static_cast<unsigned>(IdCancel), NotifyClicked),
         kCancelFromEscape);
}

bool ScriptedDialog::Mouse(int id, unsigned message, int x, int y, std::string& error) {
    const Item* item = Find(id);
    if (!item || item->kind != ControlKind::OwnerDraw) {
        error = "dialog " + std::to_string(template_.id) + " has no drawing control " +
                std::to_string(id);
        return false;
    }
    if (x < -32768 || x > 32767 || y < -32768 || y > 32767) {
        error = "mouse positions are -32768 to 32767 pixels";
        return false;
    }
    Send(message, static_cast<WParam>(id), MakeLParam(x, y));
    return true;
}

const RasterCanvas* ScriptedDialog::ItemPicture(int id) {
    Item* item = Find(id);
    if (!item || !item->picture) {
        return nullptr;
    }
    PaintIfInvalid(id, *item);
    return item->picture.get();
}

void ScriptedDialog::InvalidateItem(int id) {
    if (Item* item = Find(id); item && item->picture) {
        item->invalid = true;
    }
}

Rect ScriptedDialog::ItemRect(int id) const {
    const Item* item = Find(id);
    return item ? item->rect : Rect{};
}

Canvas* ScriptedDialog::ItemCanvas(int id) {
    Item* item = Find(id);
    if (!item || !item->picture) {
        return nullptr;
    }
    PaintIfInvalid(id, *item);
    item->picture->ResetClip();
    return item->picture.get();
}

void ScriptedDialog::SetItemText(int id, const std::string& utf8) {
    if (Item* item = Find(id)) {
        item->text = utf8;
        item->selStart = item->selEnd = utf8.size();
        // Setting an edit field's text raises its change notification, as a real field does.
        if (item->kind == ControlKind::Edit) {
            Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyEditChange), 0);
        }
    }
}

void ScriptedDialog::ReplaceItemSelection(int id, const std::string& utf8) {
    Item* item = Find(id);
    if (!item || item->kind != ControlKind::Edit) {
        return;
    }
    const std::size_t start = std::min({item->selStart, item->selEnd, item->text.size()});
    const std::size_t end = std::min(std::max(item->selStart, item->selEnd), item->text.size());
    item->text.replace(start, end - start, utf8);
    item->selStart = item->selEnd = start + utf8.size();
    Send(msg::Command, MakeWParam(static_cast<unsigned>(id), NotifyEditChange), 0);
}

void ScriptedDialog::SetItemSelection(int id, int start, int end) {
    Item* item = Find(id);
    if (!item || item->kind != ControlKind::Edit) {
        return;
    }
    const auto place = [&](int at) {
        return at < 0 ? item->text.size()
                      : std::min(static_cast<std::size_t>(at), item->text.size());
    };
    item->selStart = place(start);
    item->selEnd = place(end);
}

std::string ScriptedDialog::GetItemText(int id) const {
    const Item* item = Find(id);
    return item ? item->text : std::string();
}

void ScriptedDialog::CheckButton(int id, int state) {
    if (Item* item = Find(id)) {
        item->state = state;
    }
}

int ScriptedDialog::IsButtonChecked(int id) const {
    const Item* item = Find(id);
    return item ? item->state : Unchecked;
}

void ScriptedDialog::SetScrollRange(int id, int low, int high, bool) {
    if (Item* item = Find(id)) {
        item->low = low;
        item->high = high;
        item->pos = std::clamp(item->pos, std::min(low, high), std::max(low, high));
    }
}

void ScriptedDialog::GetScrollRange(int id, int* low, int* high) const {
    const Item* item = Find(id);
    if (low) {
        *low = item ? item->low : 0;
    }
    if (high) {
        *high = item ? item->high : 0;
    }
}

void ScriptedDialog::SetScrollPos(int id, int pos, bool) {
    if (Item* item = Find(id)) {
        item->pos =
            std::clamp(pos, std::min(item->low, item->high), std::max(item->low, item->high));
    }
}

int ScriptedDialog::GetScrollPos(int id) const {
    const Item* item = Find(id);
    return item ? item->pos : 0;
}

void ScriptedDialog::ListReset(int id) {
    if (Item* item = Find(id)) {
        item->rows.clear();
        item->selection = -1;
    }
}

int ScriptedDialog::ListAdd(int id, const std::string& utf8) {
    Item* item = Find(id);
    if (!item) {
        return -1;
    }
    item->rows.push_back(utf8);
    return static_cast<int>(item->rows.size()) - 1;
}

void ScriptedDialog::ListSetCurSel(int id, int row) {
    if (Item* item = Find(id)) {
        item->selection = row >= 0 && row < static_cast<int>(item->rows.size()) ? row : -1;
    }
}

int ScriptedDialog::ListGetCurSel(int id) const {
    const Item* item = Find(id);
    return item ? item->selection : -1;
}

void ScriptedDialog::EnableItem(int id, bool enabled) {
    if (Item* item = Find(id)) {
        item->enabled = enabled;
    }
}

bool ScriptedDialog::IsEnabled(int id) const {
    const Item* item = Find(id);
    return item && item->enabled;
}

} // namespace wt
