// The QApplication of the GUI tests (offscreen unless a platform is set) and a way to answer
// modal dialogs: a test arms an answer, then the code under test opens the dialog.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace qm::test {

// Calls `answer` with the first modal dialog that opens (polling from the event loop, so it
// works inside the dialog's own nested loop). The answer is armed while the returned timer
// lives, so one that never fires cannot outlive the test whose variables it captured.
[[nodiscard]] inline std::unique_ptr<QTimer> answerNextModal(std::function<void(QWidget*)> answer) {
    auto poll = std::make_unique<QTimer>();
    poll->setInterval(5);
    QTimer* timer = poll.get();
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            answer(modal);
        }
    });
    poll->start();
    return poll;
}

// Ends a QApplication::exec() that would otherwise hang a failing test. The guard is armed
// while the returned timer lives: one left behind would end (or, fired between loops, make
// return at once) the event loop of a dialog in a later test.
[[nodiscard]] inline std::unique_ptr<QTimer> guardLoop(int milliseconds) {
    auto guard = std::make_unique<QTimer>();
    guard->setSingleShot(true);
    QObject::connect(guard.get(), &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard->start(milliseconds);
    return guard;
}

}  // namespace qm::test
