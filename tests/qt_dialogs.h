// Test helpers for the Qt tests: what a person sees in a window, and what a
// person does to it (answering a modal dialog, typing).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>
#include <functional>
#include <set>

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

// Replaces a widget's selected text by typing, key by key.
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

// Every text a person can read in a window: its title, and every child's text or title.
inline std::set<QString> texts_in(QWidget& window) {
    std::set<QString> texts{window.windowTitle()};
    for (QObject* shown : window.findChildren<QObject*>()) {
        for (const char* property : {"text", "title"}) texts.insert(shown->property(property).toString());
    }
    return texts;
}

// Where the tests keep pictures of the windows.
inline QDir screenshot_folder() { return QDir(QStringLiteral(VORN_SCREENSHOT_DIR)); }

// Checks that a window's widgets were drawn, and keeps the picture with the screenshots.
inline void expect_drawn(QWidget& window, const QString& file) {
    QApplication::processEvents();
    QImage shot = window.grab().toImage();
    ASSERT_TRUE(shot.width() > 300 && shot.height() > 200) << file.toStdString();
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7) {
        for (int x = 0; x < shot.width(); x += 7) colours.insert(shot.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 3u) << "one flat colour in " << file.toStdString();
    QDir folder = screenshot_folder();
    ASSERT_TRUE(folder.mkpath(".") && shot.save(folder.filePath(file), "PNG"));
    EXPECT_GT(QFileInfo(folder.filePath(file)).size(), 1000);
}

}  // namespace vorn::testing
