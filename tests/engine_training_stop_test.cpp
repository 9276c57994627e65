// Training "E" stopped by the user, its progress and its error curve, and
// its parameter fields typed the Spanish way.
#include <gtest/gtest.h>

#include <fstream>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class TrainingStop : public WorkbenchTest {
protected:
    // Three frames of two inputs and two hidden units that never reach the
    // bound, from fixed weights.
    void SetUp() override {
        WorkbenchTest::SetUp();
        add_long_training_set();
        w().Text2.set_text("2");
        w().Text3.set_text("3");
        w().Text4.set_text("2");
        w().Text6.set_text("0.0000001");
        w().Text8.set_text("0.5");
    }
    std::vector<double> stored_weights() {
        std::vector<double> weights;
        for (const auto& row : rows("SELECT valor FROM BPNPESOS ORDER BY capa, fila, columna").rows) {
            weights.push_back(as_number(row[0]));
        }
        return weights;
    }
    // The mean error of each pass from 1 as test.csv keeps it (15 digits); the
    // working array keeps only the first passes.
    std::vector<double> history_values() {
        std::ifstream in(dir.path() / "test.csv", std::ios::binary);
        std::vector<double> values{0};
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            EXPECT_TRUE(parse_number_strict(line, values.emplace_back())) << line;
        }
        return values;
    }
    size_t history_lines() { return history_values().size() - 1; }
    // Runs "E" with this pass limit; the messages shown are its own.
    void train(const char* limit) {
        w().Text7.set_text(limit);
        platform.messages.clear();
        platform.stop_polls = 0;
        click(w().Command4);
    }
};

TEST_F(TrainingStop, a_stop_ends_the_run_after_its_pass_as_the_limit_would_and_says_where) {
    w().Text9.set_text("SI");
    std::vector<Progress> progress;
    bench->on_progress([&](const Progress& p) { progress.push_back(p); });
    platform.stop_at_poll = 7;
    train("100000");
    // Polled once a pass, the request ends the run after pass 7, with no word of the pass limit.
    EXPECT_EQ(platform.stop_polls, 7);
    const std::string report = "Habia :  6 Pesos\rDe los cuales quedaron: 0\rAl final Quedan: 6";
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{report, "Entrenamiento detenido en la pasada 7"}));
    EXPECT_EQ(history_lines(), 7u);
    ASSERT_EQ(consultas().List1.lines().size(), 3u);
    EXPECT_EQ(consultas().List1.lines()[0].rfind("00: 7\t", 0), 0u);
    ASSERT_EQ(progress.size(), 7u);  // one report a pass
    EXPECT_EQ(progress.back().done, 7);
    const std::vector<double> stopped = stored_weights();

    // The same seven passes under a limit that allows only them store the same weights.
    reset_long_training_weights();
    platform.stop_at_poll.reset();
    train("6");
    EXPECT_EQ(stored_weights(), stopped);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"Las pasadas exceden el Maxinput", report}));

    // A request made during the last pass the limit allows changes nothing.
    reset_long_training_weights();
    platform.stop_at_poll = 2;
    train("1");  // passes 1 and 2
    EXPECT_EQ(platform.stop_polls, 1);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"Las pasadas exceden el Maxinput", report}));
    EXPECT_EQ(history_lines(), 2u);
}

TEST_F(TrainingStop, a_request_belongs_to_the_handler_that_runs_when_it_is_made) {
    // Asked for while nothing ran: the next run does not see it.
    platform.request_stop();
    train("4");
    EXPECT_EQ(history_lines(), 5u);
    EXPECT_FALSE(platform.stop_requested());

    // Asked for inside a handler that then trains: it stops after its first pass; the request ends with the handler.
    w().Command12.set_handler([&] {
        platform.request_stop();
        w().Command4.run();
    });
    platform.messages.clear();
    click(w().Command12);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"Entrenamiento detenido en la pasada 1"});
    EXPECT_EQ(history_lines(), 1u);
    EXPECT_FALSE(platform.stop_requested());

    // A caller whose own loop honours the stop trains to the end.
    w().Command12.set_handler([&] {
        platform.request_stop();
        bench->network().entrenar(engine::TrainingStop::Never);
    });
    platform.messages.clear();
    click(w().Command12);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(history_lines(), 5u);
}

TEST_F(TrainingStop, the_error_curve_is_thinned_evenly_and_ends_on_the_last_pass) {
    train("2");
    const Plot& curve = consultas().Curva;
    ASSERT_EQ(curve.points().size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(std::pair(curve.points()[k].x, curve.points()[k].y),
                  std::pair(k + 1.0, bench->network().historial_error()[k + 1]));
    }

    train("4998");  // 4999 passes: not a multiple of any stride
    const std::vector<double> history = history_values();
    ASSERT_EQ(history.size(), 5000u);
    const auto& points = curve.points();
    ASSERT_GE(points.size(), 500u);
    ASSERT_LE(points.size(), 1001u);
    EXPECT_EQ(points.front().x, 1);
    EXPECT_EQ(points.back().x, 4999);
    const double step = points[1].x - points[0].x;
    EXPECT_GT(step, 1);
    for (size_t k = 1; k < points.size(); ++k) {
        const double gap = points[k].x - points[k - 1].x;
        ASSERT_TRUE(k + 1 < points.size() ? gap == step : gap <= step) << k;
        ASSERT_NEAR(points[k].y, history[static_cast<size_t>(points[k].x)], 1e-13 * std::abs(points[k].y)) << k;
    }
    // The error falls along it, and it stays after the run.
    EXPECT_LT(points.back().y, points.front().y);
}

TEST_F(TrainingStop, parameter_fields_typed_with_a_decimal_comma_read_the_same_in_either_locale) {
    for (char separator : {'.', ','}) {
        SCOPED_TRACE(separator);
        set_decimal_separator(separator);
        std::vector<std::vector<double>> weights;
        for (const char* eta : {"0.3", "0,3"}) {
            reset_long_training_weights();
            w().Text6.set_text(eta[1] == ',' ? "0,0000001" : "0.0000001");
            w().Text8.set_text(eta);
            train("30");
            // Neither field was read as 0 and replaced by its default.
            EXPECT_TRUE(platform.messages.empty()) << platform.texts().at(0);
            EXPECT_EQ(w().Text8.text(), eta);
            weights.push_back(stored_weights());
        }
        EXPECT_EQ(weights[0], weights[1]);
        EXPECT_EQ(history_lines(), 31u);
    }
}

}  // namespace
}  // namespace vorn::testing
