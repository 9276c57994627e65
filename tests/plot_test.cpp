// What a plot tells its reader besides its points: the table it saves, and
// the titles, scale and pass marks each drawing site gives it (a training,
// an experiment live and from the log, a GA run of two passes).
#include <cmath>
#include <limits>
#include <memory>
#include <set>

#include "drivers/experiments.h"
#include "experiments_fixture.h"

namespace vorn::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(PlotTest, the_table_has_a_row_per_x_a_column_per_line_and_an_empty_cell_where_a_line_has_no_value) {
    Form form("f", "F", true);
    Plot plot(form, "Curva");
    int notified = 0;
    plot.observe([&notified](Change) { ++notified; });

    plot.set_axis_titles("Generacion", "Fitness");
    plot.set_line_names({"Mejor", "a;b"});
    plot.add_point(3, 0.5, 0);
    plot.add_point(1, 2, 0);
    plot.add_point(2, 1e-5, 1);
    plot.add_point(3, kNaN, 1);
    plot.add_point(1.5, 1.0 / 3, 1);
    plot.add_point(3, 7, 0);  // a second point at x = 3 gets a row of its own
    EXPECT_EQ(plot.csv_text(),
              "Generacion;Mejor;\"a;b\"\r\n"
              "1;2;\r\n"
              "1.5;;0.3333333333333333\r\n"
              "2;;1e-05\r\n"
              "3;0.5;\r\n"
              "3;7;\r\n");
    EXPECT_EQ(std::stod("0.3333333333333333"), 1.0 / 3);

    // Titles and marks change what the reader sees, not what a script reads.
    const std::string printed = plot.text();
    notified = 0;
    plot.set_title("Busqueda");
    plot.set_title("Busqueda");
    plot.add_pass_mark(2);
    plot.set_error_curve(true);
    plot.set_error_curve(true);
    EXPECT_EQ(notified, 3);
    EXPECT_EQ(plot.text(), printed);

    // Clearing drops the points and the marks; the titles stay for the next
    // drawing to replace.
    plot.clear();
    EXPECT_TRUE(plot.pass_marks().empty());
    EXPECT_EQ(plot.lines().size(), 1U);
    EXPECT_EQ(plot.title(), "Busqueda");
    EXPECT_TRUE(plot.error_curve());

    // Lines without a name are headed by the y axis's title.
    plot.set_line_names({});
    plot.set_axis_titles("Pasada", "Error medio");
    plot.set_points({{1, 0.25}});
    EXPECT_EQ(plot.csv_text(), "Pasada;Error medio\r\n1;0.25\r\n");
    plot.add_point(4, 8, 1);
    EXPECT_EQ(plot.csv_text(), "Pasada;Error medio 1;Error medio 2\r\n1;0.25;\r\n4;;8\r\n");
}

class PlotDrawingTest : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        two_stocks_on_set1();
    }
    void expect_error_curve(const Plot& plot) {
        EXPECT_EQ(plot.x_title(), "Pasada");
        EXPECT_EQ(plot.y_title(), "Error medio");
        EXPECT_TRUE(plot.error_curve());
        EXPECT_TRUE(plot.line_names().empty());
    }
};

TEST_F(PlotDrawingTest, an_experiments_curve_is_named_live_then_by_its_log_line_and_a_training_by_itself) {
    Plot& curve = consultas().Curva;
    // The titles the curve bore while it had points.
    auto seen = std::make_shared<std::set<std::string>>();
    curve.observe([seen, &curve](Change) {
        if (!curve.points().empty()) seen->insert(curve.title());
    });
    drawn.draws = {0.0, op_draw(16)};
    ASSERT_TRUE(bench->experiments().experimento_codificado("000000000000"));
    const QueryResult logged = rows("SELECT numero FROM PasadasBPN");
    ASSERT_EQ(logged.rows.size(), 1U);
    const std::string title = "Experimento " + format_int(static_cast<long long>(as_number(logged.rows[0][0]))) + ": 1=1";
    EXPECT_EQ(curve.title(), title);
    EXPECT_EQ(*seen, (std::set<std::string>{"Experimento en curso", title}));
    expect_error_curve(curve);

    // "E" trains on its own.
    click(w().Command4);
    ASSERT_FALSE(curve.points().empty());
    EXPECT_EQ(curve.title(), "Entrenamiento de la red");
    expect_error_curve(curve);

    // From the log: the line's experiment, and a line whose curve was never kept.
    db->execute("INSERT INTO PasadasBPN VALUES (77, '2=2', 0.025, 0.9, 50, 0.5)");
    curve.set_error_curve(false);
    click(w().Command42);
    const auto& lines = consultas().List1.lines();
    ASSERT_EQ(lines.size(), 2U);
    const int experiment = lines[0].rfind(" 77-", 0) == 0 ? 1 : 0;
    consultas().List1.activate(experiment);
    EXPECT_EQ(curve.title(), title);
    expect_error_curve(curve);
    consultas().List1.activate(1 - experiment);
    EXPECT_TRUE(curve.points().empty());
    EXPECT_EQ(curve.title(), "Experimento 77: 2=2");

    // A stopped experiment says its curve was not kept.
    w().Text7.set_text("1000000000");
    w().Text6.set_text("0.0000000001");
    drawn.draws = {0.0, op_draw(16)};
    drawn.polls = 0;
    drawn.stop_at_poll = 33;
    bench->run([&] { EXPECT_FALSE(bench->experiments().experimento_codificado("000000000000")); });
    EXPECT_FALSE(curve.points().empty());
    EXPECT_EQ(curve.title(), "Experimento detenido: no se guardo");
}

using GaPlotTest = GaFixture;

TEST_F(GaPlotTest, a_run_of_two_passes_draws_one_curve_across_them_with_each_pass_marked) {
    ga::GaWindow& w = open();
    w.ComboMetodo.set_text("Torneo");
    w.TextGeneraciones.set_text("5");
    start(w, "Max", "4", "8", "2");
    const Plot& curve = w.Curva;
    EXPECT_EQ(curve.title(), "Busqueda Torneo Max: pasadas 1 a 2");
    EXPECT_EQ(curve.x_title(), "Generacion");
    EXPECT_EQ(curve.y_title(), "Fitness");
    EXPECT_EQ(curve.line_names(), (std::vector<std::string>{"Mejor", "Media"}));
    EXPECT_FALSE(curve.error_curve());
    EXPECT_EQ(curve.pass_marks(), (std::vector<double>{1, 6}));
    ASSERT_EQ(curve.lines().size(), 2U);
    for (const auto& line : curve.lines()) {
        ASSERT_EQ(line.size(), 10U);
        for (size_t g = 0; g < line.size(); ++g) EXPECT_EQ(line[g].x, static_cast<double>(g + 1));
    }
    // The second pass's bests are what sumas keeps of the last pass.
    const QueryResult sumas = rows("SELECT sumafit FROM sumas ORDER BY rowid");
    ASSERT_EQ(sumas.rows.size(), 5U);
    for (size_t g = 0; g < 5; ++g) EXPECT_EQ(curve.lines()[0][5 + g].y, as_number(sumas.rows[g][0])) << g;
    EXPECT_EQ(curve.line_text(0).rfind("1;", 0), 0U);
    EXPECT_NE(curve.line_text(0).find(" 10;"), std::string::npos);

    // A classic run after it starts a curve of its own, one line.
    w.ComboMetodo.set_text("Clasico");
    start(w, "Max", "4", "8", "2");
    EXPECT_EQ(curve.title(), "Busqueda Clasico Max: pasadas 1 a 2");
    EXPECT_TRUE(curve.line_names().empty());
    ASSERT_EQ(curve.lines().size(), 1U);
    ASSERT_EQ(curve.pass_marks().size(), 2U);
    EXPECT_EQ(curve.pass_marks()[0], 1);
    const auto& points = curve.points();
    for (size_t g = 0; g < points.size(); ++g) EXPECT_EQ(points[g].x, static_cast<double>(g + 1));
    // The last pass runs from its mark to the end, as many generations as sumas has.
    EXPECT_EQ(static_cast<long>(points.size()) - static_cast<long>(curve.pass_marks()[1]) + 1, count("sumas"));
}

}  // namespace
}  // namespace vorn::testing
