#include "qt/ui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListView>
#include <QMainWindow>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "ga/ga_window.h"
#include "qt/binder.h"
#include "qt/form_layouts.h"
#include "qt/form_window.h"
#include "qt/lines_model.h"
#include "shell/main_window.h"
#include "shell/platform.h"
#include "shell/report_window.h"
#include "app/workbench.h"

namespace vorn::qt {

namespace {

// A running handler's repaint requests process pending events at most this
// often: often enough to look alive, rarely enough to cost nothing.
constexpr qint64 kRepaintIntervalMs = 30;
// A core timer that came due while a handler ran is tried again this soon.
constexpr int kBusyRetryMs = 10;
// A close of the main window asked for during a handler waits for its end.
constexpr int kCloseRetryMs = 100;
constexpr int kReportWidth = 640;
constexpr int kReportHeight = 420;

constexpr const char* kInternalErrorTitle = "Error interno";

QString qstr(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

struct Ui::FormView {
    std::unique_ptr<FormWindow> window;
    std::unique_ptr<Binder> binder;
};

Ui::Ui(Workbench& workbench)
    : workbench_(workbench), alive_(std::make_shared<int>(0)), context_(std::make_unique<QObject>()) {
    std::weak_ptr<int> alive = alive_;
    workbench_.reports().on_created([this, alive](ReportWindow& report) {
        if (alive.expired()) return;
        build(report);
    });
    workbench_.on_progress([this, alive](const std::string& text) {
        if (alive.expired()) return;
        if (QMainWindow* main = main_window()) main->statusBar()->showMessage(qstr(text));
        repaint_point();
    });
    adopt_new_forms();
}

Ui::~Ui() {
    alive_.reset();
    views_.clear();
    timers_.clear();
}

QMainWindow* Ui::window(const Form& form) const {
    auto found = views_.find(&form);
    return found == views_.end() ? nullptr : found->second->window.get();
}

QMainWindow* Ui::main_window() const { return window(workbench_.main()); }

QWidget* Ui::widget(const Control& control) const {
    auto found = views_.find(&control.form());
    return found == views_.end() ? nullptr : found->second->binder->existing(control);
}

void Ui::adopt_new_forms() {
    for (Form* form : workbench_.forms()) {
        if (views_.count(form) == 0) build(*form);
    }
}

void Ui::build(Form& form) {
    if (views_.count(&form) != 0) return;
    auto view = std::make_unique<FormView>();
    view->window = std::make_unique<FormWindow>(form, [this, &form](QCloseEvent& event) { on_close(form, event); });
    FormWindow& window = *view->window;
    auto* central = new QWidget(&window);
    BinderHooks hooks{alive_, [this](Command& command) { run_command(command); }, [this] { list_changed(); },
                      [this] { repaint_point(); }};
    view->binder = std::make_unique<Binder>(form, *central, std::move(hooks));

    if (auto* main = dynamic_cast<MainWindow*>(&form)) {
        lay_out_main_window(*main, *view->binder, *central);
        window.statusBar();
    } else if (auto* report = dynamic_cast<ReportWindow*>(&form)) {
        lay_out_report_window(*report, *view->binder, *central);
        window.resize(kReportWidth, kReportHeight);
    } else if (auto* ga_window = dynamic_cast<ga::GaWindow*>(&form)) {
        lay_out_ga_window(*ga_window, *view->binder, *central);
    } else {
        lay_out_generic(form, *view->binder, *central);
    }
    window.setCentralWidget(central);
    if (!form.menus().empty()) view->binder->build_menus(*window.menuBar());

    FormView& built = *view;
    views_[&form] = std::move(view);
    for (Control* control : form.controls()) {
        if (auto* timer = dynamic_cast<Timer*>(control)) bind_timer(*timer);
    }
    std::weak_ptr<int> alive = alive_;
    form.observe([this, alive, &built] {
        if (alive.expired()) return;
        show_form(built);
    });
    show_form(built);
}

void Ui::show_form(FormView& view) {
    Form& form = view.window->form();
    QString title = qstr(form.caption());
    if (view.window->windowTitle() != title) view.window->setWindowTitle(title);
    if (form.visible() && view.window->isHidden()) {
        sync_lists();
        view.window->show();
    } else if (!form.visible() && !view.window->isHidden()) {
        view.window->hide();
    }
}

void Ui::on_close(Form& form, QCloseEvent& event) {
    if (ending_ || workbench_.exit_code()) {
        event.accept();
        return;
    }
    event.ignore();
    if (&form == &workbench_.main()) {
        if (workbench_.busy()) {
            // The running handler holds the thread; the program ends as
            // soon as it returns.
            if (!close_pending_) {
                close_pending_ = true;
                QTimer::singleShot(kCloseRetryMs, context_.get(), [this] {
                    close_pending_ = false;
                    if (QMainWindow* main = main_window()) main->close();
                });
            }
            return;
        }
        end_like_salir();
        if (ending_ || workbench_.exit_code()) event.accept();
        return;
    }
    // Other windows only hide, and not while a handler fills them.
    if (!workbench_.busy()) form.hide();
}

void Ui::end_like_salir() {
    run_command(workbench_.main().Command5);
    if (!workbench_.exit_code()) {
        ending_ = true;
        workbench_.platform().end_program(0);
    }
}

void Ui::run_command(Command& command) {
    if (ending_ || workbench_.exit_code()) return;
    if (workbench_.busy()) {
        // Input reaches us during a handler only through a nested event
        // loop; running a second handler inside the first is never right.
        QApplication::beep();
        return;
    }
    run_guarded([&command] { command.click(); });
}

void Ui::run_guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const EndProgram& end) {
        // Only a form without a handler boundary lets this through.
        ending_ = true;
        workbench_.platform().end_program(end.code);
    } catch (const std::exception& error) {
        workbench_.platform().message(error.what(), kInternalErrorTitle, Icon::Critical);
    }
    // A handler may have created a form (Consultas, the GA window).
    adopt_new_forms();
    sync_lists();
}

void Ui::list_changed() {
    if (list_sync_pending_) return;
    list_sync_pending_ = true;
    QTimer::singleShot(0, context_.get(), [this] {
        list_sync_pending_ = false;
        sync_lists();
    });
}

void Ui::sync_lists() {
    for (auto& [form, view] : views_) {
        for (const Binder::ListView& list : view->binder->lists()) {
            if (!list.model->stale()) continue;
            // A reader who scrolled to the end keeps seeing new lines.
            QScrollBar* bar = list.view->verticalScrollBar();
            bool follow = bar->maximum() > 0 && bar->value() == bar->maximum();
            list.model->sync();
            if (follow) list.view->scrollToBottom();
        }
    }
}

void Ui::repaint_point() {
    sync_lists();
    if (in_repaint_) return;
    if (since_repaint_.isValid() && since_repaint_.elapsed() < kRepaintIntervalMs) return;
    in_repaint_ = true;
    adopt_new_forms();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    in_repaint_ = false;
    since_repaint_.start();
}

void Ui::start_timers() {
    timers_started_ = true;
    for (auto& [timer, qtimer] : timers_) follow_timer(*timer, *qtimer);
}

void Ui::bind_timer(Timer& timer) {
    auto* qtimer = new QTimer(context_.get());
    QObject::connect(qtimer, &QTimer::timeout, context_.get(), [this, &timer, qtimer] { timer_due(timer, *qtimer); });
    std::weak_ptr<int> alive = alive_;
    timer.observe([this, alive, &timer, qtimer](Change) {
        if (alive.expired()) return;
        follow_timer(timer, *qtimer);
    });
    timers_.emplace_back(&timer, qtimer);
    follow_timer(timer, *qtimer);
}

void Ui::follow_timer(Timer& timer, QTimer& qtimer) {
    if (!timers_started_ || ending_ || workbench_.exit_code() || !timer.armed()) {
        qtimer.stop();
        return;
    }
    if (!qtimer.isActive() || qtimer.interval() != timer.interval()) qtimer.start(timer.interval());
}

void Ui::timer_due(Timer& timer, QTimer& qtimer) {
    if (ending_ || workbench_.exit_code() || !timer.armed()) {
        qtimer.stop();
        return;
    }
    if (workbench_.busy()) {
        // Never inside a handler: try again soon after it returns.
        qtimer.start(std::min(timer.interval(), kBusyRetryMs));
        return;
    }
    run_guarded([this, &timer] { workbench_.fire(timer); });
    follow_timer(timer, qtimer);
}

}  // namespace vorn::qt
