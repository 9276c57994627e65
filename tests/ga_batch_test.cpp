// The genetic search as a script sees it: the window's caption, its
// fields, a run, the curve and the beeps.
#include <sstream>

#include "batch/script_driver.h"
#include "ga_fixture.h"

namespace vorn::testing {
namespace {

using batch::BatchOptions;
using batch::BatchSession;
using batch::OutputFormat;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class GaBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator('.');
        db = make_empty_database(dir.path() / "ga7.mdb");
        fill_market(*db, "AccionesXmes", "2018");
    }
    std::vector<std::string> run(const std::string& script, OutputFormat format = OutputFormat::Json) {
        out.str("");
        session = std::make_unique<BatchSession>(*db, out, BatchOptions{.db = {}, .files_dir = dir.path(),
                                                                          .seed = 5, .format = format,
                                                                          .no_startup = true});
        std::istringstream in(script);
        code = session->run(in);
        return lines_of(out.str());
    }

    TempDir dir;
    std::unique_ptr<Database> db;
    std::ostringstream out;
    std::unique_ptr<BatchSession> session;
    int code = -1;
};

TEST_F(GaBatchTest, a_script_opens_the_window_runs_a_search_and_reads_its_curve) {
    std::vector<std::string> events = run(
        "get GABPN\n"
        "click vorn2.Command46\n"
        "get GABPN\n"
        "get GABPN.Text4\n"
        "set GABPN.Text3 4\n"
        "set GABPN.Text4 8\n"
        "set GABPN.Combo1 Max\n"
        "click GABPN.GroupPush3D1\n"
        "get GABPN.Curva\n"
        "get Consultas\n"
        "get GABPN.Label5\n");
    std::vector<std::string> shown;
    for (const std::string& e : events) {
        if (e != R"({"event":"beep"})") shown.push_back(e);
    }
    ASSERT_EQ(shown.size(), 7U);
    EXPECT_EQ(shown[0], R"({"event":"error","line":1,"text":"no existe la ventana: GABPN"})");
    EXPECT_EQ(shown[1], R"({"event":"value","control":"GABPN","text":"Algoritmo Genetico"})");
    EXPECT_EQ(shown[2], R"({"event":"value","control":"GABPN.Text4","text":"40"})");
    EXPECT_EQ(shown[3].rfind(R"({"event":"message","title":"","icon":"none","text":"Programa Terminado\rMax=)", 0), 0U);

    // The curve holds the pass's totals as sumas does.
    std::string totals;
    int generation = 0;
    for (const auto& row : db->query("SELECT sumafit FROM sumas ORDER BY rowid").rows) {
        totals += (totals.empty() ? "" : " ") + std::to_string(++generation) + ";" + format_sql(as_number(row[0]));
    }
    ASSERT_FALSE(totals.empty());
    EXPECT_EQ(shown[4], R"({"event":"value","control":"GABPN.Curva","text":")" + totals + "\"}");
    EXPECT_EQ(shown[5], R"({"event":"value","control":"Consultas","text":"Pasada: 2/ 1"})");
    EXPECT_EQ(shown[6], R"({"event":"value","control":"GABPN.Label5","text":"Fin markcross"})");
    EXPECT_EQ(code, 2);  // the first line's error
}

TEST_F(GaBatchTest, each_beep_is_an_event_of_its_own) {
    run("");
    session->platform().beep();
    session->platform().beep();
    EXPECT_EQ(lines_of(out.str()), (std::vector<std::string>{R"({"event":"beep"})", R"({"event":"beep"})"}));
    run("click vorn2.Command46\nget GABPN\n", OutputFormat::Text);
    session->platform().beep();
    EXPECT_EQ(lines_of(out.str()), (std::vector<std::string>{R"(value GABPN "Algoritmo Genetico")", "beep"}));
}

}  // namespace
}  // namespace vorn::testing
