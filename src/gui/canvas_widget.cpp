#include "gui/canvas_widget.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QWheelEvent>

#include "gui/key_codes.h"
#include "gui/qimage_bridge.h"

namespace qm {
namespace {

constexpr int kAnglePerNotch = 120;  // eighths of a degree per wheel notch

template <typename Event>
void setModifiers(Event& out, Qt::KeyboardModifiers modifiers) {
    out.shift = modifiers & Qt::ShiftModifier;
    out.ctrl = modifiers & Qt::ControlModifier;
    out.alt = modifiers & Qt::AltModifier;
}

}  // namespace

CanvasWidget::CanvasWidget(Role role, QWidget* parent) : QWidget(parent), role_(role) {
    setMouseTracking(true);  // moves without a button held feed the pointer readout and pickers
    setFocusPolicy(role == Role::Painting ? Qt::StrongFocus : Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (role == Role::Painting) setCursor(Qt::CrossCursor);
}

void CanvasWidget::setImage(const Image& image) {
    // A frame of the size already shown is copied into the image in place: no allocation.
    if (!copyIntoQImage(image, Rect{0, 0, image.width, image.height}, image_))
        image_ = toQImage(image, true);
    if (fitsImage_ && !image_.isNull() && image_.size() != size()) setFixedSize(image_.size());
    update();
}

void CanvasWidget::setImagePart(const Image& image, const Rect& changed) {
    const auto copied = copyIntoQImage(image, changed, image_);
    if (!copied) return setImage(image);
    if (!copied->empty()) update(QRect(copied->x, copied->y, copied->w, copied->h));
}

void CanvasWidget::setBackground(const QColor& colour) {
    if (colour == background_) return;
    background_ = colour;
    update();
}

void CanvasWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    const QRect shown = image_.rect() & area;
    if (!shown.isEmpty()) painter.drawImage(shown.topLeft(), image_, shown);
    // Only the parts the image does not cover get the background, so the canvas never flickers.
    const QRegion rest = QRegion(area).subtracted(QRegion(image_.rect()));
    for (const QRect& r : rest) painter.fillRect(r, background_);
}

void CanvasWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized(width(), height());
}

namespace {

// A mouse event made of a pen's sample, when the sample was not taken (a panel's canvas, a
// button of the pen's barrel) or by a platform that sends both.
bool fromPen(const QMouseEvent* event) {
    const QPointingDevice* device = event->pointingDevice();
    return device && device->type() == QInputDevice::DeviceType::Stylus;
}

}  // namespace

void CanvasWidget::sendCanvas(CanvasEventType type, const QMouseEvent* event) {
    if (role_ != Role::Painting || !canvasSink_) return;
    if (penTaken_ && fromPen(event)) return;  // the pen's own samples came as tablet events
    CanvasEvent out;
    out.type = type;
    const QPoint p = event->position().toPoint();
    out.x = p.x();
    out.y = p.y();
    setModifiers(out, event->modifiers());
    // The shell paints a move only while the left button is held.
    out.leftHeld = event->buttons() & Qt::LeftButton;
    canvasSink_(out);
}

void CanvasWidget::sendControl(ControlEventType type, const QMouseEvent* event) {
    if (role_ != Role::Panel || !controlSink_) return;
    ControlEvent out;
    out.gadget = gadgetId_;
    out.type = type;
    const QPoint p = event->position().toPoint();
    out.x = p.x();
    out.y = p.y();
    setModifiers(out, event->modifiers());
    out.leftHeld = event->buttons() & Qt::LeftButton;
    out.rightHeld = event->buttons() & Qt::RightButton;
    out.middleHeld = event->buttons() & Qt::MiddleButton;
    controlSink_(out);
}

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    switch (event->button()) {
        case Qt::LeftButton:
            sendCanvas(CanvasEventType::LeftDown, event);
            sendControl(ControlEventType::LeftDown, event);
            break;
        case Qt::RightButton:
            sendControl(ControlEventType::RightDown, event);
            break;
        case Qt::MiddleButton:
            sendControl(ControlEventType::MiddleDown, event);
            break;
        default:
            break;
    }
}

void CanvasWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    // The painting canvas treats the second press as a press, so down and up stay paired; the
    // panel canvases tell a double click apart (the animation-layer list renames on it).
    setFocus(Qt::MouseFocusReason);
    sendCanvas(CanvasEventType::LeftDown, event);
    sendControl(ControlEventType::LeftDoubleClick, event);
}

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) {
    sendCanvas(CanvasEventType::Move, event);
    sendControl(ControlEventType::Move, event);
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        sendCanvas(CanvasEventType::LeftUp, event);
        sendControl(ControlEventType::LeftUp, event);
    } else if (event->button() == Qt::RightButton) {
        sendControl(ControlEventType::RightUp, event);
    }
}

bool CanvasWidget::sendPen(const QTabletEvent* event) {
    if (role_ != Role::Painting || !canvasSink_) return false;
    CanvasEvent out;
    switch (event->type()) {
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            // The tip touching or leaving the tablet; the barrel's buttons act as mouse buttons.
            if (event->button() != Qt::LeftButton) return false;
            out.type = event->type() == QEvent::TabletPress ? CanvasEventType::LeftDown
                                                            : CanvasEventType::LeftUp;
            break;
        case QEvent::TabletMove:
            out.type = CanvasEventType::Move;
            break;
        default:
            return false;
    }
    if (out.type == CanvasEventType::LeftDown) setFocus(Qt::MouseFocusReason);
    const QPointF p = event->position();
    out.x = qRound(p.x());
    out.y = qRound(p.y());
    out.subX = p.x() - out.x;
    out.subY = p.y() - out.y;
    setModifiers(out, event->modifiers());
    out.leftHeld = event->buttons() & Qt::LeftButton;
    out.pen = true;
    out.pressure = event->pressure();
    out.tiltX = event->xTilt();
    out.tiltY = event->yTilt();
    const QPointingDevice* device = event->pointingDevice();
    out.hasTilt = device && device->capabilities().testFlag(QInputDevice::Capability::XTilt);
    out.time = double(event->timestamp());
    out.eraser = event->pointerType() == QPointingDevice::PointerType::Eraser;
    penTaken_ = true;
    canvasSink_(out);
    return true;
}

void CanvasWidget::tabletEvent(QTabletEvent* event) {
    if (sendPen(event))
        event->accept();
    else
        event->ignore();  // Qt makes a mouse event of it
}

void CanvasWidget::wheelEvent(QWheelEvent* event) {
    if (role_ != Role::Painting || !canvasSink_) {
        QWidget::wheelEvent(event);  // panel canvases sit in scroll areas, which scroll on it
        return;
    }
    event->accept();
    wheelRemainder_ += event->angleDelta().y();
    const int notches = wheelRemainder_ / kAnglePerNotch;
    if (notches == 0) return;
    wheelRemainder_ -= notches * kAnglePerNotch;
    CanvasEvent out;
    out.type = CanvasEventType::Wheel;
    const QPoint p = event->position().toPoint();
    out.x = p.x();
    out.y = p.y();
    out.wheel = notches;
    setModifiers(out, event->modifiers());
    canvasSink_(out);
}

bool CanvasWidget::sendKey(CanvasEventType type, QKeyEvent* event) {
    if (role_ != Role::Painting || !canvasSink_) return false;
    const int code = virtualKeyFromQt(event->key(), event->modifiers());
    if (code == 0) return false;
    // Holding a key gives one action: the repeats (and the releases Qt sends between them) are
    // dropped here, so the shell sees one press and the final release.
    if (event->isAutoRepeat()) return true;
    CanvasEvent out;
    out.type = type;
    out.key = code;
    const QPoint p = mapFromGlobal(QCursor::pos());
    out.x = p.x();
    out.y = p.y();
    setModifiers(out, event->modifiers());
    canvasSink_(out);
    return true;
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    if (!sendKey(CanvasEventType::KeyDown, event)) QWidget::keyPressEvent(event);
}

void CanvasWidget::keyReleaseEvent(QKeyEvent* event) {
    if (!sendKey(CanvasEventType::KeyUp, event)) QWidget::keyReleaseEvent(event);
}

// Keys released while another window has the keyboard (the dialog a Ctrl shortcut opened takes
// the Ctrl release) never reach the canvas: the shell forgets the keys it believes held.
void CanvasWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (role_ != Role::Painting || !canvasSink_) return;
    CanvasEvent out;
    out.type = CanvasEventType::FocusOut;
    canvasSink_(out);
}

// Tab belongs to the canvas while it has the focus; it must not wander off into the panels.
bool CanvasWidget::focusNextPrevChild(bool next) {
    return role_ == Role::Painting ? false : QWidget::focusNextPrevChild(next);
}

}  // namespace qm
