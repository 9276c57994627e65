// The Qt front end over a workbench on a temporary database: every control
// has its widget, both directions of binding, Consultas, list coalescing,
// timers held back during a handler, closing the main window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
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
#include <QTimer>
#include <chrono>
#include <set>

#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

QString qstr(const std::string& text) { return QString::fromStdString(text); }

// Every text a person can read in a window: labels, buttons, group titles,
// fields, menus and the title.
std::set<QString> texts_in(QWidget& window) {
    std::set<QString> texts{window.windowTitle()};
    for (auto* label : window.findChildren<QLabel*>()) texts.insert(label->text());
    for (auto* button : window.findChildren<QAbstractButton*>()) texts.insert(button->text());
    for (auto* box : window.findChildren<QGroupBox*>()) texts.insert(box->title());
    for (auto* edit : window.findChildren<QLineEdit*>()) texts.insert(edit->text());
    for (auto* action : window.findChildren<QAction*>()) texts.insert(action->text());
    return texts;
}

class QtUiTest : public WorkbenchTest {
protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        ui = std::make_unique<qt::Ui>(*bench);
    }
    void TearDown() override {
        ui.reset();
        WorkbenchTest::TearDown();
    }

    QMainWindow& main() { return *ui->main_window(); }
    template <class W>
    W& widget(const Control& control) {
        auto* found = qobject_cast<W*>(ui->widget(control));
        if (found == nullptr) throw std::runtime_error("no widget for " + control.name());
        return *found;
    }
    QListView& list_view() { return widget<QListView>(consultas().List1); }

    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtUiTest, main_window_shows_every_caption_and_hides_the_hidden_controls) {
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
        if (!caption.empty()) {
            EXPECT_EQ(texts.count(qstr(caption)), 1u) << control->name() << " " << caption;
        }
        // Every control except menu items and timers has its own widget,
        // named after it, and it is hidden exactly when the control is.
        if (dynamic_cast<MenuItem*>(control) || dynamic_cast<Timer*>(control)) continue;
        QWidget* shown = main().findChild<QWidget*>(qstr(control->name()));
        ASSERT_NE(shown, nullptr) << control->name();
        EXPECT_EQ(shown->isHidden(), !control->visible()) << control->name();
    }
    for (const Control* hidden : std::initializer_list<const Control*>{
             &w().Text1, &w().Text10, &w().Text11, &w().Text12, &w().Command1, &w().Command12,
             &w().Command17, &w().Command31}) {
        EXPECT_FALSE(ui->widget(*hidden)->isVisible()) << hidden->name();
    }
    EXPECT_TRUE(ui->widget(w().Command4)->isVisible());

    // The four menus, left to right, with their items.
    QList<QAction*> menus = main().menuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text(), "Red");
    EXPECT_EQ(menus[3]->text(), "Calcular");
    EXPECT_EQ(menus[3]->menu()->actions().size(), 13);

    // "X" and "E" stand out.
    for (const Button* bold : {&w().Command3, &w().Command4}) {
        QFont font = ui->widget(*bold)->font();
        EXPECT_TRUE(font.bold());
        EXPECT_EQ(font.pointSize(), 12);
    }
    EXPECT_FALSE(ui->widget(w().Command5)->font().bold());
}

TEST_F(QtUiTest, a_screenshot_of_the_main_window_shows_something) {
    QApplication::processEvents();
    QImage shot = main().grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GT(shot.width(), 300);
    EXPECT_GT(shot.height(), 200);
    // Not one flat colour: the widgets were drawn.
    std::set<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 7) {
        for (int x = 0; x < shot.width(); x += 7) colours.insert(shot.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 3u);

    QDir folder(QCoreApplication::applicationDirPath() + "/screenshots");
    ASSERT_TRUE(folder.mkpath("."));
    QString file = folder.filePath("vorn2.png");
    ASSERT_TRUE(shot.save(file, "PNG"));
    EXPECT_GT(QFileInfo(file).size(), 1000);

    ReportWindow& report = consultas();
    report.add_line("Entrenando:");
    for (int i = 1; i <= 30; ++i) report.add_line("Trama\t" + std::to_string(i) + "\t .5\t-.25");
    report.show();
    QApplication::processEvents();
    QImage listing = ui->window(report)->grab().toImage();
    ASSERT_FALSE(listing.isNull());
    ASSERT_TRUE(listing.save(folder.filePath("consultas.png"), "PNG"));
}

TEST_F(QtUiTest, fields_and_controls_are_bound_both_ways) {
    // What the user types reaches the control.
    auto& text2 = widget<QLineEdit>(w().Text2);
    EXPECT_EQ(text2.text(), "Text2");
    text2.selectAll();
    type_into(text2, "9");
    EXPECT_EQ(w().Text2.text(), "9");

    // What a handler writes reaches the widget.
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

    // The combo box: items and text from the control, the user's choice back.
    auto& combo = widget<QComboBox>(w().Combo1);
    EXPECT_EQ(combo.currentText(), "Combo1");
    for (const char* set : {"Set1", "Set2", "Set3"}) w().Combo1.add_item(set);
    w().Combo1.set_text("Set1");
    EXPECT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.currentText(), "Set1");
    EXPECT_EQ(w().Combo1.text(), "Set1");
    combo.setCurrentIndex(2);
    EXPECT_EQ(w().Combo1.text(), "Set3");

    // Option buttons: one at a time, as the frame shows them.
    widget<QRadioButton>(w().Option3D2).click();
    EXPECT_TRUE(w().Option3D2.value());
    widget<QRadioButton>(w().Option3D3).click();
    EXPECT_FALSE(w().Option3D2.value());
    EXPECT_TRUE(w().Option3D3.value());

    // A 3-D push button follows its pressed state.
    auto& push = widget<QPushButton>(w().GroupPush3D1);
    push.click();
    EXPECT_TRUE(w().GroupPush3D1.pressed());
    w().GroupPush3D1.set_pressed(false);
    EXPECT_FALSE(push.isChecked());
}

TEST_F(QtUiTest, apl_clicked_on_its_button_toggles_the_option_frame) {
    auto& frame = widget<QGroupBox>(w().Frame3D1);
    auto& apl = widget<QPushButton>(w().Command37);
    ASSERT_EQ(apl.text(), "Apl");
    EXPECT_TRUE(frame.isVisible());
    apl.click();
    EXPECT_FALSE(w().Frame3D1.visible());
    EXPECT_TRUE(frame.isHidden());
    apl.click();
    EXPECT_TRUE(w().Frame3D1.visible());
    EXPECT_TRUE(frame.isVisible());
}

TEST_F(QtUiTest, menu_items_run_their_buttons_and_the_window_follows_its_form) {
    QAction* salida = main().findChild<QAction*>("salida");
    ASSERT_NE(salida, nullptr);
    EXPECT_EQ(salida->text(), "Salir");

    w().set_caption("Red 2");
    EXPECT_EQ(main().windowTitle(), "Red 2");
    w().hide();
    EXPECT_TRUE(main().isHidden());
    w().show();
    EXPECT_TRUE(main().isVisible());

    bench->report_progress("Pasada 12 error .25");
    EXPECT_EQ(main().statusBar()->currentMessage(), "Pasada 12 error .25");

    salida->trigger();
    EXPECT_EQ(platform.ended, 0);
}

TEST_F(QtUiTest, closing_the_main_window_ends_the_program_like_salir) {
    EXPECT_TRUE(main().close());
    EXPECT_EQ(platform.ended, 0);
    EXPECT_EQ(bench->exit_code(), 0);
    EXPECT_TRUE(main().isHidden());
}

TEST_F(QtUiTest, closing_windows_during_a_handler_waits_for_it) {
    ReportWindow& report = consultas();
    report.show();
    bool main_closed = true, report_closed = true;
    w().Command12.set_handler([&] {
        main_closed = main().close();
        report_closed = ui->window(report)->close();
        EXPECT_FALSE(platform.ended.has_value());
    });
    widget<QPushButton>(w().Command12).click();
    EXPECT_FALSE(main_closed);
    // A listing holds its window open.
    EXPECT_FALSE(report_closed);
    EXPECT_TRUE(report.visible());
    EXPECT_TRUE(ui->window(report)->isVisible());
    // The program ends once the handler has returned.
    EXPECT_TRUE(pump_until([&] { return platform.ended.has_value(); }));
    EXPECT_EQ(platform.ended, 0);
}

TEST_F(QtUiTest, consultas_is_created_hidden_on_first_use_and_closing_only_hides_it) {
    EXPECT_EQ(bench->reports().exists(), false);
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
    ASSERT_EQ(list_view().model()->rowCount(), 2);
    EXPECT_EQ(list_view().model()->index(1, 0).data().toString(), "dos\t .5");

    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isHidden());
    EXPECT_FALSE(report.visible());
    EXPECT_FALSE(platform.ended.has_value());
    report.show();
    EXPECT_EQ(list_view().model()->rowCount(), 2);

    // Its "Close" menu item and its first 3-D button hide it too.
    window->findChild<QAction*>("cerrar")->trigger();
    EXPECT_TRUE(window->isHidden());
    report.show();
    widget<QPushButton>(report.GroupPush3D1).click();
    EXPECT_TRUE(window->isHidden());

    report.set_caption("Pasada 3");
    EXPECT_EQ(window->windowTitle(), "Pasada 3");
}

TEST_F(QtUiTest, thousands_of_lines_reach_the_list_in_one_step_at_the_refresh) {
    ReportWindow& report = consultas();
    report.show();
    QAbstractItemModel& model = *list_view().model();
    int inserts = 0, resets = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { ++resets; });

    auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 10000; ++i) report.add_line("linea " + std::to_string(i));
    EXPECT_EQ(model.rowCount(), 0);  // nothing per line
    report.refresh();
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(model.rowCount(), 10000);
    EXPECT_EQ(inserts, 1);
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(model.index(9999, 0).data().toString(), "linea 9999");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(took).count(), 2000);

    // A clear and refill is one reset; a clear read before the sync shows
    // no stale text.
    report.clear();
    EXPECT_FALSE(model.index(5, 0).data().isValid());
    report.add_line("nueva");
    pump_until([&] { return model.rowCount() == 1; });
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(model.index(0, 0).data().toString(), "nueva");
}

TEST_F(QtUiTest, a_long_handler_repaints_but_takes_no_input_and_no_timer) {
    w().Timer1.set_interval(0);
    ui->start_timers();
    int fires = 0;
    bool fired_inside = false;
    bool inside = false;
    w().Timer1.set_handler([&] {
        ++fires;
        fired_inside = fired_inside || inside;
        w().Timer1.set_interval(0);
    });

    int batches = 0;
    bool posted = false;
    long long handler_ms = 0;
    w().Command12.set_handler([&] {
        inside = true;
        w().Timer1.set_interval(1);
        // A click that reaches the window during the handler is refused.
        widget<QPushButton>(w().Command37).click();
        QElapsedTimer running;
        running.start();
        int n = 0;
        while (running.elapsed() < 300) {
            if (!posted) {
                posted = true;
                QTimer::singleShot(0, [&] {
                    posted = false;
                    ++batches;
                });
            }
            w().Text1.set_text(std::to_string(++n));
            w().Text1.refresh();
            QThread::msleep(1);
        }
        handler_ms = running.elapsed();
        inside = false;
    });

    widget<QPushButton>(w().Command12).click();
    EXPECT_TRUE(w().Frame3D1.visible());  // the nested click did nothing
    EXPECT_EQ(fires, 0);
    // Pending events were processed while it ran, but at most every ~30 ms.
    EXPECT_GE(batches, 2);
    EXPECT_LE(batches, handler_ms / 30 + 2);
    EXPECT_EQ(widget<QLineEdit>(w().Text1).text(), qstr(w().Text1.text()));

    // The timer that came due fires once the handler has returned.
    EXPECT_TRUE(pump_until([&] { return fires == 1; }));
    EXPECT_FALSE(fired_inside);
    EXPECT_FALSE(w().Timer1.armed());
}

TEST_F(QtUiTest, timers_wait_for_start_and_follow_their_interval) {
    int fires = 0;
    w().Timer1.set_handler([&] {
        if (++fires == 3) w().Timer1.set_interval(0);
    });
    QApplication::processEvents();
    QThread::msleep(20);
    QApplication::processEvents();
    EXPECT_EQ(fires, 0);

    ui->start_timers();
    EXPECT_TRUE(pump_until([&] { return fires == 3; }));
    // Stopped by its handler: no more.
    QThread::msleep(20);
    QApplication::processEvents();
    EXPECT_EQ(fires, 3);
}

TEST_F(QtUiTest, a_new_front_end_takes_over_when_the_first_goes_before_the_workbench) {
    consultas().add_line("antes");
    ui.reset();
    // Observers of the gone front end stay quiet (a sanitizer build checks
    // that they touch nothing).
    w().Text2.set_text("7");
    consultas().add_line("despues");
    consultas().refresh();
    bench->report_progress("x");
    w().Timer1.set_interval(5);

    ui = std::make_unique<qt::Ui>(*bench);
    EXPECT_EQ(widget<QLineEdit>(w().Text2).text(), "7");
    w().Text2.set_text("8");
    EXPECT_EQ(widget<QLineEdit>(w().Text2).text(), "8");
    ASSERT_NE(ui->window(consultas()), nullptr);
    EXPECT_EQ(list_view().model()->rowCount(), 2);
}

}  // namespace
}  // namespace vorn::testing
