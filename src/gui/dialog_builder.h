// Dialog windows built from the shell's descriptions (platform/ui.h): one builder for every
// window, no class per dialog.
#pragma once

#include <QDialog>
#include <functional>
#include <utility>
#include <vector>

#include "platform/ui.h"

namespace qm {

// A described window. A close by its frame or by Escape is a request: the close filter is
// asked, and the window closes only when it was told to close meanwhile (closeNow), as the
// shell does when it handles the request. Without a filter it closes at once.
class DescribedDialog : public QDialog {
public:
    explicit DescribedDialog(QWidget* parent) : QDialog(parent) {}

    void setCloseFilter(std::function<void()> filter) { closeFilter_ = std::move(filter); }
    // Closes the window without asking (it is deleted afterwards).
    void closeNow();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    std::function<void()> closeFilter_;
    bool closing_ = false;
};

struct BuiltWindow {
    DescribedDialog* dialog = nullptr;
    std::vector<std::pair<int, QWidget*>> gadgets;  // the controls that have an id, in order
};

// Builds the window, hidden, as a tool window of `parent` (which may be null), deleted on close.
BuiltWindow buildWindow(const WindowDescription& window, QWidget* parent);

// Shows a built window centred on its parent (or on the first screen) and activates it.
void showCentred(QDialog* dialog);

}  // namespace qm
