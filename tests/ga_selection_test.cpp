// Roulette, mating pool, pairing and crossover on fixed draws.
#include <deque>

#include "ga/population.h"
#include "ga/reports.h"
#include "ga_fixture.h"

namespace vorn::testing {
namespace {

using ga::GaRow;

GaRow row(long long recno, long long codigo, const std::string& cadena, std::optional<double> fitness = {}) {
    GaRow r;
    r.recno = recno;
    r.codigo = codigo;
    r.cadena = cadena;
    r.decimal = ga::valorbinario(cadena);
    r.fitness = fitness;
    return r;
}

class RecordingView : public ga::GenerationView {
public:
    std::vector<std::string> captions;
    std::vector<std::vector<std::string>> listings;
    void progress(const std::string& caption) override { captions.push_back(caption); }
    void listing(std::vector<std::string> lines) override { listings.push_back(std::move(lines)); }
};

TEST(GaSelection, probabilities_shift_negative_fitness_and_give_one_each_for_a_zero_total) {
    std::vector<GaRow> rows{row(0, 1, "1", 1), row(1, 2, "1", 3)};
    ga::probabilidades(rows, ga::sumafitness(rows));
    EXPECT_EQ(*rows[0].prob, 0.25);
    EXPECT_EQ(*rows[1].acumprob, 1);
    rows = {row(0, 1, "1", 0), row(1, 2, "1", 0), row(2, 3, "1", 0)};
    ga::probabilidades(rows, 0);
    EXPECT_EQ(*rows[2].acumprob, 3);
    // The worst rule gets no chance, the best the most; fitness stays.
    rows = {row(0, 1, "1", -2), row(1, 2, "1", 2), row(2, 3, "1", 0)};
    ga::probabilidades(rows, ga::sumafitness(rows));
    EXPECT_EQ(*rows[0].prob, 0);
    EXPECT_DOUBLE_EQ(*rows[1].prob, 4.0 / 6);
    EXPECT_EQ(*rows[0].fitness, -2);
    // Equal negative fitness: a total of 0 after the shift, prob 1 each.
    rows = {row(0, 1, "1", -1), row(1, 2, "1", -1)};
    ga::probabilidades(rows, -2);
    EXPECT_EQ(*rows[1].acumprob, 2);
}

TEST(GaSelection, ruleta_takes_the_first_row_that_reaches_the_draw_or_else_the_last) {
    GaDrawPlatform p;
    std::vector<GaRow> rows{row(0, 7, "1", 1), row(1, 8, "1", 3)};
    ga::probabilidades(rows, 4);
    p.draws = {0.3, 0.25, 0.0};
    EXPECT_EQ(ga::ruleta(rows, p), 1U);
    EXPECT_EQ(ga::ruleta(rows, p), 0U);
    EXPECT_EQ(ga::ruleta(rows, p), 0U);
    rows[1].acumprob = 0.99;  // rounding left the last just below the draw
    p.draws = {0.995};
    EXPECT_EQ(ga::ruleta(rows, p), 1U);
    EXPECT_TRUE(p.messages.empty());
    // The representative is the first greatest value above zero.
    rows = {row(0, 1, "010"), row(1, 2, "110"), row(2, 3, "0110")};
    EXPECT_EQ(ga::representative(rows).cadena, "110");
    rows = {row(0, 1, "000"), row(1, 2, "00")};
    EXPECT_EQ(ga::representative(rows).cadena, "");
}

TEST(GaSelection, mate_builds_the_pool_from_the_draws_and_drops_the_previous_pool) {
    GaDrawPlatform p;
    RecordingView view;
    // A fresh population (nueva null) of three; the second is drawn twice.
    std::vector<GaRow> rows{row(0, 1, "100", 1), row(1, 2, "010", 1), row(2, 3, "001", 1)};
    ga::probabilidades(rows, 3);
    p.draws = {0.5, 0.6, 0.9};
    std::vector<ga::MateCopy> copies = ga::mate(rows, 3, p, view);
    ASSERT_EQ(copies.size(), 3U);
    EXPECT_EQ(copies[0].codigo, 2);
    EXPECT_EQ(copies[0].mate, 2);
    EXPECT_EQ(copies[2].codigo, 3);
    // The fresh rows stay until markcross; the pool joins them.
    ASSERT_EQ(rows.size(), 6U);
    EXPECT_EQ(*rows[1].mate, 2);
    EXPECT_FALSE(rows[0].mate.has_value());
    EXPECT_EQ(rows[3].cadena, "010");
    EXPECT_EQ(*rows[3].nueva, "AAA");
    EXPECT_EQ(rows[3].recno, 1);
    EXPECT_FALSE(rows[3].fitness.has_value());
    EXPECT_EQ(view.captions.front(), "Pasada  1/ 2 codigo: 2");
    EXPECT_EQ(view.captions.back(), "Pasada  1/ 1 codigo: 3");

    // Rows of an earlier pool (nueva holds their offspring) leave.
    std::vector<GaRow> next{row(0, 1, "11", 1), row(1, 2, "00", 1)};
    for (GaRow& r : next) r.nueva = r.cadena;
    ga::probabilidades(next, 2);
    p.draws = {0.1, 0.1};
    ga::mate(next, 2, p, view);
    ASSERT_EQ(next.size(), 2U);
    EXPECT_EQ(*next[0].nueva, "AAA");
    EXPECT_EQ(next[1].cadena, "11");
}

TEST(GaSelection, crossover_cuts_once_mutates_the_first_offspring_only) {
    struct Case {
        std::deque<double> draws;  // t, the cut, then mutar's draws
        std::string a, b, first, second;
    };
    const std::vector<Case> cases{
        {{0.5, 0.3, 0.9, 0.5}, "1100", "0011", "1011", "0100"},         // cut floor(4 x .3) = 1, no mutation
        {{0.5, 0.3, 0.001, 0.6}, "1100", "0011", "1111", "0100"},       // bit floor(4 x .6) = 2 of the first flips
        {{0.5, 0.1, 0.1, 0.8, 0.9, 0.5}, "1100", "0011", "1101", "0010"},  // a cut point of 0 is drawn again
        {{0.5}, "1", "0", "1", "0"}};                                    // one bit has no cut point
    for (const Case& c : cases) {
        GaDrawPlatform p;
        p.draws = c.draws;
        std::vector<GaRow> rows{row(1, 1, c.a), row(2, 2, c.b)};
        ga::crossover(rows, 1, 1, c.a, 2, c.b, p);
        EXPECT_EQ(*rows[0].nueva + " " + *rows[1].nueva, c.first + " " + c.second);
        EXPECT_TRUE(p.messages.empty() && p.draws.empty());
    }
}

TEST(GaSelection, markcross_pairs_every_pool_row_and_pairs_a_last_one_with_itself) {
    GaDrawPlatform p;
    RecordingView view;
    // One row left from the fresh population, then a pool of three.
    std::vector<GaRow> rows{row(0, 9, "0000"), row(0, 1, "1100"), row(0, 2, "0011"), row(0, 3, "1111")};
    for (size_t i = 1; i < rows.size(); ++i) rows[i].nueva = "AAA";
    // Pass 1: a = b = floor(3 x .5) = 1, the second unpaired row (recno 3)
    // with itself; pass 2: m = 2, every draw gives the second (recno 4);
    // pass 3: recno 2 alone, paired with itself.
    p.draws = {0.5, 0.5};
    ga::MarkcrossResult result = ga::markcross(rows, p, view);
    ASSERT_EQ(rows.size(), 3U);
    for (const GaRow& r : rows) {
        ASSERT_TRUE(r.crossover.has_value());
        EXPECT_EQ(*r.crossover, r.recno);  // every draw here lands on the row itself
        ASSERT_TRUE(r.nueva.has_value());
        EXPECT_EQ(r.nueva->size(), 4U);
    }
    EXPECT_EQ(rows[0].recno, 2);  // renumbered 1..4 before the old row left
    EXPECT_EQ(result.borrar2.size(), 1U);
    EXPECT_EQ(view.captions.back(), "Fin markcross");
    EXPECT_EQ(view.listings.front()[1], " 2\t 1\t 12\t");
    EXPECT_EQ(view.listings[1][0], "Browse de Data5 borrar2");
    EXPECT_EQ(view.listings[1][2], " 2    *  1    *  12    *     * 1100    * AAA    * ");
    EXPECT_EQ(view.listings.back().back(), " 4\t 3\t 15\t 4\t1111\t1111");
    EXPECT_TRUE(p.messages.empty());
}

// Draws that never land on a row: nothing pairs, and the loop asks.
class NoRow : public ga::PairingDraw {
public:
    long moves(long m, Platform&) override { return m; }
};

TEST(GaSelection, a_pairing_loop_that_pairs_nothing_asks_every_ten_times_the_pool_plus_ten) {
    GaDrawPlatform p;
    RecordingView view;
    NoRow draw;
    std::vector<GaRow> rows{row(0, 1, "10"), row(0, 2, "01")};
    for (GaRow& r : rows) r.nueva = "AAA";
    p.answers = {Answer::No, Answer::Cancel, Answer::Yes};
    EXPECT_THROW(ga::markcross(rows, p, view, draw), EndProgram);
    EXPECT_EQ(p.questions, (std::vector<std::string>{"Pasada= 30 Termino?", "Pasada= 60 Termino?",
                                                     "Pasada= 90 Termino?"}));
    EXPECT_EQ(p.messages.front().text, "No encontre crossr1 en data1");
    EXPECT_EQ(p.messages.front().title, "ojo");
}

TEST(GaReports, listing_numbers_read_as_the_short_form_of_every_other_listing) {
    for (double x : {0.0, 5.0, -3.0, 1099511627775.0, 2.5, -0.125, 999999999999999.0, 1e15, 1e-5}) {
        GaRow r = row(0, 1, "1");
        r.decimal = x;
        EXPECT_EQ(ga::population_lines({r})[2], " 0\t 1\t" + format_short(x) + "\t\t1\t") << x;
    }
    EXPECT_EQ(ga::whole_text(-42), "-42");
    EXPECT_EQ(ga::whole_text(7), " 7");
}

}  // namespace
}  // namespace vorn::testing
