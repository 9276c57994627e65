// The windows on a small screen: each can be made small enough for
// 1024x768, a first start shares the screen out without covering a curve
// or "Detener", and a place kept on a larger screen comes back onto this one.
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>

#include "ga_fixture.h"
#include "qt/ui.h"
#include "qt_dialogs.h"

namespace vorn::testing {
namespace {

class QtScreenTest : public GaFixture {
protected:
    void SetUp() override {
        GaFixture::SetUp();
        QSettings().clear();
        start();
    }
    void TearDown() override {
        ui.reset();
        QSettings().clear();
        GaFixture::TearDown();
    }
    void start() {
        ui.reset();
        ui = std::make_unique<qt::Ui>(*bench);
        qobject_cast<QPushButton*>(ui->widget(bench->main().Command46))->click();  // "GA"
        bench->reports().get().show();
        QApplication::processEvents();
    }
    std::vector<QMainWindow*> windows() {
        return {ui->main_window(), ui->window(search().window()), ui->window(bench->reports().get())};
    }
    static QRect global(QWidget& widget) { return {widget.mapToGlobal(QPoint(0, 0)), widget.size()}; }
    // What the window shows of its contents.
    static QRect in_view(QMainWindow& window) {
        auto* scroll = qobject_cast<QScrollArea*>(window.centralWidget());
        if (scroll == nullptr) throw std::runtime_error("contents that cannot scroll");
        return global(*scroll->viewport());
    }
    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtScreenTest, every_window_fits_a_small_screen_and_a_first_start_covers_no_curve_nor_detener) {
    // What a window manager leaves of 1024x768, less a frame.
    const QSize small(1024 - 8, 728 - 34);
    for (QMainWindow* window : windows()) {
        const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
        EXPECT_TRUE(least.width() <= small.width() && least.height() <= small.height())
            << window->objectName().toStdString() << " " << least.width() << "x" << least.height();
        window->resize(small);
        EXPECT_EQ(window->size(), small) << window->objectName().toStdString();
    }

    ui.reset();  // a first start again, with nothing kept
    QSettings().clear();
    start();
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    std::vector<std::pair<QMainWindow*, QWidget*>> kept_in_sight = {
        {ui->main_window(), ui->widget(bench->main().CommandDetener)},
        {ui->window(search().window()), ui->widget(search().window().Curva)},
        {ui->window(bench->reports().get()), ui->widget(bench->reports().get().Curva)}};
    for (auto [owner, shown] : kept_in_sight) {
        ASSERT_NE(shown, nullptr);
        const std::string name = shown->objectName().toStdString();
        const QRect f = owner->frameGeometry(), seen = in_view(*owner) & global(*shown);
        EXPECT_TRUE(free.contains(f)) << name;
        // Within its own window's view, not scrolled away...
        EXPECT_FALSE(seen.isEmpty()) << name;
        EXPECT_FALSE(shown->visibleRegion().isEmpty()) << name;
        // ...and what shows of it under no other window.
        for (QMainWindow* other : windows()) {
            if (other == owner) continue;
            EXPECT_FALSE(other->frameGeometry().intersects(seen)) << name << " under " << other->objectName().toStdString();
        }
    }
    EXPECT_TRUE(in_view(*ui->main_window()).contains(global(*ui->widget(bench->main().CommandDetener))));
}

TEST_F(QtScreenTest, a_place_kept_on_a_larger_screen_comes_back_whole_onto_this_one) {
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    QMainWindow* report = ui->window(bench->reports().get());
    report->setGeometry(free.right() - 100, free.bottom() - 80, free.width() + 300, 500);
    bench->reports().get().hide();  // its place is kept as it is closed
    start();
    report = ui->window(bench->reports().get());
    EXPECT_TRUE(free.contains(report->frameGeometry()))
        << report->frameGeometry().width() << "x" << report->frameGeometry().height() << " at " << report->frameGeometry().y();
    // A place that fits stays where it was.
    report->setGeometry(free.left() + 40, free.top() + 50, 300, 200);
    const QRect fitting = report->geometry();
    bench->reports().get().hide();
    start();
    EXPECT_EQ(ui->window(bench->reports().get())->geometry(), fitting);
}

}  // namespace
}  // namespace vorn::testing
