// The Qt front end over a workbench on a temporary database.
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QThread>
#include <set>

#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

QString qstr(const std::string& text) { return QString::fromStdString(text); }

class QtUiTest : public WorkbenchTest {
protected:
    void SetUp() override { WorkbenchTest::SetUp(); ui = std::make_unique<qt::Ui>(*bench); }
    void TearDown() override { ui.reset(); WorkbenchTest::TearDown(); }

    QMainWindow& main() { return *ui->main_window(); }
    template <class W>
    W& widget(const Control& control) {
        if (auto* found = qobject_cast<W*>(ui->widget(control))) return *found;
        throw std::runtime_error("no widget for " + control.name());
    }
    QAbstractItemModel& listed() { return *widget<QListView>(consultas().List1).model(); }
    // Runs `body` as a handler that holds the thread for `ms`, refreshing a field as a long run does.
    void hold(int ms, const std::function<void(int)>& body = {}) {
        QElapsedTimer running;
        running.start();
        for (int n = 1; running.elapsed() < ms; ++n) {
            if (body) body(n);
            w().Text1.refresh();
            QThread::msleep(1);
        }
    }

    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtUiTest, every_control_shows_as_its_form_has_it_and_says_in_spanish_what_it_does) {
    EXPECT_EQ(main().windowTitle(), "Red");
    EXPECT_TRUE(main().isVisible());
    // What the workbench gives no action says so; the rest say what they do.
    const std::set<std::string> idle = {"Command1", "Command12", "Command31", "GroupPush3D1", "GroupPush3D3",
                                        "menuborrartramas", "menuporcentajecambioentramas", "menutendenciaentramas",
                                        "menusigmoidedetrama", "imprimir"};
    int commands = 0;
    for (Form* form : std::vector<Form*>{&w(), &consultas()}) {
        QMainWindow* window = ui->window(*form);
        ASSERT_NE(window, nullptr);
        const std::set<QString> texts = texts_in(*window);
        for (Control* control : form->controls()) {
            const std::string& name = control->name();
            std::string caption;
            if (auto* label = dynamic_cast<Label*>(control)) caption = label->caption();
            if (auto* data = dynamic_cast<DataControl*>(control)) caption = data->caption();
            if (auto* option = dynamic_cast<OptionButton*>(control)) caption = option->caption();
            auto* command = dynamic_cast<Command*>(control);
            if (command) caption = command->caption();
            EXPECT_TRUE(caption.empty() || texts.count(qstr(caption)) == 1) << name << " " << caption;
            if (dynamic_cast<Timer*>(control)) continue;
            if (command) {
                const std::string& tip = command->tooltip();
                const bool is_idle = idle.count(name) == 1 && (form == &w() || name == "imprimir");
                EXPECT_EQ(tip == "Sin acción", is_idle) << name << ": " << tip;
                EXPECT_GE(tip.size(), 10u) << name;
                ++commands;
            }
            // Menu items show through their action; every other control has a widget named after it.
            if (dynamic_cast<MenuItem*>(control)) {
                auto* action = window->findChild<QAction*>(qstr(name));
                ASSERT_NE(action, nullptr) << name;
                EXPECT_EQ(action->toolTip(), qstr(command->tooltip())) << name;
                continue;
            }
            QWidget* shown = window->findChild<QWidget*>(qstr(name));
            ASSERT_NE(shown, nullptr) << name;
            EXPECT_EQ(shown->isHidden(), !control->visible()) << name;
            EXPECT_TRUE(!command || shown->toolTip() == qstr(command->tooltip())) << name;
            auto* button = dynamic_cast<Button*>(control);
            EXPECT_TRUE(!button || shown->font().bold() == button->bold()) << name;
        }
    }
    EXPECT_GE(commands, 85);
    // A menu item that runs a button names it, and the captions a newcomer cannot read are explained.
    EXPECT_EQ(w().bpnentrenar.tooltip(), w().Command4.tooltip() + " (como «E»)");
    EXPECT_NE(w().Command14.tooltip().find("pesos"), std::string::npos);
    EXPECT_NE(w().Command28.tooltip().find("cuasi binario"), std::string::npos);
    // "X" and "E" stand out.
    for (const Button* bold : {&w().Command3, &w().Command4}) EXPECT_EQ(ui->widget(*bold)->font().pointSize(), 12);
    QList<QAction*> menus = main().menuBar()->actions();
    ASSERT_EQ(menus.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(menus[i]->text(), qstr(w().menus()[i]->caption()));
        EXPECT_EQ(menus[i]->menu()->actions().size(), std::ssize(w().menus()[i]->items()));
    }
    expect_drawn(main(), "vorn2.png");
    QAction* salida = main().findChild<QAction*>("salida");
    ASSERT_NE(salida, nullptr);
    salida->trigger();
    EXPECT_EQ(platform.ended, 0);
}

TEST_F(QtUiTest, fields_and_controls_are_bound_both_ways) {
    auto& text2 = widget<QLineEdit>(w().Text2);
    text2.selectAll();
    type_into(text2, "9");
    EXPECT_EQ(w().Text2.text(), "9");
    w().Text5.set_text("3");
    EXPECT_EQ(widget<QLineEdit>(w().Text5).text(), "3");
    w().Label6.set_caption("Error");
    EXPECT_EQ(widget<QLabel>(w().Label6).text(), "Error");
    w().Command48.set_caption("Ver");
    w().Command48.set_enabled(false);
    EXPECT_EQ(widget<QPushButton>(w().Command48).text(), "Ver");
    EXPECT_FALSE(widget<QPushButton>(w().Command48).isEnabled());
    w().Text3.set_visible(false);
    EXPECT_TRUE(widget<QLineEdit>(w().Text3).isHidden());

    auto& combo = widget<QComboBox>(w().Combo1);
    EXPECT_EQ(combo.currentText(), "Combo1");
    for (const char* set : {"Set1", "Set2", "Set3"}) w().Combo1.add_item(set);
    w().Combo1.set_text("Set1");
    EXPECT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.currentText(), "Set1");
    combo.setCurrentIndex(2);
    EXPECT_EQ(w().Combo1.text(), "Set3");

    auto& push = widget<QPushButton>(w().GroupPush3D1);
    push.click();
    EXPECT_TRUE(w().GroupPush3D1.pressed());
    w().GroupPush3D1.set_pressed(false);
    EXPECT_FALSE(push.isChecked());

    // Option buttons are one at a time, in a frame that "Apl" hides and shows.
    widget<QRadioButton>(w().Option3D2).click();
    EXPECT_TRUE(w().Option3D2.value());
    widget<QRadioButton>(w().Option3D3).click();
    EXPECT_FALSE(w().Option3D2.value());
    EXPECT_TRUE(w().Option3D3.value());
    for (bool shown : {false, true}) {
        widget<QPushButton>(w().Command37).click();
        EXPECT_EQ(widget<QGroupBox>(w().Frame3D1).isVisible(), shown);
    }
}

TEST_F(QtUiTest, consultas_appears_on_first_use_takes_lines_in_one_step_and_closing_only_hides_it) {
    EXPECT_FALSE(bench->reports().exists());
    ReportWindow& report = consultas();
    QMainWindow* window = ui->window(report);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Consultas");
    EXPECT_TRUE(window->isHidden());

    // Lines added while hidden are all there when it is shown.
    report.add_line("uno");
    report.add_line("dos\t .5");
    report.show();
    QAbstractItemModel& model = listed();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(1, 0).data().toString(), "dos      .5");

    // Thousands of lines reach the view in one insertion at the refresh, not one per line.
    int inserts = 0, resets = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    for (int i = 0; i < 10000; ++i) report.add_line("Trama\t" + std::to_string(i) + "\t .5\t-.25");
    EXPECT_EQ(model.rowCount(), 2);
    report.refresh();
    EXPECT_EQ(model.rowCount(), 10002);
    EXPECT_EQ(inserts, 1);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(model.index(10001, 0).data().toString(), "Trama   9999     .5     -.25");
    expect_drawn(*window, "consultas.png");

    // A clear and refill is one reset; rows read before the sync show no stale text.
    report.clear();
    EXPECT_FALSE(model.index(5, 0).data().isValid());
    report.add_line("nueva");
    EXPECT_TRUE(pump_until([&] { return model.rowCount() == 1; }));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.index(0, 0).data().toString(), "nueva");

    // Its frame, its "Cerrar" menu item and its first 3-D button only hide it.
    std::function<void()> hides[] = {[&] { EXPECT_FALSE(window->close()); },
                                      [&] { window->findChild<QAction*>("cerrar")->trigger(); },
                                      [&] { widget<QPushButton>(report.GroupPush3D1).click(); }};
    for (auto& hide : hides) {
        report.show();
        hide();
        EXPECT_TRUE(window->isHidden());
        EXPECT_FALSE(report.visible());
    }
    EXPECT_FALSE(platform.ended.has_value());
    report.set_caption("Pasada 3");
    EXPECT_EQ(window->windowTitle(), "Pasada 3");
}

TEST_F(QtUiTest, timers_wait_for_start_and_for_a_running_handler_which_repaints_and_a_close_ends_after_it) {
    int fires = 0, batches = 0;
    bool inside = false, fired_inside = false, posted = false;
    w().Timer1.set_handler([&] {
        fired_inside = fired_inside || inside;
        if (++fires >= 3) w().Timer1.set_interval(0);
    });
    EXPECT_FALSE(pump_until([&] { return fires > 0; }, 50));
    ui->start_timers();
    EXPECT_TRUE(pump_until([&] { return fires == 3; }));
    EXPECT_FALSE(pump_until([&] { return fires > 3; }, 50));  // stopped by its handler

    // One that comes due during a handler fires after it.
    w().Command1.set_handler([&] {
        inside = true;
        w().Timer1.set_interval(1);
        hold(100);
        inside = false;
    });
    widget<QPushButton>(w().Command1).click();
    EXPECT_TRUE(pump_until([&] { return fires == 4; }));

    ReportWindow& report = consultas();
    report.show();
    QElapsedTimer running;
    running.start();
    w().Command12.set_handler([&] {
        inside = true;
        w().Timer1.set_interval(1);
        hold(300, [&](int n) {
            if (!posted) {
                posted = true;
                QTimer::singleShot(0, [&] { posted = false, ++batches; });
            }
            w().Text1.set_text(std::to_string(n));
        });
        EXPECT_FALSE(main().close());  // asks the run to stop, then end the program
        EXPECT_FALSE(ui->window(report)->close());  // a listing holds its window open
        EXPECT_TRUE(platform.stop_requested());
        inside = false;
    });
    widget<QPushButton>(w().Command12).click();
    // Pending events were processed while it ran, but at most every ~30 ms.
    EXPECT_GE(batches, 2);
    EXPECT_LE(batches, running.elapsed() / 30 + 2);
    EXPECT_EQ(widget<QLineEdit>(w().Text1).text(), qstr(w().Text1.text()));
    EXPECT_TRUE(ui->window(report)->isVisible());

    // Once it has returned the close ends the program like "Salir"; the timer that came due never fires.
    EXPECT_EQ(platform.ended, 0);
    EXPECT_EQ(bench->exit_code(), 0);
    EXPECT_FALSE(platform.stop_requested());
    EXPECT_FALSE(pump_until([&] { return fires > 4; }, 100));
    EXPECT_FALSE(fired_inside);
}

TEST_F(QtUiTest, a_new_front_end_takes_over_when_the_first_goes_before_the_workbench) {
    consultas().add_line("antes");
    ui.reset();
    // The gone front end's observers must touch nothing (a sanitizer build checks).
    w().Text2.set_text("7");
    consultas().add_line("despues");
    consultas().refresh();
    bench->report_progress("x");
    w().Timer1.set_interval(5);

    ui = std::make_unique<qt::Ui>(*bench);
    EXPECT_EQ(widget<QLineEdit>(w().Text2).text(), "7");
    w().Text2.set_text("8");
    EXPECT_EQ(widget<QLineEdit>(w().Text2).text(), "8");
    EXPECT_EQ(listed().rowCount(), 2);
}

TEST_F(QtUiTest, windows_keep_their_place_from_one_start_to_the_next_and_fields_start_anew) {
    QSettings().clear();
    main().setGeometry(60, 90, 700, 560);
    consultas().show();
    ui->window(consultas())->setGeometry(100, 200, 600, 380);
    // As the windows took them (no smaller than their contents).
    const QRect main_place = main().geometry(), report_place = ui->window(consultas())->geometry();
    ASSERT_EQ(main_place.topLeft(), QPoint(60, 90));
    consultas().hide();  // closing Consultas keeps its place too
    w().Text2.set_text("9");
    // The program ends and starts again.
    ui.reset();
    bench = std::make_unique<Workbench>(*db, platform, dir.path());
    ui = std::make_unique<qt::Ui>(*bench);
    consultas().show();
    EXPECT_EQ(main().geometry(), main_place);
    EXPECT_EQ(ui->window(consultas())->geometry(), report_place);
    EXPECT_EQ(widget<QLineEdit>(w().Text2).text(), "Text2");
    QSettings().clear();
}

TEST_F(QtUiTest, an_operation_that_shows_a_hidden_consultas_brings_it_forward_and_one_on_screen_keeps_the_focus_away) {
    ReportWindow& report = consultas();
    report.show();
    QMainWindow* window = ui->window(report);
    auto active_is = [](QWidget* wanted, int ms = 3000) {
        return pump_until([&] { return QApplication::activeWindow() == wanted; }, ms);
    };
    ASSERT_TRUE(active_is(window));
    main().activateWindow();
    ASSERT_TRUE(active_is(&main()));
    report.add_line("una");
    report.refresh();
    EXPECT_FALSE(active_is(window, 100));
    // A listing into the window on screen, again and again, fills it where it is.
    add_frame(1, {0.5}, 0.1);
    for (int i = 0; i < 3; ++i) click(w().Command2);
    EXPECT_FALSE(active_is(window, 100));
    EXPECT_EQ(listed().rowCount(), static_cast<int>(report.List1.lines().size()));
    // Closed, or minimised, the next listing brings it back in front.
    for (auto put_away : std::initializer_list<std::function<void()>>{[&] { window->close(); },
                                                                     [&] { window->showMinimized(); }}) {
        put_away();
        main().activateWindow();
        ASSERT_TRUE(active_is(&main()));
        click(w().Command2);
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isMinimized());
        EXPECT_TRUE(active_is(window));
    }
}

}  // namespace
}  // namespace vorn::testing
