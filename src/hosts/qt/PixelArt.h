// Pictures kept as character art in the resources (toolbar images, the application icon),
// turned into images for the screen.
#pragma once

#include <QColor>
#include <QImage>

#include <map>
#include <vector>

namespace wt {

// One character per pixel; characters missing from `colours` are transparent.
QImage ImageFromArt(const std::vector<const char*>& rows, const std::map<char, QColor>& colours);

// The toolbar's 16-colour palette: 'k' black, 'r' red, 'g' dark green, 'b' dark blue, 'w' white.
const std::map<char, QColor>& ToolbarColours();
// The application icon's colours: 'k' black, 'g' green, 'b' blue, 'w' white.
const std::map<char, QColor>& IconColours();

// Toolbar image `index` (0..6) of the resources.
QImage ToolbarImage(int index);
// Icon 201.
QImage ApplicationIconImage();

} // namespace wt
