// The genetic search as a script sees it: the window's caption, its
// fields, a run, the curve and the beeps.
#include <algorithm>
#include <sstream>

#include "batch/script_driver.h"
#include "ga_fixture.h"

namespace vorn::testing {
namespace {

using batch::OutputFormat;

class GaBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator('.');
        db = make_empty_database(dir.path() / "ga7.mdb");
        fill_market(*db, "AccionesXmes", "2018");
    }
    // Runs the script, then beeps `beeps` times; the events, one a line.
    std::vector<std::string> run(const std::string& script, OutputFormat format = OutputFormat::Json, int beeps = 0) {
        std::ostringstream out;
        batch::BatchSession session(out, {.seed = 5, .format = format, .no_startup = true}, [this](Platform& platform) {
            return std::make_unique<Workbench>(*db, platform, dir.path());
        });
        std::istringstream in(script);
        code = session.run(in);
        for (int i = 0; i < beeps; ++i) session.platform().beep();
        std::vector<std::string> lines;
        std::istringstream text(out.str());
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        return lines;
    }

    TempDir dir;
    std::unique_ptr<Database> db;
    int code = -1;
};

TEST_F(GaBatchTest, a_script_opens_the_window_runs_a_search_and_reads_its_curve) {
    std::vector<std::string> shown;
    for (const std::string& e : run("get GABPN\nclick vorn2.Command46\nget GABPN\nget GABPN.Text4\nset GABPN.Text3 4\n"
                                    "set GABPN.Text4 8\nset GABPN.Combo1 Max\nclick GABPN.GroupPush3D1\n"
                                    "get GABPN.Curva\nget Consultas\nget GABPN.Label5\n")) {
        if (e != R"({"event":"beep"})") shown.push_back(e);
    }
    ASSERT_EQ(shown.size(), 7U);
    EXPECT_EQ(shown[0], R"({"event":"error","line":1,"text":"no existe la ventana: GABPN"})");
    EXPECT_EQ(shown[1], R"({"event":"value","control":"GABPN","text":"Algoritmo Genetico"})");
    EXPECT_EQ(shown[2], R"({"event":"value","control":"GABPN.Text4","text":"40"})");
    EXPECT_EQ(shown[3].rfind(R"({"event":"message","title":"","icon":"none","text":"Programa Terminado\rMax=)", 0), 0U);
    // The curve reads as its points: the generation and the pass's total fitness.
    const std::string first_total =
        format_sql(as_number(db->query("SELECT sumafit FROM sumas ORDER BY rowid LIMIT 1").rows.at(0)[0]));
    EXPECT_EQ(shown[4].rfind(R"({"event":"value","control":"GABPN.Curva","text":"1;)" + first_total + " 2;", 0), 0U);
    EXPECT_EQ(shown[5], R"({"event":"value","control":"Consultas","text":"Pasada: 2/ 1"})");
    EXPECT_EQ(shown[6], R"({"event":"value","control":"GABPN.Label5","text":"Fin markcross"})");
    EXPECT_EQ(code, 2);  // the first line's error
}

TEST_F(GaBatchTest, each_beep_is_an_event_of_its_own) {
    EXPECT_EQ(run("", OutputFormat::Json, 2), (std::vector<std::string>{R"({"event":"beep"})", R"({"event":"beep"})"}));
    EXPECT_EQ(run("click vorn2.Command46\nget GABPN\n", OutputFormat::Text, 1),
              (std::vector<std::string>{R"(value GABPN "Algoritmo Genetico")", "beep"}));
}

TEST_F(GaBatchTest, a_torneo_run_from_a_script_prints_its_curve_a_line_each_for_the_best_and_the_mean) {
    std::vector<std::string> shown;
    for (const std::string& e :
         run("click vorn2.Command46\nset GABPN.Text3 6\nset GABPN.Text4 40\nset GABPN.Combo1 Strat\n"
             "set GABPN.ComboMetodo Torneo\nset GABPN.TextGeneraciones 4\nclick GABPN.GroupPush3D1\n"
             "get GABPN.Curva\n",
             OutputFormat::Text)) {
        if (e.rfind("value GABPN.Curva ", 0) == 0) shown.push_back(e);
    }
    // The first line: the best score of each generation, as sumas holds it.
    std::string best = "value GABPN.Curva \"";
    int g = 0;
    for (const auto& r : db->query("SELECT sumafit FROM sumas ORDER BY rowid").rows) {
        if (g > 0) best += " ";
        ++g;
        best += std::to_string(g) + ";" + format_sql(as_number(r[0]));
    }
    best += "\"";
    EXPECT_EQ(g, 4);
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_EQ(shown[0], best);
    // The mean's line has a point for each of the four generations.
    EXPECT_EQ(std::count(shown[1].begin(), shown[1].end(), ';'), 4);
    EXPECT_EQ(shown[1].rfind("value GABPN.Curva \"1;", 0), 0U);
}

}  // namespace
}  // namespace vorn::testing
