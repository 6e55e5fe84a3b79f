// Pixels cross to Qt without conversion; the splash shows something even without its picture.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>

#include "gui/qimage_bridge.h"
#include "gui/splash.h"

namespace qm {
namespace {

TEST(QImageBridge, KeepsByteOrderBothWays) {
    Image image = *createImage(3, 2, 32);
    image.at(0, 0) = rgba(10, 20, 30, 40);
    image.at(2, 1) = rgb(200, 100, 50);  // alpha 0: a colour built from red, green and blue
    const QImage withAlpha = toQImage(image);
    ASSERT_EQ(withAlpha.format(), QImage::Format_RGBA8888);
    EXPECT_EQ(withAlpha.pixelColor(0, 0), QColor(10, 20, 30, 40));
    EXPECT_EQ(withAlpha.pixelColor(2, 1).alpha(), 0);
    // An opaque surface ignores the alpha byte rather than showing nothing.
    const QImage opaque = toQImage(image, true);
    ASSERT_EQ(opaque.format(), QImage::Format_RGBX8888);
    EXPECT_EQ(opaque.pixelColor(2, 1), QColor(200, 100, 50));

    const Image back = fromQImage(withAlpha);
    EXPECT_EQ(back.pixels, image.pixels);
    EXPECT_TRUE(toQImage(Image{}).isNull());
    EXPECT_TRUE(fromQImage(QImage()).empty());
}

TEST(Splash, WithoutItsPictureShowsAPlainOneWithTheVersion) {
    Splash splash("no\\such\\picture.jpg", "0.2987");
    const QImage& picture = splash.picture();
    ASSERT_FALSE(picture.isNull());
    // The version line is white text starting at x 10 in the 20 rows above the bottom.
    bool whiteText = false;
    for (int y = picture.height() - 20; y < picture.height(); ++y)
        for (int x = 10; x < 60; ++x)
            whiteText = whiteText || picture.pixelColor(x, y).lightness() > 200;
    EXPECT_TRUE(whiteText);
    EXPECT_LT(picture.pixelColor(2, 2).lightness(), 60);  // dark background
}

TEST(Splash, AClickEndsItOnce) {
    Splash splash("no\\such\\picture.jpg", "1");
    int finished = 0;
    QObject::connect(&splash, &Splash::finished, [&] { ++finished; });
    splash.start();
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), splash.mapToGlobal(QPointF(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&splash, &click);
    QCoreApplication::sendEvent(&splash, &click);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(splash.isVisible());
}

}  // namespace
}  // namespace qm
