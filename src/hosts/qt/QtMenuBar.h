// Shows a wt::Menu model in a QMenuBar and keeps it current. Re-reading the model is cheap when
// only check marks or gray states changed; a popup whose entries changed (the recent files) is
// rebuilt in place, so it can be rewritten while it is about to open.
#pragma once

#include "platform/Menu.h"

#include <QMenuBar>

#include <functional>
#include <map>
#include <vector>

class QAction;
class QMenu;

namespace wt {

class QtMenuBar {
public:
    // `onCommand` receives the id of a chosen item; `onInitMenu` is called whenever a popup is
    // about to open, before it shows.
    QtMenuBar(QMenuBar* bar, std::function<void(int id)> onCommand,
              std::function<void()> onInitMenu);
    ~QtMenuBar();

    // Shows `menu` (nullptr: an empty bar); the model must outlive its use here. The widgets
    // of a model shown before are kept and shown again, brought up to date with it.
    void SetModel(const Menu* menu);
    // Brings the widgets in line with the model after the model changed.
    void Sync();

    QMenuBar* Bar() const { return bar_; }
    // How many times widgets were rebuilt (whole bar or one popup); for tests of the cheap path.
    int Rebuilds() const { return rebuilds_; }

private:
    struct Entry {
        MenuItem shadow;           // the item as last shown, without its children
        QAction* action = nullptr; // the item, or the popup's menu action
        QMenu* menu = nullptr;     // popups only
        std::vector<Entry> children;
    };
    void RebuildBar();
    // Creates the widgets of `item` and adds them to `parent` (the bar or a popup).
    Entry BuildEntry(const MenuItem& item, QWidget* parent);
    void FillPopup(Entry& entry, const MenuItem& item);
    void ClearPopup(Entry& entry);
    void SyncEntry(Entry& entry, const MenuItem& item);
    // Same entries in the same order (texts, ids, separators, popups), states aside.
    static bool SameStructure(const Entry& shown, const MenuItem& item);
    static bool SameItem(const MenuItem& a, const MenuItem& b);
    static void ApplyState(QAction* action, const MenuItem& item);

    QMenuBar* bar_;
    std::function<void(int)> onCommand_;
    std::function<void()> onInitMenu_;
    const Menu* model_ = nullptr;
    std::vector<Entry> entries_;
    // The widgets of models shown before, out of the bar (their owner is still the bar). The
    // key is only compared, never followed: Sync checks every item against the model anyway.
    std::map<const Menu*, std::vector<Entry>> parked_;
    int rebuilds_ = 0;
};

} // namespace wt
