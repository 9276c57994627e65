// What the store promises: reported work is stored, a full disk or a second
// program never costs more than the operation at hand, a read-only or foreign
// file is never written, and hostile values are refused with a Spanish message.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>

#include "exchange/pattern_files.h"
#include "support/file_bytes.h"
#include "support/failing_vfs.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

bool any_contains(const std::vector<std::string>& texts, const std::string& part) {
    for (const auto& text : texts)
        if (contains(text, part)) return true;
    return false;
}

// A process id that no process has now.
pid_t dead_pid() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

class StoreReliability : public WorkbenchTest {
protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        db->set_busy_timeout(50);
    }
    std::string weights() {
        return as_text(rows("SELECT group_concat(capa || ':' || fila || ':' || columna || '=' || valor, ' ') FROM "
                            "(SELECT * FROM BPNPESOS ORDER BY rowid)")
                           .rows.at(0)
                           .at(0));
    }
    std::string frames() {
        return as_text(rows("SELECT group_concat(capa || ':' || fila || ':' || columna || '=' || ifnull(valor, 'N'), ' ')"
                            " FROM (SELECT * FROM BPN ORDER BY rowid)")
                           .rows.at(0)
                           .at(0));
    }
    // A small problem with stored weights, ready for "E".
    void xor_problem() {
        add_frame(1, {0, 1}, 0.9);
        add_frame(2, {1, 0}, 0.9);
        add_frame(3, {1, 1}, 0.1);
        w().Text2.set_text("2");
        w().Text3.set_text("3");
        w().Text4.set_text("2");
        w().Text6.set_text("0.0001");
        w().Text7.set_text("40");
        w().Text8.set_text("0.5");
        click(w().Command14);
        platform.messages.clear();
    }
    // Another program's connection to the same file.
    std::unique_ptr<Database> other() {
        auto second = std::make_unique<Database>((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
        second->set_busy_timeout(50);
        return second;
    }
    FailingVfs vfs;
};

TEST_F(StoreReliability, what_a_message_reports_is_already_visible_to_other_programs) {
    write_bytes(dir.path() / "bpn.csv", "1;1;1;0.5\r\n10;1;1;1\r\n");
    auto second = other();
    std::vector<std::string> seen;
    platform.on_message = [&](const std::string&) {
        seen.push_back(as_text(second->query("SELECT count(*) FROM BPN").rows.at(0).at(0)));
    };
    click(w().Command16);
    ASSERT_EQ(platform.texts(), std::vector<std::string>{"Habia:0\rQuedan:2"});
    EXPECT_EQ(seen, std::vector<std::string>{"2"});
}

TEST_F(StoreReliability, a_full_disk_shows_the_failure_instead_of_the_report_and_keeps_the_old_tables) {
    add_frame(1, {0.25}, 0.5);
    const std::string old_frames = frames();
    std::string big;
    for (int i = 1; i <= 2000; ++i) big += "1;" + std::to_string(i) + ";1;0.5\r\n";
    write_bytes(dir.path() / "bpn.csv", big);
    FailingVfs::disk_full = true;
    click(w().Command16);
    FailingVfs::disk_full = false;
    ASSERT_EQ(platform.messages.size(), 1u) << platform.texts().at(0);
    EXPECT_TRUE(contains(platform.messages[0].text, "No se guardaron los cambios de esta operacion: El disco esta lleno"))
        << platform.messages[0].text;
    EXPECT_TRUE(contains(platform.messages[0].text, "Detalle: ")) << platform.messages[0].text;
    EXPECT_FALSE(consultas().visible());
    refresh_all();
    EXPECT_EQ(frames(), old_frames);

    // Nor does a listing show rows the disk could not take.
    platform.messages.clear();
    bench->run([&] {
        add_bpn(1, 2, 1, 0.75);
        FailingVfs::disk_full = true;
        consultas().List1.add_line("1\t2\t1\t.75");
        consultas().refresh();
        platform.message("no se llega aqui", "", Icon::None);
    });
    FailingVfs::disk_full = false;
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_TRUE(contains(platform.messages[0].text, "No se guardaron los cambios")) << platform.messages[0].text;
    EXPECT_EQ(frames(), old_frames);

    // "2Data" never reports a table that the disk could not take.
    platform.messages.clear();
    platform.inputs = {std::string("copia")};
    FailingVfs::disk_full = true;
    click(w().Command17);
    FailingVfs::disk_full = false;
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_TRUE(contains(platform.messages[0].text, "No se guardaron los cambios")) << platform.messages[0].text;
    EXPECT_FALSE(db->table_exists("copia"));

    // Training: its weights are lost to the full disk, and so is its history.
    xor_problem();
    write_bytes(dir.path() / "test.csv", "viejo");
    const std::string old_weights = weights();
    bench->on_progress([](const std::string&) { FailingVfs::disk_full = true; });
    click(w().Command4);
    FailingVfs::disk_full = false;
    EXPECT_TRUE(any_contains(platform.texts(), "No se guardaron los cambios de esta operacion: El disco esta lleno"));
    EXPECT_FALSE(any_contains(platform.texts(), "quedaron guardados"));
    refresh_all();
    EXPECT_EQ(weights(), old_weights);
    EXPECT_EQ(read_bytes(dir.path() / "test.csv"), "viejo");
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"bpn.csv", "ga7.mdb", "ga7.mdb-shm", "ga7.mdb-wal", "test.csv"}));
}

TEST_F(StoreReliability, a_size_limited_database_refuses_an_import_in_spanish_and_keeps_bpn) {
    add_frame(1, {0.25}, 0.5);
    const std::string old_frames = frames();
    const auto pages = as_number(rows("PRAGMA page_count").rows.at(0).at(0));
    db->execute_script("PRAGMA max_page_count = " + std::to_string(static_cast<long>(pages) + 2));
    std::string big;
    for (int i = 1; i <= 5000; ++i) big += "1;" + std::to_string(i) + ";1;0.123456789\r\n";
    write_bytes(dir.path() / "bpn.csv", big);
    click(w().Command16);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text.rfind("El disco esta lleno o la base de datos llego a su tamaño maximo.", 0), 0u)
        << platform.messages[0].text;
    refresh_all();
    EXPECT_EQ(frames(), old_frames);
}

TEST_F(StoreReliability, a_training_survives_another_program_writing_while_it_computes) {
    xor_problem();
    const std::string old_weights = weights();
    auto second = other();
    int writes = 0;
    bench->on_progress([&](const std::string&) {
        if (writes++ < 3) second->execute("INSERT INTO BPNTargets VALUES (0.5, 'otro')");
    });
    click(w().Command4);
    EXPECT_GE(writes, 3);
    EXPECT_TRUE(platform.messages.empty()) << platform.texts().at(0);
    EXPECT_NE(weights(), old_weights);
    EXPECT_EQ(as_number(rows("SELECT count(*) FROM BPNPESOS").rows.at(0).at(0)), 6);
    EXPECT_EQ(as_number(rows("SELECT count(*) FROM BPNTargets").rows.at(0).at(0)), 3);
}

TEST_F(StoreReliability, a_lock_held_by_another_program_asks_and_says_truthfully_what_was_stored) {
    xor_problem();
    write_bytes(dir.path() / "test.csv", "viejo");
    const std::string old_weights = weights();
    auto second = other();
    const std::string question = "La base de datos esta bloqueada por otro programa. \xC2\xBFReintentar?";

    // Declined: nothing stored, the old history kept, and the user told so.
    second->execute_script("BEGIN IMMEDIATE");
    platform.answers = {Answer::No};
    click(w().Command4);
    EXPECT_EQ(platform.questions, std::vector<std::string>{question});
    EXPECT_TRUE(any_contains(platform.texts(), "el resultado no se guardo"));
    EXPECT_EQ(weights(), old_weights);
    EXPECT_EQ(read_bytes(dir.path() / "test.csv"), "viejo");

    // A script answers Yes for ever: five locked tries, then it gives up as on No.
    platform.questions.clear();
    platform.messages.clear();
    click(w().Command14);
    EXPECT_EQ(platform.questions.size(), 4u);
    EXPECT_EQ(platform.texts().size(), 1u);
    EXPECT_TRUE(any_contains(platform.texts(), "el resultado no se guardo"));
    EXPECT_EQ(weights(), old_weights);

    // The other program lets go while the question is open: the retry stores.
    platform.questions.clear();
    platform.messages.clear();
    platform.on_question = [&](const std::string&) { second->execute_script("COMMIT"); };
    click(w().Command4);
    EXPECT_EQ(platform.questions.size(), 1u);
    EXPECT_TRUE(platform.messages.empty()) << platform.texts().at(0);
    EXPECT_NE(weights(), old_weights);
    EXPECT_NE(read_bytes(dir.path() / "test.csv"), "viejo");
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"ga7.mdb", "ga7.mdb-shm", "ga7.mdb-wal", "test.csv"}));
}

TEST_F(StoreReliability, hidden_units_below_one_are_refused_before_anything_changes) {
    xor_problem();
    const std::string old_weights = weights();
    w().Text4.set_text("0");
    click(w().Command4);
    EXPECT_EQ(platform.texts(),
              std::vector<std::string>{"Numero de Unidades en capa oculta (Text4) dice 0: la red necesita al menos 1 "
                                       "unidad oculta.\rCorrija el campo; no se entreno la red."});
    EXPECT_EQ(weights(), old_weights);
    EXPECT_FALSE(fs::exists(dir.path() / "test.csv"));

    for (const auto& [text2, text4, warn, shown] : std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
             {"2", "-1", "NO", "Text4.text vacio"},
             {"2", "0.5", "SI", "Text4.text vacio"},
             {"-1", "2", "SI", "Command14 Text2.text vacio"},
             {"-1", "2", "NO", ""}}) {
        SCOPED_TRACE(text2 + " " + text4 + " " + warn);
        platform.messages.clear();
        w().Text2.set_text(text2);
        w().Text4.set_text(text4);
        w().Text9.set_text(warn);
        click(w().Command14);
        EXPECT_EQ(platform.texts(), shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{shown});
        EXPECT_EQ(weights(), old_weights);
    }
}

TEST_F(StoreReliability, infinite_values_from_another_tool_are_refused_by_the_loaders) {
    xor_problem();
    const std::string old_weights = weights();
    const double inf = std::numeric_limits<double>::infinity();
    db->execute_bound("UPDATE BPN SET valor = ? WHERE capa = 1 AND fila = 2 AND columna = 2", {Value(inf)});
    refresh_all();
    click(w().Command4);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_TRUE(contains(platform.messages[0].text, "Fijar Entradas: el registro 5 de BPN (capa 1, fila 2, columna 2) "
                                                    "tiene un valor que no es un numero finito (infinito)"))
        << platform.messages[0].text;
    EXPECT_EQ(weights(), old_weights);
    // "Z" computes on the table without the loaders; it refuses too.
    const std::string old_frames = frames();
    platform.messages.clear();
    platform.inputs = {std::string("1")};
    click(w().Command35);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_TRUE(contains(platform.messages[0].text, "no es un numero finito (infinito)")) << platform.messages[0].text;
    EXPECT_EQ(frames(), old_frames);

    db->execute_bound("UPDATE BPN SET valor = 1 WHERE capa = 1 AND fila = 2 AND columna = 2", {});
    db->execute_bound("UPDATE BPNPESOS SET valor = ? WHERE capa = 2 AND columna = 1", {Value(-inf)});
    refresh_all();
    platform.messages.clear();
    w().Text5.set_text("1");
    click(w().Command3);  // "X"
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_TRUE(contains(platform.messages[0].text, "Fijar PesosOculta: el registro")) << platform.messages[0].text;
}

TEST_F(StoreReliability, engine_failures_are_worded_in_spanish_with_the_engines_text_after) {
    db->execute_script("DROP TABLE BPNPESOS");
    w().Text5.set_text("1");
    click(w().Command3);
    ASSERT_FALSE(platform.messages.empty());
    const ShownMessage& shown = platform.messages.back();
    EXPECT_EQ(shown.text, "Falta una tabla en la base de datos.\rDetalle: no such table: BPNPESOS");
    EXPECT_EQ(shown.title, "Error de base de datos");
}

TEST_F(StoreReliability, a_read_only_database_says_so_once_and_every_writing_operation_refuses_before_its_work) {
    bench.reset();
    db.reset();
    fs::create_directory(dir.path() / "ro");
    const fs::path ro_file = dir.path() / "ro" / "ga7.mdb";
    ASSERT_TRUE(open_workbench_database(ro_file).db);

    for (bool folder : {false, true}) {
        SCOPED_TRACE(folder ? "read-only folder" : "read-only file");
        const fs::path locked = folder ? ro_file.parent_path() : ro_file;
        ::chmod(locked.c_str(), folder ? 0555 : 0444);
        const std::string bytes = read_bytes(ro_file);
        const auto before = entries(ro_file.parent_path());
        {
            OpenResult opened = open_workbench_database(ro_file);
            ASSERT_TRUE(opened.db) << opened.error;
            EXPECT_TRUE(opened.read_only);
            ScriptedPlatform quiet;
            Workbench wb(*opened.db, quiet, ro_file.parent_path());
            ASSERT_EQ(quiet.messages.size(), 1u);
            EXPECT_EQ(quiet.messages[0].text.rfind("La base de datos es de solo lectura: ", 0), 0u);
            write_bytes(dir.path() / "bpn.csv", "1;1;1;9\r\n");
            fs::copy_file(dir.path() / "bpn.csv", ro_file.parent_path() / "bpn.csv", fs::copy_options::overwrite_existing);
            for (Button* command : {&wb.main().Command4, &wb.main().Command14,
                                     &wb.main().Command16, &wb.main().Command25, &wb.main().Command33,
                                     &wb.main().Command17, &wb.main().Command15}) {
                quiet.messages.clear();
                command->click();
                EXPECT_EQ(quiet.texts(), std::vector<std::string>{"La base de datos es de solo lectura: esta operacion "
                                                                  "necesita guardar datos y no se hizo."})
                    << command->name();
                EXPECT_TRUE(quiet.asked.empty()) << command->name();
            }
            // Reading still works.
            quiet.messages.clear();
            wb.main().Text5.set_text("1");
            wb.main().Command3.click();
            EXPECT_FALSE(any_contains(quiet.texts(), "Error")) << quiet.texts().at(0);
        }
        fs::remove(ro_file.parent_path() / "bpn.csv");
        EXPECT_EQ(read_bytes(ro_file), bytes);
        auto after = entries(ro_file.parent_path());
        EXPECT_EQ(after, before);
        ::chmod(locked.c_str(), folder ? 0755 : 0644);
    }
}

TEST_F(StoreReliability, another_programs_sqlite_file_and_damaged_or_incomplete_ones_stay_byte_identical) {
    bench.reset();
    db.reset();
    const fs::path foreign = dir.path() / "otro.db";
    for (const char* journal : {"DELETE", "WAL"}) {
        SCOPED_TRACE(journal);
        fs::remove(foreign);
        {
            sqlite3* raw = nullptr;
            ASSERT_EQ(sqlite3_open(foreign.c_str(), &raw), SQLITE_OK);
            sqlite3_exec(raw,
                         (std::string("PRAGMA journal_mode=") + journal +
                          "; CREATE TABLE clientes (id INTEGER, nombre TEXT); INSERT INTO clientes VALUES (1, 'Ana');")
                             .c_str(),
                         nullptr, nullptr, nullptr);
            sqlite3_close(raw);
        }
        const std::string bytes = read_bytes(foreign);
        const auto before = entries(dir.path());
        OpenResult opened = open_workbench_database(foreign);
        EXPECT_FALSE(opened.db);
        EXPECT_TRUE(contains(opened.error, "le faltan las tablas BPN, BPNPESOS")) << opened.error;
        EXPECT_TRUE(contains(opened.error, "GATargets")) << opened.error;
        EXPECT_EQ(read_bytes(foreign), bytes);
        EXPECT_EQ(entries(dir.path()), before);
    }

    // A workbench database that lost one table, and one with a damaged page.
    const fs::path ours = dir.path() / "ga7.mdb";
    ASSERT_TRUE(open_workbench_database(ours).db);
    {
        Database change(ours.string(), Database::OpenMode::Existing);
        change.execute_script("DROP TABLE sumas; PRAGMA wal_checkpoint(TRUNCATE);");
    }
    std::string bytes = read_bytes(ours);
    OpenResult opened = open_workbench_database(ours);
    EXPECT_FALSE(opened.db);
    EXPECT_TRUE(contains(opened.error, "le faltan las tablas sumas.")) << opened.error;
    EXPECT_EQ(read_bytes(ours), bytes);

    fs::remove(ours);
    ASSERT_TRUE(open_workbench_database(ours).db);
    bytes = read_bytes(ours);
    ASSERT_GT(bytes.size(), 40000u);
    for (size_t k = 8192 + 100; k < 8192 + 4000; ++k) bytes[k] = static_cast<char>(0xA5);
    write_bytes(ours, bytes);
    const auto before = entries(dir.path());
    opened = open_workbench_database(ours);
    EXPECT_FALSE(opened.db);
    EXPECT_TRUE(contains(opened.error, "dañada")) << opened.error;
    EXPECT_EQ(read_bytes(ours), bytes);
    EXPECT_EQ(entries(dir.path()), before);
}

TEST_F(StoreReliability, later_tables_join_an_older_database_only_when_it_can_be_written) {
    bench.reset();
    db.reset();
    // An older workbench database: the 18 tables and nothing else.
    const fs::path file = dir.path() / "viejo.mdb";
    make_empty_database(file, false).reset();
    auto names = [] {
        std::vector<std::string> out;
        for (std::string_view statement : later_tables()) {
            if (statement.rfind("CREATE TABLE", 0) != 0) continue;
            const size_t at = statement.find("IF NOT EXISTS ");
            EXPECT_NE(at, std::string_view::npos) << statement;
            std::string_view rest = statement.substr(at + 14);
            out.emplace_back(rest.substr(0, rest.find_first_of(" (")));
        }
        return out;
    };
    ::chmod(file.c_str(), 0444);
    const std::string bytes = read_bytes(file);
    {
        OpenResult opened = open_workbench_database(file);
        ASSERT_TRUE(opened.db) << opened.error;
        for (const auto& name : names()) EXPECT_FALSE(opened.db->table_exists(name)) << name;
    }
    EXPECT_EQ(read_bytes(file), bytes);
    ::chmod(file.c_str(), 0644);
    for (int time = 0; time < 2; ++time) {
        OpenResult opened = open_workbench_database(file);
        ASSERT_TRUE(opened.db) << opened.error;
        for (const auto& name : names()) EXPECT_TRUE(opened.db->table_exists(name)) << name;
    }
    EXPECT_EQ(workbench_tables().size(), 18u);
}

TEST_F(StoreReliability, leftovers_of_killed_workbenches_are_removed_at_start_and_live_ones_kept) {
    bench.reset();
    db.reset();
    const std::string gone = std::to_string(dead_pid());
    const std::string alive = std::to_string(::getppid());
    const std::vector<std::string> stale = {"ga7.mdb.nuevo-" + gone, "ga7.mdb.nuevo-" + gone + "-wal",
                                            "test.csv.tmp-" + gone, "bpn.csv.tmp-" + gone};
    const std::vector<std::string> kept = {"ga7.mdb.nuevo-" + alive, "test.csv.tmp-" + alive, "test.csv.tmp-x" + gone,
                                           "otro.nuevo-" + gone};
    for (const auto& name : stale) write_bytes(dir.path() / name, "x");
    for (const auto& name : kept) write_bytes(dir.path() / name, "x");
    OpenResult opened = open_workbench_database(dir.path() / "ga7.mdb");
    ASSERT_TRUE(opened.db) << opened.error;
    ScriptedPlatform quiet;
    Workbench wb(*opened.db, quiet, dir.path());
    for (const auto& name : stale) EXPECT_FALSE(fs::exists(dir.path() / name)) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(dir.path() / name)) << name;
}

TEST_F(StoreReliability, odd_pattern_files_are_refused_with_a_message_and_bpn_is_kept) {
    add_frame(1, {0.25}, 0.5);
    const std::string old_frames = frames();
    const fs::path file = dir.path() / "bpn.csv";
    auto refused_with = [&](const std::string& part) {
        platform.messages.clear();
        click(w().Command16);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_TRUE(contains(platform.messages[0].text, part)) << platform.messages[0].text;
        EXPECT_LT(platform.messages[0].text.size(), 300u);
        refresh_all();
        EXPECT_EQ(frames(), old_frames);
        fs::remove(file);
    };
    write_bytes(file, "1;1;1;" + std::string(1 << 20, '7') + "x\r\n");
    refused_with("\"" + std::string(40, '7') + "\xE2\x80\xA6\" no es un numero.");
    write_bytes(file, "1;1;1;" + std::string(12, '\xC3') + "\r\n");  // no ellipsis for a short value
    refused_with(": el valor \"" + std::string(12, '\xC3') + "\" no es un numero.");
    write_bytes(file, "1;" + std::string(400, '9') + ";1;1\r\n");
    refused_with("el campo fila no es un numero finito.");
    write_bytes(file, "\xFF\xFE" "1\0;\0" "1\0");
    refused_with("esta en UTF-16");
    fs::create_directory(file);
    refused_with("es una carpeta");
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    refused_with("no es un archivo comun");
    fs::create_symlink("/dev/zero", file);
    refused_with("no es un archivo comun");
    {
        std::ofstream big(file, std::ios::binary);
        big.seekp(static_cast<std::streamoff>(exchange::kMaxPatternFileBytes) + 1);
        big.put('\n');
    }
    refused_with("tiene mas de 64 MB");

    // A UTF-8 mark is skipped.
    write_bytes(file, "\xEF\xBB\xBF" "1;1;1;0.75\r\n10;1;1;0.5\r\n");
    platform.messages.clear();
    click(w().Command16);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"Habia:2\rQuedan:2"});
    EXPECT_EQ(frames(), "1:1:1=0.75 10:1:1=0.5");
}

}  // namespace
}  // namespace vorn::testing
