// The layout of the parameter dialogs of the dynamics, delay and modulation effects: rows of a
// label, a horizontal scroll bar, its edit field and a unit, then check boxes or a group of
// radio buttons, with OK and Cancel under the last row. Positions are in dialog units.
#pragma once

#include "platform/DialogTemplate.h"

namespace wt {

class EffectDialogLayout {
public:
    EffectDialogLayout(int id, const char* caption);

    // A label, scroll bar `bar`, its edit field `edit` and, when given, a unit after it.
    EffectDialogLayout& ScrollRow(const char* label, int bar, int edit, const char* unit = nullptr);
    // A check box under the bars.
    EffectDialogLayout& CheckRow(const char* text, int box);
    // A group box `group` holding one row of radio buttons; the first starts the group.
    EffectDialogLayout& RadioGroup(const char* caption, int group, int first, const char* firstText,
                                   int second, const char* secondText);
    // Adds OK and Cancel under the rows and sets the dialog's height.
    DialogTemplate Finish();

private:
    DialogTemplate t_;
    int y_; // top of the next row
};

} // namespace wt
