// The GABPN window through its handlers: opening, a run and what it leaves,
// listings, printing, the hand-off and the out-of-sample check.
#include <algorithm>
#include <cmath>

#include "ga/reports.h"
#include "ga_fixture.h"
#include "shell/main_window.h"
#include "shell/report_window.h"

namespace vorn::testing {
namespace {

class GaWindowTest : public GaFixture {
protected:
    std::vector<double> column(const std::string& sql) {
        std::vector<double> out;
        for (const auto& r : rows(sql).rows) out.push_back(as_number(r[0]));
        return out;
    }
    // A strategy that scores a chromosome by its value and remembers what
    // it scored, added as the workbench adds its own.
    void add_counting_strategy() {
        search().add_strategy({"Cuenta",
                               [this](const std::string& bits) {
                                   scored.push_back(bits);
                                   search().warn_once("cuenta", "Cuenta avisa una vez");
                                   return ga::valorbinario(bits);
                               },
                               [](const std::string& bits) { return "Cuenta=" + bits; },
                               [this] { ++runs_started; }});
    }
    std::vector<std::string> scored;
    int runs_started = 0;
};

TEST_F(GaWindowTest, ga_opens_the_window_whose_first_tick_sets_its_defaults) {
    EXPECT_FALSE(search().exists());
    bench->main().Command46.click();
    ga::GaWindow& w = search().window();
    EXPECT_EQ(w.caption(), "Algoritmo Genetico");
    EXPECT_EQ(w.Text3.text(), "Text3");
    EXPECT_EQ(bench->find_form("gabpn"), &w);

    bench->fire(w.Timer1);
    EXPECT_EQ(w.Timer1.interval(), 0);
    EXPECT_EQ((std::vector<std::string>{w.Text3.text(), w.Text4.text(), w.Text5.text(), w.Text7.text(), w.Text1.text(),
                                        w.Combo1.text()}),
              (std::vector<std::string>{"10", "40", "1", "NO", "SI", "Strat"}));
    EXPECT_EQ(w.Combo1.items(), (std::vector<std::string>{"Vorn", "Strat", "stra2", "set3", "Max", "Other", "Red"}));

    // Only "Salir" acts, and it only hides; every command says what it does.
    for (MenuItem* item : w.menus()) {
        EXPECT_FALSE(item->tooltip().empty()) << item->name();
        for (MenuItem* sub : item->items()) EXPECT_FALSE(sub->has_handler()) << sub->name();
    }
    EXPECT_FALSE(w.menunuevos.has_handler());
    EXPECT_FALSE(w.Command3.has_handler());
    for (Control* c : w.controls()) {
        EXPECT_TRUE(!dynamic_cast<Command*>(c) || dynamic_cast<Timer*>(c) || !c->tooltip().empty()) << c->name();
    }
    w.menusalir.click();
    EXPECT_FALSE(w.visible());
    bench->main().Command46.click();
    EXPECT_TRUE(w.visible());
    EXPECT_EQ(w.Text3.text(), "10");

    // "VORN" hands a chromosome to the main window.
    MainWindow& main = bench->main();
    main.hide();
    main.Timer1.set_interval(0);
    w.Command7.click();
    EXPECT_EQ(main.Text10.text(), "111111111111");
    EXPECT_TRUE(main.Timer1.interval() == 1 && main.visible());
}

TEST_F(GaWindowTest, a_run_leaves_a_consistent_population_its_totals_and_its_winners) {
    ga::GaWindow& w = open();
    start(w, "Max", "5", "8", "2");  // 5 runs as 6

    EXPECT_EQ(w.Text3.text(), "6");
    EXPECT_EQ(w.Text6.text(), "3");
    EXPECT_FALSE(w.GroupPush3D1.pressed());
    EXPECT_FALSE(bench->reports().get().visible());
    EXPECT_EQ(bench->reports().get().caption(), "Pasada: 3/ 2");
    // The run is one long run; its result is told once it is over.
    EXPECT_EQ(platform.long_runs, 1);
    ASSERT_FALSE(platform.message_depths.empty());
    EXPECT_EQ(platform.message_depths.back(), 0);

    // GA: the pool of the last generation, every value that of its chromosome.
    QueryResult ga = rows("SELECT cadena, decimal, codigo, recno, crossover FROM GA");
    ASSERT_EQ(ga.rows.size(), 6U);
    for (const auto& r : ga.rows) {
        EXPECT_EQ(as_text(r[0]).size(), 8U);
        EXPECT_EQ(as_number(r[1]), ga::valorbinario(as_text(r[0])));
        EXPECT_TRUE(as_number(r[2]) >= 1 && as_number(r[2]) <= 6) << as_number(r[2]);
        EXPECT_FALSE(is_null(r[4]));
    }
    EXPECT_EQ(count("borrar"), 6);

    // sumas: one total per generation of the last pass, which ran until its
    // total repeated; the run's curve ends with the same totals, from the
    // mark where the last pass began.
    const std::vector<double> totals = column("SELECT sumafit FROM sumas ORDER BY rowid");
    ASSERT_GE(totals.size(), 2U);
    EXPECT_EQ(totals[totals.size() - 1], totals[totals.size() - 2]);
    const auto& points = w.Curva.points();
    ASSERT_GT(points.size(), totals.size());
    const size_t first = points.size() - totals.size();
    ASSERT_EQ(w.Curva.pass_marks().size(), 2U);
    EXPECT_EQ(w.Curva.pass_marks().back(), static_cast<double>(first + 1));
    for (size_t i = 0; i < totals.size(); ++i) {
        EXPECT_EQ(points[first + i].x, static_cast<double>(first + i + 1));
        EXPECT_EQ(points[first + i].y, totals[i]);
    }

    // converge: one record per distinct representative, two passes in all.
    QueryResult converge = rows("SELECT cadena, decimal, porc, funcionfitness, descrip, fitness, codigo FROM converge "
                                "ORDER BY -fitness");
    double passes = 0;
    for (const auto& r : converge.rows) {
        EXPECT_EQ(as_number(r[1]), ga::valorbinario(as_text(r[0])));
        EXPECT_EQ(as_text(r[3]), "Max");
        EXPECT_EQ(as_text(r[4]), "Max=" + format_short(as_number(r[1])));
        passes += as_number(r[2]);
    }
    EXPECT_EQ(passes, 2);
    const std::string best = as_text(converge.rows[0][0]);
    EXPECT_EQ(w.Text9.text(), best + " Max=" + format_short(ga::valorbinario(best)));
    EXPECT_EQ(texts().back(), "Programa Terminado\rMax=" + format_short(ga::valorbinario(best)));
    EXPECT_EQ(w.Text8.text(), "0");

    // The next run keeps the positive winners in GATargets and starts anew.
    const long positive = static_cast<long>(column("SELECT count(*) FROM converge WHERE fitness > 0")[0]);
    start(w, "Max", "6", "8");
    EXPECT_EQ(count("GATargets"), positive);
    EXPECT_EQ(column("SELECT sum(porc) FROM converge")[0], 1);
}

TEST_F(GaWindowTest, a_population_or_length_below_one_is_refused_before_anything_is_written) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO sumas VALUES (7)");
    db->execute("INSERT INTO converge (cadena, fitness, porc) VALUES ('0101', 3, 1)");
    db->execute("INSERT INTO GA (recno, codigo, cadena, decimal) VALUES (0, 1, '11', 3)");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"0", "40"}, {"abc", "40"}, {"10", "0"}, {"10", "-3"}, {"10", "x"}, {"10", ".5"}};
    for (const auto& [n, l] : cases) {
        platform.messages.clear();
        w.Text3.set_text(n);
        w.Text4.set_text(l);
        w.GroupPush3D1.click();
        EXPECT_EQ(texts(), std::vector<std::string>{"Poblacion Numero y Tama\xC3\xB1o Cadena deben ser mayores que 0"})
            << n << " " << l;
        EXPECT_EQ((std::vector<long>{count("sumas"), count("converge"), count("GATargets")}),
                  (std::vector<long>{1, 1, 0}));
        EXPECT_EQ(as_text(rows("SELECT cadena FROM GA").rows.at(0).at(0)), "11");
        EXPECT_FALSE(platform.ended.has_value());
    }
    // A negative size runs with its absolute value.
    start(w, "Max", "-4", "6");
    EXPECT_EQ(w.Text3.text(), "4");
    EXPECT_EQ(count("GA"), 4);
}

TEST_F(GaWindowTest, the_inverse_operator_starts_the_first_pass_and_every_pass_draws_length_l_anew) {
    add_counting_strategy();
    ga::GaWindow& w = open();
    EXPECT_EQ(w.Combo1.items().back(), "Cuenta");
    w.GroupPush3D2.click();
    EXPECT_EQ(texts().back(), "termine (+) SI");
    EXPECT_FALSE(w.GroupPush3D2.pressed());

    w.Text1.set_text("NO");
    start(w, "Cuenta", "6", "8", "3");
    EXPECT_EQ(runs_started, 1);
    EXPECT_EQ(w.Text7.text(), "NO");
    const std::vector<std::string> shown = texts();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), "Cuenta avisa una vez"), 1);
    EXPECT_NE(std::find(shown.begin(), shown.end(), "11111111\r 255"), shown.end());
    // The operator scored its chromosome and 16 flips; the first pass then
    // scores the two improved rows first.
    ASSERT_GT(scored.size(), 19U);
    EXPECT_EQ(scored[17], "11111111");
    EXPECT_EQ(scored[18], "11111111");
    // Nothing scored an empty chromosome: every pass redraws at length 8.
    for (const std::string& bits : scored) EXPECT_EQ(bits.size(), 8U);
    EXPECT_EQ(column("SELECT sum(porc) FROM converge")[0], 3);
    const std::vector<double> totals = column("SELECT sumafit FROM sumas ORDER BY rowid");
    ASSERT_GE(totals.size(), 2U);
    EXPECT_EQ(totals[totals.size() - 1], totals[totals.size() - 2]);
    EXPECT_EQ(as_text(rows("SELECT descrip FROM converge").rows[0][0]).rfind("Cuenta=", 0), 0U);
}

TEST_F(GaWindowTest, listings_show_the_tables_in_their_formats) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO GA (recno, codigo, decimal, crossover, cadena, nueva, fitness) "
                "VALUES (0, 1, 5, NULL, '0101', NULL, NULL), (1, 2, 2.5, 3, '0010', '0011', -1.5)");
    db->execute("INSERT INTO sumas VALUES (12.5)");
    const std::string long_rule = rule(1, 1, kGe, 2, kEnd, 1, kEq, 3);
    const std::string columns = " (cadena, decimal, fitness, porc, funcionfitness) VALUES ";
    db->execute("INSERT INTO converge" + columns + "('" + long_rule +
                "', 1, 68, 0, 'Strat'), ('0101', 5, 5.123456, 0, 'Max')");
    db->execute("INSERT INTO GATargets" + columns + "('0101', 5, 1, 1, 'Max'), ('011', 3, 3, 3, 'Max')");
    db->refresh_all_sources();
    ReportWindow& report = bench->reports().get();

    w.Command2.click();
    EXPECT_EQ(report.List1.lines(),
              (std::vector<std::string>{"GA Browse de Data1", "Reg.Num\t Codigo Decimal Crossover Cadena Nueva",
                                        " 0\t 1\t 5\t\t0101\t", " 1\t 2\t 2.5\t 3\t0010\t0011"}));
    EXPECT_TRUE(report.visible());
    w.Command4.click();
    EXPECT_EQ(report.List1.lines(), (std::vector<std::string>{"Sumas Browse de Data3",
                                                              "Reg.Num\t Codigo Decimal Crossover Cadena Nueva",
                                                              " 12.5\t"}));
    w.Text6.set_text("4");
    w.Command5.click();
    EXPECT_EQ(report.List1.lines(),
              (std::vector<std::string>{"Ronda Nro4", "Converge Browse de Data4",
                                        "Cadena (Fitness*N\xC2\xBAveces) Decodificacion  Veces %Veces %Fitness",
                                        "0000010000  6800 S(000001) -> 000001 010 000010 BBB 2018 11\r00  0 0%",
                                        "0101  512.34 Max= 5  0 0%"}));
    w.Command8.click();
    EXPECT_EQ(report.List1.lines(),
              (std::vector<std::string>{"Ronda Nro4", "GATargets Browse de Data9",
                                        "Cadena (Fitness*N\xC2\xBAveces) Decodificacion  Veces %Veces %Fitness",
                                        "011  300 Max= 3  3  75%  75%", "0101  100 Max= 5  1  25%  25%"}));

    w.Command6.click();
    EXPECT_EQ(texts().back(), " 1/" + long_rule + " 68\r 5/0101 5.1234");

    w.GroupPush3D3.click();
    ASSERT_EQ(platform.printed.size(), 1U);
    EXPECT_EQ(platform.printed[0][0], "titulo");
    EXPECT_EQ(platform.printed[0][2], " 1               2               2.5            0010            -1.5");
    EXPECT_EQ(texts().back(), "Impresi\xC3\xB3n Completa");
    EXPECT_FALSE(w.GroupPush3D3.pressed());
}

TEST_F(GaWindowTest, validar_scores_each_rule_a_year_later_and_writes_nothing) {
    ga::GaWindow& w = open();
    // Mercap's 2019: BBB earns 7 a month instead of 5.
    db->execute("UPDATE Mercap SET m1=7, m2=7, m3=7, m4=7, m5=7, m6=7, m7=7, m8=7, m9=7, m10=7, m11=7, m12=7 "
                "WHERE numero = 2");
    const std::string r = rule(2, 3, kLt, 1, kAnd, 1, kGe, 2);
    db->execute("INSERT INTO converge (cadena, fitness, porc, funcionfitness) VALUES ('" + r +
                "', 30, 1, 'Strat'), ('0101', 5, 1, 'Max')");
    db->refresh_all_sources();
    w.CommandValidar.click();
    const std::vector<std::string>& lines = bench->reports().get().List1.lines();
    ASSERT_EQ(lines.size(), 3U);
    // CCC < AAA in months 7..12; AAA >= BBB (5) in 5..12 in 2018, >= 7 in 7..12 in 2019.
    // Holding BBB compounds 5 % (7 %) a month. On the month before's
    // returns the rule holds BBB 2019 in January (December 2018 passes) and
    // in August to December: two entries and two exits at 0,5 %.
    EXPECT_EQ(lines[1], r + "\tComprar BBB 2018 en los meses en que CCC 2018 < AAA 2018 y AAA 2018 >= BBB 2018"
                            "\t2018: 30\tcomprar y mantener 2018: 79.59%"
                            "\tComprar BBB 2019 en los meses en que CCC 2019 < AAA 2019 y AAA 2019 >= BBB 2019"
                            "\t2019: 42\tcomprar y mantener 2019: 125.22%\tmes anterior con costos 2019: 47.09%"
                            "\t(lee la accion que opera)");
    EXPECT_EQ(lines[2], "0101\tno es una regla");
    EXPECT_EQ(count("GA"), 0);
    EXPECT_EQ(count("converge"), 2);
}

}  // namespace
}  // namespace vorn::testing
