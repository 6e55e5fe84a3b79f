// The splash window shown at start-up: the program's picture with its version written on it,
// borderless and centred on the first screen, until 1800 ms pass or it is clicked.
//
// It never blocks: a single-shot timer ends it and finished() tells the caller, which then
// opens the main window.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <string>

namespace qm {

class Splash : public QWidget {
    Q_OBJECT
public:
    static constexpr int kShowMilliseconds = 1800;

    // `picturePath`: the splash picture as stored ("data\ui\quillmoth.jpg"); when it cannot be
    // loaded, a plain picture of our own is drawn instead.
    Splash(const std::string& picturePath, const std::string& version);

    // Shows the splash centred on the first screen and starts its timer.
    void start();
    const QImage& picture() const { return picture_; }

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void finish();

    QImage picture_;
    QTimer timer_;
    bool done_ = false;
};

// The splash picture: the loaded image (or, when `loaded` is null, a dark plain one with the
// program's name) with "Quillmoth Version : Alpha " + version in white at (10, height - 20).
QImage composeSplashPicture(const QImage& loaded, const std::string& version);

}  // namespace qm
