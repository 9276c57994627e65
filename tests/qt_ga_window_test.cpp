// GABPN in the Qt front end: opened by "GA", laid out with every control,
// and a run that keeps painting while it holds the thread.
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>

#include "ga_fixture.h"
#include "qt/ui.h"
#include "qt_dialogs.h"

namespace vorn::testing {
namespace {

class QtGaWindowTest : public GaFixture {
protected:
    void SetUp() override {
        GaFixture::SetUp();
        ui = std::make_unique<qt::Ui>(*bench);
        ui->start_timers();
    }
    void TearDown() override { ui.reset(); GaFixture::TearDown(); }
    QString shown(const Control& control) { return qobject_cast<QLineEdit*>(ui->widget(control))->text(); }
    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtGaWindowTest, ga_shows_the_window_and_a_run_keeps_painting) {
    qobject_cast<QPushButton*>(ui->widget(bench->main().Command46))->click();
    ga::GaWindow& w = search().window();
    QMainWindow* window = ui->window(w);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    ASSERT_TRUE(pump_until([&] { return w.Timer1.interval() == 0; }));
    EXPECT_EQ(shown(w.Text3), "10");
    for (Control* control : w.controls()) {
        if (dynamic_cast<MenuItem*>(control) || dynamic_cast<Timer*>(control) || dynamic_cast<Plot*>(control)) continue;
        EXPECT_NE(window->findChild<QWidget*>(QString::fromStdString(control->name())), nullptr) << control->name();
    }

    // A slow strategy that posts an event now and then: the run lets it through.
    int delivered_while_running = 0;
    bool waiting = false, running = true;
    search().add_strategy({"Pulso", [&](const std::string& bits) {
                               if (!waiting) {
                                   waiting = true;
                                   QMetaObject::invokeMethod(
                                       ui->main_window(), [&] { waiting = false, delivered_while_running += running; },
                                       Qt::QueuedConnection);
                               }
                               QThread::usleep(300);
                               return ga::valorbinario(bits);
                           },
                           {}, {}});
    w.Combo1.set_text("Pulso");
    w.Text4.set_text("12");
    w.Text5.set_text("3");
    w.Text1.set_text("NO");
    qobject_cast<QPushButton*>(ui->widget(w.GroupPush3D1))->click();
    running = false;
    EXPECT_GE(delivered_while_running, 2);
    auto* progress = ui->main_window()->statusBar()->findChild<QLabel*>("progresoTexto");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->text().startsWith("Pasada 3")) << progress->text().toStdString();
    EXPECT_FALSE(ui->window(bench->reports().get())->isVisible());
    EXPECT_GT(count("converge"), 0);
    EXPECT_EQ(shown(w.Text9).toStdString(), w.Text9.text());
    expect_drawn(*window, "gabpn-pulso.png");
}

}  // namespace
}  // namespace vorn::testing
