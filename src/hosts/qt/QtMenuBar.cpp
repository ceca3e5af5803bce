#include "hosts/qt/QtMenuBar.h"

#include <QAction>
#include <QMenu>

namespace wt {

QtMenuBar::QtMenuBar(QMenuBar* bar, std::function<void(int id)> onCommand,
                     std::function<void()> onInitMenu)
    : bar_(bar), onCommand_(std::move(onCommand)), onInitMenu_(std::move(onInitMenu)) {}

QtMenuBar::~QtMenuBar() = default;

void QtMenuBar::SetModel(const Menu* menu) {
    if (menu == model_) {
        Sync();
        return;
    }
    // The shown widgets are put aside under their model rather than deleted: the editor goes
    // back and forth between its menus around every effect and every playback, and building
    // a whole bar of popups and items each time is most of what that switch costs.
    for (const Entry& entry : entries_) {
        bar_->removeAction(entry.action);
    }
    if (model_) {
        parked_[model_] = std::move(entries_);
    }
    entries_.clear();
    model_ = menu;
    const auto parked = parked_.find(menu);
    if (!menu || parked == parked_.end()) {
        RebuildBar();
        return;
    }
    entries_ = std::move(parked->second);
    parked_.erase(parked);
    for (const Entry& entry : entries_) {
        bar_->addAction(entry.action);
    }
    // Whatever changed in the model while it was put aside (states, the recent files).
    Sync();
}

bool QtMenuBar::SameItem(const MenuItem& a, const MenuItem& b) {
    return a.separator == b.separator && a.isPopup == b.isPopup && a.id == b.id && a.text == b.text;
}

bool QtMenuBar::SameStructure(const Entry& shown, const MenuItem& item) {
    if (shown.children.size() != item.children.size()) {
        return false;
    }
    for (std::size_t i = 0; i < item.children.size(); ++i) {
        const Entry& child = shown.children[i];
        const MenuItem& model = item.children[i];
        if (!SameItem(child.shadow, model) || (model.isPopup && !SameStructure(child, model))) {
            return false;
        }
    }
    return true;
}

void QtMenuBar::ApplyState(QAction* action, const MenuItem& item) {
    action->setEnabled(!item.grayed);
    if (!item.isPopup && !item.separator) {
        // Only a checked item shows a mark; an unchecked one looks like any other item.
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
    }
}

QtMenuBar::Entry QtMenuBar::BuildEntry(const MenuItem& item, QWidget* parent) {
    Entry entry;
    entry.shadow = item;
    entry.shadow.children.clear();
    const QString text = QString::fromStdString(item.text);
    if (item.isPopup) {
        entry.menu = new QMenu(text, parent);
        entry.action = entry.menu->menuAction();
        QObject::connect(entry.menu, &QMenu::aboutToShow, entry.menu, [this] {
            if (onInitMenu_) {
                onInitMenu_();
            }
        });
        FillPopup(entry, item);
    } else if (item.separator) {
        entry.action = new QAction(parent);
        entry.action->setSeparator(true);
    } else {
        entry.action = new QAction(text, parent);
        const int id = item.id;
        QObject::connect(entry.action, &QAction::triggered, entry.action, [this, id] {
            if (onCommand_) {
                onCommand_(id);
            }
        });
    }
    ApplyState(entry.action, item);
    parent->addAction(entry.action);
    return entry;
}

void QtMenuBar::FillPopup(Entry& entry, const MenuItem& item) {
    for (const auto& child : item.children) {
        entry.children.push_back(BuildEntry(child, entry.menu));
    }
}

void QtMenuBar::ClearPopup(Entry& entry) {
    // Deleted later: the popup may be inside its own aboutToShow right now.
    for (auto& child : entry.children) {
        entry.menu->removeAction(child.action);
        if (child.menu) {
            child.menu->deleteLater();
        } else {
            child.action->deleteLater();
        }
    }
    entry.children.clear();
}

void QtMenuBar::RebuildBar() {
    ++rebuilds_;
    for (auto& entry : entries_) {
        bar_->removeAction(entry.action);
        if (entry.menu) {
            entry.menu->deleteLater();
        } else {
            entry.action->deleteLater();
        }
    }
    entries_.clear();
    if (!model_) {
        return;
    }
    for (const auto& popup : model_->popups) {
        entries_.push_back(BuildEntry(popup, bar_));
    }
}

void QtMenuBar::SyncEntry(Entry& entry, const MenuItem& item) {
    if (item.isPopup) {
        if (!SameStructure(entry, item)) {
            ++rebuilds_;
            ClearPopup(entry);
            FillPopup(entry, item);
        } else {
            for (std::size_t i = 0; i < item.children.size(); ++i) {
                SyncEntry(entry.children[i], item.children[i]);
            }
        }
    }
    if (entry.shadow.checked != item.checked || entry.shadow.grayed != item.grayed) {
        ApplyState(entry.action, item);
        entry.shadow.checked = item.checked;
        entry.shadow.grayed = item.grayed;
    }
}

void QtMenuBar::Sync() {
    if (!model_) {
        if (!entries_.empty()) {
            RebuildBar();
        }
        return;
    }
    bool sameBar = entries_.size() == model_->popups.size();
    for (std::size_t i = 0; sameBar && i < entries_.size(); ++i) {
        sameBar = SameItem(entries_[i].shadow, model_->popups[i]);
    }
    if (!sameBar) {
        RebuildBar();
        return;
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        SyncEntry(entries_[i], model_->popups[i]);
    }
}

} // namespace wt
