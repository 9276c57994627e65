// The four loaders through the main window: what they put in the working
// arrays, the fields they correct, the messages they show, and the rows
// they refuse because those would fall outside the arrays.
#include <gtest/gtest.h>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

using engine::Cell;

class EngineLoaders : public WorkbenchTest {
protected:
    engine::Network& net() { return bench->network(); }
    void add_weight(int capa, int fila, int columna, double valor) {
        db->execute_bound(
            "INSERT INTO BPNPESOS (capa, fila, columna, valor) VALUES (?,?,?,?)",
            {Value(std::int64_t{capa}), Value(std::int64_t{fila}), Value(std::int64_t{columna}), Value(valor)});
    }
};

TEST_F(EngineLoaders, fijar_entradas_loads_any_row_order_and_corrects_size_fields) {
    // Frames 2 and 1 of five values, rows shuffled, targets between them.
    add_bpn(1, 5, 2, 0.25);
    add_bpn(10, 1, 2, 0.1);
    add_bpn(1, 3, 1, -1.5);
    add_bpn(1, 5, 1, 7);
    add_bpn(10, 1, 1, 0.9);
    add_bpn(1, 1, 2, 3);
    add_bpn(4, 60, 90, 1);  // another row kind: ignored
    w().Text2.set_text("9");
    w().Text3.set_text("2");
    ASSERT_TRUE(net().fijarEntradas());
    EXPECT_EQ(net().entrada(3, 1).value, -1.5);
    EXPECT_EQ(net().entrada(5, 1).value, 7);
    EXPECT_EQ(net().entrada(5, 2).value, 0.25);
    EXPECT_EQ(net().entrada(1, 2).value, 3);
    EXPECT_TRUE(net().entrada(2, 1).is_empty());
    EXPECT_TRUE(net().entrada(60, 90).is_empty());
    EXPECT_EQ(w().Text2.text(), " 5");
    EXPECT_EQ(w().Text3.text(), "2");  // already right: untouched
    EXPECT_TRUE(platform.messages.empty()) << "NO keeps the correction quiet";
    ASSERT_TRUE(net().fijarTarget());
    EXPECT_EQ(net().target(1).value, 0.9);
    EXPECT_EQ(net().target(2).value, 0.1);

    // The warning field, trimmed and in any case, shows the corrections.
    w().Text9.set_text(" Si ");
    w().Text2.set_text("Text2");
    w().Text3.set_text("7,5x");
    ASSERT_TRUE(net().fijarEntradas());
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[0].text,
              "El tamaño maximo de Trama detectado es 5\ren vez de : Text2\rCambiando automaticamente a: 5");
    EXPECT_EQ(platform.messages[0].title, "Error");
    EXPECT_EQ(platform.messages[0].icon, Icon::Exclamation);
    EXPECT_EQ(platform.messages[1].text,
              "El numero de Tramas detectado es 2\ren vez de : 7,5x\rCambiando automaticamente a: 2");
    EXPECT_EQ(w().Text3.text(), " 2");
}

TEST_F(EngineLoaders, empty_tables_are_reported_in_the_status_field_and_only_with_si_in_a_box) {
    w().Text9.set_text("NO");
    EXPECT_TRUE(net().fijarEntradas());
    EXPECT_EQ(w().Text1.text(), "Data1 vacia");
    w().Text1.set_text("x");
    EXPECT_TRUE(net().fijarEntradaPesos());
    EXPECT_EQ(w().Text1.text(), "Data2 vacia");
    EXPECT_TRUE(net().fijarPesosOculta());
    EXPECT_TRUE(net().fijarTarget());
    EXPECT_TRUE(platform.messages.empty());

    w().Text9.set_text("SI");
    net().fijarEntradas();
    net().fijarEntradaPesos();
    net().fijarPesosOculta();
    net().fijarTarget();
    EXPECT_EQ(platform.texts(),
              (std::vector<std::string>{
                  "Fijar Entradas: la tabla bpn esta vacia", "Fijar Entrada pesos: la tabla bpn pesos esta vacia",
                  "Fijar PesosOculta: la tabla bpn Pesos esta vacia", "Fijar Target: la tabla bpn esta vacia"}));
    // "si" in lower case is not "SI" for the empty-table messages.
    w().Text9.set_text("si");
    platform.messages.clear();
    net().fijarEntradas();
    EXPECT_TRUE(platform.messages.empty());
}

TEST_F(EngineLoaders, weight_loaders_fill_both_layers_and_warn_unless_the_field_says_no) {
    add_weight(1, 1, 1, 0.1);
    add_weight(1, 2, 1, 0.2);
    add_weight(1, 2, 2, 0.3);
    add_weight(2, 1, 1, 0.7);
    add_weight(2, 1, 2, 0.8);
    add_weight(2, 1, 0, 0.05);  // unit 0: kept in cell 0, never used
    w().Text2.set_text("2");
    w().Text4.set_text("2");
    for (const char* quiet : {"NO", "no", "No"}) {
        w().Text9.set_text(quiet);
        ASSERT_TRUE(net().fijarEntradaPesos());
        ASSERT_TRUE(net().fijarPesosOculta());
    }
    EXPECT_EQ(net().peso_entrada(2, 2).value, 0.3);
    EXPECT_EQ(net().peso_entrada(1, 1).value, 0.1);
    EXPECT_TRUE(net().peso_entrada(1, 2).is_empty());
    EXPECT_EQ(net().peso_oculta(1).value, 0.7);
    EXPECT_EQ(net().peso_oculta(2).value, 0.8);
    EXPECT_EQ(net().peso_oculta(0).value, 0.05);
    EXPECT_TRUE(platform.messages.empty());

    // Fields that disagree with the table: warned, never changed.
    w().Text9.set_text("anything");
    w().Text2.set_text("9");
    w().Text4.set_text("3");
    net().fijarEntradaPesos();
    net().fijarPesosOculta();
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{
                                    "No coinciden el tamaño de tramas de peso detectado=  2\ry el Ingresado= 9",
                                    "No coinciden el numero de los unidades de pesos detectado=  2\ry el Ingresado= 3",
                                    "El Tamaño de los pesos detectado es 2\ren vez de : 3",
                                    "El Tamaño de los pesos de la capa se salida detectado es 2\ren vez de : 3"}));
    EXPECT_EQ(platform.messages[2].title, "Error");
    EXPECT_EQ(platform.messages[3].icon, Icon::Exclamation);
    EXPECT_EQ(w().Text2.text(), "9");
    EXPECT_EQ(w().Text4.text(), "3");
}

TEST_F(EngineLoaders, targets_cover_every_frame_and_the_last_row_of_a_frame_wins) {
    for (int n = 1; n <= 100; ++n) add_bpn(10, 1, n, n / 1000.0);
    add_bpn(10, 1, 12, 0.5);
    add_bpn(10, 1, 0, 0.75);
    ASSERT_TRUE(net().fijarTarget());
    EXPECT_EQ(net().target(9).value, 0.009);
    EXPECT_EQ(net().target(100).value, 0.1);
    EXPECT_EQ(net().target(12).value, 0.5);
    EXPECT_EQ(net().target(0).value, 0.75);
    EXPECT_TRUE(net().target(101).is_empty());
}

TEST_F(EngineLoaders, null_values_load_as_null_cells) {
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 1, 1, NULL)");
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (10, 1, 1, NULL)");
    ASSERT_TRUE(net().fijarEntradas());
    ASSERT_TRUE(net().fijarTarget());
    EXPECT_TRUE(net().entrada(1, 1).is_null());
    EXPECT_TRUE(net().target(1).is_null());
}

TEST_F(EngineLoaders, rows_outside_the_arrays_are_refused_by_name_and_nothing_is_loaded) {
    add_frame(1, {0.5, 0.6}, 0.9);
    ASSERT_TRUE(net().fijarEntradas());
    ASSERT_TRUE(net().fijarTarget());
    w().Text9.set_text("NO");

    struct Case {
        std::string insert;
        bool (engine::Network::*loader)();
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"INSERT INTO BPN VALUES (1, 150, 2, 9, '')", &engine::Network::fijarEntradas,
         "Fijar Entradas: el registro 4 de BPN (capa 1, fila 150, columna 2) queda fuera de la red: fila y "
         "columna van de 0 a 100.\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."},
        {"INSERT INTO BPN VALUES (1, 2, 101, 9, '')", &engine::Network::fijarEntradas,
         "Fijar Entradas: el registro 4 de BPN (capa 1, fila 2, columna 101) queda fuera de la red: fila y "
         "columna van de 0 a 100.\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."},
        {"INSERT INTO BPN VALUES (1, -1, 1, 9, '')", &engine::Network::fijarEntradas,
         "Fijar Entradas: el registro 4 de BPN (capa 1, fila -1, columna 1) queda fuera de la red: fila y "
         "columna van de 0 a 100.\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."},
        {"INSERT INTO BPN VALUES (1, NULL, 1, 9, '')", &engine::Network::fijarEntradas,
         "Fijar Entradas: el registro 4 de BPN (capa 1, fila vacia, columna 1) queda fuera de la red: fila y "
         "columna van de 0 a 100.\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."},
        {"INSERT INTO BPN VALUES (10, 1, 200, 9, '')", &engine::Network::fijarTarget,
         "Fijar Target: el registro 4 de BPN (capa 10, fila 1, columna 200) queda fuera de la red: la columna "
         "va de 0 a 100.\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."},
        {"INSERT INTO BPNPESOS VALUES (1, 1000, 1, 9)", &engine::Network::fijarEntradaPesos,
         "Fijar Entrada pesos: el registro 1 de BPNPESOS (capa 1, fila 1000, columna 1) queda fuera de la red: "
         "fila y columna van de 0 a 100.\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."},
        {"INSERT INTO BPNPESOS VALUES (2, 1, 4, 9)", &engine::Network::fijarPesosOculta,
         "Fijar PesosOculta: el registro 1 de BPNPESOS (capa 2, fila 1, columna 4) queda fuera de la red: la "
         "columna de la capa 2 va de 0 a 3.\rNo se cargo nada; corrija la tabla y vuelva a intentarlo."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.insert);
        db->execute(c.insert);
        // A valid row after the bad one would change the arrays if loaded.
        add_bpn(1, 1, 1, 42);
        add_bpn(10, 1, 1, 42);
        platform.messages.clear();
        EXPECT_FALSE((net().*c.loader)());
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, c.expected);
        EXPECT_EQ(net().entrada(1, 1).value, 0.5);
        EXPECT_EQ(net().target(1).value, 0.9);
        EXPECT_TRUE(net().peso_entrada(1, 1).is_empty());
        db->execute("DELETE FROM BPN WHERE valor IN (9, 42)");
        db->execute("DELETE FROM BPNPESOS");
    }
    EXPECT_EQ(rows("SELECT * FROM BPN").rows.size(), 3u);
}

TEST_F(EngineLoaders, empty_table_keeps_what_the_arrays_held) {
    add_frame(3, {0.1, 0.2}, 0.3);
    ASSERT_TRUE(net().fijarEntradas());
    ASSERT_TRUE(net().fijarTarget());
    db->execute("DELETE FROM BPN");
    EXPECT_TRUE(net().fijarEntradas());
    EXPECT_TRUE(net().fijarTarget());
    EXPECT_EQ(net().entrada(2, 3).value, 0.2);
    EXPECT_EQ(net().target(3).value, 0.3);
}

}  // namespace
}  // namespace vorn::testing
