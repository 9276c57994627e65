// Training "E": an independent reference run, stop conditions, defaults, and mended faults.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

// The reference figures come from this Python script, not from the code under test:
//   import math
//   sig = lambda x: 0.0 if x <= -20 else 1.0 if x >= 20 else 1 / (1 + math.exp(-x))
//   cut = lambda x: ("-" if x < 0 else " ") + (("%.4f" % abs(math.floor(x * 1e4) / 1e4)).strip("0").rstrip(".") or "0")
//   X, T = [None, [0, 1.0, 0.0], [0, 0.0, 1.0], [0, 1.0, 1.0]], [None, 0.9, 0.1, 0.5]
//   W, V, eta, umbral, history = [None, [0, 0.1, 0.2], [0, 0.3, 0.4]], [0, 0.5, -0.25], 0.7, 0.08, []
//   while len(history) <= 2000 and (not history or history[-1] >= umbral):
//       acc, lines = 0.0, []
//       for n in (1, 2, 3):
//           h = [0] + [sig(X[n][1] * W[1][j] + X[n][2] * W[2][j]) for j in (1, 2)]
//           o = sig(V[1] * h[1] + V[2] * h[2]); e = T[n] - o; d = e * o * (1 - o); acc += abs(e)
//           delta = [0] + [h[j] * (1 - h[j]) * V[j] * d for j in (1, 2)]
//           V = [0] + [V[j] + eta * d * h[j] for j in (1, 2)]
//           W = [None] + [[0] + [W[i][j] + delta[j] * eta * X[n][i] for j in (1, 2)] for i in (1, 2)]
//           lines.append("\t".join(["00: %d" % (len(history) + 1), cut(o), " %d" % n] +
//                                  [cut(v) for v in (T[n], d, e, e - umbral, acc / 3)]))
//       history.append(acc / 3)
//   print(len(history), W, V, delta, history[:3], lines)

class EngineTraining : public WorkbenchTest {
protected:
    engine::Network& net() { return bench->network(); }
    void set_run(const char* umbral, const char* limit, const char* eta, const char* hidden = nullptr) {
        if (hidden != nullptr) w().Text4.set_text(hidden);
        w().Text6.set_text(umbral);
        w().Text7.set_text(limit);
        w().Text8.set_text(eta);
    }
    std::vector<std::string> history_lines() {
        std::ifstream in(dir.path() / "test.csv", std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line); lines.push_back(line.substr(0, line.size() - 1))) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r') << "every line ends with CR LF";
        }
        return lines;
    }
};

TEST_F(EngineTraining, run_from_fixed_weights_matches_the_independent_reference) {
    add_frame(1, {1, 0}, 0.9);
    add_frame(2, {0, 1}, 0.1);
    add_frame(3, {1, 1}, 0.5);
    db->execute(
        "INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.1), (1, 1, 2, 0.2), (1, 2, 1, 0.3), (1, 2, 2, 0.4), "
        "(2, 1, 1, 0.5), (2, 1, 2, -0.25)");
    set_run("0.08", "2000", "0.7", "2");
    std::vector<std::string> progress;
    bench->on_progress([&](const std::string& text) { progress.push_back(text); });
    click(w().Command4);
    EXPECT_TRUE(platform.messages.empty());
    ASSERT_EQ(progress.size(), 152u);
    EXPECT_EQ(progress.front(), "Pasada 1 - error medio .2814");
    EXPECT_EQ(progress.back(), "Pasada 152 - error medio .0794");

    // Stored back in the layout both writers use, and kept in the arrays.
    const double expected[6][4] = {{1, 1, 1, 1.483185030787349},   {1, 1, 2, -1.3029149587111886},
                                   {1, 2, 1, -1.1889456523361928}, {1, 2, 2, 1.5736431560313602},
                                   {2, 1, 1, 2.1322699872571},     {2, 1, 2, -2.158455264053629}};
    const auto stored = rows("SELECT capa, fila, columna, valor FROM BPNPESOS ORDER BY rowid").rows;
    ASSERT_EQ(stored.size(), 6u);
    for (size_t r = 0; r < 6; ++r) {
        for (size_t c = 0; c < 4; ++c) EXPECT_DOUBLE_EQ(as_number(stored[r][c]), expected[r][c]) << r << "," << c;
        const int i = static_cast<int>(expected[r][1]), j = static_cast<int>(expected[r][2]);
        EXPECT_DOUBLE_EQ(r < 4 ? net().peso_entrada(i, j).value : net().peso_oculta(j).value, expected[r][3]);
    }
    EXPECT_DOUBLE_EQ(net().delta_oculta(1).value, 9.069788548823206e-05);
    EXPECT_DOUBLE_EQ(net().delta_oculta(2).value, -9.211772053003746e-05);
    EXPECT_TRUE(net().peso_oculta(3).is_empty() && net().delta_oculta(3).is_empty());

    const std::vector<std::string> lines = history_lines();
    ASSERT_EQ(lines.size(), 152u);
    EXPECT_EQ(lines[0], " 0.281412818226913 ");
    const double first_errors[] = {0.2814128182269134, 0.2797099459559624, 0.27814712676057873};
    for (size_t k = 0; k < 3; ++k) EXPECT_DOUBLE_EQ(net().historial_error()[k + 1], first_errors[k]);
    EXPECT_EQ(consultas().List1.lines(),
              (std::vector<std::string>{"00: 152\t .7804\t 1\t .9\t .0204\t .1195\t .0395\t .0398",
                                        "00: 152\t .2181\t 2\t .1\t-.0202\t-.1182\t-.1982\t .0792",
                                        "00: 152\t .4993\t 3\t .5\t .0001\t .0006\t-.0794\t .0794"}));
}

TEST_F(EngineTraining, stop_conditions_and_the_defaults_of_missing_parameters) {
    // One input, one frame, target 1: an error that only saturation removes.
    add_frame(1, {1}, 1.0);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.3), (2, 1, 1, 0.3)");
    w().Text2.set_text("1");
    w().Text3.set_text("1");
    w().Text4.set_text("1");
    auto run = [&](const char* umbral, const char* limit, const char* eta, const char* warn) {
        set_run(umbral, limit, eta);
        w().Text9.set_text(warn);
        platform.messages.clear();
        click(w().Command4);
        return history_lines();
    };
    // A first pass under the bound stops at once and still stores the weights.
    EXPECT_EQ(run("0.5", "10", "0.5", "SI").size(), 1u);
    EXPECT_EQ(consultas().List1.lines().size(), 1u);
    EXPECT_NE(as_number(rows("SELECT valor FROM BPNPESOS WHERE capa = 2").rows.at(0)[0]), 0.3);
    const std::string report = "Habia :  2 Pesos\rDe los cuales quedaron: 0\rAl final Quedan: 2";
    EXPECT_EQ(platform.texts(), std::vector<std::string>{report});  // only the weight report of SI

    // No bound, no eta: defaults and messages; only eta's field is rewritten.
    const std::vector<std::string> defaults = {"umbral=0 , pasado a 0.025", "Eta es null pasado a 0.5"};
    EXPECT_EQ(run("0", "3", "0", "NO").size(), 4u);
    EXPECT_EQ(platform.texts(), defaults);
    EXPECT_EQ(w().Text8.text(), "0.5");
    EXPECT_EQ(w().Text6.text(), "0");
    // No number is 0 too; under a decimal comma eta is written "0,5" and reads back.
    set_decimal_separator(',');
    run("0", "3", "rapido", "NO");
    EXPECT_EQ(platform.texts(), defaults);
    EXPECT_EQ(w().Text8.text(), "0,5");
    run("0,0000001", "3", "0,5", "NO");
    EXPECT_TRUE(platform.messages.empty());
    set_decimal_separator('.');

    EXPECT_EQ(run("0.0000000001", "0", "0.5", "SI").size(), 2001u);
    EXPECT_EQ(platform.texts(),
              (std::vector<std::string>{"maxinput=0, pasado a 2000", "Las pasadas exceden el Maxinput", report}));
    EXPECT_EQ(consultas().List1.lines().at(0).rfind("00: 2001\t", 0), 0u);
    const std::vector<std::string> lines = run("0.0000000001", "4999", "0.5", "NO");
    EXPECT_TRUE(platform.messages.empty());
    ASSERT_EQ(lines.size(), 5000u);
    // The window keeps the model's 2002 cells; the file gets every pass.
    ASSERT_EQ(net().historial_error().size(), 2002u);
    EXPECT_EQ(lines[2000], " " + format_general(net().historial_error()[2001]) + " ");
    EXPECT_LT(std::stod(lines.back()), std::stod(lines[2000]));
}

TEST_F(EngineTraining, no_frames_means_an_error_of_one_for_every_pass) {
    add_bpn(10, 1, 1, 0.5);  // a target but no pattern rows
    set_run("0.5", "4", "0.5", "1");
    EXPECT_EQ(net().entrenar(), 1.0);
    EXPECT_EQ(w().Text3.text(), " 0");
    EXPECT_EQ(history_lines(), std::vector<std::string>(5, " 1 "));
    EXPECT_TRUE(consultas().List1.lines().empty());
}

TEST_F(EngineTraining, frames_past_eight_train_against_their_own_targets) {
    for (int n = 1; n <= 12; ++n) add_frame(n, {n % 2 == 0 ? 1.0 : 0.0, 1}, n % 2 == 0 ? 0.9 : 0.1);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.2), (1, 2, 1, 0.2), (2, 1, 1, 0.2)");
    set_run("0.0000001", "0.5", "0.5", "1");  // exactly one pass
    click(w().Command4);
    const auto& lines = consultas().List1.lines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_NE(lines[9].find("\t 10\t .9\t"), std::string::npos) << lines[9];
    EXPECT_NE(lines[10].find("\t 11\t .1\t"), std::string::npos) << lines[10];
    EXPECT_EQ(net().target(12).value, 0.9);
}

TEST_F(EngineTraining, a_refused_field_or_row_stops_the_run_before_anything_is_stored) {
    add_frame(1, {1, 0}, 0.9);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.1), (2, 1, 1, 0.5)");
    std::ofstream(dir.path() / "test.csv") << "previous\r\n";
    const auto before = rows("SELECT * FROM BPNPESOS ORDER BY rowid").rows;
    set_run("0.08", "2000", "0.7", "7");
    EXPECT_EQ(net().entrenar(), 1.0);
    w().Text4.set_text("2");
    db->execute("INSERT INTO BPN VALUES (1, 1, 300, 1, '')");
    click(w().Command4);
    EXPECT_THAT(platform.texts(),
                ::testing::ElementsAre(::testing::StartsWith("Numero de Unidades en capa oculta (Text4) dice 7"),
                                       ::testing::StartsWith("Fijar Entradas: el registro 4 de BPN")));
    EXPECT_EQ(rows("SELECT * FROM BPNPESOS ORDER BY rowid").rows, before);
    EXPECT_EQ(history_lines(), std::vector<std::string>{"previous"});
}

TEST_F(EngineTraining, silent_hidden_layers_and_all_zero_output_weights_are_reported_in_step_order) {
    add_frame(1, {0}, 0.5);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.4)");  // no output weight row
    set_run("0.0000001", "0.5", "0.5", "1");
    w().Text9.set_text("SI");
    click(w().Command4);
    // A silent hidden layer in the loading forward pass, then the frame's just before its weights.
    const std::vector<std::string> texts = platform.texts();
    const auto zero_weights = std::find(texts.begin(), texts.end(), "Nuevos Pesos Salida\r 0\r");
    ASSERT_TRUE(zero_weights != texts.end() && zero_weights != texts.begin());
    EXPECT_EQ(zero_weights[-1], "Salidas Oculta \r .5\r");
    EXPECT_EQ(std::count(texts.begin(), zero_weights, "Salidas Oculta \r .5\r"), 2);
}

}  // namespace
}  // namespace vorn::testing
