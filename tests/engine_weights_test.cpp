// "P.Ini" and guardar_valores: the row layout they write, their report
// texts, and that a refused field or a failed write never costs the
// weights already stored.
#include <gtest/gtest.h>

#include <set>

#include "engine/network.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

class EngineWeights : public WorkbenchTest {
protected:
    engine::Network& net() { return bench->network(); }
    std::vector<std::vector<Value>> weights() { return rows("SELECT * FROM BPNPESOS ORDER BY rowid").rows; }
    void seed_weights() {
        for (int k = 1; k <= 4; ++k) {
            db->execute_bound("INSERT INTO BPNPESOS VALUES (?,?,?,?)", {Value(std::int64_t{1}), Value(std::int64_t{k}),
                                                                        Value(std::int64_t{1}), Value(k / 10.0)});
        }
    }
};

TEST_F(EngineWeights, initial_weights_fill_the_layout_with_draws_in_the_unit_interval) {
    seed_weights();
    w().Text2.set_text("9");
    w().Text4.set_text("3");
    click(w().Command14);
    auto table = weights();
    ASSERT_EQ(table.size(), 30u);
    size_t r = 0;
    for (int i = 1; i <= 9; ++i) {
        for (int j = 1; j <= 3; ++j, ++r) {
            EXPECT_EQ(as_number(table[r][0]), 1);
            EXPECT_EQ(as_number(table[r][1]), i);
            EXPECT_EQ(as_number(table[r][2]), j);
        }
    }
    for (int j = 1; j <= 3; ++j, ++r) {
        EXPECT_EQ(as_number(table[r][0]), 2);
        EXPECT_EQ(as_number(table[r][1]), 1);
        EXPECT_EQ(as_number(table[r][2]), j);
    }
    std::set<double> distinct;
    for (const auto& row : table) {
        double v = as_number(row[3]);
        EXPECT_GE(v, 0.0);
        EXPECT_LT(v, 1.0);
        EXPECT_EQ(v, static_cast<double>(static_cast<float>(v))) << "single precision";
        distinct.insert(v);
    }
    EXPECT_GT(distinct.size(), 25u);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(w().Text1.text(), "Quedan en data2: 30");
    // The arrays are not reloaded.
    EXPECT_TRUE(net().peso_entrada(1, 1).is_empty());

    w().Text9.set_text("SI");
    w().Text2.set_text("2");
    w().Text4.set_text("1");
    click(w().Command14);
    EXPECT_EQ(weights().size(), 3u);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{" En data2 Habia: 30Quedan: 0\rAl final quedan: 3"});
}

TEST_F(EngineWeights, a_refused_field_leaves_the_stored_weights_alone) {
    seed_weights();
    const auto before = weights();
    struct Case {
        const char *text2, *text4, *text9;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"0", "3", "SI", {"Command14 Text2.text vacio"}},
        {"Text2", "3", "NO", {}},
        {"9", "", "NO", {"Text4.text vacio"}},
        {"9",
         "4",
         "NO",
         {"Numero de Unidades en capa oculta (Text4) dice 4, pero la red admite como maximo 3.\rCorrija el campo y "
          "vuelva a intentarlo."}},
        {"101",
         "3",
         "NO",
         {"Tamaño de Tramas (Text2) dice 101, pero la red admite como maximo 100.\rCorrija el campo y vuelva a "
          "intentarlo."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text2) + "/" + c.text4);
        platform.messages.clear();
        w().Text2.set_text(c.text2);
        w().Text4.set_text(c.text4);
        w().Text9.set_text(c.text9);
        click(w().Command14);
        EXPECT_EQ(platform.texts(), c.expected);
        EXPECT_EQ(weights(), before);
    }
    platform.messages.clear();
    w().Text2.set_text("0");
    w().Text9.set_text("SI");
    net().guardar_valores();
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"EXIT guardar_valores\rtext2.text vacia"});
    EXPECT_EQ(weights(), before);
}

TEST_F(EngineWeights, a_write_that_fails_halfway_rolls_back_to_the_old_weights) {
    seed_weights();
    const auto before = weights();
    db->execute(
        "CREATE TRIGGER refuse_fifth BEFORE INSERT ON BPNPESOS WHEN NEW.fila = 5 "
        "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
    w().Text2.set_text("9");
    w().Text4.set_text("3");
    click(w().Command14);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_NE(platform.messages[0].text.find("disco lleno"), std::string::npos);
    EXPECT_EQ(weights(), before);
    // The data source follows the table again.
    w().pesos().refresh();
    EXPECT_EQ(w().pesos().record_count(), 4);
}

TEST_F(EngineWeights, saving_weights_writes_the_arrays_and_warns_about_all_zero_layers) {
    add_frame(1, {0, 0}, 0.5);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.25)");
    db->execute("INSERT INTO BPNPESOS VALUES (1, 2, 1, -0.25)");
    db->execute("INSERT INTO BPNPESOS VALUES (2, 1, 1, 0)");
    w().Text4.set_text("1");
    net().bpntrama("ejecutar", 1);
    platform.messages.clear();
    w().Text9.set_text("SI");
    net().guardar_valores();
    ASSERT_EQ(platform.messages.size(), 3u);
    EXPECT_EQ(platform.messages[0].text, "No de guardaron nuevos pesos para la capa Oculta");
    EXPECT_EQ(platform.messages[0].title, "OJO");
    EXPECT_EQ(platform.messages[0].icon, Icon::Exclamation);
    EXPECT_EQ(platform.messages[1].text, "No de guardaron nuevos pesos para la capa Salidas");
    EXPECT_EQ(platform.messages[2].text, "Habia :  3 Pesos\rDe los cuales quedaron: 0\rAl final Quedan: 3");
    auto table = weights();
    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(as_number(table[0][3]), 0.25);
    EXPECT_EQ(as_number(table[1][3]), -0.25);
    EXPECT_EQ(as_number(table[2][3]), 0.0);
}

}  // namespace
}  // namespace vorn::testing
