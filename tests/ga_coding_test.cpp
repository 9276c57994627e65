// Chromosome coding, the strategies' fitness and descriptions.
#include <algorithm>
#include <array>
#include <cmath>

#include "ga/decoders.h"
#include "ga_fixture.h"
#include "shell/main_window.h"
#include "shell/report_window.h"

namespace vorn::testing {
namespace {

TEST(GaCoding, valorbinario_reads_trimmed_text_with_each_character_by_its_value) {
    EXPECT_EQ(ga::valorbinario(" 0101 "), 5);
    EXPECT_EQ(ga::valorbinario("1 0"), 4);  // the inner blank counts 0
    EXPECT_EQ(ga::valorbinario(""), 0);
    EXPECT_EQ(ga::valorbinario("12"), 4);   // a "2" counts by its value
    EXPECT_EQ(ga::valorbinario("1a1"), 5);
    EXPECT_EQ(ga::valorbinario(std::string(40, '1')), std::pow(2.0, 40) - 1);
}

TEST(GaCoding, mutar_flips_one_inner_bit_with_two_beeps_and_never_an_end_bit) {
    GaDrawPlatform p;
    p.draws = {0.001, 0.3};  // u0 below 0.005, position floor(8 x .3) = 2
    EXPECT_EQ(ga::mutar("00000000", 0.005, p), "01000000");
    EXPECT_EQ(p.beeps, 2);
    p.draws = {0.001, 0.1, 0.2};  // position 0 is drawn again: 0.2 -> 1, the first bit stays
    EXPECT_EQ(ga::mutar("00000000", 0.005, p), "00000000");
    p.draws = {0.5, 0.3};  // u0 above the probability
    EXPECT_EQ(ga::mutar("00000000", 0.005, p), "00000000");
    for (int i = 0; i < 50; ++i) {
        p.draws = {0.0, i / 50.0, 0.99};
        EXPECT_EQ(ga::mutar("10", 0.005, p), "10");
        p.draws = {0.0, i / 50.0};
        EXPECT_EQ(ga::mutar("1", 0.005, p), "1");
    }
    EXPECT_EQ(p.beeps, 2);
}

TEST(GaCoding, gene_mapping_and_code_tables) {
    EXPECT_EQ(ga::map_gene(23, 10), 3);
    EXPECT_EQ(ga::map_gene(20, 10), 10);
    const char* codes[] = {"00", "01", "10", "11", "1", "000", "001", "010", "011", "100", "101", "110", "111", "1"};
    const char* says[] = {"not", "and", "or", "end", "end", "=", "=", ">=", ">=", "<=", "<=", "<", ">", "<="};
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(ga::connector(codes[i]), says[i]) << codes[i];
    for (size_t i = 5; i < std::size(codes); ++i) EXPECT_EQ(ga::comparison(codes[i]), says[i]) << codes[i];
    EXPECT_TRUE(ga::compara(1, "<>", 2));
    EXPECT_FALSE(ga::compara(2, "<", 2));
    EXPECT_TRUE(ga::compara(2, "??", 2));
}

class GaDecoders : public GaFixture {};

TEST_F(GaDecoders, rules_score_the_traded_months_their_conditions_select_and_describe_themselves) {
    ga::GaWindow& w = open();
    // AAA >= BBB holds in months 5..12; CCC > BBB in months 1..7.
    EXPECT_EQ(search().fitness(rule(1, 1, kGe, 2, kEnd, 1, kEq, 3)), 5 + 6 + 7 + 8 + 9 + 10 + 11 + 12);
    EXPECT_EQ(search().fitness(rule(1, 1, kGe, 2, kAnd, 3, kGt, 2)), 5 + 6 + 7);
    EXPECT_EQ(search().fitness(rule(1, 1, kGe, 2, kOr, 3, kGt, 2)), 78);
    EXPECT_EQ(search().fitness(rule(1, 1, kGe, 2, kNot, 3, kGt, 2)), 1 + 2 + 3 + 4);
    // Genes map into 1..4: traded 5 is AAA, right 6 is BBB; BBB is traded
    // where CCC < AAA (months 7..12).
    EXPECT_EQ(search().fitness(rule(5, 1, kGe, 6, kEnd, 1, kEq, 3)), 68);
    EXPECT_EQ(search().fitness(rule(2, 3, kLt, 1, kEnd, 1, kEq, 2)), 6 * 5);
    // Chromosomes that are no rule score -1 or 0.
    EXPECT_EQ(search().fitness(rule(0, 1, kGe, 2, kEnd, 1, kEq, 3)), -1);  // no traded series
    EXPECT_EQ(search().fitness(rule(1, 2, kGe, 2, kEnd, 1, kEq, 3)), -1);  // equal operands
    EXPECT_EQ(search().fitness(rule(1, 1, kGe, 2, kEnd, 3, kEq, 3)), -1);
    EXPECT_EQ(search().fitness(rule(8, 1, kGe, 2, kEnd, 1, kEq, 3)), 0);   // 8 maps to AVG, never traded
    const std::string r = rule(1, 1, kGe, 2, kEnd, 1, kEq, 3);
    const std::vector<std::array<std::string, 3>> cases{
        {r, "Strat", "S(000001) -> 000001 010 000010 BBB 2018 11\r000001 000 000011 00"},
        {r, "stra2", "S(000001) -> 000001 010 000010 BBB 2019 11\r000001 000 000011 00"},
        {r.substr(0, 10), "strat", "S(000001) -> 0000"},
        {"0101", "Vorn", "Vorn=0101"},
        {"0101", "MAX", "Max= 5"},
        {"0011", "Other", " 2 x +  3"},  // the line the fit uses
        {"00110101", "Other", " 3 x +  5"},
        {"1001000101", "Other", " 2 x + -5"},
        {"001100000101", "Other", " 3 x +  5"},  // first and last four bits
        {"0101", "set3", "not avaliable"},
        {"1001000101", "otra", " 2 X -5"}};
    for (const auto& [bits, strategy, said] : cases) EXPECT_EQ(search().describir(bits, strategy), said) << bits;
    EXPECT_TRUE(texts().empty());

    w.Text4.set_text("23");
    EXPECT_EQ(search().fitness(std::string(23, '1')), 0);
    EXPECT_EQ(texts(), std::vector<std::string>{"Strat necesita al menos 24 bits"});
    EXPECT_EQ(w.Text4.text(), "40");
    w.Combo1.set_text("set3");
    EXPECT_EQ(search().fitness("1"), 0);
    EXPECT_EQ(texts().back(), "stra2 necesita al menos 24 bits");

    // A gap in the numbers: series 4 is missing.
    db->execute("DELETE FROM Mercap WHERE numero = 4");
    db->execute("INSERT INTO Mercap (numero, nombre) VALUES (9, 'ZZZ 2019')");
    w.Combo1.set_text("stra2");
    EXPECT_EQ(search().fitness(rule(1, 4, kGe, 2, kEnd, 1, kEq, 3)), -1);
}

TEST_F(GaDecoders, an_empty_market_table_scores_minus_one_and_says_so_once_per_run) {
    ga::GaWindow& w = open();
    db->execute("DELETE FROM AccionesXmes");
    start(w, "Strat", "4", "40");
    ASSERT_GE(count("GA"), 1);
    for (const auto& row : rows("SELECT fitness FROM GA").rows) EXPECT_EQ(as_number(row[0]), -1);
    const std::vector<std::string> shown = texts();
    EXPECT_EQ(std::count_if(shown.begin(), shown.end(),
                            [](const std::string& t) { return t.find("AccionesXmes") != std::string::npos; }),
              1);
    // The description leaves the series name out.
    EXPECT_EQ(search().describir(rule(1, 1, kGe, 2, kEnd, 1, kEq, 3), "Strat"),
              "S(000001) -> 000001 010 000010 11\r000001 000 000011 00");
}

TEST_F(GaDecoders, max_vorn_and_the_line_fit_of_other) {
    ga::GaWindow& w = open();
    MainWindow& main = bench->main();
    w.Combo1.set_text("Max");
    EXPECT_EQ(search().fitness("0000"), 0.01);
    EXPECT_EQ(search().fitness("0101"), 5);

    main.hide();
    main.Timer1.set_interval(0);
    w.Combo1.set_text("Vorn");
    EXPECT_EQ(search().fitness("0110"), 1);
    EXPECT_EQ(main.Text10.text(), "0110");
    EXPECT_TRUE(main.Timer1.interval() == 1 && main.visible());

    w.Combo1.set_text("Other");
    w.Text4.set_text("4");
    platform.draws = {0.25};
    w.Command1.click();  // FILL: one point of y = 2x + 3
    EXPECT_EQ(rows("SELECT numero, serie1, serie2 FROM series").rows,
              (std::vector<std::vector<Value>>{{Value(std::int64_t{1}), Value(0.25), Value(3.5)}}));
    EXPECT_EQ(search().fitness("0011"), 1e17);
    EXPECT_EQ(bench->reports().get().caption(), " 2 x + 3 !!!");
    EXPECT_DOUBLE_EQ(search().fitness("0001"), 0.5);  // y = 2x + 1 is off by 2
    w.Text4.set_text("10");  // a = -(0010), b = +(0011): y = -2x + 3, off by 1 at x = .25
    EXPECT_DOUBLE_EQ(search().fitness("0001010011"), 1);
    EXPECT_EQ(bench->reports().get().caption(), "-2 x + 3 !!!");

    // Any other length scores 0 and says so once per run.
    start(w, "Other", "4", "5");
    for (const auto& row : rows("SELECT fitness FROM GA").rows) EXPECT_EQ(as_number(row[0]), 0);
    const std::vector<std::string> shown = texts();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "La estrategia Other necesita Tama\xC3\xB1o Cadena 4, 8 o 10"), 1);
}

}  // namespace
}  // namespace vorn::testing
