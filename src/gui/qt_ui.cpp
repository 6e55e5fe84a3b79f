#include "gui/qt_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/canvas_widget.h"
#include "gui/dialog_builder.h"
#include "gui/main_window.h"
#include "gui/qimage_bridge.h"
#include "gui/work_space.h"
#include "platform/paths.h"

namespace qm {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// "JPG" + "*.jpg;*.jpeg" -> "JPG (*.jpg *.jpeg)", the form Qt's file dialog reads.
QStringList nameFilters(const std::vector<FilePattern>& patterns) {
    QStringList filters;
    for (const FilePattern& p : patterns) {
        QStringList globs = qs(p.pattern).split(';', Qt::SkipEmptyParts);
        for (QString& glob : globs) glob = glob.trimmed();
        // Parentheses would end Qt's pattern list early; a description is only a description.
        QString description = qs(p.description).replace('(', '[').replace(')', ']');
        filters << description + " (" + globs.join(' ') + ")";
    }
    return filters;
}

Qt::CursorShape qtCursor(CursorShape shape) {
    switch (shape) {
        case CursorShape::Arrow:
            return Qt::ArrowCursor;
        case CursorShape::Cross:
            return Qt::CrossCursor;
        case CursorShape::Hand:
            return Qt::OpenHandCursor;
        case CursorShape::Move:
            return Qt::SizeAllCursor;
        case CursorShape::Picker:
            return Qt::PointingHandCursor;
        case CursorShape::Paint:
            return Qt::CrossCursor;
        case CursorShape::Eraser:
            return Qt::CrossCursor;
        case CursorShape::Busy:
            return Qt::WaitCursor;
    }
    return Qt::CrossCursor;
}

}  // namespace

void QtUi::attach(MainWindow* window) {
    window_ = window;
    if (!window) return;
    gadgets_.add(kCanvasGadget, &window->canvas());
    window->workSpace().registerGadgets(gadgets_);
}

QWidget* QtUi::dialogParent() const {
    if (QWidget* active = QApplication::activeWindow()) return active;
    return window_.data();
}

QString QtUi::word(const char* key, const char* builtIn) const {
    const auto it = texts_.find(key);
    return it == texts_.end() || it->second.empty() ? QString(builtIn) : qs(it->second);
}

void QtUi::messageBox(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, qs(title), qs(text), QMessageBox::Ok, dialogParent());
    box.button(QMessageBox::Ok)->setText(word("BtnOk", "Ok"));
    box.exec();
}

bool QtUi::askYesNo(const std::string& title, const std::string& text) {
    QMessageBox box(QMessageBox::Question, qs(title), qs(text), QMessageBox::Yes | QMessageBox::No,
                    dialogParent());
    box.button(QMessageBox::Yes)->setText(word("BtnYes", "Yes"));
    box.button(QMessageBox::No)->setText(word("BtnNo", "No"));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

YesNoCancel QtUi::askYesNoCancel(const std::string& title, const std::string& text,
                                 const std::vector<std::string>& buttons) {
    QMessageBox box(QMessageBox::Question, qs(title), qs(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, dialogParent());
    const QMessageBox::StandardButton kinds[] = {QMessageBox::Yes, QMessageBox::No,
                                                 QMessageBox::Cancel};
    for (size_t i = 0; i < buttons.size() && i < 3; ++i)
        if (!buttons[i].empty()) box.button(kinds[i])->setText(qs(buttons[i]));
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return YesNoCancel::Yes;
        case QMessageBox::No:
            return YesNoCancel::No;
        default:
            return YesNoCancel::Cancel;
    }
}

std::optional<std::string> QtUi::inputText(const std::string& title, const std::string& message,
                                           const std::string& defaultText) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(qs(title));
    dialog.setLabelText(qs(message));
    dialog.setTextValue(qs(defaultText));
    dialog.setOkButtonText(word("BtnOk", "Ok"));
    dialog.setCancelButtonText(word("BtnCancel", "Cancel"));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<FileChoice> QtUi::openFileRequester(const FileRequest& request) {
    return fileRequester(request, false);
}

std::optional<FileChoice> QtUi::saveFileRequester(const FileRequest& request) {
    return fileRequester(request, true);
}

std::optional<FileChoice> QtUi::fileRequester(const FileRequest& request, bool save) {
    QFileDialog dialog(dialogParent(), qs(request.title));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save               ? QFileDialog::AnyFile
                       : request.multiple ? QFileDialog::ExistingFiles
                                          : QFileDialog::ExistingFile);
    // The words of the requester's own form (a desktop's native requester has its own).
    dialog.setLabelText(QFileDialog::LookIn, word("Look in:", "Look in:"));
    dialog.setLabelText(QFileDialog::FileName, word("File name:", "File name:"));
    dialog.setLabelText(QFileDialog::FileType, word("Files of type:", "Files of type:"));
    dialog.setLabelText(QFileDialog::Accept,
                        save ? word("BtnSave", "Save") : word("BtnOpen", "Open"));
    dialog.setLabelText(QFileDialog::Reject, word("BtnCancel", "Cancel"));

    // Stored defaults may use "\" and another letter case ("swatches\rb.png").
    if (!request.defaultPath.empty()) {
        const QFileInfo info(qs(resolvePath(request.defaultPath)));
        const bool folderOnly =
            request.defaultPath.back() == '/' || request.defaultPath.back() == '\\' || info.isDir();
        if (folderOnly) {
            dialog.setDirectory(info.absoluteFilePath());
        } else {
            dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
    }

    const QStringList filters = nameFilters(parseFilePatterns(request.patterns));
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.patternIndex >= 0 && request.patternIndex < filters.size())
            dialog.selectNameFilter(filters[request.patternIndex]);
    }

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    FileChoice choice;
    for (const QString& path : dialog.selectedFiles()) choice.paths.push_back(path.toStdString());
    if (choice.paths.empty()) return std::nullopt;
    choice.patternIndex = std::max<int>(0, int(filters.indexOf(dialog.selectedNameFilter())));
    return choice;
}

std::optional<uint32_t> QtUi::colourRequester(uint32_t initial) {
    const QColor start(int(red(initial)), int(green(initial)), int(blue(initial)));
    const QColor chosen = QColorDialog::getColor(start, dialogParent());
    if (!chosen.isValid()) return std::nullopt;
    return rgb(uint32_t(chosen.red()), uint32_t(chosen.green()), uint32_t(chosen.blue()));
}

std::optional<int> QtUi::popupMenu(int number, int anchor) {
    if (!window_) return std::nullopt;
    QMenu* popup = window_->popupMenu(number);
    if (!popup) return std::nullopt;
    QPoint at = QCursor::pos();
    if (QWidget* widget = gadgets_.widget(anchor); widget && widget->isVisible())
        at = widget->mapToGlobal(QPoint(0, widget->height()));
    // The chosen action's own signal also reports its id; the loop driver holds it back while
    // the shell waits here, so the id answered is acted on once.
    QAction* chosen = popup->exec(at);
    if (!chosen) return std::nullopt;
    for (const auto& table : {layerKindPopupTable(), blendModePopupTable()})
        for (const MenuEntry& entry : table)
            if (entry.kind == MenuEntry::Kind::Item && window_->menuAction(entry.id) == chosen)
                return entry.id;
    return std::nullopt;
}

void QtUi::setGadgetState(int id, int value) {
    gadgets_.setState(id, value);
    // The tool column's buttons and the tool bar's show the current tool together.
    if (window_ && id >= kFirstToolGadget && id <= kLastToolGadget)
        window_->workSpace().showToolButton(id, value != 0);
}

void QtUi::setMenuChecked(int commandId, bool checked) {
    if (!window_) return;
    window_->workSpace().showToolCommand(commandId, checked);
    if (QAction* action = window_->menuAction(commandId)) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
}

void QtUi::setMenuEnabled(int commandId, bool enabled) {
    if (!window_) return;
    if (QAction* action = window_->menuAction(commandId)) action->setEnabled(enabled);
    // A tool-bar button sends a command id too.
    if (QAction* action = window_->workSpace().toolAction(commandId)) action->setEnabled(enabled);
}

void QtUi::setWindowTitle(const std::string& title) {
    if (window_) window_->setWindowTitle(qs(title));
}

void QtUi::setStatusText(int field, const std::string& text) {
    if (window_) window_->setStatusText(field, qs(text));
}

void QtUi::setStatusProgress(int field, int value, int maximum) {
    if (window_) window_->setStatusProgress(field, value, maximum);
}

bool QtUi::taskProgress(const std::string& title, int done, int total) {
    if (total <= 0) {
        const bool cancelled = progress_ && progress_->wasCanceled();
        delete progress_;  // the QPointer clears itself
        return !cancelled;
    }
    if (!progress_) {
        progress_ =
            new QProgressDialog(qs(title), word("BtnCancel", "Cancel"), 0, total, dialogParent());
        progress_->setWindowModality(Qt::WindowModal);
        progress_->setMinimumDuration(1000);  // a quick task never shows the box
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
    }
    progress_->setMaximum(total);
    // A window-modal box lets the event loop run inside setValue; the loop driver holds back
    // the shell's own events until the task returns.
    progress_->setValue(std::clamp(done, 0, total));
    return !progress_->wasCanceled();
}

void QtUi::presentCanvas(const Image& canvas) {
    if (window_) window_->canvas().setImage(canvas);
}

void QtUi::presentCanvasPart(const Image& canvas, const Rect& changed) {
    if (window_) window_->canvas().setImagePart(canvas, changed);
}

UiSize QtUi::canvasSize() const {
    if (!window_) return {};
    return {window_->canvas().width(), window_->canvas().height()};
}

void QtUi::drawInterfaceText(Image& image, int x, int y, int height, const std::string& text,
                             uint32_t colour) {
    if (image.empty() || text.empty()) return;
    // The image's own pixels, painted in place; a 24-bit image's fourth byte is left opaque.
    QImage target(reinterpret_cast<uchar*>(image.pixels.data()), image.width, image.height,
                  image.width * 4,
                  image.hasAlpha() ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    QPainter painter(&target);
    QFont font = QApplication::font();
    font.setPointSizeF(std::max(6.0, font.pointSizeF() - 1));
    painter.setFont(font);
    painter.setPen(QColor(int(red(colour)), int(green(colour)), int(blue(colour))));
    painter.drawText(QRect(x, y, std::max(0, image.width - x), height),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, qs(text));
}

std::optional<uint32_t> QtUi::windowPixel(int x, int y) const {
    if (!window_) return std::nullopt;
    return window_->clientPixel(x, y);
}

std::optional<Image> QtUi::clipboardImage() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return std::nullopt;
    const QImage image = clipboard->image();
    if (image.isNull()) return std::nullopt;
    Image out = fromQImage(image);
    if (out.empty()) return std::nullopt;
    return out;
}

bool QtUi::openWithShell(const std::string& pathOrAddress) {
    if (pathOrAddress.empty()) return false;
    const QString target = qs(pathOrAddress);
    QUrl url = QUrl::fromUserInput(target, QDir::currentPath(), QUrl::AssumeLocalFile);
    if (url.isLocalFile()) url = QUrl::fromLocalFile(qs(resolvePath(pathOrAddress)));
    return QDesktopServices::openUrl(url);
}

void QtUi::setCursor(CursorShape shape) {
    if (window_) window_->canvas().setCursor(qtCursor(shape));
}

std::optional<UiSize> QtUi::desktopSize() const {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return std::nullopt;
    const QSize size = screens.first()->size();
    return UiSize{size.width(), size.height()};
}

void QtUi::showWindow(const WindowDescription& window) {
    closeWindow(window.number);
    BuiltWindow built = buildWindow(window, window_.data());
    ShownWindow shown{built.dialog, {}};
    for (const auto& [id, control] : built.gadgets) {
        // A control of a panel that the window shows as well (the brush's pen settings) is a
        // second widget of the same gadget while the window is open.
        QWidget* existing = gadgets_.widget(id);
        const bool panelControl = existing && window_ && window_->isAncestorOf(existing);
        panelControl ? gadgets_.addMirror(id, control) : gadgets_.add(id, control);
        shown.controls.push_back(id);
    }
    const int number = window.number;
    // The frame's close box and Escape ask the shell, which closes the window through
    // closeWindow; without a sink the window simply closes.
    built.dialog->setCloseFilter([this, number] {
        if (windowCloseSink_) {
            windowCloseSink_(number);
        } else {
            closeWindow(number);
        }
    });
    windows_[number] = std::move(shown);
    showCentred(built.dialog);
}

void QtUi::closeWindow(int number) {
    const auto it = windows_.find(number);
    if (it == windows_.end()) return;
    const ShownWindow shown = it->second;
    windows_.erase(it);
    if (DescribedDialog* dialog = shown.dialog.data()) {
        for (const int id : shown.controls)
            for (QWidget* widget : gadgets_.widgets(id))
                if (dialog->isAncestorOf(widget)) gadgets_.removeWidget(id, widget);
        dialog->closeNow();  // deleted later, so a control of it may be what asked for the close
    }
    // The main window takes the keyboard back (the shell gives it to the canvas).
    if (window_ && windows_.empty()) window_->activateWindow();
}

void QtUi::setMenuTexts(const std::map<std::string, std::string>& texts) {
    texts_ = texts;
    if (window_) window_->rebuildMenus(texts);
}

QDialog* QtUi::shownWindow(int number) const {
    const auto it = windows_.find(number);
    return it == windows_.end() ? nullptr : it->second.dialog.data();
}

}  // namespace qm
