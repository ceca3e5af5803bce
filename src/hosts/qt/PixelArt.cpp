#include "hosts/qt/PixelArt.h"

#include "editor/Menus.h"
#include "resources/Dialogs.h"

#include <cstring>

namespace wt {

QImage ImageFromArt(const std::vector<const char*>& rows, const std::map<char, QColor>& colours) {
    int width = 0;
    for (const char* row : rows) {
        width = std::max(width, static_cast<int>(std::strlen(row)));
    }
    QImage image(width, static_cast<int>(rows.size()), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        const char* row = rows[static_cast<std::size_t>(y)];
        for (int x = 0; row[x] != '\0'; ++x) {
            auto it = colours.find(row[x]);
            if (it != colours.end()) {
                image.setPixelColor(x, y, it->second);
            }
        }
    }
    return image;
}

const std::map<char, QColor>& ToolbarColours() {
    static const std::map<char, QColor> colours = {{'k', QColor(0, 0, 0)},
                                                   {'r', QColor(255, 0, 0)},
                                                   {'g', QColor(0, 128, 0)},
                                                   {'b', QColor(0, 0, 128)},
                                                   {'w', QColor(255, 255, 255)}};
    return colours;
}

const std::map<char, QColor>& IconColours() {
    static const std::map<char, QColor> colours = {{'k', QColor(0, 0, 0)},
                                                   {'g', QColor(0, 255, 0)},
                                                   {'b', QColor(0, 0, 255)},
                                                   {'w', QColor(255, 255, 255)}};
    return colours;
}

QImage ToolbarImage(int index) {
    const auto& images = ToolbarImages();
    if (index < 0 || index >= static_cast<int>(images.size())) {
        return {};
    }
    const auto& art = images[static_cast<std::size_t>(index)];
    return ImageFromArt(std::vector<const char*>(art.begin(), art.end()), ToolbarColours());
}

QImage ApplicationIconImage() {
    return ImageFromArt(ApplicationIcon(), IconColours());
}

} // namespace wt
