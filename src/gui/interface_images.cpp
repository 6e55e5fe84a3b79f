#include "gui/interface_images.h"

#include <QPainter>
#include <QPixmap>

#include "platform/paths.h"

namespace qm {

QImage loadInterfaceImage(const std::string& folder, const QString& file, QSize placeholder,
                          const std::function<void(const std::string& path)>& missing) {
    std::string stored = folder;
    if (!stored.empty() && stored.back() != '/' && stored.back() != '\\') stored += '/';
    stored += file.toStdString();
    QImage image(QString::fromStdString(resolvePath(stored)));
    if (!image.isNull()) return image.convertToFormat(QImage::Format_ARGB32);
    if (missing) missing(stored);
    QImage black(placeholder.expandedTo(QSize(1, 1)), QImage::Format_ARGB32);
    black.fill(Qt::black);
    return black;
}

QImage toolButtonImage(const QImage& icon, const QImage& selectedOverlay, bool selected) {
    // The background colour with alpha 0 everywhere: only what is drawn on it shows.
    QImage out(icon.size(), QImage::Format_ARGB32);
    out.fill(QColor(224, 223, 227, 0));
    QPainter painter(&out);
    if (selected && !selectedOverlay.isNull()) {
        painter.setOpacity(180.0 / 255.0);
        painter.drawImage(0, 0, selectedOverlay);
        painter.setOpacity(1.0);
    }
    painter.drawImage(0, 0, icon);
    return out;
}

QIcon toolButtonIcon(const QImage& icon, const QImage& selectedOverlay) {
    QIcon result;
    result.addPixmap(QPixmap::fromImage(toolButtonImage(icon, selectedOverlay, false)),
                     QIcon::Normal, QIcon::Off);
    result.addPixmap(QPixmap::fromImage(toolButtonImage(icon, selectedOverlay, true)),
                     QIcon::Normal, QIcon::On);
    return result;
}

}  // namespace qm
