// The Qt widgets of a workbench: one window per form, bound both ways to
// its controls, QTimers that follow the core timers, and the repaint points
// of long handlers. The core decides everything; this class only shows it
// and hands the user's edits and clicks back.
//
// One handler at a time: while a handler runs, its repaint requests
// process pending events at most every ~30 ms, so the windows stay drawn
// and the user can stop the run ("Detener", Escape, "Salir", closing the
// main window); every other click or key aimed at the workbench's windows
// is dropped, never deferred. A core timer that comes due meanwhile fires
// after the handler returns. "Salir" and the close end the program once
// the run has stopped.
//
// The main window's status bar shows the running handler's progress (its
// line, a bar of done of total, the time elapsed) and a pending stop. Each
// window's place and size are kept from one start to the next, brought
// onto the screen when they no longer fit it; the first start shares the
// screen out among the windows. Contents that do not fit a small screen
// scroll.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "shell/session.h"

class QCloseEvent;
class QRect;
class QMainWindow;
class QObject;
class QTimer;
class QWidget;

namespace vorn {
class Command;
class Control;
class Form;
class Timer;
}  // namespace vorn

namespace vorn::qt {

class Binder;
class FormWindow;
class InputGate;
class ProgressPanel;

class Ui {
public:
    // Builds the windows of every form of the session that exists now and
    // of every form created later; visible forms are shown at once.
    explicit Ui(Session& session);
    ~Ui();
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    // The window of a form, or null while the form has none.
    QMainWindow* window(const Form& form) const;
    QMainWindow* main_window() const;
    // The widget bound to a control, or null.
    QWidget* widget(const Control& control) const;
    // The main window's status-bar panel.
    ProgressPanel* progress_panel() const { return panel_; }
    // Where a dialog opens: over the window whose handler asks for it (or
    // the main window), so it comes up on that window's screen.
    QWidget* dialog_parent() const;

    // Starts following the core timers; until then none fires.
    void start_timers();
    // Brings every list up to its control now (otherwise done when control
    // returns to the event loop or at the next repaint point).
    void sync_lists();

    // The user asked the running handler to stop; with end_after the
    // program ends once it has. Does nothing while no handler runs.
    void request_stop(bool end_after);
    // Whether the program ends once the running handler returns (or ends now).
    bool ending() const { return end_pending_ || ending_; }
    // Inputs dropped while handlers ran.
    long dropped_inputs() const;

    // Where window places are kept (QSettings group).
    static QString settings_key(const Form& form);

private:
    struct FormView;

    void adopt_new_forms();
    void build(Form& form);
    void show_form(FormView& view);
    // Where a window opens when it has no place kept: its share of the
    // screen, so that the windows do not cover each other.
    QRect first_place(const Form& form, const QMainWindow& window) const;
    // Moves a window kept on another screen back onto this one.
    static void keep_on_screen(QMainWindow& window);
    void keep_place(const FormView& view) const;
    void on_close(Form& form, QCloseEvent& event);
    void end_like_salir();
    // Ends the program as soon as no handler runs.
    void end_when_idle();

    bool stops_the_run(const Command& command) const;
    bool ends_the_program(const Command& command) const;
    bool takes_input_during_run(const QWidget& widget) const;
    void run_command(Command& command);
    void run_guarded(const Form& form, const std::function<void()>& action);
    void list_changed();
    void repaint_point();
    void progress_reported(const Progress& progress);
    void show_pending_progress();

    void bind_timer(Timer& timer);
    void follow_timer(Timer& timer, QTimer& qtimer);
    void timer_due(Timer& timer, QTimer& qtimer);

    Session& session_;
    // Observers handed to the core hold a weak reference to this; they go
    // quiet when the Ui is destroyed before the session.
    std::shared_ptr<int> alive_;
    // Parent of the QTimers and the deferred calls, so none outlives the Ui.
    std::unique_ptr<QObject> context_;
    std::unique_ptr<InputGate> gate_;
    std::map<const Form*, std::unique_ptr<FormView>> views_;
    std::vector<std::pair<Timer*, QTimer*>> timers_;
    ProgressPanel* panel_ = nullptr;
    const Form* running_form_ = nullptr;
    std::optional<Progress> pending_progress_;
    unsigned long long progress_run_ = 0;
    bool progress_flush_scheduled_ = false;
    bool timers_started_ = false;
    bool list_sync_pending_ = false;
    bool in_repaint_ = false;
    bool end_pending_ = false;
    bool ending_ = false;
    QElapsedTimer since_repaint_;
};

}  // namespace vorn::qt
