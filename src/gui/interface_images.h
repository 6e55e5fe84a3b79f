// Interface images read from the icon folder: tool and panel buttons, markers. A file that
// cannot be read is reported once and replaced by a black image of the size the interface
// expects, so the window is complete either way.
#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>
#include <functional>
#include <string>

namespace qm {

// The image `file` of `folder` (a stored path: "\" and letter case are resolved), or a black
// `placeholder`-sized image after `missing` was told the path.
QImage loadInterfaceImage(const std::string& folder, const QString& file, QSize placeholder,
                          const std::function<void(const std::string& path)>& missing);

// A tool button's image: on the window's background colour made transparent, the "selected"
// overlay blended at 180 of 255 when `selected`, then the icon with its own alpha.
QImage toolButtonImage(const QImage& icon, const QImage& selectedOverlay, bool selected);

// An icon whose checked state shows the selected image (both at the icon's size).
QIcon toolButtonIcon(const QImage& icon, const QImage& selectedOverlay);

}  // namespace qm
