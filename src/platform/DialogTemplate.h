// Dialog templates: the controls of a modal dialog, in dialog units (one horizontal unit is a
// quarter of the average character width, one vertical unit an eighth of the character
// height). The Qt host builds real dialogs from them; the scripted host uses them to know
// which control is an edit field, a scroll bar, a check box or a list.
#pragma once

#include <string>
#include <vector>

namespace wt {

enum class ControlKind {
    Static,     // text label
    Icon,       // icon resource; text holds the icon number
    GroupBox,   // frame with a caption
    PushButton, // sends a click command
    DefPushButton,
    CheckBox,     // click sends a command; the procedure changes the state
    AutoCheckBox, // click toggles the state itself, then sends a command
    AutoRadio,    // click checks it and clears the others of its group, then sends a command
    Edit,         // single-line text field; every change sends an edit-change command
    HScrollBar,
    VScrollBar,
    ListBox,
    ComboList, // drop-down list
    OwnerDraw, // area painted by the dialog procedure, receives mouse messages
    // A vertical slider with its lowest value at the top; it reports and is driven exactly as a
    // vertical scroll bar is.
    VTrackBar,
};

struct ControlTemplate {
    int id = -1; // -1 for statics that are never addressed
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;
    // The group style: this control begins a group, which runs to the next control with the
    // style whatever lies between (icons, labels, frames). Clicking a radio button clears the
    // other radio buttons of its group.
    bool groupStart = false;
    bool disabled = false;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int width = 0, height = 0;
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const {
        for (const auto& c : controls) {
            if (c.id == controlId) {
                return &c;
            }
        }
        return nullptr;
    }

    // The group of each control, by its index in `controls`: 0 up to the first control with
    // the group style, then one more at each control with it.
    std::vector<int> GroupNumbers() const {
        std::vector<int> groups;
        int group = 0;
        for (const auto& c : controls) {
            group += c.groupStart ? 1 : 0;
            groups.push_back(group);
        }
        return groups;
    }
};

} // namespace wt
