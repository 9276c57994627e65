// The program killed at random moments (kill -9) during a training, an
// import, initial weights, a frame recoding and the creation of the
// database: the file always passes SQLite's integrity check and every table
// is either as it was or as the operation leaves it. Two programs training
// on one file each store or truthfully report every run. And the import
// over hundreds of malformed files: no crash, no hang, BPN kept on refusal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fcntl.h>
#include <random>

#include "support/file_bytes.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifdef VORN2_BINARY

// Starts vorn2 on `script` in `folder`, its output to `out`, on `db` or else folder/ga7.mdb.
pid_t start_program(const fs::path& folder, const std::string& script, const std::string& out = "/dev/null",
                    const fs::path& db = {}) {
    write_bytes(folder / "guion.txt", script);
    const std::string db_arg = (db.empty() ? folder / "ga7.mdb" : db).string();
    pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(folder.c_str()) != 0) ::_exit(127);
        int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::execl(VORN2_BINARY, VORN2_BINARY, "--script", "guion.txt", "--no-startup", "--seed", "7", "--db",
                db_arg.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return child;
}

// Lets the program run for `delay` (counted from when `started` appears, so
// that a slow start on a busy machine does not eat it), then kills it.
void kill_after(pid_t child, std::chrono::microseconds delay, const fs::path& started = {}) {
    const auto give_up = Clock::now() + std::chrono::seconds(3);
    while (!started.empty() && !fs::exists(started) && Clock::now() < give_up) ::usleep(1000);
    ::usleep(static_cast<useconds_t>(delay.count()));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

int exit_code(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::vector<std::string>> table(Database& db, const std::string& sql) {
    std::vector<std::vector<std::string>> out;
    for (const auto& row : db.query(sql).rows) {
        out.emplace_back();
        for (const auto& value : row) out.back().push_back(as_text(value));
    }
    return out;
}

const std::vector<std::vector<std::string>> kSound = {{"ok"}};

// The weight table as initial weights and training write it: 9 x 3 + 3 rows in order.
bool complete_weights(Database& db) {
    std::string keys;
    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 3; ++j) keys += "1" + std::to_string(i) + std::to_string(j) + " ";
    keys += "211 212 213";
    return table(db, "SELECT group_concat(capa || fila || columna, ' ') FROM (SELECT * FROM BPNPESOS ORDER BY rowid)") ==
           std::vector<std::vector<std::string>>{{keys}};
}

std::string repeat(const std::string& line, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += line;
    return out;
}

struct Workload {
    const char* name;
    std::string script;
    int max_delay_ms;
    // Checks the killed program's database against the one it started from.
    std::function<void(Database& now, Database& before)> check;
};

class StoreFaultInjection : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(open_workbench_database(pristine.path() / "ga7.mdb").db); }
    fs::path fresh_copy(const TempDir& into) {
        fs::copy_file(pristine.path() / "ga7.mdb", into.path() / "ga7.mdb");
        return into.path() / "ga7.mdb";
    }
    TempDir pristine;
};

TEST_F(StoreFaultInjection, killed_at_random_moments_the_file_is_sound_and_each_table_all_old_or_all_new) {
    const auto deadline = Clock::now() + std::chrono::seconds(50);
    std::mt19937 random(20261207);
    std::string imported;
    for (int i = 1; i <= 9; ++i)
        for (int n = 1; n <= 300; ++n) imported += "1;" + std::to_string(i) + ";" + std::to_string(n) + ";0.5\r\n";
    for (int n = 1; n <= 300; ++n) imported += "10;1;" + std::to_string(n) + ";0.1\r\n";

    std::vector<int> recoded_times;
    auto weights_check = [](Database& now, Database& before) {
        const bool old = table(now, "SELECT * FROM BPNPESOS ORDER BY rowid") ==
                         table(before, "SELECT * FROM BPNPESOS ORDER BY rowid");
        EXPECT_TRUE(old || complete_weights(now));
        EXPECT_EQ(table(now, "SELECT * FROM BPN ORDER BY rowid"), table(before, "SELECT * FROM BPN ORDER BY rowid"));
    };
    // Each script runs for about a second; the kills land anywhere in it.
    const std::vector<Workload> workloads = {
        {"training",
         "set vorn2.Text6 0.0000001\nset vorn2.Text7 15000\nset vorn2.Text8 0.5\n" + repeat("click vorn2.Command4\n", 6),
         1000, weights_check},
        {"import", repeat("click vorn2.Command16\n", 24), 900,
         [&imported](Database& now, Database& before) {
             const std::string sql = "SELECT group_concat(capa || ';' || fila || ';' || columna || ';' || valor || "
                                     "char(13, 10), '') FROM (SELECT * FROM BPN ORDER BY rowid)";
             const auto rows = table(now, sql);
             EXPECT_TRUE(rows == table(before, sql) || rows[0][0] == imported) << rows[0][0].size();
         }},
        {"initial weights", "set vorn2.Text2 9\nset vorn2.Text4 3\n" + repeat("click vorn2.Command14\n", 3000), 900,
         weights_check},
        // "X" loads the frames, then frame 1 is recoded to its hyperbolic tangent over and over.
        {"frame recoding", "click vorn2.Command3\n" + repeat("answer 1\nclick vorn2.Command29\n", 3000), 900,
         [&recoded_times](Database& now, Database& before) {
             // Frame 1 is tanh applied k times to what it was, the same k for every value.
             const std::string frame1 = "SELECT valor FROM BPN WHERE capa = 1 AND columna = 1 ORDER BY fila";
             auto was = table(before, frame1), is = table(now, frame1);
             ASSERT_EQ(is.size(), was.size());
             std::vector<double> v;
             for (const auto& row : was) v.push_back(std::stod(row[0]));
             auto same = [&] {
                 for (size_t i = 0; i < v.size(); ++i)
                     if (std::fabs(std::stod(is[i][0]) - v[i]) >= 1e-9) return false;
                 return true;
             };
             int times = 0;
             for (; times <= 3000 && !same(); ++times)
                 for (double& x : v) x = std::tanh(x);
             EXPECT_LE(times, 3000);
             recoded_times.push_back(times);
         }},
    };

    int kills = 0;
    for (const Workload& work : workloads) {
        SCOPED_TRACE(work.name);
        for (int round = 0; round < 8 && Clock::now() < deadline; ++round) {
            TempDir folder;
            const fs::path file = fresh_copy(folder);
            write_bytes(folder.path() / "bpn.csv", imported);
            write_bytes(folder.path() / "test.csv", "viejo");
            const fs::path before_file = folder.path() / "antes.mdb";
            fs::copy_file(file, before_file);
            kill_after(start_program(folder.path(), work.script),
                       std::chrono::milliseconds(random() % static_cast<unsigned>(work.max_delay_ms)),
                       folder.path() / "ga7.mdb-wal");
            ++kills;
            {
                Database now(file.string(), Database::OpenMode::Existing);
                Database before(before_file.string(), Database::OpenMode::Existing);
                EXPECT_EQ(table(now, "PRAGMA integrity_check"), kSound);
                work.check(now, before);
                const std::string history = read_bytes(folder.path() / "test.csv");
                EXPECT_TRUE(history == "viejo" || history.empty() || history.substr(history.size() - 3) == " \r\n");
            }
            // The next start takes away what the killed one left.
            EXPECT_EQ(exit_code(start_program(folder.path(), "")), 0);
            for (const auto& name : entries(folder.path())) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
        }
    }

    // Creation of the database from nothing.
    for (int round = 0; round < 10 && Clock::now() < deadline; ++round) {
        TempDir folder;
        kill_after(start_program(folder.path(), ""), std::chrono::milliseconds(random() % 120));
        ++kills;
        OpenResult opened = open_workbench_database(folder.path() / "ga7.mdb");
        ASSERT_TRUE(opened.db) << opened.error;
        EXPECT_EQ(table(*opened.db, "PRAGMA integrity_check"), kSound);
        EXPECT_EQ(table(*opened.db, "SELECT count(*) FROM BPN"), (std::vector<std::vector<std::string>>{{"80"}}));
        opened.db.reset();
        for (const auto& name : entries(folder.path())) EXPECT_EQ(name.find(".nuevo-"), std::string::npos) << name;
    }
    EXPECT_GE(kills, 30);
    // The kills did land in the middle of the recodings.
    EXPECT_GE(std::count_if(recoded_times.begin(), recoded_times.end(), [](int k) { return k > 0 && k < 3000; }), 2);
}

TEST_F(StoreFaultInjection, two_programs_training_on_one_file_store_or_truthfully_report_every_run) {
    TempDir folder;
    fresh_copy(folder);
    constexpr int kRuns = 40;
    const std::string script = "set vorn2.Text9 SI\nset vorn2.Text6 0.0000001\nset vorn2.Text7 2000\nset vorn2.Text8 0.5\n" +
                               repeat("click vorn2.Command4\n", kRuns);
    // Each program in its own folder for its files, both on the one database.
    TempDir a, b;
    const pid_t first = start_program(a.path(), script, "salida.txt", folder.path() / "ga7.mdb");
    const pid_t second = start_program(b.path(), script, "salida.txt", folder.path() / "ga7.mdb");
    EXPECT_EQ(exit_code(first), 0);
    EXPECT_EQ(exit_code(second), 0);
    for (const TempDir* dir : {&a, &b}) {
        const std::string out = read_bytes(dir->path() / "salida.txt");
        auto count = [&out](const std::string& part) {
            int n = 0;
            for (size_t at = out.find(part); at != std::string::npos; at = out.find(part, at + 1)) ++n;
            return n;
        };
        const int stored = count("title=\"Guardar Valores\"");
        EXPECT_EQ(stored + count("el resultado no se guardo"), kRuns) << out.substr(0, 2000);
        EXPECT_EQ(count("Error de base de datos"), 0);
        EXPECT_GT(stored, 0);
    }
    Database db((folder.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
    EXPECT_EQ(table(db, "PRAGMA integrity_check"), kSound);
    EXPECT_TRUE(complete_weights(db));
}

TEST_F(StoreFaultInjection, two_programs_saving_frames_to_tables_on_one_file_store_every_click) {
    TempDir folder;
    fresh_copy(folder);
    constexpr int kClicks = 150;
    // "2Data" saves BPN under the name its input box is given; each program names its own tables.
    auto script = [](const std::string& prefix) {
        std::string lines;
        for (int k = 1; k <= kClicks; ++k) lines += "answer " + prefix + std::to_string(k) + "\nclick vorn2.Command17\n";
        return lines;
    };
    TempDir a, b;
    const pid_t first = start_program(a.path(), script("a"), "salida.txt", folder.path() / "ga7.mdb");
    const pid_t second = start_program(b.path(), script("b"), "salida.txt", folder.path() / "ga7.mdb");
    EXPECT_EQ(exit_code(first), 0);
    EXPECT_EQ(exit_code(second), 0);
    for (const TempDir* dir : {&a, &b}) {
        const std::string out = read_bytes(dir->path() / "salida.txt");
        int reports = 0;
        for (size_t at = out.find("Al final quedan:"); at != std::string::npos; at = out.find("Al final quedan:", at + 1))
            ++reports;
        EXPECT_EQ(reports, kClicks) << out.substr(0, 2000);
        EXPECT_EQ(out.find("bloqueada"), std::string::npos) << out.substr(0, 2000);
        EXPECT_EQ(out.find("Error"), std::string::npos) << out.substr(0, 2000);
    }
    Database db((folder.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
    EXPECT_EQ(table(db, "PRAGMA integrity_check"), kSound);
    const auto frames = table(db, "SELECT count(*) FROM BPN").at(0).at(0);
    for (const char* prefix : {"a", "b"}) {
        for (int k = 1; k <= kClicks; ++k) {
            const std::string name = prefix + std::to_string(k);
            ASSERT_TRUE(db.table_exists(name)) << name;
            EXPECT_EQ(table(db, "SELECT count(*) FROM " + name).at(0).at(0), frames) << name;
        }
    }
}

TEST_F(StoreFaultInjection, the_program_refuses_another_programs_database_with_exit_code_one_and_leaves_it_alone) {
    TempDir folder;
    const fs::path file = fresh_copy(folder);
    {
        Database change(file.string(), Database::OpenMode::Existing);
        change.execute_script("DROP TABLE GATargets; DROP TABLE xor; PRAGMA wal_checkpoint(TRUNCATE);");
    }
    const std::string bytes = read_bytes(file);
    auto before = entries(folder.path());
    EXPECT_EQ(exit_code(start_program(folder.path(), "click vorn2.Command14\n", "salida.txt")), 1);
    const std::string said = read_bytes(folder.path() / "salida.txt");
    EXPECT_NE(said.find("le faltan las tablas xor, GATargets."), std::string::npos) << said;
    EXPECT_EQ(read_bytes(file), bytes);
    // Only the script and what the program said were added.
    before.insert({"guion.txt", "salida.txt"});
    EXPECT_EQ(entries(folder.path()), before);
}

#endif

// The import over generated malformed files.
class ImportFuzz : public WorkbenchTest {};

TEST_F(ImportFuzz, malformed_files_never_crash_or_hang_and_a_refusal_keeps_bpn) {
    const auto deadline = Clock::now() + std::chrono::seconds(25);
    std::mt19937 random(7);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    const std::string base = "1;1;1;0.5\r\n1;2;1;-0.25\r\n10;1;1;0.9\r\n1;1;2;1E-05\r\n1;2;2;3\r\n10;1;2;0.1\r\n";
    const std::vector<std::string> pieces = {";", "\r", "\n", "\r\n", std::string(1, '\0'), "-", ".", ",", "e", "E+",
                                             "9", " ", "\t", "\xFF", "\xEF\xBB\xBF", "\xFF\xFE", "nan", "inf",
                                             "1e999", std::string(500, '9'), std::string(3000, 'x'), "\"", "'; DROP TABLE BPN; --"};
    add_frame(1, {0.3, 0.6}, 0.5);
    int files = 0, refused = 0;
    for (; files < 600 && Clock::now() < deadline; ++files) {
        std::string text = base;
        const size_t edits = 1 + pick(6);
        for (size_t e = 0; e < edits; ++e) {
            switch (pick(5)) {
                case 0: text.insert(pick(text.size() + 1), pieces[pick(pieces.size())]); break;
                case 1:
                    if (!text.empty()) text.erase(pick(text.size()), 1 + pick(8));
                    break;
                case 2: text = pieces[pick(pieces.size())] + text; break;
                case 3: text.resize(pick(text.size() + 1)); break;
                default:
                    if (!text.empty()) text[pick(text.size())] = static_cast<char>(random() & 0xFF);
            }
        }
        write_bytes(dir.path() / "bpn.csv", text);
        const auto before = rows("SELECT capa, fila, columna, valor FROM BPN ORDER BY rowid").rows;
        platform.messages.clear();
        click(w().Command16);
        ASSERT_EQ(platform.messages.size(), 1u) << files;
        const ShownMessage& shown = platform.messages[0];
        const auto after = rows("SELECT capa, fila, columna, valor FROM BPN ORDER BY rowid").rows;
        if (shown.text.rfind("Habia:", 0) == 0) {
            EXPECT_EQ(shown.text, "Habia:" + std::to_string(before.size()) + "\rQuedan:" + std::to_string(after.size()));
            for (const auto& row : after)
                for (const auto& value : row) EXPECT_TRUE(is_null(value) || std::isfinite(as_number(value)));
        } else {
            ++refused;
            EXPECT_EQ(after, before) << shown.text;
            EXPECT_LT(shown.text.size(), 400u);
        }
        // Restore a known table now and then so that later refusals guard something.
        if (after.empty()) add_frame(1, {0.3, 0.6}, 0.5);
    }
    EXPECT_GE(files, 200);
    EXPECT_GT(refused, files / 4);
    EXPECT_LT(refused, files);
}

}  // namespace
}  // namespace vorn::testing
