#include "platform/Menu.h"

#include <algorithm>

namespace wt {

namespace {
template <class Item> Item* FindIn(std::vector<Item>& items, int id) {
    for (auto& item : items) {
        if (!item.isPopup && !item.separator && item.id == id) {
            return &item;
        }
        if (auto* found = FindIn(item.children, id)) {
            return found;
        }
    }
    return nullptr;
}
} // namespace

MenuItem* FindMenuItem(Menu& menu, int id) {
    return FindIn(menu.popups, id);
}

const MenuItem* FindMenuItem(const Menu& menu, int id) {
    return FindIn(const_cast<Menu&>(menu).popups, id);
}

bool CheckMenuItem(Menu& menu, int id, bool checked) {
    MenuItem* item = FindMenuItem(menu, id);
    if (!item) {
        return false;
    }
    item->checked = checked;
    return true;
}

bool DeleteMenuItem(MenuItem& popup, int id) {
    auto& items = popup.children;
    auto newEnd = std::remove_if(items.begin(), items.end(), [id](const MenuItem& item) {
        return !item.separator && !item.isPopup && item.id == id;
    });
    const bool removed = newEnd != items.end();
    items.erase(newEnd, items.end());
    return removed;
}

void AppendMenuItem(MenuItem& popup, int id, const std::string& text) {
    MenuItem item;
    item.id = id;
    item.text = text;
    popup.children.push_back(std::move(item));
}

} // namespace wt
