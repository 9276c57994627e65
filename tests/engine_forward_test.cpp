// The forward pass and "X": hand-computed outputs, the nearest answer, messages, bounds.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

double logistic(double x) { return 1 / (1 + std::exp(-x)); }

class EngineForward : public WorkbenchTest {
protected:
    engine::Network& net() { return bench->network(); }
    void small_network() {
        add_frame(1, {1, 0.5}, 0.9);
        add_frame(2, {0, 0}, 0.1);
        db->execute(
            "INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.2), (1, 1, 2, 0.3), (1, 2, 1, -0.4), (1, 2, 2, 0.1), "
            "(2, 1, 1, 0.7), (2, 1, 2, -0.2)");
        w().Text4.set_text("2");
    }
    std::string run_frame(const char* frame) {
        platform.messages.clear();
        w().Text5.set_text(frame);
        click(w().Command3);
        return platform.messages.empty() ? "" : platform.messages.back().text;
    }
};

TEST_F(EngineForward, execute_names_the_nearest_answer_for_hand_computed_outputs) {
    small_network();
    // Hidden nets: 1*0.2 + 0.5*(-0.4) = 0 and 1*0.3 + 0.5*0.1 = 0.35.
    const double h2 = logistic(1 * 0.3 + 0.5 * 0.1);
    const double out = logistic(0.7 * 0.5 + -0.2 * h2);
    const std::string frame_1 = "La salida BPN de la trama  1 es:" + format_general(out);
    // No frame number runs frame 1; with no answers the answer table says so.
    for (const char* text : {"0", "", "abc"}) {
        run_frame(text);
        EXPECT_EQ(platform.texts(),
                  (std::vector<std::string>{"Cualtrama=null, pasado a 1", "No hay registros en BPN Targets",
                                            frame_1 + "\rNo hay registros en BPN Targets"}));
        EXPECT_EQ(w().Text5.text(), text);
    }
    db->execute("INSERT INTO BPNTargets VALUES (0, '  FALSO '), (1, 'VERDADERO')");
    EXPECT_EQ(run_frame("1"), frame_1 + "\rVERDADERO");
    EXPECT_EQ(net().salida_oculta(1).value, 0.5);
    EXPECT_DOUBLE_EQ(net().salida_oculta(2).value, h2);
    EXPECT_EQ(w().Text1.text(), "3");  // a never-set field gets its default

    // All-zero inputs: every hidden output is 1/2. Of two equally near answers the first is named.
    EXPECT_EQ(run_frame("2"),
              "La salida BPN de la trama  2 es:" + format_general(logistic(0.7 * 0.5 - 0.2 * 0.5)) + "\rVERDADERO");
    EXPECT_EQ(platform.messages.size(), 1u);  // the silent hidden layer only with SI
    EXPECT_EQ(net().nombreTarget(0.5), "FALSO");
    EXPECT_EQ(net().nombreTarget(0.51), "VERDADERO");
    EXPECT_EQ(net().nombreTarget(-3), "FALSO");

    set_decimal_separator(',');
    const std::string with_comma = format_general(out);
    EXPECT_NE(with_comma.find(','), std::string::npos);
    EXPECT_EQ(run_frame("1"), "La salida BPN de la trama  1 es:" + with_comma + "\rVERDADERO");
    platform.messages.clear();
    net().bpntrama("entrenamiento", 0);
    EXPECT_EQ(platform.messages.at(0).text, "bpntrama es0");
}

TEST_F(EngineForward, a_saturated_output_of_zero_is_reported_and_silent_hidden_units_with_si) {
    add_frame(1, {1}, 0.5);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 30), (2, 1, 1, -25)");  // hidden 1, output exactly 0
    w().Text4.set_text("1");
    EXPECT_EQ(net().bpntrama("ejecutar", 1), 0.0);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"La salida de la trama  1 es:  0"});

    // No hidden units: the output is sigmoide(0); SI shows the empty hidden layer.
    platform.messages.clear();
    w().Text4.set_text("0");
    w().Text9.set_text("SI");
    EXPECT_EQ(net().bpntrama("entrenamiento", 1), 0.5);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"Salidas Oculta \r"});
}

TEST_F(EngineForward, fields_frames_and_rows_beyond_the_arrays_are_refused_by_name) {
    small_network();
    db->execute("INSERT INTO BPNTargets VALUES (0, 'FALSO')");
    const std::string again = ".\rCorrija el campo y vuelva a intentarlo.";
    const std::string frames = ", pero la red guarda las tramas de 1 a 100" + again;
    const std::string units = ", pero la red admite como maximo 3" + again;
    for (const auto& [text5, text4, expected] : std::vector<std::tuple<const char*, const char*, std::string>>{
             {"150", "2", "Ejecutar Trama (Text5) dice 150" + frames},
             {"-2", "2", "Ejecutar Trama (Text5) dice -2" + frames},
             {"1", "4", "Numero de Unidades en capa oculta (Text4) dice 4" + units},
             {"1", "1000000", "Numero de Unidades en capa oculta (Text4) dice 1000000" + units}}) {
        w().Text4.set_text(text4);
        EXPECT_EQ(run_frame(text5), expected);
        ASSERT_EQ(platform.messages.size(), 1u) << text5 << " " << text4;
        EXPECT_EQ(platform.messages[0].icon, Icon::Exclamation);
    }
    w().Text4.set_text("2");
    // A frame the table does not hold is not computed from leftovers.
    EXPECT_EQ(run_frame("100"), "No existe trama  100");
    EXPECT_EQ(platform.messages.size(), 1u);
    add_frame(100, {0, 0}, 0.1);
    EXPECT_EQ(run_frame("100"),  // the last frame the arrays hold
              "La salida BPN de la trama  100 es:" + format_general(logistic(0.7 * 0.5 - 0.2 * 0.5)) + "\rFALSO");

    db->execute("INSERT INTO BPN VALUES (1, 101, 1, 1, '')");
    EXPECT_EQ(run_frame("1").rfind("Fijar Entradas: el registro", 0), 0u);
    EXPECT_EQ(platform.messages.size(), 1u);
}

}  // namespace
}  // namespace vorn::testing
