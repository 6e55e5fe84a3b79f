// A drawing surface: shows an image the program composed and reports the pointer, the buttons,
// the keys and the wheel.
//
// The main window's canvas (gadget 3) turns its input, a mouse's or a pen's, into CanvasEvents
// for the shell; the
// small canvases of the panels (timeline, colour picker, roughboard, ...) report ControlEvents
// under their gadget id instead. The image is drawn 1:1 at the top-left corner; the rest of the
// surface shows the background colour.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "raster/image.h"
#include "raster/rect.h"
#include "shell/events.h"

namespace qm {

class CanvasWidget : public QWidget {
    Q_OBJECT
public:
    using CanvasSink = std::function<void(const CanvasEvent&)>;
    using ControlSink = std::function<void(const ControlEvent&)>;

    // The painting canvas of the main window reports CanvasEvents; a panel canvas reports
    // ControlEvents under its gadget id. Both are opaque surfaces: the image's alpha byte is
    // not shown.
    enum class Role { Painting, Panel };
    explicit CanvasWidget(Role role, QWidget* parent = nullptr);
    Role role() const { return role_; }

    void setImage(const Image& image);
    // The image again with only `changed` redrawn: copies and repaints that rectangle alone
    // when the size is the one shown, otherwise the whole image.
    void setImagePart(const Image& image, const Rect& changed);
    const QImage& image() const { return image_; }
    void setBackground(const QColor& colour);
    // The surface takes the size of each image it is given (the navigator, whose height follows
    // the canvas's proportions).
    void setFitsImage(bool fits) { fitsImage_ = fits; }

    void setCanvasSink(CanvasSink sink) { canvasSink_ = std::move(sink); }
    void setControlSink(ControlSink sink) { controlSink_ = std::move(sink); }
    void setGadgetId(int id) { gadgetId_ = id; }

signals:
    void resized(int width, int height);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // A pen's samples, each passed on as it comes (the program turns off Qt's merging of tablet
    // and high-frequency events): position with its sub-pixel part, pressure, tilt, time and
    // the eraser end. The mouse events Qt would make of them do not come.
    void tabletEvent(QTabletEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void sendCanvas(CanvasEventType type, const QMouseEvent* event);
    bool sendPen(const QTabletEvent* event);
    void sendControl(ControlEventType type, const QMouseEvent* event);
    bool sendKey(CanvasEventType type, QKeyEvent* event);

    Role role_;
    QImage image_;
    QColor background_{224, 223, 227};
    CanvasSink canvasSink_;
    ControlSink controlSink_;
    int gadgetId_ = 0;
    bool fitsImage_ = false;
    bool penTaken_ = false;   // a pen's samples came as tablet events: its mouse events are
                              // duplicates
    int wheelRemainder_ = 0;  // eighths of a degree not yet worth a notch (fine-grained wheels)
};

}  // namespace qm
