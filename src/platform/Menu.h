// Menu bars as plain data. The core builds and changes them (check marks, recent-file
// entries); a host shows whichever bar the core put on the main window and rebuilds its
// widgets from this model when the core asks for the bar to be redrawn.
#pragma once

#include <string>
#include <vector>

namespace wt {

struct MenuItem {
    int id = 0;       // command identifier; 0 for separators and popups
    std::string text; // label; a tab separates the shortcut text. "&" marks the access key.
    bool separator = false;
    bool checked = false;
    bool grayed = false;
    std::vector<MenuItem> children; // non-empty (or isPopup) for popups
    bool isPopup = false;
};

struct Menu {
    std::string name;             // resource name, e.g. "MENU_1"
    std::vector<MenuItem> popups; // the bar's top-level entries
};

// Finds the item with `id` anywhere below `menu`; nullptr when there is none.
MenuItem* FindMenuItem(Menu& menu, int id);
const MenuItem* FindMenuItem(const Menu& menu, int id);
// Sets or clears the check mark of item `id`; returns false when there is no such item.
bool CheckMenuItem(Menu& menu, int id, bool checked);
// Removes every item with `id` from `popup`; returns true when one was removed.
bool DeleteMenuItem(MenuItem& popup, int id);
void AppendMenuItem(MenuItem& popup, int id, const std::string& text);

} // namespace wt
