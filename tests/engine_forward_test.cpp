// The forward pass and the execute command "X" through the main window:
// outputs against values computed by hand, the nearest named answer, the
// defaults and messages, and the fields that would index past the arrays.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

double logistic(double x) {
    return 1 / (1 + std::exp(-x));
}

class EngineForward : public WorkbenchTest {
protected:
    engine::Network& net() { return bench->network(); }
    void add_weight(int capa, int fila, int columna, double valor) {
        db->execute_bound(
            "INSERT INTO BPNPESOS (capa, fila, columna, valor) VALUES (?,?,?,?)",
            {Value(std::int64_t{capa}), Value(std::int64_t{fila}), Value(std::int64_t{columna}), Value(valor)});
    }
    void add_answer(double valor, const std::string& nombre) {
        db->execute_bound("INSERT INTO BPNTargets (valor, nombre) VALUES (?,?)", {Value(valor), Value(nombre)});
    }
    // Two inputs, two hidden units: frame 1 = (1, 0.5).
    void small_network() {
        add_frame(1, {1, 0.5}, 0.9);
        add_frame(2, {0, 0}, 0.1);
        add_weight(1, 1, 1, 0.2);
        add_weight(1, 1, 2, 0.3);
        add_weight(1, 2, 1, -0.4);
        add_weight(1, 2, 2, 0.1);
        add_weight(2, 1, 1, 0.7);
        add_weight(2, 1, 2, -0.2);
        w().Text4.set_text("2");
    }
};

TEST_F(EngineForward, execute_names_the_nearest_answer_for_a_hand_computed_output) {
    small_network();
    add_answer(0, "  FALSO ");
    add_answer(1, "VERDADERO");
    w().Text5.set_text("1");
    click(w().Command3);
    // Hidden nets: 1*0.2 + 0.5*(-0.4) = 0 and 1*0.3 + 0.5*0.1 = 0.35.
    const double h2 = logistic(1 * 0.3 + 0.5 * 0.1);
    const double out = logistic(0.7 * 0.5 + -0.2 * h2);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "La salida BPN de la trama  1 es:" + format_general(out) + "\rVERDADERO");
    EXPECT_EQ(net().salida_oculta(1).value, 0.5);
    EXPECT_DOUBLE_EQ(net().salida_oculta(2).value, h2);
    // The tables were loaded on the way, with the never-set fields filled.
    EXPECT_EQ(w().Text1.text(), "3");
    EXPECT_EQ(w().Text2.text(), " 2");
    EXPECT_EQ(w().Text3.text(), " 2");
    EXPECT_DOUBLE_EQ(*net().bpntrama("entrenamiento", 1), out);

    // Under a decimal comma the output is written with it.
    set_decimal_separator(',');
    platform.messages.clear();
    click(w().Command3);
    std::string expected = format_general(out);
    EXPECT_NE(expected.find(','), std::string::npos);
    EXPECT_EQ(platform.messages[0].text, "La salida BPN de la trama  1 es:" + expected + "\rVERDADERO");
}

TEST_F(EngineForward, an_output_of_one_half_names_the_first_of_two_equally_near_answers) {
    small_network();
    add_answer(0, "FALSO");
    add_answer(1, "VERDADERO");
    w().Text5.set_text("2");  // all-zero inputs: every net is 0
    click(w().Command3);
    const double out = logistic(0.7 * 0.5 - 0.2 * 0.5);
    EXPECT_EQ(platform.messages.back().text, "La salida BPN de la trama  2 es:" + format_general(out) + "\rVERDADERO");
    EXPECT_EQ(net().nombreTarget(0.5), "FALSO");
    EXPECT_EQ(net().nombreTarget(0.51), "VERDADERO");
    EXPECT_EQ(net().nombreTarget(-3), "FALSO");
}

TEST_F(EngineForward, execute_of_frame_zero_or_nothing_runs_frame_one_and_an_empty_answer_table_says_so) {
    small_network();
    for (const char* text : {"0", "", "abc"}) {
        platform.messages.clear();
        w().Text5.set_text(text);
        click(w().Command3);
        ASSERT_EQ(platform.messages.size(), 3u) << text;
        EXPECT_EQ(platform.messages[0].text, "Cualtrama=null, pasado a 1");
        EXPECT_EQ(platform.messages[1].text, "No hay registros en BPN Targets");
        EXPECT_EQ(platform.messages[2].text.substr(0, 31), "La salida BPN de la trama  1 es");
        EXPECT_EQ(platform.messages[2].text.substr(platform.messages[2].text.size() - 32),
                  "\rNo hay registros en BPN Targets");
        EXPECT_EQ(w().Text5.text(), text);
    }
    platform.messages.clear();
    net().bpntrama("entrenamiento", 0);
    EXPECT_EQ(platform.messages[0].text, "bpntrama es0");
}

TEST_F(EngineForward, a_saturated_output_of_zero_is_reported_and_silent_hidden_units_with_si) {
    add_frame(1, {1}, 0.5);
    add_weight(1, 1, 1, 30);   // hidden output exactly 1
    add_weight(2, 1, 1, -25);  // output net -25: exactly 0
    w().Text4.set_text("1");
    w().Text9.set_text("NO");
    std::optional<double> out = net().bpntrama("ejecutar", 1);
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, 0.0);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"La salida de la trama  1 es:  0"});

    // No hidden units: the output is sigmoide(0), and with SI the empty
    // hidden layer is shown.
    platform.messages.clear();
    w().Text4.set_text("0");
    w().Text9.set_text("SI");
    out = net().bpntrama("entrenamiento", 1);
    EXPECT_EQ(*out, 0.5);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"Salidas Oculta \r"});
    platform.messages.clear();
    db->execute("UPDATE BPN SET valor = 0 WHERE capa = 1");
    w().Text4.set_text("1");
    net().bpntrama("ejecutar", 1);
    EXPECT_EQ(platform.messages.back().text, "Salidas Oculta \r .5\r");
}

TEST_F(EngineForward, fields_and_frames_beyond_the_arrays_are_refused_by_name) {
    small_network();
    add_answer(0, "FALSO");
    struct Case {
        const char* text5;
        const char* text4;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"150", "2",
         "Ejecutar Trama (Text5) dice 150, pero la red guarda las tramas de 1 a 100.\rCorrija el campo y "
         "vuelva a intentarlo."},
        {"-2", "2",
         "Ejecutar Trama (Text5) dice -2, pero la red guarda las tramas de 1 a 100.\rCorrija el campo y "
         "vuelva a intentarlo."},
        {"1", "4",
         "Numero de Unidades en capa oculta (Text4) dice 4, pero la red admite como maximo 3.\rCorrija el "
         "campo y vuelva a intentarlo."},
        {"1", "1000000",
         "Numero de Unidades en capa oculta (Text4) dice 1000000, pero la red admite como maximo "
         "3.\rCorrija el campo y vuelva a intentarlo."},
    };
    for (const Case& c : cases) {
        platform.messages.clear();
        w().Text5.set_text(c.text5);
        w().Text4.set_text(c.text4);
        click(w().Command3);
        ASSERT_EQ(platform.messages.size(), 1u) << c.text5 << " " << c.text4;
        EXPECT_EQ(platform.messages[0].text, c.expected);
        EXPECT_EQ(platform.messages[0].icon, Icon::Exclamation);
    }
    // Frame 100 is the last one held.
    platform.messages.clear();
    w().Text4.set_text("2");
    w().Text5.set_text("100");
    click(w().Command3);
    EXPECT_EQ(platform.messages.back().text,
              "La salida BPN de la trama  100 es:" + format_general(logistic(0.7 * 0.5 - 0.2 * 0.5)) + "\rFALSO");
}

TEST_F(EngineForward, a_refused_table_stops_the_execution_without_an_answer) {
    small_network();
    db->execute("INSERT INTO BPN VALUES (1, 101, 1, 1, '')");
    click(w().Command3);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text.rfind("Fijar Entradas: el registro", 0), 0u);
}

}  // namespace
}  // namespace vorn::testing
