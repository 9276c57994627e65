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
#include <QStatusBar>
#include <QThread>
#include <chrono>
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

    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtUiTest, main_window_shows_every_control_as_its_form_has_it_and_salir_ends_the_program) {
    ASSERT_NE(ui->main_window(), nullptr);
    EXPECT_EQ(main().windowTitle(), "Red");
    EXPECT_TRUE(main().isVisible());
    std::set<QString> texts = texts_in(main());
    for (Control* control : w().controls()) {
        std::string caption;
        if (auto* label = dynamic_cast<Label*>(control)) caption = label->caption();
        if (auto* command = dynamic_cast<Command*>(control)) caption = command->caption();
        if (auto* data = dynamic_cast<DataControl*>(control)) caption = data->caption();
        if (auto* option = dynamic_cast<OptionButton*>(control)) caption = option->caption();
        EXPECT_TRUE(caption.empty() || texts.count(qstr(caption)) == 1) << control->name() << " " << caption;
        // Menu items and timers have no widget; every other control has one, named after it.
        if (dynamic_cast<MenuItem*>(control) || dynamic_cast<Timer*>(control)) continue;
        QWidget* shown = main().findChild<QWidget*>(qstr(control->name()));
        ASSERT_NE(shown, nullptr) << control->name();
        EXPECT_EQ(shown->isHidden(), !control->visible()) << control->name();
        auto* button = dynamic_cast<Button*>(control);
        EXPECT_TRUE(!button || shown->font().bold() == button->bold()) << control->name();
    }
    // "X" and "E" stand out.
    for (const Button* bold : {&w().Command3, &w().Command4}) EXPECT_EQ(ui->widget(*bold)->font().pointSize(), 12);
    QList<QAction*> menus = main().menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(menus[i]->text(), qstr(w().menus()[i]->caption()));
        EXPECT_EQ(menus[i]->menu()->actions().size(), std::ssize(w().menus()[i]->items()));
    }
    expect_drawn(main(), "vorn2.png");

    bench->report_progress("Pasada 12 error .25");
    EXPECT_EQ(main().statusBar()->currentMessage(), "Pasada 12 error .25");
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
    EXPECT_EQ(w().Combo1.text(), "Set1");
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
        EXPECT_EQ(w().Frame3D1.visible(), shown);
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
    std::set<QString> texts = texts_in(*window);
    for (const char* caption : {"Close", "Print", "Cerrar", "Imprimir"}) EXPECT_EQ(texts.count(caption), 1u);

    // Lines added while hidden are all there when it is shown.
    report.add_line("uno");
    report.add_line("dos\t .5");
    report.show();
    EXPECT_TRUE(window->isVisible());
    QAbstractItemModel& model = listed();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.index(1, 0).data().toString(), "dos\t .5");

    // Thousands of lines reach the view in one insertion at the refresh, not one per line.
    int inserts = 0, resets = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });
    auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 10000; ++i) report.add_line("Trama\t" + std::to_string(i) + "\t .5\t-.25");
    EXPECT_EQ(model.rowCount(), 2);
    report.refresh();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(model.rowCount(), 10002);
    EXPECT_EQ(inserts, 1);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(model.index(10001, 0).data().toString(), "Trama\t9999\t .5\t-.25");
    expect_drawn(*window, "consultas.png");

    // A clear and refill is one reset; rows read before the sync show no stale text.
    report.clear();
    EXPECT_FALSE(model.index(5, 0).data().isValid());
    report.add_line("nueva");
    EXPECT_TRUE(pump_until([&] { return model.rowCount() == 1; }));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.index(0, 0).data().toString(), "nueva");

    // Its frame, its "Close" menu item and its first 3-D button only hide it.
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

TEST_F(QtUiTest, timers_wait_for_start_and_a_running_handler_which_repaints_but_takes_no_input) {
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

    ReportWindow& report = consultas();
    report.show();
    QElapsedTimer running;
    w().Command12.set_handler([&] {
        inside = true;
        w().Timer1.set_interval(1);
        widget<QPushButton>(w().Command37).click();
        running.start();
        for (int n = 1; running.elapsed() < 300; ++n) {
            if (!posted) {
                posted = true;
                QTimer::singleShot(0, [&] { posted = false, ++batches; });
            }
            w().Text1.set_text(std::to_string(n));
            w().Text1.refresh();
            QThread::msleep(1);
        }
        EXPECT_FALSE(main().close());
        EXPECT_FALSE(ui->window(report)->close());  // a listing holds its window open
        inside = false;
    });
    widget<QPushButton>(w().Command12).click();
    EXPECT_TRUE(w().Frame3D1.visible());  // the nested click was refused
    // Pending events were processed while it ran, but at most every ~30 ms.
    EXPECT_GE(batches, 2);
    EXPECT_LE(batches, running.elapsed() / 30 + 2);
    EXPECT_EQ(widget<QLineEdit>(w().Text1).text(), qstr(w().Text1.text()));
    EXPECT_TRUE(ui->window(report)->isVisible());
    EXPECT_FALSE(platform.ended.has_value());

    // Once it has returned the timer that came due fires, then the close ends the program like "Salir".
    EXPECT_TRUE(pump_until([&] { return fires == 4; }));
    EXPECT_FALSE(fired_inside);
    EXPECT_TRUE(pump_until([&] { return platform.ended.has_value(); }));
    EXPECT_EQ(platform.ended, 0);
    EXPECT_EQ(bench->exit_code(), 0);
    EXPECT_TRUE(main().isHidden());
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

}  // namespace
}  // namespace vorn::testing
