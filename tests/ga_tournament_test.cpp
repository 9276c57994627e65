// The "Torneo" method of the GA window: its box and field, the invariants of
// its run (the best is never lost, each rule's converge score is its own,
// nothing scored twice) and the tables and curve it leaves.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "ga_fixture.h"

namespace vorn::testing {
namespace {

class GaTournamentTest : public GaFixture {
protected:
    // A strategy that counts its calls: the number of ones, or NaN for a
    // chromosome ending in "11" when `nulls` (a score nobody can rank).
    void add_counting_strategy(const std::string& name, bool nulls) {
        search().add_strategy({name,
                               [this, nulls](const std::string& c) {
                                   ++scored[c];
                                   if (nulls && c.size() >= 2 && c.substr(c.size() - 2) == "11") {
                                       return std::numeric_limits<double>::quiet_NaN();
                                   }
                                   return static_cast<double>(std::count(c.begin(), c.end(), '1'));
                               },
                               [](const std::string& c) { return "Unos=" + c; }});
    }
    void start_torneo(ga::GaWindow& w, const std::string& strategy, const std::string& n, const std::string& l,
                      const std::string& passes, const std::string& generations) {
        w.ComboMetodo.set_text("Torneo");
        w.TextGeneraciones.set_text(generations);
        start(w, strategy, n, l, passes);
    }
    std::vector<double> column(const std::string& sql) {
        std::vector<double> out;
        for (const auto& row : rows(sql).rows) out.push_back(is_null(row[0]) ? NAN : as_number(row[0]));
        return out;
    }
    // The run's tables as text, row by row.
    std::vector<std::string> snapshot() {
        std::vector<std::string> out;
        for (const char* sql :
             {"SELECT * FROM GA ORDER BY rowid", "SELECT * FROM sumas ORDER BY rowid",
              "SELECT * FROM converge ORDER BY rowid", "SELECT * FROM borrar ORDER BY rowid",
              "SELECT * FROM borrar2 ORDER BY rowid"}) {
            out.emplace_back(sql);
            for (const auto& r : rows(sql).rows) {
                std::string line;
                for (const Value& v : r) {
                    line += (is_null(v) ? "null" : is_numeric(v) ? format_sql(as_number(v)) : as_text(v)) + ";";
                }
                out.push_back(line);
            }
        }
        return out;
    }
    std::map<std::string, int> scored;
};

TEST_F(GaTournamentTest, the_window_opens_with_the_classic_method_and_fifty_generations) {
    ga::GaWindow& w = open();
    EXPECT_EQ(w.ComboMetodo.text(), "Clasico");
    EXPECT_EQ(w.ComboMetodo.items(), (std::vector<std::string>{"Clasico", "Torneo"}));
    EXPECT_EQ(w.TextGeneraciones.text(), "50");
    EXPECT_EQ(w.LabelGeneraciones.caption(), "Generaciones");
    EXPECT_FALSE(w.ComboMetodo.tooltip().empty());
    EXPECT_FALSE(w.TextGeneraciones.tooltip().empty());
}

TEST_F(GaTournamentTest, generations_that_are_not_a_whole_number_from_1_to_10000_are_refused_before_anything_changes) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO converge (cadena, fitness) VALUES ('0101', 7)");
    db->execute("INSERT INTO GA (recno, cadena) VALUES (1, '1111')");
    for (const char* text : {"0", "10001", "abc", "1.5", "-3", "", " ", "2e3", "99999999999999999999"}) {
        SCOPED_TRACE(text);
        platform.messages.clear();
        start_torneo(w, "Max", "4", "8", "1", text);
        EXPECT_EQ(texts(), (std::vector<std::string>{"Generaciones debe ser un numero entero de 1 a 10000"}));
        EXPECT_EQ(count("converge"), 1);
        EXPECT_EQ(count("GATargets"), 0);
        EXPECT_EQ(as_text(rows("SELECT cadena FROM GA").rows.at(0)[0]), "1111");
    }
    // The classic method does not read the field.
    platform.messages.clear();
    w.ComboMetodo.set_text("Clasico");
    start(w, "Max", "4", "8");
    ASSERT_FALSE(texts().empty());
    EXPECT_EQ(texts().back().rfind("Programa Terminado", 0), 0U);
    // Blanks around the number are accepted.
    w.ComboMetodo.set_text("Torneo");
    w.TextGeneraciones.set_text(" 1 ");
    start(w, "Max", "4", "8");
    EXPECT_EQ(count("sumas"), 1);
}

struct RunCase {
    const char* strategy;
    const char* n;
    const char* l;
    const char* passes;
    const char* generations;
};

TEST_F(GaTournamentTest, a_torneo_run_never_loses_its_best_scores_each_chromosome_once_and_keeps_its_own_scores) {
    add_counting_strategy("Unos", false);
    add_counting_strategy("Nulos", true);
    ga::GaWindow& w = open();
    for (const RunCase& c : {RunCase{"Unos", "10", "16", "3", "12"}, RunCase{"Nulos", "7", "12", "2", "9"},
                             RunCase{"Strat", "20", "40", "2", "15"}, RunCase{"Max", "6", "10", "1", "20"}}) {
        SCOPED_TRACE(c.strategy);
        scored.clear();
        platform.messages.clear();
        start_torneo(w, c.strategy, c.n, c.l, c.passes, c.generations);
        const std::map<std::string, int> scored_in_run = scored;
        const long n = std::stol(c.n) + std::stol(c.n) % 2;
        const long generations = std::stol(c.generations);

        // sumas: the best of every generation of the last pass, never lower
        // than the one before.
        const std::vector<double> bests = column("SELECT sumafit FROM sumas ORDER BY rowid");
        ASSERT_EQ(static_cast<long>(bests.size()), generations);
        for (size_t g = 1; g < bests.size(); ++g) EXPECT_GE(bests[g], bests[g - 1]) << "generation " << g + 1;

        // GA: the last population, each row with its own score, numbered
        // 1..N, without roulette or pairing.
        const QueryResult ga = rows("SELECT recno, codigo, cadena, decimal, fitness, prob, acumprob, mate, crossover "
                                    "FROM GA ORDER BY rowid");
        ASSERT_EQ(static_cast<long>(ga.rows.size()), n);
        double best_in_ga = -INFINITY;
        for (size_t i = 0; i < ga.rows.size(); ++i) {
            const auto& r = ga.rows[i];
            const std::string cadena = as_text(r[2]);
            EXPECT_EQ(as_number(r[0]), static_cast<double>(i + 1));
            EXPECT_EQ(cadena.size(), std::stoul(c.l));
            EXPECT_EQ(as_number(r[3]), ga::valorbinario(cadena));
            const double own = search().fitness(cadena);
            if (std::isnan(own)) {
                EXPECT_TRUE(is_null(r[4]));
            } else {
                EXPECT_EQ(as_number(r[4]), own);
                if (std::string(c.strategy) != "Strat" || own != -1) best_in_ga = std::max(best_in_ga, own);
            }
            for (size_t k = 5; k < 9; ++k) EXPECT_TRUE(is_null(r[k]));
        }
        EXPECT_EQ(best_in_ga, bests.back());

        // converge: the run's three best distinct rules, best first, each
        // with the score it gets when scored again.
        const QueryResult conv =
            rows("SELECT cadena, fitness, porc, funcionfitness, descrip FROM converge ORDER BY -fitness");
        ASSERT_EQ(conv.rows.size(), 3U);
        std::set<std::string> distinct;
        for (const auto& r : conv.rows) {
            const std::string cadena = as_text(r[0]);
            distinct.insert(cadena);
            EXPECT_EQ(as_number(r[1]), search().fitness(cadena)) << cadena;
            EXPECT_EQ(as_text(r[3]), c.strategy);
            EXPECT_EQ(as_text(r[4]), search().describir(cadena, c.strategy));
        }
        EXPECT_EQ(distinct.size(), 3U);
        EXPECT_GE(as_number(conv.rows[0][1]), bests.back());
        EXPECT_GE(as_number(conv.rows[0][2]), 1);  // the run's best ended its pass as the best
        const std::string best = as_text(conv.rows[0][0]);
        EXPECT_EQ(w.Text9.text(), best + " " + search().describir(best, c.strategy));
        ASSERT_FALSE(texts().empty());
        EXPECT_EQ(texts().back(), "Programa Terminado\r" + search().describir(best, c.strategy));

        // Scored once each within the run.
        if (std::string(c.strategy) == "Unos" || std::string(c.strategy) == "Nulos") {
            ASSERT_FALSE(scored_in_run.empty());
            for (const auto& [cadena, calls] : scored_in_run) EXPECT_EQ(calls, 1) << cadena;
            EXPECT_LT(static_cast<long>(scored_in_run.size()), n * (generations + 1) * std::stol(c.passes));
        }

        // The curve: the best and, second, the population's mean, a point a
        // generation of every pass, the last pass's at the end; printed a
        // line each.
        const long drawn = generations * std::stol(c.passes);
        const long last = drawn - generations;
        ASSERT_EQ(w.Curva.lines().size(), 2U);
        ASSERT_EQ(static_cast<long>(w.Curva.lines()[0].size()), drawn);
        ASSERT_EQ(static_cast<long>(w.Curva.lines()[1].size()), drawn);
        for (long g = 0; g < generations; ++g) {
            EXPECT_EQ(w.Curva.lines()[0][last + g].x, static_cast<double>(last + g + 1));
            EXPECT_EQ(w.Curva.lines()[0][last + g].y, bests[g]);
            EXPECT_LE(w.Curva.lines()[1][last + g].y, bests[g]);
        }
        const std::string printed = w.Curva.text();
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1);
    }
}

TEST_F(GaTournamentTest, a_torneo_run_moves_former_results_to_targets_and_a_seeded_stream_repeats_it) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO converge (cadena, fitness) VALUES ('0101', 7), ('0011', -2)");
    platform.stream = RandomStream(77);
    start_torneo(w, "Strat", "10", "40", "2", "10");
    EXPECT_EQ(count("GATargets"), 1);
    EXPECT_EQ(as_text(rows("SELECT cadena FROM GATargets").rows.at(0)[0]), "0101");
    const std::vector<std::string> first = snapshot();
    platform.stream = RandomStream(77);
    start_torneo(w, "Strat", "10", "40", "2", "10");
    EXPECT_EQ(snapshot(), first);
    platform.stream = RandomStream(78);
    start_torneo(w, "Strat", "10", "40", "2", "10");
    EXPECT_NE(snapshot(), first);
}

TEST_F(GaTournamentTest, the_classic_run_draws_and_stores_as_it_did_whatever_the_generations_field_holds) {
    ga::GaWindow& w = open();
    platform.stream = RandomStream(31);
    start(w, "Strat", "10", "40", "2");
    const std::vector<std::string> first = snapshot();
    const std::vector<std::string> said = texts();
    ASSERT_GT(count("sumas"), 0);
    EXPECT_GT(count("borrar"), 0);

    platform.messages.clear();
    platform.stream = RandomStream(31);
    w.ComboMetodo.set_text("Clasico");
    w.TextGeneraciones.set_text("abc");
    start(w, "Strat", "10", "40", "2");
    EXPECT_EQ(snapshot(), first);
    EXPECT_EQ(texts(), said);
}

TEST_F(GaTournamentTest, a_stop_drops_the_torneo_generation_in_course_and_records_the_last_whole_one) {
    add_counting_strategy("Unos", false);
    ga::GaWindow& w = open();
    // Polls come once per scoring and once per pair bred: a stop at poll
    // 40 falls within the second or third generation of 8 rows.
    for (int stop_at : {40, 60}) {
        SCOPED_TRACE(stop_at);
        platform.stop_polls = 0;
        platform.stop_at_poll = stop_at;
        start_torneo(w, "Unos", "8", "12", "3", "50");
        platform.stop_at_poll.reset();
        const std::vector<double> bests = column("SELECT sumafit FROM sumas ORDER BY rowid");
        ASSERT_FALSE(bests.empty());
        EXPECT_LT(bests.size(), 10U);
        EXPECT_EQ(w.Text6.text(), "1");  // the run ended within its first pass
        const std::vector<double> own = column("SELECT fitness FROM GA ORDER BY rowid");
        ASSERT_EQ(own.size(), 8U);
        EXPECT_EQ(*std::max_element(own.begin(), own.end()), bests.back());
        EXPECT_GE(as_number(rows("SELECT max(fitness) FROM converge").rows.at(0)[0]), bests.back());
        EXPECT_EQ(as_number(rows("SELECT sum(porc) FROM converge").rows.at(0)[0]), 1);
    }
}

}  // namespace
}  // namespace vorn::testing
