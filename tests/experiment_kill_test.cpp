// Experiments are one unit: the program killed at random moments during
// experiments, the hundred, a "Red" search and the start-up experiment
// leaves every table as before or after a whole experiment; killed at the
// very moment the start-up experiment puts "test.csv" in place, the user's
// frames survive the next start.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <random>

#include "support/file_bytes.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

#if defined(VORN2_BINARY) && defined(KILL_AT_RENAME_LIBRARY)

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Start {
    std::string script;
    bool startup = false;
    std::string kill_at_rename = {};  // the file whose rename kills the program
};

pid_t start_program(const fs::path& folder, const Start& start) {
    write_bytes(folder / "guion.txt", start.script);
    pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        int fd = ::open("/dev/null", O_WRONLY);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        if (!start.kill_at_rename.empty()) {
            ::setenv("LD_PRELOAD", KILL_AT_RENAME_LIBRARY, 1);
            ::setenv("VORN_KILL_AT_RENAME", start.kill_at_rename.c_str(), 1);
            // A sanitized program wants its runtime first; the shim only
            // wraps rename.
            ::setenv("ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0", 1);
        }
        std::vector<const char*> args{VORN2_BINARY, "--script", "guion.txt", "--seed", "11", "--db", "ga7.mdb"};
        if (!start.startup) args.push_back("--no-startup");
        args.push_back(nullptr);
        ::execv(VORN2_BINARY, const_cast<char* const*>(args.data()));
        ::_exit(127);
    }
    return child;
}

int wait_status(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

std::vector<std::vector<std::string>> table(Database& db, const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    for (const auto& row : db.query(sql).rows) {
        out.emplace_back();
        for (const auto& value : row) out.back().push_back(is_null(value) ? "NULL" : as_text(value));
    }
    return out;
}

double number(Database& db, const std::string& sql) { return as_number(db.query(sql).rows[0][0]); }

// Three frames of values no experiment makes.
std::string users_frames() {
    std::string text;
    for (int n = 1; n <= 3; ++n) {
        for (int i = 1; i <= 4; ++i) text += "1;" + std::to_string(i) + ";" + std::to_string(n) + ";77" + std::to_string(n * 10 + i) + ".125\r\n";
        text += "10;1;" + std::to_string(n) + ";0.5\r\n";
    }
    return text;
}

TEST(ExperimentKill, killed_as_the_startup_experiment_puts_test_csv_in_place_the_users_frames_survive) {
    TempDir folder;
    write_bytes(folder.path() / "bpn.csv", users_frames());
    ASSERT_EQ(wait_status(start_program(folder.path(), {"click vorn2.Command16\n"})), 0);
    const int killed = wait_status(start_program(folder.path(), {"", true, "test.csv"}));
    ASSERT_TRUE(WIFSIGNALED(killed) && WTERMSIG(killed) == SIGKILL) << killed;
    ASSERT_EQ(wait_status(start_program(folder.path(), {"", true})), 0);

    Database db((folder.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
    const std::string users = "SELECT capa, fila, columna, valor FROM %s WHERE valor > 770 ORDER BY rowid";
    auto of = [&](const std::string& name) {
        std::string sql = users;
        sql.replace(sql.find("%s"), 2, name);
        return table(db, sql);
    };
    EXPECT_EQ(of("bpnanterior").size() + of("BPN").size(), 12u);
    EXPECT_EQ(table(db, "PRAGMA integrity_check"), (std::vector<std::vector<std::string>>{{"ok"}}));
}

// What a whole experiment leaves: weights for the frames it built and a
// curve for its log row.
void expect_whole_experiment(Database& db) {
    const double size = number(db, "SELECT coalesce(max(fila), 0) FROM BPN WHERE capa = 1");
    const double hidden = number(db, "SELECT count(*) FROM BPNPESOS WHERE capa = 2");
    // An experiment whose last step deleted its frames keeps the weights
    // made for the size they had.
    if (size > 0) {
        EXPECT_EQ(number(db, "SELECT count(*) FROM BPNPESOS WHERE capa = 1"), size * hidden);
    }
    EXPECT_GT(hidden, 0);
    EXPECT_GT(number(db, "SELECT count(*) FROM PasadasBPNCurva WHERE curva_de = (SELECT max(rowid) FROM PasadasBPN)"),
              0);
}

TEST(ExperimentKill, killed_at_random_moments_every_table_is_as_before_or_after_a_whole_experiment) {
    TempDir pristine;
    ASSERT_EQ(wait_status(start_program(pristine.path(), {"sql delete pasadasbpn.* from pasadasbpn\n"})), 0);
    struct Work {
        const char* name;
        Start start;
    };
    const std::vector<Work> works = {
        {"experiments", {[] {
             std::string s;
             for (int k = 0; k < 30; ++k) s += "click vorn2.Command44\n";
             return s;
         }()}},
        {"the hundred", {"click vorn2.Command45\n"}},
        // A training long enough that most kills land inside it.
        {"long training", {"set vorn2.Text7 2000000\nset vorn2.Text9 NO\nclick vorn2.Command44\n"}},
        {"red", {"click vorn2.Command46\nset GABPN.Combo1 Red\nset GABPN.Text3 6\nset GABPN.Text4 12\n"
                 "set GABPN.Text5 3\nclick GABPN.GroupPush3D1\n"}},
        {"start-up", {"", true}},
    };
    std::mt19937 random(1207);
    const auto deadline = Clock::now() + std::chrono::seconds(70);
    int kills = 0, stored_some = 0;
    for (const Work& work : works) {
        SCOPED_TRACE(work.name);
        for (int round = 0; round < 6 && Clock::now() < deadline; ++round) {
            TempDir folder;
            fs::copy_file(pristine.path() / "ga7.mdb", folder.path() / "ga7.mdb");
            fs::copy_file(folder.path() / "ga7.mdb", folder.path() / "antes.mdb");
            write_bytes(folder.path() / "test.csv", "viejo");
            write_bytes(folder.path() / "last.csv", "viejo");
            const pid_t child = start_program(folder.path(), work.start);
            // Every other kill lands early, often inside the first experiment
            // (the side files appear only with its store, so the delay
            // counts from the start).
            ::usleep(static_cast<useconds_t>(random() % (round % 2 == 0 ? 150000 : 1500000)));
            ::kill(child, SIGKILL);
            wait_status(child);
            ++kills;
            {
                Database now((folder.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
                Database before((folder.path() / "antes.mdb").string(), Database::OpenMode::Existing);
                EXPECT_EQ(table(now, "PRAGMA integrity_check"), (std::vector<std::vector<std::string>>{{"ok"}}));
                const double logged = number(now, "SELECT count(*) FROM PasadasBPN");
                if (logged == 0) {
                    for (const char* t : {"BPN", "BPNPESOS", "bpnanterior", "bpnpesosanterior"}) {
                        const std::string all = std::string("SELECT * FROM ") + t + " ORDER BY rowid";
                        EXPECT_EQ(table(now, all), table(before, all)) << t;
                    }
                    EXPECT_EQ(read_bytes(folder.path() / "last.csv"), "viejo");
                } else {
                    ++stored_some;
                    expect_whole_experiment(now);
                }
                // Every curve belongs to a logged experiment.
                EXPECT_EQ(number(now, "SELECT count(*) FROM PasadasBPNCurva WHERE curva_de NOT IN "
                                      "(SELECT rowid FROM PasadasBPN)"),
                          0);
                const std::string history = read_bytes(folder.path() / "test.csv");
                EXPECT_TRUE(history == "viejo" || history.substr(history.size() - 3) == " \r\n") << history;
            }
            // The next start clears the killed one's leftovers.
            EXPECT_EQ(wait_status(start_program(folder.path(), {""})), 0);
            for (const auto& name : entries(folder.path())) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
        }
    }
    EXPECT_GE(kills, 12);
    // Some kills landed after a stored experiment.
    EXPECT_GT(stored_some, 0);
}

#endif

}  // namespace
}  // namespace vorn::testing
