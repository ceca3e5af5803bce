#include "editor/StatusBar.h"

#include "platform/Host.h"

namespace wt {

void StatusBar::Create() {
    host_.CreateStatusBar({150, 250, 500, -1});
    shown_ = {};
    created_ = true;
}

int StatusBar::Height() const {
    return created_ ? host_.StatusBarHeight() : 0;
}

void StatusBar::SetText(int part, const std::string& utf8) {
    if (!created_) {
        return;
    }
    if (part >= 0 && part < static_cast<int>(shown_.size())) {
        if (shown_[static_cast<std::size_t>(part)] == utf8) {
            return;
        }
        shown_[static_cast<std::size_t>(part)] = utf8;
    }
    host_.SetStatusText(part, utf8);
}

std::string StatusBar::Text(int part) const {
    return created_ ? host_.StatusText(part) : "";
}

void StatusBar::Update() {
    if (created_) {
        host_.UpdateStatusBar();
    }
}

} // namespace wt
