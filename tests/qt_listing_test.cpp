// Consultas' list as a listing: a fixed-width font, tabs expanded to stops
// eight characters apart, no line cut short, and column titles above the
// list that stay lined up with its lines as it scrolls sideways.
#include <QFontMetrics>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>
#include <set>

#include "qt/lines_model.h"
#include "qt/ui.h"
#include "qt_dialogs.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

// Whether every column of `a` has one of `b` at most a pixel away.
bool within_a_pixel(const std::set<int>& a, const std::set<int>& b) {
    return std::ranges::all_of(a, [&b](int x) { return b.count(x - 1) + b.count(x) + b.count(x + 1) > 0; });
}

class QtListingTest : public WorkbenchTest {
protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        ui = std::make_unique<qt::Ui>(*bench);
    }
    void TearDown() override {
        ui.reset();
        WorkbenchTest::TearDown();
    }
    QMainWindow& window() { return *ui->window(consultas()); }
    QListView& list() { return *qobject_cast<QListView*>(ui->widget(consultas().List1)); }
    QLabel& heading() { return *qobject_cast<QLabel*>(ui->widget(consultas().LabelEncabezado)); }
    int row_width(int row) { return list().visualRect(list().model()->index(row, 0)).width(); }
    int text_width(int row) {
        return QFontMetrics(list().font()).horizontalAdvance(list().model()->index(row, 0).data().toString());
    }
    // The window's x of each pixel column of `area` (in `widget`) that shows
    // text, within what the list's viewport shows.
    std::set<int> inked(QWidget& widget, const QRect& area) {
        const QImage shot = window().grab().toImage();
        const QWidget& viewport = *list().viewport();
        const int left = viewport.mapTo(&window(), QPoint(0, 0)).x();
        const int right = left + viewport.width();
        const QPoint origin = widget.mapTo(&window(), area.topLeft());
        std::set<int> columns;
        for (int x = std::max(origin.x(), left); x < std::min(origin.x() + area.width(), right); ++x) {
            for (int y = origin.y(); y < origin.y() + area.height(); ++y) {
                if (qGray(shot.pixel(x, y)) < 80) {
                    columns.insert(x);
                    break;
                }
            }
        }
        return columns;
    }
    std::set<int> inked_heading() { return inked(heading(), heading().rect()); }
    std::set<int> inked_row(int row) {
        return inked(*list().viewport(), list().visualRect(list().model()->index(row, 0)));
    }

    std::unique_ptr<qt::Ui> ui;
};

TEST_F(QtListingTest, lines_show_in_a_fixed_font_with_tabs_every_eight_columns_and_are_never_cut_short) {
    ReportWindow& report = consultas();
    for (const char* line : {"ab\tc", "abcdefgh\tx\t\ty", "a\xC3\xB1o\t1", "Validar\t 2018:  12.5 %\t 2019:  -3 %"})
        report.add_line(line);
    report.show();
    window().resize(500, 360);
    QApplication::processEvents();
    QAbstractItemModel& model = *list().model();
    const QFontMetrics metrics(list().font());
    EXPECT_EQ(metrics.horizontalAdvance("iiiiiiii"), metrics.horizontalAdvance("MMMMMMMM"));
    EXPECT_EQ(model.index(0, 0).data().toString(), "ab      c");
    EXPECT_EQ(model.index(1, 0).data().toString(), "abcdefgh        x               y");
    EXPECT_EQ(model.index(2, 0).data().toString(), QString::fromUtf8("a\xC3\xB1o     1"));

    // Every row is as wide as the widest line, and the list scrolls sideways over all of it,
    // also when a wider line comes later.
    for (const int extra : {0, 400}) {
        report.add_line("Estudio " + std::string(static_cast<size_t>(100 + extra), '=') + " fin");
        report.add_line("fin");
        report.refresh();
        QApplication::processEvents();
        const int widest = model.rowCount() - 2;
        ASSERT_GT(text_width(widest), list().viewport()->width());
        for (int row = 0; row < model.rowCount(); ++row) EXPECT_GE(row_width(row), text_width(widest)) << extra << " " << row;
        EXPECT_GE(list().horizontalScrollBar()->maximum() + list().viewport()->width(), text_width(widest));
    }
    EXPECT_EQ(list().textElideMode(), Qt::ElideNone);

    // A clear and a short refill leave nothing to scroll.
    report.clear();
    report.add_line("corta");
    report.refresh();
    QApplication::processEvents();
    EXPECT_EQ(list().horizontalScrollBar()->maximum(), 0);
}

TEST_F(QtListingTest, bd4_titles_its_columns_above_the_list_lined_up_with_its_lines_as_they_scroll) {
    db->execute("INSERT INTO PasadasBPN VALUES (1234, '" + std::string(50, 'x') +
                "', 0.025, 0.123456, 50, 0.5), (99, '2=1', 0.025, 0.0001, 50, 0.5)");
    refresh_all();
    EXPECT_TRUE(heading().isHidden());
    qobject_cast<QPushButton*>(ui->widget(w().Command42))->click();
    window().resize(560, 360);
    QApplication::processEvents();
    ASSERT_TRUE(window().isVisible());
    EXPECT_FALSE(heading().isHidden());
    EXPECT_EQ(heading().text(), qt::expand_tabs(consultas().LabelEncabezado.caption()));
    EXPECT_EQ(heading().font(), list().font());
    // Above the list, and not one of its lines: line 1 is the experiment with the smallest error.
    EXPECT_LE(heading().mapTo(&window(), QPoint(0, heading().height())).y(), list().mapTo(&window(), QPoint(0, 0)).y());
    ASSERT_EQ(list().model()->rowCount(), 2);
    EXPECT_TRUE(list().model()->index(0, 0).data().toString().startsWith(" 99-"));
    expect_drawn(window(), "consultas-bd4.png");

    // Titles with a line's own text cover it exactly, pixel column for pixel column,
    // before and after the list is scrolled sideways.
    consultas().set_heading(consultas().List1.lines()[1]);
    QApplication::processEvents();
    QScrollBar& sideways = *list().horizontalScrollBar();
    ASSERT_GT(sideways.maximum(), 40);
    for (const int scrolled : {0, 37, sideways.maximum()}) {
        sideways.setValue(scrolled);
        QApplication::processEvents();
        const std::set<int> titles = inked_heading();
        EXPECT_GT(titles.size(), 20u) << scrolled;
        const std::set<int> line = inked_row(1);
        // Edges drawn over the window's grey and the list's white may differ by a pixel.
        EXPECT_TRUE(within_a_pixel(titles, line) && within_a_pixel(line, titles)) << scrolled;
        EXPECT_LE(std::abs(*titles.begin() - *line.begin()), 1) << scrolled;
    }

    // Another listing has no titles, and they take no room.
    qobject_cast<QPushButton*>(ui->widget(w().Command2))->click();
    QApplication::processEvents();
    EXPECT_TRUE(heading().isHidden());
}

}  // namespace
}  // namespace vorn::testing
