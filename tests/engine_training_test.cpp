// The training run "E" through the main window: a run from fixed weights
// against an independent reference, the falling error on the default
// pattern set, the stop conditions, the defaults and their messages, the
// progress lines, and the faults it must not have (targets past frame 8, a
// pass limit past 2000, tables or fields beyond the arrays).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

// The reference run below was computed by this separate script (Python,
// IEEE doubles, the same sums in the same order), not by the code under
// test:
//
//   import math
//   def sig(x):
//       if x <= -20: return 0.0
//       if x >= 20: return 1.0
//       return 1.0 / (1.0 + math.exp(-x))
//   X = {1: [None, 1.0, 0.0], 2: [None, 0.0, 1.0], 3: [None, 1.0, 1.0]}
//   T = {1: 0.9, 2: 0.1, 3: 0.5}
//   W = [[None]*3, [None, 0.1, 0.2], [None, 0.3, 0.4]]   # W[i][j]
//   V = [None, 0.5, -0.25]
//   eta, umbral, limit, S, H, N = 0.7, 0.08, 2000, 2, 2, 3
//   passes, history = 0, []
//   while passes <= limit:
//       passes += 1
//       acc = 0.0
//       for n in range(1, N + 1):
//           h = [None] + [sig(sum_i X[n][i] * W[i][j], from 0 in ascending i) for j in 1..H]
//           o = sig(V[1] * h[1] + V[2] * h[2])            # from 0, ascending j
//           d = (t - o) * o * (1 - o); e = t - o; acc += abs(e)
//           delta[j] = h[j] * (1 - h[j]) * V[j] * d        # old V
//           V[j] = V[j] + eta * d * h[j]
//           W[i][j] = W[i][j] + delta[j] * eta * X[n][i]
//           line = "00: %d\t" + short(cut(o)), n, cut(t), cut(d), cut(e), cut(e - umbral), cut(acc / N)
//       history.append(acc / N)
//       if acc / N < umbral: break
//
// with cut(x) = floor(x * 10000) / 10000 written as sign, whole part
// (omitted when 0) and up to four decimals without trailing zeros.
constexpr int kReferencePasses = 152;
constexpr double kReferenceW[2][2] = {{1.483185030787349, -1.3029149587111886},
                                      {-1.1889456523361928, 1.5736431560313602}};
constexpr double kReferenceV[2] = {2.1322699872571, -2.158455264053629};
constexpr double kReferenceDelta[2] = {9.069788548823206e-05, -9.211772053003746e-05};
constexpr double kReferenceFirstErrors[3] = {0.2814128182269134, 0.2797099459559624, 0.27814712676057873};
const std::vector<std::string> kReferenceLastLines = {
    "00: 152\t .7804\t 1\t .9\t .0204\t .1195\t .0395\t .0398",
    "00: 152\t .2181\t 2\t .1\t-.0202\t-.1182\t-.1982\t .0792",
    "00: 152\t .4993\t 3\t .5\t .0001\t .0006\t-.0794\t .0794",
};

class EngineTraining : public WorkbenchTest {
protected:
    engine::Network& net() { return bench->network(); }
    void add_weight(int capa, int fila, int columna, double valor) {
        db->execute_bound(
            "INSERT INTO BPNPESOS (capa, fila, columna, valor) VALUES (?,?,?,?)",
            {Value(std::int64_t{capa}), Value(std::int64_t{fila}), Value(std::int64_t{columna}), Value(valor)});
    }
    void reference_network() {
        add_frame(1, {1, 0}, 0.9);
        add_frame(2, {0, 1}, 0.1);
        add_frame(3, {1, 1}, 0.5);
        add_weight(1, 1, 1, 0.1);
        add_weight(1, 1, 2, 0.2);
        add_weight(1, 2, 1, 0.3);
        add_weight(1, 2, 2, 0.4);
        add_weight(2, 1, 1, 0.5);
        add_weight(2, 1, 2, -0.25);
        w().Text4.set_text("2");
        w().Text6.set_text("0.08");
        w().Text7.set_text("2000");
        w().Text8.set_text("0.7");
    }
    // A one-input, one-frame net whose error cannot reach a tiny bound: its
    // target 1 is only reached at saturation.
    void tiny_network(double umbral_text_value = 0) {
        add_frame(1, {1}, 1.0);
        add_weight(1, 1, 1, 0.3);
        add_weight(2, 1, 1, 0.3);
        w().Text2.set_text("1");
        w().Text3.set_text("1");
        w().Text4.set_text("1");
        w().Text6.set_text(umbral_text_value == 0 ? "0.0000000001" : format_general(umbral_text_value));
        w().Text8.set_text("0.5");
    }
    std::vector<std::string> history_lines() {
        std::ifstream in(dir.path() / "test.csv", std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        std::vector<std::string> lines;
        std::string text = content.str();
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find("\r\n", start);
            EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
            if (end == std::string::npos) break;
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }
    double stored_weight(int capa, int fila, int columna) {
        auto result = rows("SELECT valor FROM BPNPESOS WHERE capa=" + std::to_string(capa) +
                           " AND fila=" + std::to_string(fila) + " AND columna=" + std::to_string(columna));
        EXPECT_EQ(result.rows.size(), 1u);
        return result.rows.empty() ? 0 : as_number(result.rows[0][0]);
    }
};

TEST_F(EngineTraining, run_from_fixed_weights_matches_the_independent_reference) {
    reference_network();
    click(w().Command4);
    EXPECT_TRUE(platform.messages.empty());

    // Weights stored back in the table, in the layout both writers use.
    auto stored = rows("SELECT capa, fila, columna FROM BPNPESOS ORDER BY rowid");
    ASSERT_EQ(stored.rows.size(), 6u);
    const int layout[6][3] = {{1, 1, 1}, {1, 1, 2}, {1, 2, 1}, {1, 2, 2}, {2, 1, 1}, {2, 1, 2}};
    for (int r = 0; r < 6; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(as_number(stored.rows[r][c]), layout[r][c]);
    }
    for (int i = 1; i <= 2; ++i) {
        for (int j = 1; j <= 2; ++j) {
            EXPECT_DOUBLE_EQ(stored_weight(1, i, j), kReferenceW[i - 1][j - 1]) << i << "," << j;
            EXPECT_DOUBLE_EQ(net().peso_entrada(i, j).value, kReferenceW[i - 1][j - 1]);
        }
        EXPECT_DOUBLE_EQ(stored_weight(2, 1, i), kReferenceV[i - 1]);
        EXPECT_DOUBLE_EQ(net().delta_oculta(i).value, kReferenceDelta[i - 1]);
    }
    // Two hidden units: the third is never touched.
    EXPECT_TRUE(net().peso_oculta(3).is_empty());
    EXPECT_TRUE(net().delta_oculta(3).is_empty());

    // One history line per pass, in the "test.csv" form.
    std::vector<std::string> lines = history_lines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kReferencePasses));
    EXPECT_EQ(lines[0], " 0.281412818226913 ");
    for (int k = 0; k < 3; ++k)
        EXPECT_DOUBLE_EQ(net().historial_error()[static_cast<size_t>(k + 1)], kReferenceFirstErrors[k]);

    // The report list holds the last pass's lines.
    EXPECT_EQ(consultas().List1.lines(), kReferenceLastLines);
    EXPECT_FALSE(consultas().visible());
}

TEST_F(EngineTraining, the_default_pattern_set_learns) {
    db->execute_script(embedded_sample_data());
    w().Text6.set_text("0.000001");
    w().Text7.set_text("300");
    w().Text8.set_text("0.5");
    std::vector<std::string> progress;
    bench->on_progress([&](const std::string& text) { progress.push_back(text); });
    click(w().Command4);
    const auto& history = net().historial_error();
    ASSERT_EQ(history_lines().size(), 301u);
    EXPECT_LT(history[301], history[1] * 0.5);
    EXPECT_LT(history[301], history[150]);
    EXPECT_EQ(w().Text2.text(), "9");  // the sample set is 9 x 8
    EXPECT_EQ(consultas().List1.lines().size(), 8u);
    ASSERT_EQ(progress.size(), 301u);
    EXPECT_EQ(progress.front().rfind("Pasada 1 - error medio", 0), 0u);
    EXPECT_EQ(progress.back().rfind("Pasada 301 - error medio", 0), 0u);
}

TEST_F(EngineTraining, pass_limit_zero_runs_2001_passes_with_its_default_message) {
    tiny_network();
    w().Text7.set_text("0");
    w().Text9.set_text("SI");
    click(w().Command4);
    ASSERT_GE(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[0].text, "maxinput=0, pasado a 2000");
    EXPECT_EQ(platform.messages[1].text, "Las pasadas exceden el Maxinput");
    EXPECT_EQ(history_lines().size(), 2001u);
    EXPECT_EQ(consultas().List1.lines().at(0).rfind("00: 2001\t", 0), 0u);
}

TEST_F(EngineTraining, a_pass_limit_above_2000_keeps_every_pass) {
    tiny_network();
    w().Text7.set_text("4999");
    w().Text9.set_text("NO");
    click(w().Command4);
    EXPECT_TRUE(platform.messages.empty());
    std::vector<std::string> lines = history_lines();
    ASSERT_EQ(lines.size(), 5000u);
    EXPECT_EQ(lines.back(), " " + format_general(net().historial_error()[5000]) + " ");
    EXPECT_LT(net().historial_error()[5000], net().historial_error()[2002]);
}

TEST_F(EngineTraining, a_first_pass_under_the_bound_stops_at_once_and_still_stores) {
    tiny_network(0.5);
    w().Text7.set_text("10");
    w().Text9.set_text("SI");
    click(w().Command4);
    EXPECT_EQ(history_lines().size(), 1u);
    EXPECT_EQ(consultas().List1.lines().size(), 1u);
    EXPECT_NE(stored_weight(2, 1, 1), 0.3);
    ASSERT_EQ(platform.messages.size(), 1u);  // only the weight report of SI
    EXPECT_EQ(platform.messages[0].text, "Habia :  2 Pesos\rDe los cuales quedaron: 0\rAl final Quedan: 2");
    EXPECT_EQ(platform.messages[0].title, "Guardar Valores");
}

TEST_F(EngineTraining, missing_stop_parameters_get_their_defaults_and_messages) {
    tiny_network();
    w().Text6.set_text("0");
    w().Text7.set_text("3");
    w().Text8.set_text("0");
    click(w().Command4);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"umbral=0 , pasado a 0.025", "Eta es null pasado a 0.5"}));
    EXPECT_EQ(w().Text8.text(), "0.5");
    EXPECT_EQ(w().Text6.text(), "0");
    EXPECT_EQ(w().Text7.text(), "3");
    EXPECT_EQ(history_lines().size(), 4u);

    // A field with no number at all is taken as 0 too; under a decimal
    // comma the field is written with it.
    set_decimal_separator(',');
    platform.messages.clear();
    w().Text8.set_text("rapido");
    click(w().Command4);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"umbral=0 , pasado a 0.025", "Eta es null pasado a 0.5"}));
    EXPECT_EQ(w().Text8.text(), "0,5");
    // That field now reads back as 0.5: no message the next time.
    platform.messages.clear();
    w().Text6.set_text("0,0000001");
    click(w().Command4);
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(EngineTraining, no_frames_means_an_error_of_one_for_every_pass) {
    add_bpn(10, 1, 1, 0.5);  // a target but no pattern rows: frame count 0
    w().Text4.set_text("1");
    w().Text7.set_text("4");
    w().Text6.set_text("0.5");
    w().Text8.set_text("0.5");
    EXPECT_EQ(net().entrenar(), 1.0);
    EXPECT_EQ(w().Text3.text(), " 0");
    EXPECT_EQ(history_lines(), std::vector<std::string>(5, " 1 "));
    EXPECT_TRUE(consultas().List1.lines().empty());
}

TEST_F(EngineTraining, frames_past_eight_train_against_their_own_targets) {
    for (int n = 1; n <= 12; ++n) add_frame(n, {n % 2 == 0 ? 1.0 : 0.0, 1}, n % 2 == 0 ? 0.9 : 0.1);
    add_weight(1, 1, 1, 0.2);
    add_weight(1, 2, 1, 0.2);
    add_weight(2, 1, 1, 0.2);
    w().Text4.set_text("1");
    w().Text6.set_text("0.0000001");
    w().Text7.set_text("0.5");  // exactly one pass
    w().Text8.set_text("0.5");
    click(w().Command4);
    const auto& lines = consultas().List1.lines();
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_NE(lines[9].find("\t 10\t .9\t"), std::string::npos) << lines[9];
    EXPECT_NE(lines[10].find("\t 11\t .1\t"), std::string::npos) << lines[10];
    EXPECT_EQ(net().target(12).value, 0.9);
}

TEST_F(EngineTraining, a_refused_table_or_field_stops_the_run_before_anything_is_stored) {
    reference_network();
    std::ofstream(dir.path() / "test.csv") << "previous\r\n";
    const auto before = rows("SELECT * FROM BPNPESOS ORDER BY rowid").rows;

    w().Text4.set_text("7");
    EXPECT_EQ(net().entrenar(), 1.0);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text.rfind("Numero de Unidades en capa oculta (Text4) dice 7", 0), 0u);

    w().Text4.set_text("2");
    db->execute("INSERT INTO BPN VALUES (1, 1, 300, 1, '')");
    platform.messages.clear();
    click(w().Command4);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text.rfind("Fijar Entradas: el registro 10 de BPN", 0), 0u)
        << platform.messages[0].text;

    EXPECT_EQ(rows("SELECT * FROM BPNPESOS ORDER BY rowid").rows, before);
    EXPECT_EQ(history_lines(), std::vector<std::string>{"previous"});
}

TEST_F(EngineTraining, saturated_outputs_and_silent_layers_are_reported_per_frame) {
    add_frame(1, {0}, 0.5);
    add_weight(1, 1, 1, 0.4);
    w().Text4.set_text("1");
    w().Text6.set_text("0.0000001");
    w().Text7.set_text("0.5");
    w().Text8.set_text("0.5");
    w().Text9.set_text("SI");
    click(w().Command4);
    // No output weight row: the output weight starts empty, the input is 0.
    // Loader warnings come first, then the frame's messages in step order.
    std::vector<std::string> texts = platform.texts();
    auto position = [&](const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) - texts.begin();
    };
    ASSERT_LT(position("Salidas Oculta \r .5\r"), static_cast<long>(texts.size()));
    ASSERT_LT(position("Nuevos Pesos Salida\r 0\r"), static_cast<long>(texts.size()));
    EXPECT_LT(position("Salidas Oculta \r .5\r"), position("Nuevos Pesos Salida\r 0\r"));
}

}  // namespace
}  // namespace vorn::testing
