// The frame toolkit's common operations: renumbering, deleting, the
// information command and frames inserted from a market table.
#include "frames_fixture.h"

namespace vorn {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::FramesTest;

class FramesCommonTest : public FramesTest {};

TEST_F(FramesCommonTest, renumbering_follows_frame_numbers_and_closes_gaps) {
    add_frame(5, {3, 4}, std::nullopt, "b");
    add_bpn(1, 3, 5, 5, "b");
    add_frame(2, {1, 2}, 0.5, "a");
    db->execute("INSERT INTO BPN (capa, fila, columna, valor) VALUES (1, 1, NULL, 9)");
    add_frame(9, {7}, 0.25, "c");
    refresh_all();

    EXPECT_EQ(toolkit().renumerartramas(), 1);
    EXPECT_EQ(count("columna IS NULL"), 0);
    EXPECT_THAT(values(1), ElementsAre(1, 2));
    EXPECT_EQ(target(1), 0.5);
    EXPECT_THAT(values(2), ElementsAre(3, 4, 5));
    EXPECT_EQ(name(3), "c");
    EXPECT_EQ(w().Text3.text(), " 3");
    EXPECT_EQ(w().Text2.text(), " 3");

    // Sorted by capa it keeps its frames; a reversal survives the next append.
    db->execute("DELETE FROM BPN");
    for (int f = 1; f <= 2; ++f) add_bpn(1, 1, f, f);
    for (int f = 1; f <= 2; ++f) add_bpn(1, 2, f, 10 * f);
    for (int f = 1; f <= 2; ++f) add_bpn(10, 1, f, 0.1 * f);
    refresh_all();
    EXPECT_EQ(toolkit().renumerartramas(), 1);
    EXPECT_EQ(frames(), 2);
    EXPECT_THAT(values(2), ElementsAre(2, 20));
    toolkit().invertir_numeracion();
    answer({"1", "1"});
    click(w().Command22);
    EXPECT_THAT(values(1), ElementsAre(2, 20));
    EXPECT_THAT(values(3), ElementsAre(4, 40));
}

TEST_F(FramesCommonTest, renumbering_counts_pattern_rows_wherever_they_stand) {
    // Only target rows: nothing to work on, and appending stops without a word.
    add_bpn(10, 1, 1, 0.5);
    refresh_all();
    EXPECT_EQ(toolkit().renumerartramas(), 0);
    answer({"1", "1"});
    click(w().Command22);
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(platform.messages.empty());

    // A frame that lists its target first still holds pattern rows.
    add_bpn(1, 1, 1, 0.25);
    refresh_all();
    EXPECT_EQ(toolkit().renumerartramas(), 1);
}

TEST_F(FramesCommonTest, a_derived_frame_never_joins_a_frame_that_holds_only_a_target) {
    add_frames({{1, 2}}, {0.5});
    add_bpn(10, 1, 2, 0.9);
    refresh_all();
    answer({"1", "1"});
    click(w().Command22);
    EXPECT_EQ(count("columna = 2"), 1);
    EXPECT_THAT(values(3), ElementsAre(2, 4));
    EXPECT_EQ(target(3), 1);
    EXPECT_EQ(w().Text3.text(), " 3");
}

TEST_F(FramesCommonTest, deleting_a_frame_moves_the_later_frames_down) {
    add_frames({{1}, {2}, {3}, {4}, {5}}, {1, 2, 3, 4, 5});
    toolkit().borrartrama(3);
    EXPECT_EQ(frames(), 4);
    EXPECT_THAT(values(3), ElementsAre(4));
    EXPECT_EQ(target(4), 5);
    EXPECT_EQ(w().Text3.text(), " 4");

    // Above the frame count, or not a frame at all: nothing is deleted.
    toolkit().borrartrama(9);
    toolkit().borrartrama(0);
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"No existe trama  9", "No existe trama  0"}));
    EXPECT_EQ(frames(), 4);

    for (int n = 4; n >= 1; --n) toolkit().borrartrama(1);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(w().Text1.text(), "Data1 vacia");
    toolkit().borrartrama(1);
    EXPECT_EQ(platform.texts().back(), "No hay tramas en data1 para Borrar");
}

TEST_F(FramesCommonTest, delete_all_runs_only_on_si_in_any_case) {
    add_frames({{1, 2}}, {0.5});
    answer({"no", std::nullopt, "", " si"});
    for (int i = 0; i < 4; ++i) click(w().Command33);
    EXPECT_EQ(count(), 3);
    ASSERT_FALSE(platform.asked.empty());
    EXPECT_EQ(platform.asked[0].prompt, "Borrar Todas las Tramas?");

    answer({"sI"});
    click(w().Command33);
    EXPECT_EQ(count(), 0);
    EXPECT_EQ(w().Text2.text(), "0");
    EXPECT_EQ(w().Text3.text(), "0");
}

TEST_F(FramesCommonTest, information_sets_the_experiment_fields_and_detects_the_frames) {
    set_decimal_separator(',');
    add_frame(1, {1, 2, 3}, 0.5);
    add_frame(2, {1, 2, 3}, 0.5);
    refresh_all();
    w().Text9.set_text("si");
    click(w().Command34);
    std::vector<std::string> fields;
    for (TextField* f : {&w().Text2, &w().Text3, &w().Text4, &w().Text5, &w().Text6, &w().Text7, &w().Text8, &w().Text9})
        fields.push_back(f->text());
    EXPECT_EQ(fields, (std::vector<std::string>{" 3", " 2", "3", "2", "0,025", "50", "0,5", "NO"}));
}

class MarketInsertTest : public FramesTest {
protected:
    void add_stock(int numero, const std::string& nombre, double first) {
        std::string sql =
            "INSERT INTO AccionesXmes VALUES (" + std::to_string(numero) + ", '" + nombre + "', 'X', 2018";
        for (int m = 0; m < 12; ++m) sql += ", " + std::to_string(first + m);
        db->execute(sql + ")");
    }
};

TEST_F(MarketInsertTest, a_record_becomes_a_frame_whose_last_value_is_its_target) {
    add_stock(1, "AAA 2018", 10);
    add_stock(2, "BBB 2018", 20);
    add_frames({{1, 2}}, {0.5});
    EXPECT_EQ(toolkit().inserttrama(frames::MarketTable::AccionesXmes, 2), "BBB 2018");
    EXPECT_EQ(values(2).size(), 11u);
    EXPECT_DOUBLE_EQ(values(2).front(), 0.2);
    EXPECT_DOUBLE_EQ(*target(2), 0.31);
    EXPECT_EQ(name(2), "BBB 2018");
    EXPECT_EQ(w().Text3.text(), "2");

    // A number that names no record is reported and the last record used.
    EXPECT_EQ(toolkit().inserttrama(frames::MarketTable::AccionesXmes, -4), "BBB 2018");
    EXPECT_THAT(platform.texts().back(), HasSubstr("function inserttrama no encontre numero=-4"));
    EXPECT_EQ(frames(), 3);
}

TEST_F(MarketInsertTest, small_market_tables_never_hang_the_draw) {
    add_frames({{1, 2}}, {0.5});
    // An empty table cannot give a record; one record is the only choice.
    EXPECT_EQ(toolkit().inserttrama(frames::MarketTable::Mercap, 0), "");
    EXPECT_EQ(platform.texts().back(), "No hay registros en la tabla Mercap");
    add_stock(1, "ONLY 2018", 1);
    refresh_all();
    click(w().Command47);
    EXPECT_EQ(name(2), "ONLY 2018");
}

}  // namespace
}  // namespace vorn
