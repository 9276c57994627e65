// Test helpers for the Qt tests: answering a modal dialog from a timer, as
// a person would, and typing into a widget.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <functional>

namespace vorn::testing {

// Calls answer on the first modal dialog of type D that opens within five
// seconds. The dialog's own event loop runs the poll.
template <class D>
void when_dialog_opens(std::function<void(D&)> answer) {
    auto* poll = new QTimer;
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, [poll, waited, answer] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (dialog == nullptr && waited->elapsed() < 5000) return;
        poll->stop();
        poll->deleteLater();
        delete waited;
        if (dialog != nullptr) answer(*dialog);
    });
    poll->start(5);
}

// Replaces a widget's text by typing, key by key, as a user does.
inline void type_into(QWidget& widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(&widget, &release);
    }
}

// Runs the event loop until done() or the time is up; returns done().
inline bool pump_until(const std::function<bool()>& done, int timeout_ms = 3000) {
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < timeout_ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

}  // namespace vorn::testing
