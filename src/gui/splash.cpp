#include "gui/splash.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include "codecs/codecs.h"
#include "gui/qimage_bridge.h"
#include "platform/paths.h"

namespace qm {
namespace {

constexpr QSize kPlainSize(480, 270);

QImage plainPicture() {
    QImage image(kPlainSize, QImage::Format_RGB32);
    image.fill(QColor(34, 36, 44));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(32);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(image.rect().adjusted(0, 0, 0, -30), Qt::AlignCenter, "Quillmoth");
    return image;
}

QImage loadPicture(const std::string& path) {
    std::string error;
    const std::optional<Image> image = loadImageFile(resolvePath(path), error);
    return image ? toQImage(*image, true) : QImage();
}

}  // namespace

QImage composeSplashPicture(const QImage& loaded, const std::string& version) {
    QImage picture =
        loaded.isNull() ? plainPicture() : loaded.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPointSize(9);
    painter.setFont(font);
    const QString line = "Quillmoth Version : Alpha " + QString::fromStdString(version);
    // The text's top edge sits 20 pixels above the bottom of the picture.
    painter.drawText(QRect(10, picture.height() - 20, picture.width() - 10, 20),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, line);
    return picture;
}

Splash::Splash(const std::string& picturePath, const std::string& version)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      picture_(composeSplashPicture(loadPicture(picturePath), version)) {
    setWindowTitle("Quillmoth");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(picture_.size());
    timer_.setSingleShot(true);
    timer_.setInterval(kShowMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &Splash::finish);
}

void Splash::start() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (QScreen* screen = screens.isEmpty() ? nullptr : screens.first()) {
        QRect frame(QPoint(0, 0), picture_.size());
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
    show();
    raise();
    timer_.start();
}

void Splash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void Splash::mousePressEvent(QMouseEvent*) {
    finish();
}

void Splash::finish() {
    if (done_) return;
    done_ = true;
    timer_.stop();
    hide();
    emit finished();
}

}  // namespace qm
