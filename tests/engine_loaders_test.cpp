// The four loaders: the arrays they fill, fields they correct, messages, rows they refuse.
#include <gtest/gtest.h>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

using Load = workset::Load;

class EngineLoaders : public WorkbenchTest {
protected:
    engine::Network& net() { return bench->network(); }
};

TEST_F(EngineLoaders, fijar_entradas_loads_any_row_order_and_corrects_size_fields) {
    // Frames 2 and 1 of five values, shuffled among targets and an ignored row of another kind.
    db->execute(
        "INSERT INTO BPN VALUES (1, 5, 2, 0.25, ''), (10, 1, 2, 0.1, ''), (1, 3, 1, -1.5, ''), "
        "(1, 5, 1, 7, ''), (10, 1, 1, 0.9, ''), (1, 1, 2, 3, ''), (4, 60, 90, 1, '')");
    w().Text2.set_text("9");
    w().Text3.set_text("2");
    ASSERT_EQ(net().fijarEntradas(), Load::Loaded);
    for (auto [i, n, value] : {std::tuple{3, 1, -1.5}, {5, 1, 7.0}, {5, 2, 0.25}, {1, 2, 3.0}}) {
        EXPECT_EQ(net().entrada(i, n).value, value) << i << "," << n;
    }
    EXPECT_TRUE(net().entrada(2, 1).is_empty() && net().entrada(60, 90).is_empty());
    EXPECT_EQ(w().Text2.text(), " 5");
    EXPECT_EQ(w().Text3.text(), "2");  // already right: untouched
    EXPECT_TRUE(platform.messages.empty()) << "NO keeps the correction quiet";

    // The warning field, trimmed and in any case, shows the corrections.
    w().Text9.set_text(" Si ");
    w().Text2.set_text("Text2");
    w().Text3.set_text("7,5x");
    ASSERT_EQ(net().fijarEntradas(), Load::Loaded);
    EXPECT_EQ(platform.texts(),
              (std::vector<std::string>{
                  "El tamaño maximo de Trama detectado es 5\ren vez de : Text2\rCambiando automaticamente a: 5",
                  "El numero de Tramas detectado es 2\ren vez de : 7,5x\rCambiando automaticamente a: 2"}));
    EXPECT_EQ(w().Text3.text(), " 2");
}

TEST_F(EngineLoaders, weight_loaders_fill_both_layers_and_warn_unless_the_field_says_no) {
    // Output unit 0 is kept in cell 0 and never used.
    db->execute(
        "INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.1), (1, 2, 1, 0.2), (1, 2, 2, 0.3), (2, 1, 1, 0.7), "
        "(2, 1, 2, 0.8), (2, 1, 0, 0.05)");
    w().Text2.set_text("9");  // both fields disagree with the table
    w().Text4.set_text("3");
    for (const char* quiet : {"NO", "no", "No"}) {
        w().Text9.set_text(quiet);
        ASSERT_EQ(net().fijarEntradaPesos(), Load::Loaded);
        ASSERT_EQ(net().fijarPesosOculta(), Load::Loaded);
    }
    EXPECT_EQ(net().peso_entrada(2, 2).value, 0.3);
    EXPECT_EQ(net().peso_entrada(1, 1).value, 0.1);
    EXPECT_TRUE(net().peso_entrada(1, 2).is_empty());
    for (auto [j, value] : {std::pair{0, 0.05}, {1, 0.7}, {2, 0.8}}) EXPECT_EQ(net().peso_oculta(j).value, value);
    EXPECT_TRUE(platform.messages.empty());

    // Anything but "no" warns; the fields are never changed.
    w().Text9.set_text("anything");
    net().fijarEntradaPesos();
    net().fijarPesosOculta();
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{
                                    "No coinciden el tamaño de tramas de peso detectado=  2\ry el Ingresado= 9",
                                    "No coinciden el numero de los unidades de pesos detectado=  2\ry el Ingresado= 3",
                                    "El Tamaño de los pesos detectado es 2\ren vez de : 3",
                                    "El Tamaño de los pesos de la capa se salida detectado es 2\ren vez de : 3"}));
    EXPECT_EQ(w().Text2.text(), "9");
    EXPECT_EQ(w().Text4.text(), "3");
}

TEST_F(EngineLoaders, targets_cover_every_frame_and_an_emptied_table_keeps_the_arrays_and_says_so) {
    for (int n = 1; n <= 100; ++n) add_bpn(10, 1, n, n / 1000.0);
    add_bpn(10, 1, 12, 0.5);  // the last row of a frame wins
    add_bpn(10, 1, 0, 0.75);
    add_bpn(1, 2, 3, 0.2);
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (10, 1, 50, NULL), (1, 1, 1, NULL)");
    ASSERT_EQ(net().fijarEntradas(), Load::Loaded);
    ASSERT_EQ(net().fijarTarget(), Load::Loaded);
    for (auto [n, value] : {std::pair{9, 0.009}, {100, 0.1}, {12, 0.5}, {0, 0.75}}) {
        EXPECT_EQ(net().target(n).value, value) << n;
    }
    EXPECT_TRUE(net().target(101).is_empty());
    EXPECT_TRUE(net().target(50).is_null());
    EXPECT_TRUE(net().entrada(1, 1).is_null());

    // Empty tables: a status line, a box only with "SI" (not "si").
    db->execute("DELETE FROM BPN");
    EXPECT_EQ(net().fijarEntradas(), Load::Empty);
    EXPECT_EQ(w().Text1.text(), "Data1 vacia");
    for (Load found : {net().fijarTarget(), net().fijarPesosOculta(), net().fijarEntradaPesos()})
        EXPECT_EQ(found, Load::Empty);
    EXPECT_EQ(w().Text1.text(), "Data2 vacia");
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(net().entrada(2, 3).value, 0.2);
    EXPECT_EQ(net().target(12).value, 0.5);
    for (const char* warn : {"si", "SI"}) {
        w().Text9.set_text(warn);
        for (Load found : {net().fijarEntradas(), net().fijarEntradaPesos(), net().fijarPesosOculta(), net().fijarTarget()})
            EXPECT_EQ(found, Load::Empty);
    }
    EXPECT_EQ(platform.texts(),
              (std::vector<std::string>{
                  "Fijar Entradas: la tabla bpn esta vacia", "Fijar Entrada pesos: la tabla bpn pesos esta vacia",
                  "Fijar PesosOculta: la tabla bpn Pesos esta vacia", "Fijar Target: la tabla bpn esta vacia"}));
}

TEST_F(EngineLoaders, rows_outside_the_arrays_are_refused_by_name_and_nothing_is_loaded) {
    add_frame(1, {0.5, 0.6}, 0.9);
    ASSERT_EQ(net().fijarEntradas(), Load::Loaded);
    ASSERT_EQ(net().fijarTarget(), Load::Loaded);
    using N = engine::Network;
    const std::string inputs = "fila y columna van de 0 a 100";
    const std::string entradas = "Fijar Entradas: el registro 4 de BPN (capa 1, ";
    for (const auto& [insert, loader, row, rule] :
         std::vector<std::tuple<std::string, Load (N::*)(), std::string, std::string>>{
             {"BPN VALUES (1, 150, 2, 9, '')", &N::fijarEntradas, entradas + "fila 150, columna 2)", inputs},
             {"BPN VALUES (1, 2, 101, 9, '')", &N::fijarEntradas, entradas + "fila 2, columna 101)", inputs},
             {"BPN VALUES (1, -1, 1, 9, '')", &N::fijarEntradas, entradas + "fila -1, columna 1)", inputs},
             {"BPN VALUES (1, NULL, 1, 9, '')", &N::fijarEntradas, entradas + "fila vacia, columna 1)", inputs},
             {"BPN VALUES (10, 1, 200, 9, '')", &N::fijarTarget,
              "Fijar Target: el registro 4 de BPN (capa 10, fila 1, columna 200)", "la columna va de 0 a 100"},
             {"BPNPESOS VALUES (1, 1000, 1, 9)", &N::fijarEntradaPesos,
              "Fijar Entrada pesos: el registro 1 de BPNPESOS (capa 1, fila 1000, columna 1)", inputs},
             {"BPNPESOS VALUES (2, 1, 4, 9)", &N::fijarPesosOculta,
              "Fijar PesosOculta: el registro 1 de BPNPESOS (capa 2, fila 1, columna 4)",
              "la columna de la capa 2 va de 0 a 3"}}) {
        SCOPED_TRACE(insert);
        db->execute("INSERT INTO " + insert);
        // Valid rows after the bad one would change the arrays if loaded.
        db->execute("INSERT INTO BPN VALUES (1, 1, 1, 42, ''), (10, 1, 1, 42, '')");
        platform.messages.clear();
        EXPECT_EQ((net().*loader)(), Load::Refused);
        EXPECT_EQ(platform.texts(),
                  std::vector<std::string>{row + " queda fuera de la red: " + rule +
                                           ".\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."});
        EXPECT_TRUE(net().entrada(1, 1).value == 0.5 && net().target(1).value == 0.9 &&
                    net().peso_entrada(1, 1).is_empty());
        db->execute_script("DELETE FROM BPN WHERE valor IN (9, 42); DELETE FROM BPNPESOS");
    }
}

}  // namespace
}  // namespace vorn::testing
