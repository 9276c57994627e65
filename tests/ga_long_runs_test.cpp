// The genetic search's long runs through the GABPN window: bounded fields,
// a stop seen within a generation, when the tables are stored and what a
// failed store says, and one run per database file.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <thread>

#include "ga_fixture.h"
#include "shell/run_claim.h"
#include "shell/session.h"
#include "support/failing_vfs.h"
#include "support/file_bytes.h"

namespace vorn::testing {
namespace {

using namespace std::chrono_literals;
using Interval = std::chrono::steady_clock::duration;

constexpr const char* kOtherRunning = "Otro programa esta ejecutando el algoritmo genetico sobre esta base de datos";

// A whole generation as the run reported it, and the tables then.
struct Generation {
    long long pass = 0;
    long number = 0;  // in its pass
    int polls = 0;    // stop polls made so far
    std::string tables, mating;
    long totals = 0;
};

class GaLongRuns : public GaFixture {
protected:
    void SetUp() override {
        GaFixture::SetUp();
        db->set_busy_timeout(50);
        bench->on_progress([this](const Progress& p) {
            const long number = !made.empty() && made.back().pass == p.done ? made.back().number + 1 : 1;
            made.push_back({p.done, number, platform.stop_polls, tables(), dump({"borrar", "borrar2"}), count("sumas")});
            if (on_generation) on_generation(made.back());
        });
    }
    std::string tables() { return dump({"GA", "borrar", "borrar2", "sumas"}); }
    std::string dump(std::initializer_list<const char*> names) {
        std::string out;
        for (const char* table : names) {
            out += std::string(table) + ":";
            for (const auto& row : rows(std::string("SELECT * FROM ") + table + " ORDER BY rowid").rows) {
                for (const Value& v : row) out += as_text(v) + "|";
                out += "\n";
            }
        }
        return out;
    }
    double recorded_passes() { return as_number(rows("SELECT ifnull(sum(porc), 0) FROM converge").rows.at(0).at(0)); }
    bool announced() { return !texts().empty() && texts().back().rfind("Programa Terminado\r", 0) == 0; }
    // 6 chromosomes of 8 bits, three passes, the same draws every time.
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

TEST_F(GaLongRuns, fields_out_of_range_are_refused_by_name_before_anything_changes) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO converge (cadena, fitness, porc) VALUES ('0101', 3, 1)");
    db->execute("INSERT INTO GA (recno, codigo, cadena, decimal) VALUES (0, 1, '11', 3)");
    const std::string before = dump({"GA", "sumas", "converge", "GATargets"});
    const std::string population = "Poblacion Numero no puede pasar de 10000 cromosomas";
    const std::string length = "Tama\xC3\xB1o Cadena no puede pasar de 1000 bits";
    const std::string few = "Pasadas debe ser un numero mayor o igual que 1";
    const std::string many = "Pasadas es un numero demasiado grande";
    const std::string huge(400, '9');
    const std::vector<std::vector<std::string>> cases{
        {"9223372036854775808", "40", "1", population}, {"100000000", "40", "1", population},
        {"10001", "40", "1", population} /* runs as 10002 */, {"-10002", "40", "1", population},
        {huge, "40", "1", population}, {"10", "1001", "1", length}, {"10", "1000000000", "1", length},
        {"10", huge, "1", length}, {"10", "40", "-3", few}, {"10", "40", "abc", few}, {"10", "40", ".5", few},
        {"10", "40", "1" + std::string(19, '0'), many}, {"10", "40", huge, many}};
    const std::string pass_counter = w.Text6.text();
    for (const auto& c : cases) {
        platform.messages.clear();
        start(w, "Max", c[0], c[1], c[2]);
        EXPECT_EQ(texts(), std::vector<std::string>{c[3]}) << c[0] << " " << c[1] << " " << c[2];
        EXPECT_EQ((std::vector<std::string>{w.Text3.text(), w.Text4.text(), w.Text5.text(), w.Text6.text()}),
                  (std::vector<std::string>{c[0], c[1], c[2], pass_counter}));
        EXPECT_EQ(dump({"GA", "sumas", "converge", "GATargets"}), before);
    }
    // The largest sizes are taken; a pass field never set keeps its default.
    platform.messages.clear();
    platform.stop_at_poll = platform.stop_polls + 1;
    start(w, "Max", "9999", "1000", "Text5");
    EXPECT_EQ(texts(), std::vector<std::string>{"Busqueda detenida en la pasada 1 de 10"});
    EXPECT_EQ(w.Text3.text() + " " + w.Text5.text(), "10000 10");
    EXPECT_EQ(as_text(rows("SELECT count(*) || ' ' || min(length(cadena)) || ' ' || max(length(cadena)) FROM GA")
                          .rows.at(0).at(0)),
              "10000 1000 1000");
}

TEST_F(GaLongRuns, a_pass_stores_at_its_end_and_a_stop_drops_the_generation_in_course_at_the_next_check_point) {
    ga::GaWindow& w = open();
    search().set_store_interval(0s);
    const std::vector<Generation> whole = search_run(w);
    const std::string run_end = tables() + dump({"converge"});
    ASSERT_EQ(whole.back().pass, 3);
    for (const Generation& g : whole) EXPECT_EQ(g.totals, g.number) << "pass " << g.pass;
    // Polled at each row of both fitness rounds, of the draws and of the
    // crossovers, at each pairing pass (one at least per two rows), at the end.
    EXPECT_GE(whole[1].polls - whole[0].polls, 4 * 6 + 6 / 2 + 1);

    // Passes take far less than 2 s: within one the tables hold the pass
    // before's last generation, and the run ends as when every one is stored.
    search().set_store_interval(2s);
    const std::vector<Generation> timed = search_run(w);
    EXPECT_EQ(tables() + dump({"converge"}), run_end);
    ASSERT_EQ(timed.size(), whole.size());
    for (size_t i = 0, first = 0; i < timed.size(); ++i) {
        if (timed[i].pass != timed[first].pass) first = i;
        EXPECT_EQ(timed[i].tables, first > 0 ? whole[first - 1].tables : timed[0].tables) << i;
        EXPECT_TRUE(first > 0 || timed[i].totals == 0) << i;
    }

    // Stops at the first poll, the last of generation 1, its end, within
    // generation 2, at the first poll of pass 2 and at the run's last poll.
    size_t pass2 = 0;
    while (whole[pass2].pass == 1) ++pass2;
    for (const int k : {1, whole[0].polls, whole[0].polls + 1, (whole[0].polls + whole[1].polls) / 2,
                        whole[pass2 - 1].polls + 2, whole.back().polls + 1}) {
        for (const Interval interval : {Interval(0s), Interval(2s)}) {
            search().set_store_interval(interval);
            const std::string mating_before = dump({"borrar", "borrar2"});
            const size_t made_now = search_run(w, k).size();
            EXPECT_EQ(platform.stop_polls, k) << "polled after the stop";
            // Its pass (a generation's last poll follows its report) and the last whole generation.
            size_t in = 0, kept = 0;
            while (whole[in].polls + 1 < k) ++in;
            while (kept < whole.size() && whole[kept].polls < k) ++kept;
            EXPECT_EQ(made_now, kept) << k;
            EXPECT_EQ(w.Text6.text(), std::to_string(whole[in].pass)) << k;
            const bool in_its_pass = kept > 0 && whole[kept - 1].pass == whole[in].pass;
            if (in_its_pass) {
                EXPECT_EQ(tables(), whole[kept - 1].tables) << k;
            } else {  // stopped in its first generation: the pass as it began, unrecorded
                EXPECT_EQ(dump({"borrar", "borrar2"}), kept > 0 ? whole[kept - 1].mating : mating_before) << k;
                EXPECT_EQ(count("GA") * 10 + count("sumas"), 60) << k;
            }
            EXPECT_EQ(recorded_passes(), static_cast<double>(whole[in].pass - (in_its_pass ? 0 : 1))) << k;
            // The curve keeps every whole generation of the run, across its passes.
            EXPECT_EQ(w.Curva.points().size(), kept) << k;
            // It says where it stopped, with the best rule when a pass was recorded.
            const std::string stopped = "Busqueda detenida en la pasada " + std::to_string(whole[in].pass) + " de 3";
            ASSERT_FALSE(texts().empty()) << k;
            EXPECT_EQ(texts().back().substr(0, stopped.size()), stopped) << k;
            EXPECT_EQ(texts().back().size() > stopped.size(), count("converge") > 0) << k;
        }
    }
}

TEST_F(GaLongRuns, a_failed_store_says_which_generation_the_tables_hold_and_ends_the_run) {
    ga::GaWindow& w = open();
    Database second((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
    second.set_busy_timeout(50);
    // {every generation stored, failing from the end of generation g of
    // pass p, on a lock (else a full disk), answers, questions asked}.
    struct Case {
        bool every;
        long long pass;
        long generation;
        bool lock;
        std::deque<Answer> answers;
        size_t questions;
    };
    for (const Case& c : {Case{false, 2, 1, false, {}, 0}, Case{true, 1, 2, false, {}, 0},
                          Case{true, 1, 2, true, {Answer::No}, 1}, Case{false, 2, 1, true, {}, 4}}) {
        SCOPED_TRACE(std::to_string(c.every) + " " + std::to_string(c.lock));
        search().set_store_interval(c.every ? Interval(0s) : Interval(2s));
        std::string held_tables;
        long last_of_pass1 = 0;
        on_generation = [&](const Generation& g) {
            if (g.pass == 1) last_of_pass1 = g.number;
            if (g.pass != c.pass || g.number != c.generation) return;
            held_tables = tables();
            if (c.lock) second.execute_script("BEGIN IMMEDIATE");
            FailingVfs::disk_full = !c.lock;
        };
        platform.answers = c.answers;
        platform.questions.clear();
        search_run(w);
        FailingVfs::disk_full = false;
        if (c.lock) second.execute_script("COMMIT");
        on_generation = nullptr;

        const long held = c.every ? c.generation : last_of_pass1;
        ASSERT_EQ(texts().size(), 1U);
        const std::string text = texts()[0];
        EXPECT_EQ(text.rfind(c.lock ? "La base de datos sigue bloqueada por otro programa: no se guardo el avance"
                                    : "El disco esta lleno",
                             0),
                  0U)
            << text;
        EXPECT_TRUE(text.ends_with("\rLas tablas quedan como al terminar la generacion " + std::to_string(held) +
                                   " de la pasada 1"))
            << text;
        EXPECT_EQ(platform.questions.size(), c.questions);
        db->refresh_all_sources();
        EXPECT_EQ(tables(), held_tables);
        EXPECT_EQ(count("sumas"), held);
        EXPECT_EQ(recorded_passes(), c.every ? 0 : 1);
    }
}

TEST_F(GaLongRuns, a_run_on_a_database_another_connection_runs_on_is_refused_at_once_and_loses_it_nothing) {
    ga::GaWindow& w = open();
    db->execute("INSERT INTO converge (cadena, fitness, porc) VALUES ('0101', 3, 1)");
    const std::string before = dump({"GA", "sumas", "converge", "GATargets"});
    Database second((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
    {
        const RunClaim other(second);
        ASSERT_TRUE(other.held());
        platform.messages.clear();
        start(w, "Max", "6", "8", "2");
        EXPECT_EQ(texts(), std::vector<std::string>{kOtherRunning});
        EXPECT_EQ(dump({"GA", "sumas", "converge", "GATargets"}), before);
    }
    // A second workbench on the file starts its run during ours, and again after it.
    ScriptedPlatform other_platform;
    Workbench other_bench(second, other_platform, dir.path());
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
    const QueryResult best = rows("SELECT descrip FROM converge ORDER BY -fitness");
    ASSERT_TRUE(announced() && !best.rows.empty());
    EXPECT_EQ(texts().back(), "Programa Terminado\r" + as_text(best.rows[0][0]));
    EXPECT_EQ(recorded_passes(), 2);
    start(other_window, "Max", "6", "8", "1");
    EXPECT_EQ(other_platform.texts().size(), 2U);
    EXPECT_EQ(other_platform.texts().back().rfind("Programa Terminado\r", 0), 0U);
}

#ifdef VORN2_BINARY

TEST_F(GaLongRuns, another_programs_run_refuses_ours_keeps_its_result_and_a_killed_one_blocks_nothing) {
    ga::GaWindow& w = open();
    TempDir other;
    // vorn2 searching on this database for `passes` passes; its events in `out`.
    auto search_in_another_program = [&](const std::string& passes, const std::string& out) {
        write_bytes(other.path() / "guion.txt", "click vorn2.Command46\nset GABPN.Text3 40\nset GABPN.Text4 8\n"
                                                "set GABPN.Combo1 Max\nset GABPN.Text5 " + passes +
                                                    "\nclick GABPN.GroupPush3D1\n");
        const std::string file = (dir.path() / "ga7.mdb").string();
        const std::string events = (other.path() / out).string();
        const pid_t child = ::fork();
        if (child == 0) {
            const int fd = ::open(events.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (::chdir(other.path().c_str()) != 0 || ::dup2(fd, 1) < 0 || ::dup2(fd, 2) < 0) ::_exit(127);
            ::execl(VORN2_BINARY, VORN2_BINARY, "--script", "guion.txt", "--no-startup", "--db", file.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return child;
    };
    // Its run has begun once it has written its first table.
    auto wait_for_rows = [&](const std::string& table) {
        for (int i = 0; i < 10000 && count(table) == 0; ++i) std::this_thread::sleep_for(2ms);
        return count(table) > 0;
    };

    const pid_t first = search_in_another_program("400", "salida.txt");
    ASSERT_TRUE(wait_for_rows("GA"));
    platform.messages.clear();
    start(w, "Max", "6", "8", "1");
    int status = 0;
    EXPECT_EQ(::waitpid(first, &status, WNOHANG), 0) << "the other run ended before ours was refused";
    EXPECT_EQ(texts(), std::vector<std::string>{kOtherRunning});
    ASSERT_EQ(::waitpid(first, &status, 0), first);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // What it announced is what converge holds.
    const QueryResult best = rows("SELECT descrip FROM converge ORDER BY -fitness");
    ASSERT_FALSE(best.rows.empty());
    const std::string events = read_bytes(other.path() / "salida.txt");
    EXPECT_NE(events.find("text=\"Programa Terminado\\r" + as_text(best.rows[0][0]) + "\""), std::string::npos) << events;
    EXPECT_EQ(recorded_passes(), 400);
    EXPECT_EQ(count("GATargets"), 0);

    // One killed in its course leaves its claim to nobody.
    const pid_t killed = search_in_another_program("100000", "salida2.txt");
    ASSERT_TRUE(wait_for_rows("GATargets"));
    ::kill(killed, SIGKILL);
    ::waitpid(killed, nullptr, 0);
    platform.messages.clear();
    start(w, "Max", "6", "8", "1");
    EXPECT_TRUE(announced()) << texts().at(0);
    EXPECT_EQ(recorded_passes(), 1);
}

#endif


TEST_F(GaLongRuns, another_program_can_write_at_every_dialog_of_a_search) {
    ga::GaWindow& w = open();
    WriterAtEveryBox other(db->path(), platform);
    // Stores at every generation: the most chances to hold the lock at a box.
    search().set_store_interval(0s);
    search_run(w);
    // A rule too short for its strategy warns in the middle of the run.
    start(w, "Strat", "6", "8", "1");
    EXPECT_GE(other.boxes(), 3);
    EXPECT_EQ(other.written(), other.boxes());
}

}  // namespace
}  // namespace vorn::testing
