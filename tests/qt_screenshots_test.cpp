// Pictures of the windows at work, on a database made as the program makes
// one (with its sample data and its history): the main window on a
// 1024x768 screen, a training's curve, a GA run and a study's listing. Each
// is kept with the other screenshots for a person to look at.
#include <QComboBox>
#include <QImage>
#include <QImageReader>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QPushButton>
#include <set>

#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class QtScreenshotsTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator('.');
        OpenResult opened = open_workbench_database(dir.path() / "ga7.mdb");
        ASSERT_TRUE(opened.db && opened.created) << opened.error;
        db = std::move(opened.db);
        bench = std::make_unique<Workbench>(*db, platform, dir.path());
        ui = std::make_unique<qt::Ui>(*bench);
        // The start-up experiment fills the fields, as a person sees them.
        ui->start_timers();
        ASSERT_TRUE(pump_until([this] { return w().Timer1.interval() == 0 && !bench->busy(); }, 60000));
    }
    void TearDown() override {
        ui.reset();
        bench.reset();
        db.reset();
    }
    MainWindow& w() { return bench->main(); }
    ReportWindow& consultas() { return bench->reports().get(); }
    void press(Control& control) {
        auto* button = qobject_cast<QPushButton*>(ui->widget(control));
        ASSERT_NE(button, nullptr) << control.name();
        button->click();
    }
    // The GA window, opened by "GA" with the fields its start-up timer sets.
    ga::GaWindow& ga_window() {
        press(w().Command46);
        ga::GaWindow& window = bench->genetic_search().window();
        EXPECT_TRUE(pump_until([&] { return window.Timer1.interval() == 0; }));
        return window;
    }
    // Saves the whole window and reads the file back: a PNG of the window's
    // size, with more than one colour in it.
    void shoot(QMainWindow& window, const QString& file) {
        QApplication::processEvents();
        const QDir folder = screenshot_folder();
        ASSERT_TRUE(folder.mkpath("."));
        const QString path = folder.filePath(file);
        QFile::remove(path);
        ASSERT_TRUE(window.grab().save(path, "PNG")) << path.toStdString();
        QImageReader reader(path);
        EXPECT_EQ(reader.format(), "png") << path.toStdString();
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << path.toStdString();
        EXPECT_EQ(image.size(), window.size() * window.devicePixelRatio()) << path.toStdString();
        std::set<QRgb> colours;
        for (int y = 0; y < image.height() && colours.size() < 2; y += 3) {
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
        }
        EXPECT_GT(colours.size(), 1u) << "a blank picture: " << path.toStdString();
    }

    TempDir dir;
    ScriptedPlatform platform;
    std::unique_ptr<Database> db;
    std::unique_ptr<Workbench> bench;
    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtScreenshotsTest, main_window_training_ga_run_and_study_are_pictured) {
    QMainWindow& main = *ui->main_window();
    main.resize(QSize(1024, 768).expandedTo(main.minimumSizeHint()));
    shoot(main, "main-1024x768.png");

    // A training of the sample frames, its error per pass drawn beside the list.
    consultas().show();
    w().Text7.set_text("300");
    press(w().Command4);  // "E"
    EXPECT_GT(consultas().Curva.points().size(), 100u);
    QMainWindow& report = *ui->window(consultas());
    ASSERT_TRUE(report.isVisible());
    report.resize(900, 480);
    shoot(report, "training.png");

    // A small run of the classic search on "Strat".
    ga::GaWindow& search = ga_window();
    search.Text3.set_text("10");
    search.Text4.set_text("40");
    search.Text5.set_text("1");
    search.Combo1.set_text("Strat");
    press(search.GroupPush3D1);
    EXPECT_FALSE(search.Curva.points().empty());
    EXPECT_FALSE(search.Text9.text().empty());
    QMainWindow& ga = *ui->window(search);
    ga.resize(QSize(900, 700).expandedTo(ga.minimumSizeHint()));
    shoot(ga, "gabpn.png");

    // A walk-forward study with Torneo: its listing in Consultas.
    search.ComboMetodo.set_text("Torneo");
    search.Text3.set_text("10");
    search.TextGeneraciones.set_text("5");
    search.TextAzar.set_text("100");
    press(search.CommandEstudio);
    ASSERT_GT(consultas().List1.lines().size(), 8u) << platform.texts().back();
    ASSERT_TRUE(report.isVisible());
    report.resize(1000, 560);
    shoot(report, "study.png");
}

}  // namespace
}  // namespace vorn::testing
