// The genetic search's long runs through the GABPN window: bounded sizes
// and passes, a stop seen within a generation, when the tables are stored
// and what a failed store says, and one run per database file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <thread>

#include "ga_fixture.h"
#include "shell/run_claim.h"
#include "shell/session.h"
#include "support/failing_vfs.h"
#include "support/file_bytes.h"

namespace vorn::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kOtherRunning = "Otro programa esta ejecutando el algoritmo genetico sobre esta base de datos";

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string held_at(long pass, long generation) {
    return "Las tablas quedan como al terminar la generacion " + std::to_string(generation) + " de la pasada " +
           std::to_string(pass);
}

// A whole generation as the run reported it: its pass, its number in the
// pass, the stop polls made by then and the tables at that moment.
struct Generation {
    long long pass = 0;
    long number = 0;
    int polls = 0;
    std::string tables;
    long totals = 0;      // rows of sumas
    std::string mating;   // borrar and borrar2
};

class GaLongRuns : public GaFixture {
protected:
    void SetUp() override {
        GaFixture::SetUp();
        db->set_busy_timeout(50);
        bench->on_progress([this](const Progress& p) {
            const bool same_pass = !made.empty() && made.back().pass == p.done;
            made.push_back(
                {p.done, same_pass ? made.back().number + 1 : 1, platform.stop_polls, tables(), count("sumas"),
                 dump({"borrar", "borrar2"})});
            if (on_generation) on_generation(made.back());
        });
    }
    // Every row of a generation's tables, in stored order.
    std::string tables() { return dump({"GA", "borrar", "borrar2", "sumas"}); }
    std::string dump(std::initializer_list<const char*> names) {
        std::string out;
        for (const char* table : names) {
            out += table;
            for (const auto& row : rows(std::string("SELECT * FROM ") + table + " ORDER BY rowid").rows) {
                out += "\n";
                for (const Value& v : row) out += as_text(v) + "|";
            }
            out += "\n";
        }
        return out;
    }
    double recorded_passes() { return as_number(rows("SELECT ifnull(sum(porc), 0) FROM converge").rows.at(0).at(0)); }
    // A run of 6 chromosomes of 8 bits over three passes on the same draws
    // every time, stopped at the poll given; the generations it made.
    std::vector<Generation> search_run(ga::GaWindow& w, std::optional<int> stop_at_poll = {}) {
        platform.stream = RandomStream{12345};
        platform.stop_polls = 0;
        platform.stop_at_poll = stop_at_poll;
        platform.messages.clear();
        made.clear();
        start(w, "Max", "6", "8", "3");
        return made;
    }

    std::vector<Generation> made;
    std::function<void(const Generation&)> on_generation;
    FailingVfs vfs;
};

TEST_F(GaLongRuns, sizes_and_passes_out_of_range_are_refused_by_field_before_anything_changes) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO sumas VALUES (7)");
    db->execute("INSERT INTO converge (cadena, fitness, porc) VALUES ('0101', 3, 1)");
    db->execute("INSERT INTO GA (recno, codigo, cadena, decimal) VALUES (0, 1, '11', 3)");
    const std::string before = dump({"GA", "sumas", "converge", "GATargets"});
    const std::string population = "Poblacion Numero no puede pasar de 10000 cromosomas";
    const std::string length = "Tama\xC3\xB1o Cadena no puede pasar de 1000 bits";
    const std::string below = "Pasadas debe ser un numero mayor o igual que 1";
    const std::string large = "Pasadas es un numero demasiado grande";
    struct Case {
        std::string n, l, passes, message;
    };
    const std::vector<Case> cases{
        {"9223372036854775808", "40", "1", population},
        {"100000000", "40", "1", population},
        {"10001", "40", "1", population},  // runs as 10002
        {"-10002", "40", "1", population},
        {std::string(400, '9'), "40", "1", population},
        {"10", "1001", "1", length},
        {"10", "1000000000", "1", length},
        {"10", "40", "-3", below},
        {"10", "40", "abc", below},
        {"10", "40", ".5", below},
        {"10", "40", "1" + std::string(19, '0'), large},
        {"10", "40", std::string(400, '9'), large},
        {"10", std::string(400, '9'), "1", length},
    };
    const std::string pass_counter = w.Text6.text();
    for (const Case& c : cases) {
        platform.messages.clear();
        start(w, "Max", c.n, c.l, c.passes);
        EXPECT_EQ(texts(), std::vector<std::string>{c.message}) << c.n << " " << c.l << " " << c.passes;
        EXPECT_EQ((std::vector<std::string>{w.Text3.text(), w.Text4.text(), w.Text5.text(), w.Text6.text()}),
                  (std::vector<std::string>{c.n, c.l, c.passes, pass_counter}));
        EXPECT_EQ(dump({"GA", "sumas", "converge", "GATargets"}), before);
    }

    // The largest sizes are taken; a pass field never set keeps its default.
    platform.messages.clear();
    platform.stop_at_poll = platform.stop_polls + 1;
    start(w, "Max", "9999", "1000", "Text5");
    EXPECT_TRUE(texts().empty()) << texts().at(0);
    EXPECT_EQ((std::vector<std::string>{w.Text3.text(), w.Text5.text()}), (std::vector<std::string>{"10000", "10"}));
    const QueryResult ga = rows("SELECT count(*), min(length(cadena)), max(length(cadena)) FROM GA");
    EXPECT_EQ((std::vector<double>{as_number(ga.rows[0][0]), as_number(ga.rows[0][1]), as_number(ga.rows[0][2])}),
              (std::vector<double>{10000, 1000, 1000}));
}

TEST_F(GaLongRuns, a_pass_stores_at_its_end_and_a_stop_drops_the_generation_in_course_at_the_next_check_point) {
    ga::GaWindow& w = open();
    search().set_store_interval(0s);
    const std::vector<Generation> whole = search_run(w);
    const std::string run_end = tables() + dump({"converge"});
    ASSERT_EQ(whole.back().pass, 3);
    for (const Generation& g : whole) EXPECT_EQ(g.totals, g.number) << "pass " << g.pass;
    // Polls between two reports: at each row of both fitness rounds, the
    // draws and the crossovers, at each pairing pass (one or more for two
    // rows) and at the generation's end.
    EXPECT_GE(whole[1].polls - whole[0].polls, 4 * 6 + 6 / 2 + 1);

    // Passes take far less than 2 s: within one the tables hold the last
    // generation of the pass before, and the run ends as above.
    search().set_store_interval(2s);
    const std::vector<Generation> timed = search_run(w);
    EXPECT_EQ(tables() + dump({"converge"}), run_end);
    ASSERT_EQ(timed.size(), whole.size());
    for (size_t i = 0, previous = 0; i < timed.size(); ++i) {
        if (i > 0 && timed[i].pass != timed[i - 1].pass) previous = i;
        EXPECT_EQ(timed[i].tables, previous > 0 ? whole[previous - 1].tables : timed[0].tables) << i;
        if (previous == 0) {
            EXPECT_EQ(timed[i].totals, 0) << i;
        }
    }

    // Stops at the first poll, the last of generation 1, its end, within
    // generation 2, at the first poll of pass 2 and at the run's last poll.
    size_t pass2 = 0;
    while (whole[pass2].pass == 1) ++pass2;
    for (const int k : {1, whole[0].polls, whole[0].polls + 1, (whole[0].polls + whole[1].polls) / 2,
                        whole[pass2 - 1].polls + 2, whole.back().polls + 1}) {
        for (const auto interval : {std::chrono::steady_clock::duration(0s), std::chrono::steady_clock::duration(2s)}) {
            search().set_store_interval(interval);
            const std::string mating_before = dump({"borrar", "borrar2"});
            const size_t made = search_run(w, k).size();
            EXPECT_EQ(platform.stop_polls, k) << "polled after the stop";
            // Its pass (a generation's last poll follows its report) and the
            // last whole generation.
            size_t in = 0;
            while (whole[in].polls + 1 < k) ++in;
            size_t kept = 0;
            while (kept < whole.size() && whole[kept].polls < k) ++kept;
            EXPECT_EQ(made, kept) << k;
            EXPECT_EQ(w.Text6.text(), std::to_string(whole[in].pass)) << k;
            const bool in_its_pass = kept > 0 && whole[kept - 1].pass == whole[in].pass;
            if (in_its_pass) {
                EXPECT_EQ(tables(), whole[kept - 1].tables) << k;
            } else {  // stopped in its first generation: the pass as it began
                EXPECT_EQ(dump({"borrar", "borrar2"}), kept > 0 ? whole[kept - 1].mating : mating_before) << k;
                EXPECT_EQ((std::vector<long>{count("GA"), count("sumas")}), (std::vector<long>{6, 0})) << k;
            }
            EXPECT_EQ(recorded_passes(), static_cast<double>(whole[in].pass - (in_its_pass ? 0 : 1))) << k;
            EXPECT_EQ(w.Curva.points().size(), in_its_pass ? static_cast<size_t>(whole[kept - 1].number) : 0U) << k;
            const bool announced = !texts().empty() && texts().back().rfind("Programa Terminado\r", 0) == 0;
            EXPECT_EQ(announced, count("converge") > 0) << k;
        }
    }
}

TEST_F(GaLongRuns, a_failed_store_says_which_generation_the_tables_hold_and_ends_the_run) {
    ga::GaWindow& w = open();
    auto second = std::make_unique<Database>((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
    second->set_busy_timeout(50);
    struct Case {
        const char* name;
        bool every_generation;
        long long fail_pass;  // the failure starts as this generation ends
        long fail_generation;
        bool lock;
        std::deque<Answer> answers;
        size_t questions;
    };
    const std::vector<Case> cases{
        {"disco lleno al final de la pasada 2", false, 2, 1, false, {}, 0},
        {"disco lleno dentro de la pasada 1", true, 1, 2, false, {}, 0},
        {"bloqueada dentro de la pasada 1, sin reintentar", true, 1, 2, true, {Answer::No}, 1},
        {"bloqueada al final de la pasada 2, cinco intentos", false, 2, 1, true, {}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        search().set_store_interval(c.every_generation ? std::chrono::steady_clock::duration(0s)
                                                       : std::chrono::steady_clock::duration(2s));
        std::string held_tables;
        long last_of_pass1 = 0;
        on_generation = [&](const Generation& g) {
            if (g.pass == 1) last_of_pass1 = g.number;
            if (g.pass != c.fail_pass || g.number != c.fail_generation) return;
            held_tables = tables();
            if (c.lock) {
                second->execute_script("BEGIN IMMEDIATE");
            } else {
                FailingVfs::disk_full = true;
            }
        };
        platform.answers = c.answers;
        platform.questions.clear();
        search_run(w);
        FailingVfs::disk_full = false;
        if (c.lock) second->execute_script("COMMIT");
        on_generation = nullptr;

        const long held_generation = c.every_generation ? c.fail_generation : last_of_pass1;
        const std::string held = held_at(1, held_generation);
        ASSERT_EQ(texts().size(), 1U);
        const std::string text = texts()[0];
        EXPECT_EQ(text.rfind(c.lock ? "La base de datos sigue bloqueada por otro programa: no se guardo el avance"
                                    : "El disco esta lleno",
                             0),
                  0U)
            << text;
        EXPECT_TRUE(text.ends_with("\r" + held) && !contains(text, "No se guardaron")) << text;
        EXPECT_EQ(platform.questions.size(), c.questions);
        db->refresh_all_sources();
        EXPECT_EQ(tables(), held_tables);
        EXPECT_EQ(count("sumas"), held_generation);
        EXPECT_EQ(recorded_passes(), c.every_generation ? 0 : 1);
    }
}

TEST_F(GaLongRuns, one_run_per_database_a_second_connections_run_is_refused_at_once_and_a_released_claim_frees_it) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO converge (cadena, fitness, porc) VALUES ('0101', 3, 1)");
    const std::string before = dump({"GA", "sumas", "converge", "GATargets"});
    auto second = std::make_unique<Database>((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
    {
        const RunClaim other(*second);
        ASSERT_TRUE(other.held());
        platform.messages.clear();
        start(w, "Max", "6", "8", "2");
        EXPECT_EQ(texts(), std::vector<std::string>{kOtherRunning});
        EXPECT_EQ(dump({"GA", "sumas", "converge", "GATargets"}), before);
    }

    // A second workbench on the file starts its run while the first runs:
    // refused, and the first one's announced result is what converge keeps.
    ScriptedPlatform other_platform;
    Workbench other_bench(*second, other_platform, dir.path());
    other_bench.main().Command46.click();
    ga::GaWindow& other_window = other_bench.genetic_search().window();
    other_bench.fire(other_window.Timer1);
    on_generation = [&](const Generation&) {
        if (other_platform.messages.empty()) start(other_window, "Max", "6", "8", "1");
    };
    platform.messages.clear();
    start(w, "Max", "6", "8", "2");
    on_generation = nullptr;
    EXPECT_EQ(other_platform.texts(), std::vector<std::string>{kOtherRunning});
    ASSERT_FALSE(texts().empty());
    const QueryResult best = rows("SELECT cadena, descrip FROM converge ORDER BY -fitness");
    ASSERT_FALSE(best.rows.empty());
    EXPECT_EQ(texts().back(), "Programa Terminado\r" + as_text(best.rows[0][1]));
    EXPECT_EQ(w.Text9.text(), as_text(best.rows[0][0]) + " " + as_text(best.rows[0][1]));
    EXPECT_EQ(recorded_passes(), 2);

    // Once the first run has ended, the second workbench runs.
    other_platform.messages.clear();
    start(other_window, "Max", "6", "8", "1");
    ASSERT_FALSE(other_platform.texts().empty());
    EXPECT_EQ(other_platform.texts().back().rfind("Programa Terminado\r", 0), 0U);
}

#ifdef VORN2_BINARY

// vorn2 running the search on this test's database, its events in `out`.
pid_t start_search(const fs::path& folder, const std::string& fields, const fs::path& db, const fs::path& out) {
    write_bytes(folder / "guion.txt", "click vorn2.Command46\n" + fields + "set GABPN.Combo1 Max\nclick GABPN.GroupPush3D1\n");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl(VORN2_BINARY, VORN2_BINARY, "--script", "guion.txt", "--no-startup", "--seed", "7", "--db",
                db.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return child;
}

TEST_F(GaLongRuns, another_programs_run_refuses_ours_keeps_its_result_and_a_killed_one_blocks_nothing) {
    ga::GaWindow& w = open();
    const fs::path file = dir.path() / "ga7.mdb";
    TempDir other;
    // Its run has begun once its first population is stored.
    auto wait_for = [&](const std::string& sql) {
        const auto give_up = std::chrono::steady_clock::now() + 20s;
        while (as_number(rows(sql).rows.at(0).at(0)) == 0 && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(2ms);
        }
        return as_number(rows(sql).rows.at(0).at(0)) != 0;
    };

    // A run of many short passes: ours, started meanwhile, is refused.
    const pid_t first = start_search(other.path(), "set GABPN.Text3 40\nset GABPN.Text4 8\nset GABPN.Text5 400\n", file,
                                     other.path() / "salida.txt");
    ASSERT_TRUE(wait_for("SELECT count(*) FROM GA"));
    platform.messages.clear();
    start(w, "Max", "6", "8", "1");
    int status = 0;
    const bool still_running = ::waitpid(first, &status, WNOHANG) == 0;
    EXPECT_EQ(texts(), std::vector<std::string>{kOtherRunning});
    ASSERT_EQ(::waitpid(first, &status, 0), first);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << read_bytes(other.path() / "salida.txt");
    EXPECT_TRUE(still_running) << "the other run ended before ours was refused";
    // Its announced result is what converge holds.
    const std::string events = read_bytes(other.path() / "salida.txt");
    const QueryResult best = rows("SELECT descrip, porc FROM converge ORDER BY -fitness");
    ASSERT_FALSE(best.rows.empty());
    EXPECT_TRUE(contains(events, "text=\"Programa Terminado\\r" + as_text(best.rows[0][0]) + "\"")) << events;
    EXPECT_EQ(recorded_passes(), 400);
    EXPECT_EQ(count("GATargets"), 0);

    // A run killed in its course leaves its claim to nobody.
    const pid_t second = start_search(other.path(), "set GABPN.Text3 40\nset GABPN.Text4 8\nset GABPN.Text5 100000\n",
                                      file, other.path() / "salida2.txt");
    ASSERT_TRUE(wait_for("SELECT count(*) FROM GATargets"));
    ::kill(second, SIGKILL);
    ::waitpid(second, nullptr, 0);
    platform.messages.clear();
    start(w, "Max", "6", "8", "1");
    ASSERT_FALSE(texts().empty());
    EXPECT_EQ(texts().back().rfind("Programa Terminado\r", 0), 0U) << texts().back();
    EXPECT_EQ(recorded_passes(), 1);
}

#endif

}  // namespace
}  // namespace vorn::testing
