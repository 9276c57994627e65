#include "qt/ui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "ga/ga_window.h"
#include "qt/binder.h"
#include "qt/form_layouts.h"
#include "qt/form_window.h"
#include "qt/input_gate.h"
#include "qt/lines_model.h"
#include "qt/progress_panel.h"
#include "shell/main_window.h"
#include "shell/platform.h"
#include "shell/report_window.h"

namespace vorn::qt {

namespace {

// A running handler's repaint requests process pending events at most this
// often: often enough to look alive, rarely enough to cost nothing.
constexpr qint64 kRepaintIntervalMs = 30;
// A core timer that came due while a handler ran is tried again this soon.
constexpr int kBusyRetryMs = 10;
// "Salir" or a close asked for during a handler waits for its end, looking
// this often.
constexpr int kEndRetryMs = 100;
// A first start shares the screen out: "Red" on the left above Consultas,
// the GA window on the right, so that no window covers another's curve nor
// the main window's "Detener".
constexpr double kMainWidthShare = 0.58;
constexpr double kMainHeightShare = 0.62;
// What a window manager's frame adds to a window (title bar, borders),
// before the window is first shown and its frame can be measured.
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 34;

constexpr const char* kInternalErrorTitle = "Error interno";

QString qstr(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

struct Ui::FormView {
    std::unique_ptr<FormWindow> window;
    std::unique_ptr<Binder> binder;
    // The form's show requests already honoured by bringing it forward.
    unsigned long long shows_seen = 0;
};

Ui::Ui(Session& session)
    : session_(session), alive_(std::make_shared<int>(0)), context_(std::make_unique<QObject>()) {
    gate_ = std::make_unique<InputGate>(GateHooks{[this] { return session_.busy() && !ending_; },
                                                  [this](const QWidget& widget) { return takes_input_during_run(widget); },
                                                  [this] { request_stop(false); }});
    QCoreApplication::instance()->installEventFilter(gate_.get());
    std::weak_ptr<int> alive = alive_;
    session_.reports().on_created([this, alive](ReportWindow& report) {
        if (alive.expired()) return;
        build(report);
    });
    session_.on_progress([this, alive](const Progress& progress) {
        if (alive.expired()) return;
        progress_reported(progress);
    });
    adopt_new_forms();
}

Ui::~Ui() {
    alive_.reset();
    // Windows still open keep their place for the next start.
    for (auto& [form, view] : views_) {
        view->window->set_on_hide(nullptr);
        if (view->window->isVisible()) keep_place(*view);
    }
    gate_.reset();
    views_.clear();
    timers_.clear();
}

QString Ui::settings_key(const Form& form) {
    return QStringLiteral("ventanas/%1/geometria").arg(QString::fromStdString(form.name()));
}

void Ui::keep_place(const FormView& view) const {
    QSettings settings;
    settings.setValue(settings_key(view.window->form()), view.window->saveGeometry());
}

QWidget* Ui::dialog_parent() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (running_form_ != nullptr) {
        QMainWindow* running = window(*running_form_);
        if (running != nullptr && running->isVisible()) return running;
    }
    if (QWidget* active = QApplication::activeWindow()) return active;
    QMainWindow* main = main_window();
    return main != nullptr && main->isVisible() ? main : nullptr;
}

long Ui::dropped_inputs() const { return gate_->dropped(); }

QMainWindow* Ui::window(const Form& form) const {
    auto found = views_.find(&form);
    return found == views_.end() ? nullptr : found->second->window.get();
}

QMainWindow* Ui::main_window() const { return window(session_.main()); }

QWidget* Ui::widget(const Control& control) const {
    auto found = views_.find(&control.form());
    return found == views_.end() ? nullptr : found->second->binder->existing(control);
}

void Ui::adopt_new_forms() {
    for (Form* form : session_.forms()) {
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
        panel_ = new ProgressPanel;
        window.statusBar()->addPermanentWidget(panel_, 1);
    } else if (auto* report = dynamic_cast<ReportWindow*>(&form)) {
        lay_out_report_window(*report, *view->binder, *central);
    } else if (auto* ga_window = dynamic_cast<ga::GaWindow*>(&form)) {
        lay_out_ga_window(*ga_window, *view->binder, *central);
    } else {
        lay_out_generic(form, *view->binder, *central);
    }
    // A screen smaller than the contents scrolls them instead of cutting
    // the window off the screen's edge.
    auto* scroll = new QScrollArea(&window);
    scroll->setObjectName(QStringLiteral("desplazamiento"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(central);
    window.setCentralWidget(scroll);
    if (!form.menus().empty()) view->binder->build_menus(*window.menuBar());
    const QByteArray place = QSettings().value(settings_key(form)).toByteArray();
    if (place.isEmpty() || !window.restoreGeometry(place)) {
        window.setGeometry(first_place(form, window));
    } else {
        keep_on_screen(window);
    }
    view->shows_seen = form.show_requests();

    FormView& built = *view;
    window.set_on_hide([this, &built] { keep_place(built); });
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

QRect Ui::first_place(const Form& form, const QMainWindow& window) const {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect free = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 728);
    const int main_width = static_cast<int>(free.width() * kMainWidthShare);
    const int main_height = static_cast<int>(free.height() * kMainHeightShare);
    QRect tile;
    if (&form == &session_.main()) {
        tile = QRect(free.left(), free.top(), main_width, main_height);
    } else if (dynamic_cast<const ReportWindow*>(&form) != nullptr) {
        tile = QRect(free.left(), free.top() + main_height, main_width, free.height() - main_height);
    } else {
        tile = QRect(free.left() + main_width, free.top(), free.width() - main_width, free.height());
    }
    // The frame is drawn around the window, inside its tile.
    QRect place(tile.topLeft() + QPoint(kFrameWidth / 2, kFrameHeight - kFrameWidth / 2),
                QSize(tile.width() - kFrameWidth, tile.height() - kFrameHeight)
                    .expandedTo(window.minimumSizeHint()));
    return place;
}

void Ui::keep_on_screen(QMainWindow& window) {
    const QRect frame = window.frameGeometry();
    QScreen* screen = QGuiApplication::screenAt(frame.center());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect free = screen->availableGeometry();
    if (free.contains(frame)) return;
    // A place kept on a larger screen (or another monitor) comes back
    // whole onto the one there is now.
    // Before a window is first shown its frame is not known yet.
    const QSize extra = (frame.size() - window.geometry().size()).expandedTo(QSize(kFrameWidth, kFrameHeight));
    const QSize inside = window.size().boundedTo(free.size() - extra).expandedTo(window.minimumSizeHint());
    window.resize(inside);
    const QSize outside = inside + extra;
    const int x = std::clamp(frame.left(), free.left(), std::max(free.left(), free.right() + 1 - outside.width()));
    const int y = std::clamp(frame.top(), free.top(), std::max(free.top(), free.bottom() + 1 - outside.height()));
    window.move(x, y);
}

void Ui::show_form(FormView& view) {
    Form& form = view.window->form();
    QString title = qstr(form.caption());
    if (view.window->windowTitle() != title) view.window->setWindowTitle(title);
    // Only a window that was off the screen (hidden, or minimised) comes
    // forward when an operation shows it. One already on screen keeps its
    // place in the stack and leaves the focus alone: a search lists every
    // generation, and raising the list each time would take the keyboard
    // away from the user at every generation.
    const bool was_off = view.window->isHidden() || view.window->isMinimized();
    if (form.visible() && view.window->isHidden()) {
        sync_lists();
        view.window->show();
    } else if (!form.visible() && !view.window->isHidden()) {
        view.window->hide();
    }
    if (form.visible() && form.show_requests() != view.shows_seen) {
        view.shows_seen = form.show_requests();
        if (was_off) {
            // A window mapped anew gets the focus from the window manager.
            // Asking for it as well is worse than useless: the request goes
            // out only once the event loop sees the map, which in a short
            // run is after the run's end box, and the box then has to win
            // the focus back from its own program.
            const bool minimised = view.window->isMinimized();
            view.window->setWindowState(view.window->windowState() & ~Qt::WindowMinimized);
            view.window->raise();
            if (minimised) view.window->activateWindow();
        }
    }
}

void Ui::on_close(Form& form, QCloseEvent& event) {
    if (ending_ || session_.exit_code()) {
        event.accept();
        return;
    }
    event.ignore();
    if (&form == &session_.main()) {
        if (session_.busy()) {
            // Like "Salir" during a run: the run stops at the end of its
            // pass, then the program ends.
            request_stop(true);
            return;
        }
        end_like_salir();
        if (ending_ || session_.exit_code()) event.accept();
        return;
    }
    // Other windows only hide, and not while a handler fills them.
    if (!session_.busy()) form.hide();
}

void Ui::end_like_salir() {
    run_command(session_.main().Command5);
    if (!session_.exit_code()) {
        ending_ = true;
        session_.platform().end_program(0);
    }
}

void Ui::end_when_idle() {
    if (ending_ || session_.exit_code()) return;
    end_pending_ = true;
    if (session_.busy()) {
        QTimer::singleShot(kEndRetryMs, context_.get(), [this] {
            if (end_pending_) end_when_idle();
        });
        return;
    }
    end_pending_ = false;
    end_like_salir();
}

void Ui::request_stop(bool end_after) {
    if (!session_.busy() || ending_) return;
    session_.platform().request_stop();
    if (end_after && !end_pending_) end_when_idle();
    if (panel_ != nullptr) panel_->show_stop_pending(end_pending_);
}

bool Ui::ends_the_program(const Command& command) const {
    const MainWindow& w = session_.main();
    return &command == &w.Command5 || &command == &w.salida;
}

bool Ui::stops_the_run(const Command& command) const {
    return &command == &session_.main().CommandDetener || ends_the_program(command);
}

bool Ui::takes_input_during_run(const QWidget& widget) const {
    auto found = views_.find(&session_.main());
    if (found == views_.end()) return false;
    const FormView& main = *found->second;
    MainWindow& w = session_.main();
    // The menu bar too: "Salir" is in the "Red" menu, and its popups are
    // windows of their own that the gate leaves alone.
    for (QWidget* open : {main.binder->existing(w.CommandDetener), main.binder->existing(w.Command5),
                          main.window->menuWidget()}) {
        if (open != nullptr && (open == &widget || open->isAncestorOf(&widget))) return true;
    }
    return false;
}

void Ui::run_command(Command& command) {
    if (ending_ || session_.exit_code()) return;
    if (session_.busy()) {
        // Input reaches us during a handler only at its repaint points:
        // a stop is taken, anything else is dropped, never run later.
        if (stops_the_run(command)) request_stop(ends_the_program(command));
        return;
    }
    run_guarded(command.form(), [&command] { command.click(); });
}

void Ui::run_guarded(const Form& form, const std::function<void()>& action) {
    running_form_ = &form;
    try {
        action();
    } catch (const EndProgram& end) {
        // Only a form without a handler boundary lets this through.
        ending_ = true;
        session_.platform().end_program(end.code);
    } catch (const std::exception& error) {
        session_.platform().message(error.what(), kInternalErrorTitle, Icon::Critical);
    }
    running_form_ = nullptr;
    // A handler may have created a form (Consultas, the GA window).
    adopt_new_forms();
    sync_lists();
    show_pending_progress();
    if (panel_ != nullptr) panel_->clear_stop_pending();
    if (end_pending_) end_when_idle();
}

void Ui::progress_reported(const Progress& progress) {
    if (session_.handlers_started() != progress_run_) {
        progress_run_ = session_.handlers_started();
        if (panel_ != nullptr) panel_->start_run();
    }
    pending_progress_ = progress;
    if (!session_.busy()) {
        show_pending_progress();
        return;
    }
    // The last report of a run shows even when no repaint point follows.
    if (!progress_flush_scheduled_) {
        progress_flush_scheduled_ = true;
        QTimer::singleShot(0, context_.get(), [this] {
            progress_flush_scheduled_ = false;
            show_pending_progress();
        });
    }
    repaint_point();
}

void Ui::show_pending_progress() {
    if (!pending_progress_) return;
    if (panel_ != nullptr) panel_->show_progress(*pending_progress_);
    pending_progress_.reset();
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
    const bool due = !since_repaint_.isValid() || since_repaint_.elapsed() >= kRepaintIntervalMs;
    // A running handler's lists are painted only at a due repaint point;
    // bringing them up to date in between (a training clears and refills
    // its list every pass) would be work nobody sees.
    if (!due && session_.busy()) return;
    sync_lists();
    if (in_repaint_ || !due) return;
    in_repaint_ = true;
    show_pending_progress();
    adopt_new_forms();
    // During a run the user's input is processed too, so that a stop can
    // arrive; the gate drops the rest.
    QCoreApplication::processEvents(session_.busy() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
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
    if (!timers_started_ || ending_ || session_.exit_code() || !timer.armed()) {
        qtimer.stop();
        return;
    }
    if (!qtimer.isActive() || qtimer.interval() != timer.interval()) qtimer.start(timer.interval());
}

void Ui::timer_due(Timer& timer, QTimer& qtimer) {
    if (ending_ || session_.exit_code() || !timer.armed()) {
        qtimer.stop();
        return;
    }
    if (session_.busy()) {
        // Never inside a handler: try again soon after it returns.
        qtimer.start(std::min(timer.interval(), kBusyRetryMs));
        return;
    }
    run_guarded(timer.form(), [this, &timer] { session_.fire(timer); });
    follow_timer(timer, qtimer);
}

}  // namespace vorn::qt
