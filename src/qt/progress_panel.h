// The main window's status-bar panel for long handlers: the latest
// progress line, a bar of done of total with the elapsed time, and the
// pending stop. It is a permanent status-bar widget, so a menu's status tip
// never hides it.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include "shell/session.h"

class QLabel;
class QProgressBar;

namespace vorn::qt {

class ProgressPanel : public QWidget {
    Q_OBJECT

public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    // A new run reports its first progress: the clock starts again.
    void start_run();
    void show_progress(const Progress& progress);
    // The user asked the running handler to stop; ending says the program
    // ends afterwards. Painted at once, whatever the handler is doing.
    void show_stop_pending(bool ending);
    void clear_stop_pending();

    // "h:mm:ss" of a span in milliseconds.
    static QString elapsed_text(qint64 ms);

private:
    QLabel* text_;
    QProgressBar* bar_;
    QLabel* elapsed_;
    QLabel* stop_;
    QElapsedTimer clock_;
};

}  // namespace vorn::qt
