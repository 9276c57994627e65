// A long training in the Qt front end: what the user sees of it (progress
// panel, live curve) and the only inputs it takes (a stop; "Salir" and the
// window's close, which stop it and then end the program).
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <algorithm>

#include "qt/plot_view.h"
#include "qt/progress_panel.h"
#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/file_bytes.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class QtRunTest : public WorkbenchTest {
protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        // Three frames, two hidden units, and an error bound no pass reaches.
        add_long_training_set();
        start();
    }
    // Starts the program (again) from the same weights.
    void start() {
        ui.reset();
        bench = std::make_unique<Workbench>(*db, platform, dir.path());
        ui = std::make_unique<qt::Ui>(*bench);
        platform.messages.clear();
        platform.ended.reset();
        acted = false;
        reset_long_training_weights();
        w().Text4.set_text("2");
        w().Text6.set_text("-1");
        w().Text7.set_text("10000000");
        w().Text8.set_text("0.5");
    }
    void TearDown() override { ui.reset(); WorkbenchTest::TearDown(); }
    QMainWindow& main() { return *ui->main_window(); }
    template <class W>
    static W& found(W* widget) {
        if (widget == nullptr) throw std::runtime_error("no such widget");
        return *widget;
    }
    template <class W>
    W& widget(const Control& control) { return found(qobject_cast<W*>(ui->widget(control))); }
    template <class W>
    W& in_panel(const char* name) { return found(ui->progress_panel()->findChild<W*>(name)); }
    // Presses "E" as a person does; `during` runs from inside the run (at one of its repaint points) after 200 passes.
    void train_while(const std::function<void()>& during) {
        bench->on_progress([this, during](const Progress& p) {
            if (p.done == 200 && !acted) {
                acted = true;
                during();
            }
        });
        QTest::mouseClick(&widget<QPushButton>(w().Command4), Qt::LeftButton);
    }
    // The pass at which the run said it stopped, checked against the passes test.csv holds; 0 if it did not stop.
    long long stopped_at() {
        const std::string prefix = "Entrenamiento detenido en la pasada ";
        for (const std::string& text : platform.texts()) {
            if (text.rfind(prefix, 0) != 0) continue;
            const long long pass = std::stoll(text.substr(prefix.size()));
            EXPECT_EQ(std::ranges::count(read_bytes(dir.path() / "test.csv"), '\n'), pass);
            return pass;
        }
        return 0;
    }

    std::unique_ptr<qt::Ui> ui;
    bool acted = false;
};

TEST_F(QtRunTest, detener_stops_the_run_at_once_and_every_other_input_is_dropped_not_deferred) {
    consultas().show();
    QString pending;
    std::string text2;
    train_while([&] {
        // Other buttons, typing, a menu's shortcut: all dropped.
        text2 = w().Text2.text();
        QTest::mouseClick(&widget<QPushButton>(w().Command37), Qt::LeftButton);
        QTest::keyClicks(&widget<QLineEdit>(w().Text2), "77");
        QTest::keyClick(&main(), Qt::Key_R, Qt::AltModifier);
        QTest::mouseClick(&widget<QPushButton>(w().CommandDetener), Qt::LeftButton);
        // The status bar says so before the pass ends.
        auto& note = in_panel<QLabel>("progresoDetener");
        if (note.isVisible()) pending = note.text();
    });
    ASSERT_TRUE(acted);
    const long long pass = stopped_at();
    EXPECT_GE(pass, 200);
    EXPECT_EQ(pending.toStdString(), "Deteniendo al final de la pasada...");

    // Nothing dropped happens now that the run is over.
    pump_until([] { return false; }, 100);
    EXPECT_TRUE(w().Frame3D1.visible());
    EXPECT_EQ(w().Text2.text(), text2);
    EXPECT_GE(ui->dropped_inputs(), 4);
    EXPECT_FALSE(platform.ended.has_value());
    EXPECT_FALSE(in_panel<QLabel>("progresoDetener").isVisible());

    // The panel shows the last pass, out of the passes the limit allows, and the time taken.
    EXPECT_EQ(in_panel<QLabel>("progresoTexto").text().toStdString().rfind("Pasada " + std::to_string(pass) + " - error medio", 0), 0u);
    EXPECT_EQ(in_panel<QProgressBar>("progresoBarra").text(), QString("%1 / 10000001").arg(pass));
    EXPECT_TRUE(in_panel<QLabel>("progresoTiempo").text().startsWith("0:00:"));
    // A temporary message, as a menu's status tip, does not hide it.
    main().statusBar()->showMessage("Ejecutar");
    EXPECT_TRUE(ui->progress_panel()->isVisible());
    main().statusBar()->clearMessage();
    expect_drawn(main(), "vorn2-progreso.png");

    // The curve beside the list was drawn, and keeps the run.
    auto* curve = ui->window(consultas())->findChild<qt::PlotView*>("Curva");
    ASSERT_NE(curve, nullptr);
    EXPECT_TRUE(pump_until([&] { return curve->paints() > 0; }));
    EXPECT_EQ(consultas().Curva.points().back().x, static_cast<double>(pass));
    expect_drawn(*ui->window(consultas()), "consultas-curva.png");

    // After the run the buttons work again, and Escape with no run does nothing.
    QTest::keyClick(&main(), Qt::Key_Escape);
    QTest::mouseClick(&widget<QPushButton>(w().Command37), Qt::LeftButton);
    EXPECT_FALSE(w().Frame3D1.visible());
}

TEST_F(QtRunTest, escape_salir_and_the_close_stop_the_run_and_only_the_last_two_end_the_program) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Escape", [this] { QTest::keyClick(&widget<QLineEdit>(w().Text5), Qt::Key_Escape); }},
        {"Salir", [this] { QTest::mouseClick(&widget<QPushButton>(w().Command5), Qt::LeftButton); }},
        {"menu Salir", [this] { main().findChild<QAction*>("salida")->trigger(); }},
        {"close", [this] { EXPECT_FALSE(main().close()); }},
    };
    for (const auto& [name, press] : ways) {
        SCOPED_TRACE(name);
        const bool ends = std::string(name) != "Escape";
        start();
        QString pending;
        train_while([&] {
            press();
            pending = in_panel<QLabel>("progresoDetener").text();
        });
        EXPECT_GE(stopped_at(), 200);
        EXPECT_EQ(pending.contains("para salir"), ends) << pending.toStdString();
        EXPECT_EQ(platform.ended.has_value(), ends);
        EXPECT_EQ(bench->exit_code().has_value(), ends);
    }
}

}  // namespace
}  // namespace vorn::testing
