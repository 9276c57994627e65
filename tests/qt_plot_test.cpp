// The plot's view: its context menu, the picture and table it saves, and
// the logarithmic scale an error curve starts on.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "qt/plot_view.h"
#include "shell/controls.h"
#include "shell/form.h"

namespace vorn::testing {
namespace {

// The rows of column x where the first line's colour is drawn.
std::vector<int> curve_rows(const QImage& image, int x, const QColor& colour) {
    std::vector<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        const QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                std::abs(c.blue() - colour.blue()) < 60) {
            rows.push_back(y);
        }
    }
    return rows;
}

// Pixels of the first line's colour anywhere in the picture.
long curve_pixels(const QImage& image, const QColor& colour) {
    long count = 0;
    for (int x = 0; x < image.width(); ++x) count += static_cast<long>(curve_rows(image, x, colour).size());
    return count;
}

class QtPlotTest : public ::testing::Test {
protected:
    QtPlotTest() {
        plot.observe([this](Change) { view.changed(); });
        view.resize(320, 220);
    }
    QImage shot() { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QAction* action(const char* name) { return view.findChild<QAction*>(name); }

    Form form{"f", "F", true};
    Plot plot{form, "Curva"};
    qt::PlotView view{plot};
};

TEST_F(QtPlotTest, the_menu_saves_the_picture_and_the_table_and_a_failure_is_told) {
    QStringList texts;
    for (QAction* a : view.actions()) {
        if (!a->isSeparator()) texts << a->text();
    }
    EXPECT_EQ(texts, (QStringList{"Escala logaritmica", "Guardar imagen\u2026", "Guardar datos\u2026"}));
    EXPECT_EQ(view.contextMenuPolicy(), Qt::ActionsContextMenu);
    ASSERT_NE(action("escalaLogaritmica"), nullptr);
    EXPECT_TRUE(action("escalaLogaritmica")->isCheckable());

    plot.set_title("Estudio 1: 2012-2015");
    plot.set_axis_titles("A\xC3\xB1o", "Valor de 1 peso");
    plot.set_line_names({"Regla", "Canasta"});
    plot.add_point(2011, 1, 0);
    plot.add_point(2012, 1.25, 0);
    plot.add_point(2012, 0.5, 1);
    plot.add_point(2013, 0.75, 1);
    plot.add_pass_mark(2012);

    QTemporaryDir dir;
    const QString png = dir.filePath("curva.png");
    EXPECT_EQ(view.save_image(png), QString());
    const QImage saved(png, "PNG");
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), view.size());
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), shot());

    const QString csv = dir.filePath("curva.csv");
    EXPECT_EQ(view.save_data(csv), QString());
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(),
              "A\xC3\xB1o;Regla;Canasta\r\n2011;1;\r\n2012;1.25;0.5\r\n2013;;0.75\r\n");

    // A folder that does not exist: nothing written, and the reader is told.
    const QString nowhere = dir.filePath("no/existe/curva.png");
    const QString problem = view.save_image(nowhere);
    EXPECT_TRUE(problem.startsWith("No se pudo guardar la imagen")) << problem.toStdString();
    EXPECT_TRUE(problem.contains("carpeta")) << problem.toStdString();
    EXPECT_TRUE(view.save_data(dir.filePath("no/existe/curva.csv")).startsWith("No se pudo guardar los datos"));
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(QtPlotTest, an_error_curve_starts_on_a_log_scale_the_menu_switches_it_and_values_below_zero_do_not_break_it) {
    EXPECT_FALSE(view.log_scale());
    // Five decades at even steps: a straight line on a logarithmic scale,
    // one that hugs the bottom on a linear one.
    plot.set_points({{1, 1}, {2, 0.1}, {3, 0.01}, {4, 0.001}, {5, 0.0001}});
    plot.set_error_curve(true);
    EXPECT_TRUE(view.log_scale());
    EXPECT_TRUE(action("escalaLogaritmica")->isChecked());
    const QColor colour = view.palette().color(QPalette::Highlight);
    const int middle = view.width() / 2 + 10;
    const QImage log = shot();
    std::vector<int> rows = curve_rows(log, middle, colour);
    ASSERT_FALSE(rows.empty());
    EXPECT_GT(rows.front(), view.height() * 3 / 10);
    EXPECT_LT(rows.back(), view.height() * 7 / 10);

    action("escalaLogaritmica")->trigger();
    EXPECT_FALSE(view.log_scale());
    const QImage linear = shot();
    EXPECT_NE(linear, log);
    rows = curve_rows(linear, middle, colour);
    ASSERT_FALSE(rows.empty());
    EXPECT_GT(rows.front(), view.height() * 7 / 10);
    // The reader's choice holds while the plot stays an error curve.
    plot.add_point(6, 0.00001);
    EXPECT_FALSE(view.log_scale());
    action("escalaLogaritmica")->trigger();
    EXPECT_TRUE(view.log_scale());

    // Zero, negative and missing values are left out on a log scale, the rest drawn.
    plot.set_points({{1, 1}, {2, 0}, {3, 0.01}, {4, -1}, {5, std::numeric_limits<double>::quiet_NaN()},
                     {6, 0.0001}});
    EXPECT_GT(curve_pixels(shot(), colour), 0);
    plot.set_points({{1, 0}, {2, -3}});
    EXPECT_EQ(curve_pixels(shot(), colour), 0);
    // The same points on a linear scale are drawn.
    view.set_log_scale(false);
    EXPECT_GT(curve_pixels(shot(), colour), 0);
}

}  // namespace
}  // namespace vorn::testing
