// The Qt widgets of a workbench: one window per form, bound both ways to
// its controls, QTimers that follow the core timers, and the repaint points
// of long handlers. The core decides everything; this class only shows it
// and hands the user's edits and clicks back.
//
// One handler at a time: a click that arrives while a handler runs is
// refused, a core timer that comes due then fires after the handler
// returns, and a running handler's repaint requests process pending events
// (never user input) at most every ~30 ms.
#pragma once

#include <QElapsedTimer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class QCloseEvent;
class QMainWindow;
class QObject;
class QTimer;
class QWidget;

namespace vorn {
class Command;
class Control;
class Form;
class Timer;
class Workbench;
}  // namespace vorn

namespace vorn::qt {

class Binder;
class FormWindow;

class Ui {
public:
    // Builds the windows of every form that exists now and of every form
    // created later; visible forms are shown at once.
    explicit Ui(Workbench& workbench);
    ~Ui();
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    // The window of a form, or null while the form has none.
    QMainWindow* window(const Form& form) const;
    QMainWindow* main_window() const;
    // The widget bound to a control, or null.
    QWidget* widget(const Control& control) const;

    // Starts following the core timers; until then none fires.
    void start_timers();
    // Brings every list up to its control now (otherwise done when control
    // returns to the event loop or at the next repaint point).
    void sync_lists();

private:
    struct FormView;

    void adopt_new_forms();
    void build(Form& form);
    void show_form(FormView& view);
    void on_close(Form& form, QCloseEvent& event);
    void end_like_salir();

    void run_command(Command& command);
    void run_guarded(const std::function<void()>& action);
    void list_changed();
    void repaint_point();

    void bind_timer(Timer& timer);
    void follow_timer(Timer& timer, QTimer& qtimer);
    void timer_due(Timer& timer, QTimer& qtimer);

    Workbench& workbench_;
    // Observers handed to the core hold a weak reference to this; they go
    // quiet when the Ui is destroyed before the workbench.
    std::shared_ptr<int> alive_;
    // Parent of the QTimers and the deferred calls, so none outlives the Ui.
    std::unique_ptr<QObject> context_;
    std::map<const Form*, std::unique_ptr<FormView>> views_;
    std::vector<std::pair<Timer*, QTimer*>> timers_;
    bool timers_started_ = false;
    bool list_sync_pending_ = false;
    bool in_repaint_ = false;
    bool close_pending_ = false;
    bool ending_ = false;
    QElapsedTimer since_repaint_;
};

}  // namespace vorn::qt
