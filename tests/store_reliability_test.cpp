// What the store promises: reported work is stored, a full disk or a second
// program never costs more than the operation at hand, a read-only file is
// never written, and hostile values are refused with a Spanish message.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <utility>

#include "exchange/pattern_files.h"
#include "support/failing_vfs.h"
#include "support/file_bytes.h"
#include "support/killed_writer.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class StoreReliability : public WorkbenchTest {
protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        db->set_busy_timeout(50);
    }
    // BPN or BPNPESOS in stored order, as one text.
    std::string dump(const std::string& table) {
        return as_text(rows("SELECT group_concat(capa || ':' || fila || ':' || columna || '=' || ifnull(valor, 'N'), "
                            "' ') FROM (SELECT * FROM " + table + " ORDER BY rowid)")
                           .rows.at(0).at(0));
    }
    // A small problem with stored weights, ready for "E".
    void xor_problem() {
        add_frame(1, {0, 1}, 0.9);
        add_frame(2, {1, 0}, 0.9);
        add_frame(3, {1, 1}, 0.1);
        for (auto [field, text] : {std::pair{&w().Text2, "2"}, {&w().Text3, "3"}, {&w().Text4, "2"},
                                   {&w().Text6, "0.0001"}, {&w().Text7, "40"}, {&w().Text8, "0.5"}})
            field->set_text(text);
        click(w().Command14);
        platform.messages.clear();
    }
    // Another program's connection to the same file.
    std::unique_ptr<Database> other() {
        auto second = std::make_unique<Database>((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
        second->set_busy_timeout(50);
        return second;
    }
    // `action` runs on a full disk, or fills it itself: one message, and it says nothing was stored.
    void expect_lost_to_full_disk(const std::function<void()>& action, bool full_from_start = true) {
        platform.messages.clear();
        FailingVfs::disk_full = full_from_start;
        action();
        FailingVfs::disk_full = false;
        ASSERT_EQ(platform.messages.size(), 1u) << platform.texts().at(0);
        EXPECT_TRUE(contains(platform.messages[0].text, "No se guardaron los cambios de esta operacion: El disco esta lleno"))
            << platform.messages[0].text;
    }
    FailingVfs vfs;
};

TEST_F(StoreReliability, a_full_disk_or_size_limit_shows_the_failure_instead_of_the_report_and_keeps_the_tables) {
    add_frame(1, {0.25}, 0.5);
    const std::string old_frames = dump("BPN");
    std::string big;
    for (int i = 1; i <= 2000; ++i) big += "1;" + std::to_string(i) + ";1;0.123456789\r\n";
    write_bytes(dir.path() / "bpn.csv", big);
    expect_lost_to_full_disk([&] { click(w().Command16); });
    EXPECT_TRUE(contains(platform.messages[0].text, "Detalle: ")) << platform.messages[0].text;
    EXPECT_FALSE(consultas().visible());
    // Nor does a listing show rows the disk could not take, nor "2Data" report a table it could not make.
    expect_lost_to_full_disk([&] {
        bench->run([&] {
            add_bpn(1, 2, 1, 0.75);
            FailingVfs::disk_full = true;
            consultas().List1.add_line("1\t2\t1\t.75");
            consultas().refresh();
            platform.message("no se llega aqui", "", Icon::None);
        });
    }, false);
    platform.inputs = {std::string("copia")};
    expect_lost_to_full_disk([&] { click(w().Command17); });
    EXPECT_FALSE(db->table_exists("copia"));

    const auto pages = as_number(rows("PRAGMA page_count").rows.at(0).at(0));
    db->execute_script("PRAGMA max_page_count = " + std::to_string(static_cast<long>(pages) + 2));
    platform.messages.clear();
    click(w().Command16);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text.rfind("El disco esta lleno o la base de datos llego a su tamaño maximo.", 0), 0u)
        << platform.messages[0].text;
    db->execute_script("PRAGMA max_page_count = 1000000");
    refresh_all();
    EXPECT_EQ(dump("BPN"), old_frames);

    // Training: its weights are lost to the full disk, and so is its history.
    xor_problem();
    write_bytes(dir.path() / "test.csv", "viejo");
    const std::string old_weights = dump("BPNPESOS");
    bench->on_progress([](const std::string&) { FailingVfs::disk_full = true; });
    expect_lost_to_full_disk([&] { click(w().Command4); }, false);
    refresh_all();
    EXPECT_EQ(dump("BPNPESOS"), old_weights);
    EXPECT_EQ(read_bytes(dir.path() / "test.csv"), "viejo");
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"bpn.csv", "ga7.mdb", "ga7.mdb-shm", "ga7.mdb-wal", "test.csv"}));
}

TEST_F(StoreReliability, another_programs_writes_do_not_stop_a_training_and_its_lock_asks_and_is_reported_truthfully) {
    xor_problem();
    std::string old_weights = dump("BPNPESOS");
    auto second = other();
    int writes = 0;
    bench->on_progress([&](const std::string&) {
        if (writes++ < 3) second->execute("INSERT INTO BPNTargets VALUES (0.5, 'otro')");
    });
    click(w().Command4);
    EXPECT_GE(writes, 3);
    EXPECT_TRUE(platform.messages.empty()) << platform.texts().at(0);
    EXPECT_NE(dump("BPNPESOS"), old_weights);
    EXPECT_EQ(as_number(rows("SELECT count(*) FROM BPNTargets").rows.at(0).at(0)), 3);

    write_bytes(dir.path() / "test.csv", "viejo");
    old_weights = dump("BPNPESOS");
    // The other program takes the write lock while the training computes, so that the lock meets its store
    // phase (a lock already there at the click meets the training's start instead).
    bool lock_while_computing = true;
    bench->on_progress([&](const std::string&) {
        if (std::exchange(lock_while_computing, false)) second->execute_script("BEGIN IMMEDIATE");
    });
    auto train = [&] {
        platform.questions.clear();
        platform.messages.clear();
        lock_while_computing = true;
        click(w().Command4);
        if (second->in_transaction()) second->execute_script("COMMIT");
    };

    // Declined: nothing stored, the old history kept, and the user told so.
    platform.answers = {Answer::No};
    train();
    EXPECT_EQ(platform.questions,
              std::vector<std::string>{"La base de datos esta bloqueada por otro programa. \xC2\xBFReintentar?"});
    ASSERT_EQ(platform.texts().size(), 1u);
    EXPECT_TRUE(contains(platform.texts()[0], "el resultado no se guardo"));
    EXPECT_EQ(read_bytes(dir.path() / "test.csv"), "viejo");

    // A script answers Yes for ever: five locked tries, then it gives up as on No.
    train();
    EXPECT_EQ(platform.questions.size(), 4u);
    ASSERT_EQ(platform.texts().size(), 1u);
    EXPECT_TRUE(contains(platform.texts()[0], "el resultado no se guardo"));
    EXPECT_EQ(dump("BPNPESOS"), old_weights);

    // The other program lets go while the question is open: the retry stores.
    platform.on_question = [&](const std::string&) { second->execute_script("COMMIT"); };
    train();
    EXPECT_EQ(platform.questions.size(), 1u);
    EXPECT_TRUE(platform.messages.empty()) << platform.texts().at(0);
    EXPECT_NE(dump("BPNPESOS"), old_weights);
    EXPECT_NE(read_bytes(dir.path() / "test.csv"), "viejo");
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"ga7.mdb", "ga7.mdb-shm", "ga7.mdb-wal", "test.csv"}));
}

TEST_F(StoreReliability, hidden_units_below_one_are_refused_before_anything_changes) {
    xor_problem();
    const std::string old_weights = dump("BPNPESOS");
    for (const auto& [command, text2, text4, warn, shown] :
         std::vector<std::tuple<Button*, std::string, std::string, std::string, std::string>>{
             {&w().Command4, "2", "0", "NO",
              "Numero de Unidades en capa oculta (Text4) dice 0: la red necesita al menos 1 unidad oculta.\r"
              "Corrija el campo; no se entreno la red."},
             {&w().Command14, "2", "-1", "NO", "Text4.text vacio"},
             {&w().Command14, "2", "0.5", "SI", "Text4.text vacio"},
             {&w().Command14, "-1", "2", "SI", "Command14 Text2.text vacio"},
             {&w().Command14, "-1", "2", "NO", ""}}) {
        SCOPED_TRACE(command->name() + " " + text2 + " " + text4 + " " + warn);
        platform.messages.clear();
        w().Text2.set_text(text2);
        w().Text4.set_text(text4);
        w().Text9.set_text(warn);
        click(*command);
        EXPECT_EQ(platform.texts(), shown.empty() ? std::vector<std::string>{} : std::vector<std::string>{shown});
        EXPECT_EQ(dump("BPNPESOS"), old_weights);
    }
    EXPECT_FALSE(fs::exists(dir.path() / "test.csv"));
}

TEST_F(StoreReliability, infinite_values_and_missing_tables_are_refused_with_a_spanish_message) {
    xor_problem();
    const std::string old_weights = dump("BPNPESOS");
    const double inf = std::numeric_limits<double>::infinity();
    db->execute_bound("UPDATE BPN SET valor = ? WHERE capa = 1 AND fila = 2 AND columna = 2", {Value(inf)});
    refresh_all();
    const std::string old_frames = dump("BPN");
    auto refused_with = [&](Button& command, const std::string& part) {
        platform.messages.clear();
        click(command);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_TRUE(contains(platform.messages[0].text, part)) << platform.messages[0].text;
    };
    refused_with(w().Command4, "Fijar Entradas: el registro 5 de BPN (capa 1, fila 2, columna 2) tiene un valor que "
                               "no es un numero finito (infinito)");
    EXPECT_EQ(dump("BPNPESOS"), old_weights);
    // "Z" computes on the table without the loaders; it refuses too.
    platform.inputs = {std::string("1")};
    refused_with(w().Command35, "no es un numero finito (infinito)");
    EXPECT_EQ(dump("BPN"), old_frames);

    db->execute_bound("UPDATE BPN SET valor = 1 WHERE capa = 1 AND fila = 2 AND columna = 2", {});
    db->execute_bound("UPDATE BPNPESOS SET valor = ? WHERE capa = 2 AND columna = 1", {Value(-inf)});
    refresh_all();
    w().Text5.set_text("1");
    refused_with(w().Command3, "Fijar PesosOculta: el registro");

    // Engine failures are worded in Spanish, the engine's own text after.
    db->execute_script("DROP TABLE BPNPESOS");
    refused_with(w().Command3, "");
    EXPECT_EQ(platform.messages[0].text, "Falta una tabla en la base de datos.\rDetalle: no such table: BPNPESOS");
    EXPECT_EQ(platform.messages[0].title, "Error de base de datos");
}

TEST_F(StoreReliability, a_read_only_database_says_so_once_and_every_writing_operation_refuses_before_its_work) {
    bench.reset();
    db.reset();
    const fs::path folder = dir.path() / "ro", file = folder / "ga7.mdb";
    fs::create_directory(folder);
    ASSERT_TRUE(open_workbench_database(file).db);
    write_bytes(folder / "bpn.csv", "1;1;1;9\r\n");
    for (const fs::path& locked : {file, folder}) {
        SCOPED_TRACE(locked);
        ::chmod(locked.c_str(), locked == folder ? 0555 : 0444);
        const std::string bytes = read_bytes(file);
        const auto before = entries(folder);
        {
            OpenResult opened = open_workbench_database(file);
            ASSERT_TRUE(opened.db) << opened.error;
            EXPECT_TRUE(opened.read_only);
            ScriptedPlatform quiet;
            Workbench wb(*opened.db, quiet, folder);
            ASSERT_EQ(quiet.messages.size(), 1u);
            EXPECT_EQ(quiet.messages[0].text.rfind("La base de datos es de solo lectura: ", 0), 0u);
            MainWindow& m = wb.main();
            for (Button* command : {&m.Command4, &m.Command14, &m.Command16, &m.Command25, &m.Command33, &m.Command17,
                                    &m.Command15}) {
                quiet.messages.clear();
                command->click();
                EXPECT_EQ(quiet.texts(), std::vector<std::string>{"La base de datos es de solo lectura: esta operacion "
                                                                  "necesita guardar datos y no se hizo."})
                    << command->name();
                EXPECT_TRUE(quiet.asked.empty()) << command->name();
            }
            // Reading still works.
            quiet.messages.clear();
            m.Text5.set_text("1");
            m.Command3.click();
            for (const auto& text : quiet.texts()) EXPECT_FALSE(contains(text, "Error")) << text;
        }
        EXPECT_EQ(read_bytes(file), bytes);
        EXPECT_EQ(entries(folder), before);
        ::chmod(locked.c_str(), locked == folder ? 0755 : 0644);
    }
}

TEST_F(StoreReliability, a_read_only_database_shows_the_rows_committed_in_its_wal_or_refuses_without_a_write) {
    bench.reset();
    db.reset();
    const fs::path source = dir.path() / "ga7.mdb", folder = dir.path() / "ro", file = folder / "ga7.mdb";
    fs::create_directory(folder);
    // A writer killed before its checkpoint: two committed rows live only in the -wal.
    copy_as_killed(source, "INSERT INTO BPNTargets VALUES (0.25, 'del wal'), (0.75, 'del wal');", file);
    ASSERT_GT(fs::file_size(folder / "ga7.mdb-wal"), 0u);
    ASSERT_TRUE(fs::exists(folder / "ga7.mdb-shm"));
    auto files = [&] {
        std::map<std::string, std::string> bytes;
        for (const auto& name : entries(folder)) bytes[name] = read_bytes(folder / name);
        return bytes;
    };
    for (const fs::path& locked : {file, folder}) {
        SCOPED_TRACE(locked);
        ::chmod(locked.c_str(), locked == folder ? 0555 : 0444);
        const auto before = files();
        {
            OpenResult opened = open_workbench_database(file);
            ASSERT_TRUE(opened.db) << opened.error;
            EXPECT_TRUE(opened.read_only);
            ScriptedPlatform quiet;
            Workbench wb(*opened.db, quiet, folder);
            EXPECT_EQ(wb.main().targets().record_count(), 2);
            EXPECT_EQ(as_text(opened.db->query("SELECT group_concat(nombre) FROM BPNTargets").rows.at(0).at(0)),
                      "del wal,del wal");
        }
        EXPECT_EQ(files(), before);
        ::chmod(locked.c_str(), locked == folder ? 0755 : 0644);
    }
    // Without its -shm the -wal cannot be read without writing one: refused, not shown older.
    fs::remove(folder / "ga7.mdb-shm");
    ::chmod(folder.c_str(), 0555);
    const auto before = files();
    OpenResult opened = open_workbench_database(file);
    EXPECT_FALSE(opened.db);
    EXPECT_TRUE(contains(opened.error, "es de solo lectura y tiene datos guardados en " + file.string() +
                                           "-wal que no se pueden leer sin escribir")) << opened.error;
    EXPECT_EQ(files(), before);
    ::chmod(folder.c_str(), 0755);
}

TEST_F(StoreReliability, later_tables_join_an_older_database_only_when_it_can_be_written) {
    bench.reset();
    db.reset();
    const fs::path file = dir.path() / "viejo.mdb";
    make_empty_database(file, false).reset();
    auto tables = [&] {
        OpenResult opened = open_workbench_database(file);
        EXPECT_TRUE(opened.db) << opened.error;
        return opened.db ? as_number(opened.db->query("SELECT count(*) FROM sqlite_master WHERE type = 'table'")
                                         .rows.at(0).at(0))
                         : -1;
    };
    ::chmod(file.c_str(), 0444);
    const std::string bytes = read_bytes(file);
    EXPECT_EQ(tables(), static_cast<double>(workbench_tables().size()));
    EXPECT_EQ(read_bytes(file), bytes);
    ::chmod(file.c_str(), 0644);
    const auto later = std::count_if(later_tables().begin(), later_tables().end(),
                                     [](std::string_view s) { return s.rfind("CREATE TABLE", 0) == 0; });
    ASSERT_GT(later, 0);
    // The later tables and AccionesHistoricas, which comes with its rows.
    for (int time = 0; time < 2; ++time)
        EXPECT_EQ(tables(), static_cast<double>(workbench_tables().size() + later + 1));
}

TEST_F(StoreReliability, leftovers_of_killed_workbenches_are_removed_at_start_and_live_ones_kept) {
    bench.reset();
    db.reset();
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string gone = std::to_string(child), alive = std::to_string(::getppid());
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

TEST_F(StoreReliability, odd_pattern_files_are_refused_with_a_message_and_bpn_is_kept_and_a_good_one_stored_before_its_report) {
    add_frame(1, {0.25}, 0.5);
    const std::string old_frames = dump("BPN");
    const fs::path file = dir.path() / "bpn.csv";
    auto refused_with = [&](const std::string& part) {
        platform.messages.clear();
        click(w().Command16);
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_TRUE(contains(platform.messages[0].text, part)) << platform.messages[0].text;
        EXPECT_LT(platform.messages[0].text.size(), 300u);
        refresh_all();
        EXPECT_EQ(dump("BPN"), old_frames);
        fs::remove(file);
    };
    for (const auto& [bytes, part] : std::vector<std::pair<std::string, std::string>>{
             {"1;1;1;" + std::string(1 << 20, '7') + "x\r\n", "\"" + std::string(40, '7') + "\xE2\x80\xA6\" no es un numero."},
             {"1;1;1;" + std::string(12, '\xC3') + "\r\n", ": el valor \"" + std::string(12, '\xC3') + "\" no es un numero."},
             {"1;" + std::string(400, '9') + ";1;1\r\n", "el campo fila no es un numero finito."},
             {std::string("\xFF\xFE" "1\0;\0" "1\0", 8), "esta en UTF-16"}}) {
        write_bytes(file, bytes);
        refused_with(part);
    }
    fs::create_directory(file);
    refused_with("es una carpeta");
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    refused_with("no es un archivo comun");
    fs::create_symlink("/dev/zero", file);
    refused_with("no es un archivo comun");
    std::ofstream(file, std::ios::binary).seekp(static_cast<std::streamoff>(exchange::kMaxPatternFileBytes) + 1).put('\n');
    refused_with("tiene mas de 64 MB");

    // A UTF-8 mark is skipped; what the report says is stored is there for another program to see.
    write_bytes(file, "\xEF\xBB\xBF" "1;1;1;0.75\r\n10;1;1;0.5\r\n");
    auto second = other();
    std::vector<std::string> seen;
    platform.on_message = [&](const std::string&) {
        seen.push_back(as_text(second->query("SELECT group_concat(valor, ' ') FROM BPN").rows.at(0).at(0)));
    };
    platform.messages.clear();
    click(w().Command16);
    EXPECT_EQ(platform.texts(), std::vector<std::string>{"Habia:2\rQuedan:2"});
    EXPECT_EQ(seen, std::vector<std::string>{"0.75 0.5"});
}

}  // namespace
}  // namespace vorn::testing
