// "P.Ini" and guardar_valores: rows, reports, and old weights kept on any refusal or failure.
#include <gmock/gmock.h>
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
    void seed_weights() { db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.1), (1, 2, 1, 0.2), (1, 3, 1, 0.3)"); }
    std::vector<std::string> initial_weights(const char* size, const char* hidden) {
        w().Text2.set_text(size);
        w().Text4.set_text(hidden);
        platform.messages.clear();
        click(w().Command14);
        return platform.texts();
    }
};

TEST_F(EngineWeights, initial_weights_fill_the_layout_with_single_precision_draws_in_the_unit_interval) {
    seed_weights();
    EXPECT_TRUE(initial_weights("9", "3").empty());
    const auto table = weights();
    ASSERT_EQ(table.size(), 30u);
    std::set<double> distinct;
    for (size_t r = 0; r < table.size(); ++r) {
        // Layer 1 by row then unit, then layer 2's three units.
        const double layout[3] = {r < 27 ? 1.0 : 2.0, r < 27 ? r / 3 + 1.0 : 1.0, r % 3 + 1.0};
        for (size_t c = 0; c < 3; ++c) EXPECT_EQ(as_number(table[r][c]), layout[c]) << r << "," << c;
        const double v = as_number(table[r][3]);
        EXPECT_TRUE(v >= 0.0 && v < 1.0) << v;
        EXPECT_EQ(v, static_cast<double>(static_cast<float>(v)));
        distinct.insert(v);
    }
    EXPECT_GT(distinct.size(), 25u);
    EXPECT_EQ(w().Text1.text(), "Quedan en data2: 30");
    EXPECT_TRUE(net().peso_entrada(1, 1).is_empty());  // the arrays are not reloaded

    w().Text9.set_text("SI");
    EXPECT_EQ(initial_weights("2", "1"), std::vector<std::string>{" En data2 Habia: 30Quedan: 0\rAl final quedan: 3"});
}

TEST_F(EngineWeights, a_refused_field_or_a_write_that_fails_halfway_leaves_the_stored_weights_alone) {
    seed_weights();
    const auto before = weights();
    auto beyond = [](const std::string& said, const char* max) {
        return said + ", pero la red admite como maximo " + max + ".\rCorrija el campo y vuelva a intentarlo.";
    };
    for (const auto& [text2, text4, text9, expected] :
         std::vector<std::tuple<const char*, const char*, const char*, std::vector<std::string>>>{
             {"0", "3", "SI", {"Command14 Text2.text vacio"}},
             {"Text2", "3", "NO", {}},
             {"9", "", "NO", {"Text4.text vacio"}},
             {"9", "4", "NO", {beyond("Numero de Unidades en capa oculta (Text4) dice 4", "3")}},
             {"101", "3", "NO", {beyond("Tamaño de Tramas (Text2) dice 101", "100")}}}) {
        SCOPED_TRACE(std::string(text2) + "/" + text4);
        w().Text9.set_text(text9);
        EXPECT_EQ(initial_weights(text2, text4), expected);
        EXPECT_EQ(weights(), before);
    }
    platform.messages.clear();
    w().Text2.set_text("0");
    w().Text9.set_text("SI");
    net().guardar_valores();
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"EXIT guardar_valores\rtext2.text vacia"});
    EXPECT_EQ(weights(), before);

    db->execute(
        "CREATE TRIGGER refuse_fifth BEFORE INSERT ON BPNPESOS WHEN NEW.fila = 5 "
        "BEGIN SELECT RAISE(ABORT, 'disco lleno'); END");
    EXPECT_THAT(initial_weights("9", "3"), ::testing::ElementsAre(::testing::HasSubstr("disco lleno")));
    EXPECT_EQ(weights(), before);
    w().pesos().refresh();  // the data source follows the table again
    EXPECT_EQ(w().pesos().record_count(), 3);
}

TEST_F(EngineWeights, saving_all_zero_layers_warns_about_each) {
    add_frame(1, {0, 0}, 0.5);
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.25), (1, 2, 1, -0.25), (2, 1, 1, 0)");
    w().Text4.set_text("1");
    net().bpntrama("ejecutar", 1);
    platform.messages.clear();
    w().Text9.set_text("SI");
    net().guardar_valores();
    EXPECT_EQ(platform.texts(),
              (std::vector<std::string>{"No de guardaron nuevos pesos para la capa Oculta",
                                        "No de guardaron nuevos pesos para la capa Salidas",
                                        "Habia :  3 Pesos\rDe los cuales quedaron: 0\rAl final Quedan: 3"}));
    EXPECT_EQ(weights().size(), 3u);
}

}  // namespace
}  // namespace vorn::testing
