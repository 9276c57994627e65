// Rules a trader could follow, their compounded returns with costs, and
// the walk-forward study built on them.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "batch/script_driver.h"
#include "drivers/study.h"
#include "drivers/walk_forward.h"
#include "ga/rule_returns.h"
#include "ga_fixture.h"
#include "shell/default_database.h"
#include "shell/number_text.h"
#include "shell/run_claim.h"

namespace vorn::testing {
namespace {

using ga::MarketHistory;
using ga::YearRow;
constexpr double N = std::numeric_limits<double>::quiet_NaN();
constexpr auto* rule_bits = &testing::rule;

YearRow year_row(long long numero, const std::string& code, int year, std::initializer_list<double> months) {
    YearRow row{numero, code + " " + std::to_string(year), code, {}};
    size_t k = 0;
    for (double m : months) {
        if (!std::isnan(m)) row.months[k] = m;
        ++k;
    }
    return row;
}

// Three stocks and a statistic row. 2000 has returns from January to June
// and in December; 2001 only in January.
MarketHistory hand_history() {
    MarketHistory h;
    EXPECT_TRUE(h.add_year(2000, {year_row(1, "S1", 2000, {N, 10, -50, 20, 5, 30, N, N, N, N, N, N}),
                                  year_row(2, "S2", 2000, {1, 0, 1, N, 3, N, N, N, N, N, N, 1}),
                                  year_row(3, "S3", 2000, {0, 1, 0, 0, 2, N, N, N, N, N, N, 0}),
                                  year_row(4, "AVG", 2000, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9})}));
    EXPECT_TRUE(h.add_year(2001, {year_row(1, "S1", 2001, {-10, N, N, N, N, N, N, N, N, N, N, N}),
                                  year_row(2, "S2", 2001, {N, N, N, N, N, N, N, N, N, N, N, N}),
                                  year_row(3, "S3", 2001, {N, N, N, N, N, N, N, N, N, N, N, N}),
                                  year_row(4, "AVG", 2001, {9, N, N, N, N, N, N, N, N, N, N, N})}));
    return h;
}

TEST(RuleReturns, previous_month_signal_spans_and_compounding_with_costs) {
    const MarketHistory h = hand_history();
    EXPECT_EQ(h.year_span(2000), (std::vector<int>{0, 1, 2, 3, 4, 5, 11}));
    EXPECT_EQ(h.year_span(2001), (std::vector<int>{12}));
    EXPECT_EQ(h.span(2000, 2001).size(), 8U);

    // Hold S1 in the month after one in which S2 > S3.
    const auto rule = ga::readable_rule(rule_bits(1, 2, kGt, 3, kEnd, 1, kEq, 2), 4);
    ASSERT_TRUE(rule);
    // January reads a month before the history: out. February (Jan: 1 > 0)
    // in at +10; March (Feb: 0 > 1) out; April in at +20; May (April's S2
    // missing) out; June in at +30 and out at the span's end; December
    // (November has nothing) out. Three entries, three exits.
    const ga::SpanReturn free = ga::rule_return(*rule, h, h.year_span(2000), 0);
    EXPECT_NEAR(free.percent, (1.1 * 1.2 * 1.3 - 1) * 100, 1e-9);
    EXPECT_EQ(free.entries, 3);
    EXPECT_NEAR(ga::rule_return(*rule, h, h.year_span(2000), 1).percent,
                (std::pow(0.99, 6) * 1.1 * 1.2 * 1.3 - 1) * 100, 1e-9);
    // January 2001 reads December 2000 (1 > 0): in at -10, out at the end.
    const ga::SpanReturn next = ga::rule_return(*rule, h, h.year_span(2001), 1);
    EXPECT_NEAR(next.percent, (0.99 * 0.9 * 0.99 - 1) * 100, 1e-9);
    EXPECT_EQ(next.entries, 1);
    // Joined, December is out and January in: one more entry and exit.
    EXPECT_NEAR(ga::rule_return(*rule, h, h.span(2000, 2001), 1).percent,
                (std::pow(0.99, 8) * 1.1 * 1.2 * 1.3 * 0.9 - 1) * 100, 1e-9);

    // A month whose traded return is missing is spent out of the market:
    // S2 held whenever S1 >= S1, i.e. whenever S1 had a return the month before.
    const auto own = ga::readable_rule(rule_bits(2, 1, kGe, 5, kEnd, 1, kEq, 2), 4);
    ASSERT_TRUE(own);
    EXPECT_TRUE(ga::reads_traded_series(*ga::readable_rule(rule_bits(2, 2, kGe, 3, kEnd, 1, kEq, 2), 4)));
    EXPECT_FALSE(ga::reads_traded_series(*own));
    // March (Feb had +10) +1; April (Mar -50) S2 missing: out; May (Apr) +3;
    // June (May) S2 missing; July (June) nothing.
    const ga::SpanReturn spent = ga::rule_return(*own, h, h.year_span(2000), 0);
    EXPECT_NEAR(spent.percent, (1.01 * 1.03 - 1) * 100, 1e-9);
    EXPECT_EQ(spent.entries, 2);

    // A rule that trades a statistic row never trades; one that compares
    // against it is marked.
    const auto statistic = ga::readable_rule(rule_bits(4, 2, kGt, 3, kEnd, 1, kEq, 2), 4);
    EXPECT_EQ(ga::rule_return(*statistic, h, h.year_span(2000), 1).entries, 0);
    EXPECT_EQ(ga::rule_return(*statistic, h, h.year_span(2000), 1).percent, 0);
    EXPECT_TRUE(ga::reads_statistic(*ga::readable_rule(rule_bits(1, 4, kGt, 3, kEnd, 1, kEq, 2), 4), h));
    EXPECT_FALSE(ga::reads_statistic(*rule, h));

    // Holding from the first month, a missing month counting 0.
    const double s2 = 1.01 * 1.0 * 1.01 * 1.0 * 1.03 * 1.0 * 1.01;
    const double s3 = 1.0 * 1.01 * 1.0 * 1.0 * 1.02 * 1.0 * 1.0;
    EXPECT_NEAR(*ga::hold_return(2, h, h.year_span(2000), 1), (s2 * 0.99 * 0.99 - 1) * 100, 1e-9);
    EXPECT_FALSE(ga::hold_return(1, h, h.year_span(2000), 1));  // no return in January
    EXPECT_FALSE(ga::hold_return(4, h, h.year_span(2000), 1));  // a statistic row
    // The basket: S2 and S3 (S1 has no January return), equal amounts.
    EXPECT_NEAR(*ga::basket_return(h, h.year_span(2000), 1), ((s2 + s3) / 2 * 0.99 * 0.99 - 1) * 100, 1e-9);
    EXPECT_NEAR(*ga::basket_return(h, h.year_span(2001), 0), -10, 1e-9);

    // Readable: 38 bits at least, a traded stock, different genes.
    const std::string full = rule_bits(1, 2, kGt, 3, kEnd, 1, kEq, 2);
    EXPECT_TRUE(ga::readable_rule(full.substr(0, 38), 4));
    EXPECT_FALSE(ga::readable_rule(full.substr(0, 37), 4));
    EXPECT_FALSE(ga::readable_rule(rule_bits(0, 2, kGt, 3, kEnd, 1, kEq, 2), 4));
    EXPECT_FALSE(ga::readable_rule(rule_bits(1, 2, kGt, 2, kEnd, 1, kEq, 2), 4));
    EXPECT_FALSE(ga::readable_rule(rule_bits(1, 2, kGt, 3, kEnd, 5, kEq, 5), 4));

    // Years must follow each other and keep their series.
    MarketHistory bad;
    EXPECT_TRUE(bad.add_year(2000, {year_row(1, "A", 2000, {})}));
    EXPECT_FALSE(bad.add_year(2002, {year_row(1, "A", 2002, {})}));
    EXPECT_FALSE(bad.add_year(2001, {year_row(1, "A", 2001, {}), year_row(2, "B", 2001, {})}));
    EXPECT_FALSE(bad.add_year(2001, {year_row(2, "A", 2001, {})}));
}

TEST(WalkForward, sign_tests_and_p_values_have_their_known_answers) {
    EXPECT_DOUBLE_EQ(drivers::sign_test(8, 0), 1.0 / 256);
    EXPECT_DOUBLE_EQ(drivers::sign_test(5, 3), (56.0 + 28 + 8 + 1) / 256);
    EXPECT_DOUBLE_EQ(drivers::sign_test(0, 4), 1.0);
    EXPECT_DOUBLE_EQ(drivers::sign_test(1, 1), 0.75);
    EXPECT_DOUBLE_EQ(drivers::sign_test(0, 0), 1.0);

    EXPECT_EQ(drivers::top_random_rules(1000), 50);
    EXPECT_EQ(drivers::top_random_rules(100), 20);
    EXPECT_EQ(drivers::top_random_rules(20), 20);
    EXPECT_EQ(drivers::top_random_rules(1001), 51);

    // Training first, test second; the two best by training tie at 5 and
    // stay in draw order.
    const std::vector<std::pair<double, double>> rules{{1, 100}, {5, 1}, {4, 10}, {5, 3}};
    EXPECT_DOUBLE_EQ(drivers::share_at_least(rules, 2, 2), 0.5);
    EXPECT_DOUBLE_EQ(drivers::share_at_least(rules, 2, 1), 1.0);
    EXPECT_DOUBLE_EQ(drivers::share_at_least(rules, 2, 4), 0.0);
    EXPECT_DOUBLE_EQ(drivers::share_at_least(rules, 3, 4), 1.0 / 3);

    std::vector<drivers::StudyYear> years(4);
    const double prueba[] = {10, -5, 20, 0}, canasta[] = {5, 0, 30, 0}, azar[] = {1, -6, 19, -1};
    for (size_t i = 0; i < years.size(); ++i) {
        years[i].prueba = prueba[i];
        years[i].canasta = canasta[i];
        years[i].azar = azar[i];
    }
    const drivers::StudySummary s = drivers::summarize(years);
    EXPECT_DOUBLE_EQ(s.media_regla, 6.25);
    EXPECT_DOUBLE_EQ(*s.media_canasta, 8.75);
    EXPECT_DOUBLE_EQ(s.media_azar, 3.25);
    EXPECT_EQ(s.anios_ganados, 1);
    EXPECT_DOUBLE_EQ(s.p_canasta, 0.875);  // 1 win, 2 losses, 1 tie dropped
    EXPECT_DOUBLE_EQ(s.p_azar, 1.0 / 16);  // 4 wins of 4
}

// A made-up market of six stocks and an average row, 2010..2016, with
// returns from a fixed recurrence.
MarketHistory synthetic_history() {
    MarketHistory h;
    unsigned state = 12345;
    auto next = [&state] {
        state = state * 1103515245U + 12345U;
        return static_cast<double>((state >> 16) % 2001) / 100.0 - 10.0;
    };
    for (int year = 2010; year <= 2016; ++year) {
        std::vector<YearRow> rows;
        for (int s = 1; s <= 6; ++s) {
            YearRow row{s, "S" + std::to_string(s) + " " + std::to_string(year), "S" + std::to_string(s), {}};
            for (auto& m : row.months) m = next();
            rows.push_back(row);
        }
        rows.push_back(YearRow{7, "AVG " + std::to_string(year), "AVG", {}});
        for (size_t k = 0; k < 12; ++k) rows.back().months[k] = 0;
        EXPECT_TRUE(h.add_year(year, rows));
    }
    return h;
}

TEST(WalkForward, a_fixed_seed_gives_the_same_rows_on_one_core_and_on_many) {
    const MarketHistory h = synthetic_history();
    drivers::StudySettings s;
    s.desde = 2012;
    s.hasta = 2016;
    s.anios = 2;
    s.azar = 200;
    s.population = 10;
    s.generations = 5;
    s.seed = 77;
    for (bool torneo : {true, false}) {
        s.torneo = torneo;
        std::atomic<bool> stop{false};
        const auto one = drivers::study_years(h, s, 1, stop);
        const auto many = drivers::study_years(h, s, 4, stop);
        ASSERT_TRUE(one && many);
        ASSERT_EQ(one->size(), 5U);
        for (size_t i = 0; i < one->size(); ++i) {
            const drivers::StudyYear& a = (*one)[i];
            const drivers::StudyYear& b = (*many)[i];
            EXPECT_EQ(a.anio, 2012 + static_cast<int>(i));
            EXPECT_EQ(a.cadena, b.cadena);
            EXPECT_EQ(a.prueba, b.prueba);
            EXPECT_EQ(a.azar, b.azar);
            EXPECT_EQ(a.pvalor, b.pvalor);
            // The row's figures are those of the rule it names.
            const auto rule = ga::readable_rule(a.cadena, h.series_count());
            ASSERT_TRUE(rule) << a.cadena;
            EXPECT_DOUBLE_EQ(a.entrenamiento,
                             ga::rule_return(*rule, h, h.span(a.anio - 2, a.anio - 1), s.costo).percent);
            const ga::SpanReturn tested = ga::rule_return(*rule, h, h.year_span(a.anio), s.costo);
            EXPECT_DOUBLE_EQ(a.prueba, tested.percent);
            EXPECT_EQ(a.operaciones, tested.entries);
            EXPECT_EQ(a.canasta, ga::basket_return(h, h.year_span(a.anio), s.costo));
            EXPECT_GE(a.pvalor, 0);
            EXPECT_LE(a.pvalor, 1);
            EXPECT_GT(a.evaluadas, 0);
        }
    }
    // A search that scores more finds a rule at least as fit in training
    // as a plain random search of the same size usually does not beat.
    s.seed = 78;
    std::atomic<bool> stop{false};
    const auto other = drivers::study_years(h, s, 2, stop);
    ASSERT_TRUE(other);
    s.seed = 77;
    const auto again = drivers::study_years(h, s, 2, stop);
    bool differs = false;
    for (size_t i = 0; i < other->size(); ++i) differs |= (*other)[i].cadena != (*again)[i].cadena;
    EXPECT_TRUE(differs) << "another seed should find other rules";

    stop = true;
    EXPECT_FALSE(drivers::study_years(h, s, 2, stop));
}

TEST(WalkForward, settings_outside_the_history_are_refused) {
    drivers::StudySettings s;
    auto problem = [&](auto change) {
        drivers::StudySettings t = s;
        change(t);
        return drivers::settings_problem(t, 2012, 2022).value_or("");
    };
    EXPECT_EQ(problem([](auto&) {}), "");
    EXPECT_NE(problem([](auto& t) { t.desde = 2013; }).find("anterior a 2012"), std::string::npos);
    EXPECT_EQ(problem([](auto& t) { t.desde = 2013, t.anios = 1; }), "");
    EXPECT_NE(problem([](auto& t) { t.hasta = 2023; }).find("2022"), std::string::npos);
    EXPECT_NE(problem([](auto& t) { t.desde = 2018, t.hasta = 2017; }).find("posterior"), std::string::npos);
    EXPECT_NE(problem([](auto& t) { t.anios = 0; }).find("al menos 1"), std::string::npos);
    EXPECT_NE(problem([](auto& t) { t.costo = -0.1; }).find("negativo"), std::string::npos);
    EXPECT_NE(problem([](auto& t) { t.azar = 19; }).find("al menos 20"), std::string::npos);
    EXPECT_NE(problem([](auto& t) { t.length = 37; }).find("38"), std::string::npos);
}

// The study through the window, on a made-up history table.
class StudyWindowTest : public GaFixture {
protected:
    void SetUp() override {
        GaFixture::SetUp();
        db->execute("CREATE TABLE IF NOT EXISTS AccionesHistoricas AS SELECT * FROM AccionesXmes WHERE 0");
        db->execute("DELETE FROM AccionesHistoricas");
        const MarketHistory h = synthetic_history();
        for (int year = h.first_year(); year <= h.last_year(); ++year) {
            for (long s = 1; s <= h.series_count(); ++s) {
                std::vector<Value> values{Value(std::int64_t{s}), Value(h.name(year, s)), Value(h.code(year, s)),
                                          Value(std::int64_t{year})};
                for (int m = 1; m <= 12; ++m) values.emplace_back(h.value(h.month_index(year, m), s));
                db->execute_bound("INSERT INTO AccionesHistoricas VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", values);
            }
        }
        db->execute("INSERT INTO GATargets (cadena, fitness) VALUES ('1010', 3)");
        db->commit();
    }
    ga::GaWindow& study_window(const std::string& desde, const std::string& hasta) {
        ga::GaWindow& w = open();
        w.ComboMetodo.set_text("Torneo");
        w.Text3.set_text("10");
        w.Text4.set_text("40");
        w.TextGeneraciones.set_text("5");
        w.TextDesde.set_text(desde);
        w.TextHasta.set_text(hasta);
        w.TextAzar.set_text("100");
        return w;
    }
    std::string csv() {
        std::ifstream in(dir.path() / "estudio.csv");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(StudyWindowTest, a_study_keeps_its_rows_its_listing_its_file_and_its_curve) {
    ga::GaWindow& w = study_window("2012", "2015");
    w.CommandEstudio.click();
    ASSERT_EQ(count("Estudios"), 1) << ::testing::PrintToString(texts());
    EXPECT_EQ(count("EstudioAnios WHERE estudio = 1"), 4);
    EXPECT_EQ(count("GA") + count("converge") + count("sumas"), 0);
    EXPECT_EQ(count("GATargets"), 1);
    const QueryResult study = rows("SELECT parametros, metodo, semilla, fecha FROM Estudios");
    EXPECT_NE(as_text(study.rows[0][0]).find("Desde=2012; Hasta=2015; A\xC3\xB1os=2; Costo %=0,5"), std::string::npos);
    EXPECT_EQ(as_text(study.rows[0][1]), "Torneo");
    EXPECT_EQ(as_text(study.rows[0][3]).size(), 19U);

    // Four years in aligned columns, then the summary.
    const auto& lines = bench->reports().get().List1.lines();
    ASSERT_EQ(lines.size(), 2U + 4 + 3);
    EXPECT_EQ(lines[2].substr(0, 4), "2012");
    EXPECT_EQ(lines[2].find("  "), lines[5].find("  "));
    EXPECT_NE(lines[6].find("Media anual"), std::string::npos);

    // The file: a heading and one line per year, decimal points.
    const std::string file = csv();
    EXPECT_EQ(file.substr(0, file.find('\r')), "anio;cadena;descrip;entrenamiento;prueba;operaciones;canasta;accion;azar;pvalor");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 5);
    EXPECT_EQ(file.find(','), std::string::npos);

    // The curve: one peso from the end of 2011, the rule and the basket.
    EXPECT_EQ(w.Curva.title(), "Estudio 1: 2012-2015");
    EXPECT_EQ(w.Curva.x_title() + "/" + w.Curva.y_title(), "A\xC3\xB1o/Valor de 1 peso");
    EXPECT_EQ(w.Curva.line_names(), (std::vector<std::string>{"Regla", "Canasta"}));
    ASSERT_EQ(w.Curva.lines().size(), 2U);
    EXPECT_EQ(w.Curva.lines()[0].size(), 5U);
    EXPECT_EQ(w.Curva.lines()[0].front().x, 2011);
    EXPECT_EQ(w.Curva.lines()[1].front().y, 1);
    const QueryResult first = rows("SELECT prueba, canasta FROM EstudioAnios WHERE anio = 2012");
    EXPECT_NEAR(w.Curva.lines()[0][1].y, 1 + as_number(first.rows[0][0]) / 100, 1e-12);
    EXPECT_NEAR(w.Curva.lines()[1][1].y, 1 + as_number(first.rows[0][1]) / 100, 1e-12);

    // A second study is number 2; "Estudios" lists both.
    w.CommandEstudio.click();
    EXPECT_EQ(count("Estudios WHERE estudio = 2"), 1);
    EXPECT_EQ(w.Curva.title(), "Estudio 2: 2012-2015");
    w.CommandEstudios.click();
    const auto& listed = bench->reports().get().List1.lines();
    ASSERT_EQ(listed.size(), 3U);
    EXPECT_EQ(listed[2].substr(0, 10), "Estudio 2 ");
}

TEST_F(StudyWindowTest, refusals_and_a_stop_keep_nothing) {
    struct Case {
        const char* desde;
        const char* hasta;
        const char* anios;
        const char* costo;
        const char* azar;
        const char* length;
        const char* expected;
    };
    const Case cases[] = {
        {"2011", "2015", "2", "0,5", "100", "40", "anterior a 2010"},
        {"2012", "2017", "2", "0,5", "100", "40", "no puede pasar de 2016"},
        {"2015", "2014", "2", "0,5", "100", "40", "posterior"},
        {"2013", "2015", "0", "0,5", "100", "40", "A\xC3\xB1os debe ser"},
        {"2013", "2015", "1", "-1", "100", "40", "negativo"},
        {"2013", "2015", "1", "0,5", "19", "40", "Reglas al azar"},
        {"2013", "2015", "1", "0,5", "100", "37", "38"},
        {"dos mil", "2015", "1", "0,5", "100", "40", "Desde debe ser un numero entero"},
        {"2013", "2015", "1", "poco", "100", "40", "Costo % debe ser un numero"},
    };
    ga::GaWindow& w = study_window("2012", "2015");
    for (const Case& c : cases) {
        w.TextDesde.set_text(c.desde);
        w.TextHasta.set_text(c.hasta);
        w.TextAnios.set_text(c.anios);
        w.TextCosto.set_text(c.costo);
        w.TextAzar.set_text(c.azar);
        w.Text4.set_text(c.length);
        platform.messages.clear();
        w.CommandEstudio.click();
        ASSERT_EQ(texts().size(), 1U) << c.expected;
        EXPECT_NE(texts()[0].find(c.expected), std::string::npos) << texts()[0];
    }
    EXPECT_EQ(count("Estudios") + count("EstudioAnios"), 0);

    w.TextDesde.set_text("2012");
    w.TextAnios.set_text("2");
    w.TextCosto.set_text("0,5");
    w.TextAzar.set_text("100");
    w.Text4.set_text("40");
    platform.messages.clear();
    platform.stop = true;
    w.CommandEstudio.click();
    EXPECT_EQ(texts(), std::vector<std::string>{"Estudio detenido: no se guardo"});
    EXPECT_EQ(count("Estudios") + count("EstudioAnios"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "estudio.csv"));

    // Another program's GA run or study holds the file.
    platform.stop = false;
    {
        Database other((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
        const RunClaim held(other);
        ASSERT_TRUE(held.held());
        platform.messages.clear();
        w.CommandEstudio.click();
        ASSERT_EQ(texts().size(), 1U);
        EXPECT_NE(texts()[0].find("Otro programa"), std::string::npos);
        EXPECT_EQ(count("Estudios"), 0);
    }

    // Without the history there is nothing to study.
    platform.stop = false;
    db->execute("DROP TABLE AccionesHistoricas");
    platform.messages.clear();
    w.CommandEstudio.click();
    ASSERT_EQ(texts().size(), 1U);
    EXPECT_NE(texts()[0].find("AccionesHistoricas"), std::string::npos);
}

TEST_F(StudyWindowTest, a_script_with_a_seed_gets_the_same_rows_every_time) {
    auto run = [this](std::uint64_t seed) {
        std::ostringstream out;
        batch::BatchSession session(out, {.seed = seed, .format = batch::OutputFormat::Text, .no_startup = true},
                                    [this](Platform& p) { return std::make_unique<Workbench>(*db, p, dir.path()); });
        std::istringstream script(
            "click vorn2.Command46\nset GABPN.ComboMetodo Torneo\nset GABPN.Text3 10\nset GABPN.Text4 40\n"
            "set GABPN.TextGeneraciones 5\nset GABPN.TextDesde 2012\nset GABPN.TextHasta 2016\n"
            "set GABPN.TextAzar 100\nclick GABPN.CommandEstudio\n");
        session.run(script);
        return csv();
    };
    const std::string first = run(5);
    EXPECT_EQ(run(5), first);
    EXPECT_NE(run(6), first);
    const std::string columns = "anio, cadena, descrip, entrenamiento, prueba, operaciones, canasta, accion, azar, pvalor";
    EXPECT_EQ(count("(SELECT " + columns + " FROM EstudioAnios WHERE estudio = 1 EXCEPT SELECT " + columns +
                    " FROM EstudioAnios WHERE estudio = 2)"),
              0);
    EXPECT_EQ(count("EstudioAnios WHERE estudio = 2"), 5);
    EXPECT_EQ(count("Estudios WHERE semilla = (SELECT semilla FROM Estudios WHERE estudio = 1)"), 2);
}

// Validar on the real sample years: BYMA lost 15.04 % held through 2019.
TEST_F(GaFixture, validar_compounds_holding_and_reads_the_previous_month) {
    db->execute("DELETE FROM AccionesXmes");
    db->execute("DELETE FROM Mercap");
    db->execute_script(embedded_sample_data());
    // Hold BYMA (3) whenever BYMA >= BYMA a month before: gene 59 maps to 3.
    const std::string always = rule_bits(3, 3, kGe, 59, kEnd, 1, kEq, 2);
    db->execute("INSERT INTO converge (cadena, fitness, funcionfitness) VALUES ('" + always + "', 1, 'Strat')");
    ga::GaWindow& w = open();
    w.CommandValidar.click();
    const auto& lines = bench->reports().get().List1.lines();
    ASSERT_EQ(lines.size(), 2U);
    const std::string& line = lines[1];
    EXPECT_NE(line.find("Comprar BYMA 2018 en los meses en que BYMA 2018 >= BYMA 2018"), std::string::npos) << line;
    EXPECT_NE(line.find("Comprar BYMA 2019 en los meses en que BYMA 2019 >= BYMA 2019"), std::string::npos) << line;
    EXPECT_NE(line.find("comprar y mantener 2019:-15.04%"), std::string::npos) << line;
    // Every month of 2019 held, December 2018 included as January's
    // signal: the hold with one entry and one exit at 0.5 %.
    double growth = 1;
    const QueryResult byma = rows("SELECT m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12 FROM Mercap WHERE numero = 3");
    for (const Value& month : byma.rows[0]) growth *= 1 + as_number(month) / 100;
    const double with_costs = std::round((growth * 0.995 * 0.995 - 1) * 10000) / 100;
    EXPECT_NEAR(with_costs, -15.88, 0.006);
    EXPECT_NE(line.find("mes anterior con costos 2019:" + format_short(with_costs) + "%"), std::string::npos) << line;
    EXPECT_NE(line.find("(lee la accion que opera)"), std::string::npos);
    EXPECT_EQ(line.find("(lee una fila estadistica)"), std::string::npos);
    // No sum shows more than four decimals.
    for (size_t dot = line.find('.'); dot != std::string::npos; dot = line.find('.', dot + 1)) {
        size_t digits = 0;
        while (dot + 1 + digits < line.size() && std::isdigit(static_cast<unsigned char>(line[dot + 1 + digits])))
            ++digits;
        EXPECT_LE(digits, 4U) << line;
    }
}

}  // namespace
}  // namespace vorn::testing
