// The default ga7.mdb: created on first start from the compiled-in data, an
// existing database opened as it is, and anything else refused untouched.
#include <sqlite3.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <tuple>

#include "support/failing_vfs.h"
#include "support/file_bytes.h"
#include "support/killed_writer.h"
#include "support/workbench_fixture.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using testing::copy_as_killed;
using testing::entries;
using testing::read_bytes;
using testing::TempDir;
using testing::write_bytes;

// Opening `path` is refused with a message that names it and says each of `says`.
void expect_refused(const fs::path& path, const std::vector<std::string>& says) {
    OpenResult result = open_workbench_database(path);
    EXPECT_FALSE(result.db) << path;
    EXPECT_FALSE(result.created) << path;
    EXPECT_NE(result.error.find(path.string()), std::string::npos) << result.error;
    for (const std::string& text : says) EXPECT_NE(result.error.find(text), std::string::npos) << result.error;
}

class DefaultDatabaseTest : public ::testing::Test {
protected:
    // Opens ga7.mdb in the scratch folder, new or (created = false) already there, and keeps it open.
    void open(bool created = true) {
        OpenResult result = open_workbench_database(file());
        ASSERT_TRUE(result.db) << result.error;
        ASSERT_EQ(result.created, created);
        db = std::move(result.db);
    }
    fs::path file() const { return dir.path() / "ga7.mdb"; }
    QueryResult rows(const std::string& sql) { return db->query_bound(sql, {}); }
    double number(const std::string& sql) { return as_number(rows(sql).rows.at(0).at(0)); }
    std::string text(const std::string& sql) { return as_text(rows(sql).rows.at(0).at(0)); }

    TempDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(DefaultDatabaseTest, first_start_creates_every_table_with_its_samples_and_later_starts_keep_the_file) {
    open();
    const std::map<std::string, int> expected = {
        {"BPN", 80},   {"bpnoriginal", 80}, {"BPNPESOS", 30},     {"bpnpesosoriginal", 30}, {"BPNTargets", 2},
        {"xor", 12},   {"merval", 120},     {"AccionesXmes", 56}, {"Mercap", 56},           {"INDICES", 1833},
        {"series", 1}, {"PasadasBPN", 0},   {"GA", 0},            {"borrar", 0},            {"borrar2", 0},
        {"sumas", 0},  {"converge", 0},     {"GATargets", 0}};
    for (const auto& [table, count] : expected) EXPECT_EQ(number("SELECT count(*) FROM " + table), count) << table;
    // The working tables start as copies of their stored originals.
    EXPECT_EQ(number("SELECT count(*) FROM (SELECT * FROM BPN EXCEPT SELECT * FROM bpnoriginal)"), 0);
    EXPECT_EQ(number("SELECT count(*) FROM (SELECT * FROM BPNPESOS EXCEPT SELECT * FROM bpnpesosoriginal)"), 0);
    // Eight 3x3 glyphs in columns 1..8: pixels in rows 1..9 and one target each, four of them "on".
    EXPECT_EQ(text("SELECT count(*) || ',' || min(columna) || ',' || max(columna) FROM (SELECT columna FROM bpnoriginal"
                   " GROUP BY columna HAVING sum(capa = 10) = 1 AND min(fila) = 1 AND max(fila) = 9"
                   " AND count(DISTINCT CASE WHEN capa = 1 THEN fila END) = 9)"), "8,1,8");
    EXPECT_EQ(text("SELECT sum(capa = 10 AND valor = 0.9) || ',' || sum(valor NOT IN (0.1, 0.9)) FROM bpnoriginal"),
              "4,0");
    // Weights in the order initial weights write them, every value in [0, 1).
    EXPECT_EQ(text("SELECT group_concat(capa || fila || columna, ' ') FROM (SELECT * FROM bpnpesosoriginal"
                   " ORDER BY rowid)"),
              "111 112 113 121 122 123 131 132 133 141 142 143 151 152 153 161 162 163 171 172 173 181 182 183 "
              "191 192 193 211 212 213");
    EXPECT_EQ(number("SELECT count(*) FROM bpnpesosoriginal WHERE valor >= 0 AND valor < 1"), 30);
    // Exclusive or: four frames of two inputs, every pair once, the target "on" exactly when they differ.
    EXPECT_EQ(text("SELECT count(*) || ',' || count(DISTINCT a || ',' || b) FROM (SELECT count(*) AS n,"
                   " max(CASE WHEN capa = 1 AND fila = 1 THEN valor END) AS a,"
                   " max(CASE WHEN capa = 1 AND fila = 2 THEN valor END) AS b,"
                   " max(CASE WHEN capa = 10 THEN valor END) AS t FROM xor GROUP BY columna)"
                   " WHERE n = 3 AND t = CASE WHEN a <> b THEN 0.9 ELSE 0.1 END"),
              "4,4");
    // One point of y = 2x + 3.
    EXPECT_EQ(number("SELECT serie2 - (2 * serie1 + 3) FROM series WHERE numero = 1"), 0);
    db->execute("delete bpn.* from bpn where columna > 1");
    db->execute_bound("UPDATE BPN SET nombre = ? WHERE capa = 10", {Value(std::string("mio"))});
    // Built under another name and renamed: once closed, nothing else is left.
    db.reset();
    EXPECT_EQ(entries(dir.path()), std::set<std::string>{"ga7.mdb"});

    open(false);
    EXPECT_EQ(text("SELECT count(*) || ',' || group_concat(CASE WHEN capa = 10 THEN nombre END) FROM BPN"), "10,mio");
}

TEST_F(DefaultDatabaseTest, market_tables_hold_two_consecutive_years_of_the_same_stocks_and_index_series_are_monthly) {
    open();
    // The decoders read the twelve months by position, fields 4 to 15.
    auto columns = db->table_columns("AccionesXmes");
    ASSERT_EQ(columns.size(), 16u);
    EXPECT_EQ(columns[0] + " " + columns[4] + " " + columns[15], "numero m1 m12");
    EXPECT_EQ(db->table_columns("Mercap"), columns);
    EXPECT_EQ(number("SELECT count(*) FROM AccionesXmes a JOIN Mercap m ON a.numero = m.numero"
                     " AND a.codigo = m.codigo"), 56);
    EXPECT_EQ(text("SELECT group_concat(codigo, ',') FROM (SELECT codigo FROM AccionesXmes WHERE numero > 52"
                   " ORDER BY numero)"), "AVG,MAX,MIN,STD");

    for (const auto& [table, year] : {std::pair{std::string("AccionesXmes"), 2018}, {std::string("Mercap"), 2019}}) {
        SCOPED_TRACE(table);
        EXPECT_EQ(text("SELECT min(numero) || ',' || max(numero) || ',' || count(DISTINCT numero) || ',' ||"
                       " sum(anio <> " + std::to_string(year) + " OR nombre <> codigo || ' ' || anio) FROM " + table),
                  "1,56,56,0");
        // Each statistic row summarises the 52 stock rows of its month (# stands for the month's field).
        const std::string stat = ", (SELECT # FROM " + table + " WHERE codigo = ", per_month =
            "SELECT avg(#), max(#), min(#), count(#), sum(# * #)" + stat + "'AVG')" + stat + "'MAX')" + stat +
            "'MIN')" + stat + "'STD') FROM " + table + " WHERE numero <= 52";
        for (int m = 1; m <= 12; ++m) {
            auto s = rows(std::regex_replace(per_month, std::regex("#"), "m" + std::to_string(m))).rows.at(0);
            double avg = as_number(s[0]), n = as_number(s[3]);
            ASSERT_EQ(n, 52) << m;
            EXPECT_NEAR(as_number(s[5]), avg, 1e-4) << m;
            EXPECT_EQ(as_number(s[6]), as_number(s[1])) << m;
            EXPECT_EQ(as_number(s[7]), as_number(s[2])) << m;
            EXPECT_NEAR(as_number(s[8]), std::sqrt((as_number(s[4]) - n * avg * avg) / (n - 1)), 1e-4) << m;
        }
    }
    // Month-end closes read off merval.csv by hand: ALUA 13.38 (2017-12-29) to 15.50 (2018-01-31),
    // YPFD 721.75 (2019-11-29) to 857.20 (2019-12-30).
    EXPECT_EQ(number("SELECT m1 FROM AccionesXmes WHERE codigo = 'ALUA'"), 15.8445);
    EXPECT_EQ(number("SELECT m12 FROM Mercap WHERE codigo = 'YPFD'"), 18.7669);
    // Every month from 1871-01 on, numbered from 1 with no gap.
    EXPECT_EQ(text("SELECT count(*) || ',' || count(DISTINCT numero) || ',' || min(numero) || ',' || max(numero)"
                   " FROM INDICES WHERE numero = (anio - 1871) * 12 + mes AND mes BETWEEN 1 AND 12"
                   " AND fecha = printf('%04d-%02d', anio, mes)"),
              "1833,1833,1,1833");
    // data.csv, row 2023-09-01: SP500 4515.77, the last of Shiller's rows.
    EXPECT_EQ(text("SELECT count(sp500) || ',' || max(CASE WHEN fecha = '2023-09' THEN sp500 END) FROM INDICES"),
              "1833,4515.77");
    // The stand-in index covers 2012-01..2022-08 and starts at 100.
    EXPECT_EQ(text("SELECT count(*) || ',' || min(fecha) || ',' || max(fecha) || ',' || max(CASE WHEN fecha = '2012-01'"
                   " THEN merval END) FROM INDICES WHERE merval IS NOT NULL"),
              "128,2012-01,2022-08,100.0");
    // Its last 120 months are the two 60-value frames of merval, in order; all 120 rows are frame rows.
    EXPECT_EQ(text("SELECT count(*) || ',' || count(DISTINCT f.columna * 100 + f.fila) FROM merval f JOIN INDICES i"
                   " ON i.numero = (SELECT numero FROM INDICES WHERE fecha = '2012-09') + 60 * (f.columna - 1)"
                   " + f.fila - 1 WHERE f.capa = 1 AND f.fila BETWEEN 1 AND 60 AND f.valor = i.merval"), "120,120");
    // Inserted frame by frame: the last row, the one the "Merval" button makes a target, ends frame 2.
    EXPECT_EQ(text("SELECT columna || ',' || fila FROM merval ORDER BY rowid DESC LIMIT 1"), "2,60");
}

TEST_F(DefaultDatabaseTest, history_table_holds_eleven_years_of_returns_and_statistics_over_the_returns_present) {
    open();
    EXPECT_EQ(db->table_columns("AccionesHistoricas"), db->table_columns("AccionesXmes"));
    // Each year 2012..2022 lists AccionesXmes's stocks and statistic rows, same numero, same order.
    EXPECT_EQ(text("SELECT count(*) || ',' || count(DISTINCT h.anio * 100 + h.numero) || ',' || min(h.anio) || ','"
                   " || max(h.anio) || ',' || (SELECT count(*) FROM AccionesHistoricas) FROM AccionesHistoricas h"
                   " JOIN AccionesXmes a ON a.numero = h.numero AND a.codigo = h.codigo"
                   " WHERE h.nombre = h.codigo || ' ' || h.anio"),
              "616,616,2012,2022,616");
    // The years of the sample tables hold their very numbers.
    const std::string fields = "numero, nombre, codigo, anio, m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12";
    for (const auto& [table, year] : {std::pair{std::string("AccionesXmes"), 2018}, {std::string("Mercap"), 2019}}) {
        const std::string mine = "SELECT " + fields + " FROM AccionesHistoricas WHERE anio = " + std::to_string(year),
                          theirs = "SELECT " + fields + " FROM " + table;
        EXPECT_EQ(text("SELECT (SELECT count(*) FROM (" + mine + " EXCEPT " + theirs + ")) || ',' || (SELECT count(*)"
                       " FROM (" + theirs + " EXCEPT " + mine + ")) || ',' || (SELECT count(*) FROM (" + mine + "))"),
                  "0,0,56") << table;
    }

    // Month-end closes read off merval.csv by hand (the dates are the months' last trading rows).
    struct Return { std::string code; int year, month; double before, after; };
    for (const Return& r : std::vector<Return>{
             {"ALUA", 2015, 3, 6.96, 8.44},       // 2015-02-27, 2015-03-31
             {"TXAR", 2013, 1, 1.22, 1.51},       // 2012-12-28, 2013-01-31
             {"SUPV", 2016, 6, 32.02, 37.58},     // 2016-05-31 (its first close above 0), 2016-06-30
             {"POLL", 2021, 11, 18.0, 27.2},      // 2021-10-29, and 2021-11-19 carried over the empty 22nd..30th
             {"POLL", 2021, 12, 27.2, 26.1},      // that carried close, 2021-12-30
             {"IRCP", 2021, 8, 116.45, 121.1},    // 2021-07-30, 2021-08-31, the month after its split
             {"GGAL", 2022, 7, 176.2, 225.85}}) { // 2022-06-30, 2022-07-29, the last whole month
        EXPECT_NEAR(number("SELECT m" + std::to_string(r.month) + " FROM AccionesHistoricas WHERE codigo = '" + r.code +
                           "' AND anio = " + std::to_string(r.year)),
                    100.0 * (r.after / r.before - 1.0), 0.5e-4 + 1e-9)
            << r.code << " " << r.year << "-" << r.month;
    }
    // No return without two month-ends: none in January 2012 (no December 2011), none from August 2022 on (the
    // file stops on 2022-08-12), none across the unadjusted splits of IRCP 2021-07 and BYMA 2022-07, none for SUPV
    // before its first close above 0 (0.0 up to 2016-04-29).
    EXPECT_EQ(number("SELECT count(m1) FROM AccionesHistoricas WHERE anio = 2012"), 0);
    EXPECT_EQ(text("SELECT count(m7) || ',' || count(coalesce(m8, m9, m10, m11, m12)) FROM AccionesHistoricas"
                   " WHERE anio = 2022 AND numero <= 52"),
              "51,0");
    EXPECT_EQ(text("SELECT group_concat(nombre, ',') FROM (SELECT nombre FROM AccionesHistoricas WHERE m7 IS NULL"
                   " AND m6 IS NOT NULL AND m8 IS NOT NULL AND numero <= 52 ORDER BY nombre)"),
              "IRCP 2021");
    EXPECT_EQ(text("SELECT count(m6) || ',' || count(m7) FROM AccionesHistoricas WHERE nombre = 'BYMA 2022'"), "1,0");
    EXPECT_EQ(number("SELECT count(*) FROM AccionesHistoricas WHERE codigo = 'SUPV' AND (anio < 2016 AND"
                     " coalesce(m1, m2, m3, m4, m5, m6, m7, m8, m9, m10, m11, m12) IS NOT NULL OR"
                     " anio = 2016 AND coalesce(m1, m2, m3, m4, m5) IS NOT NULL)"),
              0);

    // Rows 53..56 of each year summarise its month's stock rows, the missing returns skipped.
    const auto all = rows("SELECT " + fields + " FROM AccionesHistoricas ORDER BY anio, numero").rows;
    ASSERT_EQ(all.size(), 11u * 56);
    for (size_t year = 0; year < 11; ++year) {
        for (size_t field = 4; field < 16; ++field) {
            SCOPED_TRACE(as_text(all[year * 56][1]) + " m" + std::to_string(field - 3));
            std::vector<double> present;
            for (size_t k = 0; k < 52; ++k)
                if (!is_null(all[year * 56 + k][field])) present.push_back(as_number(all[year * 56 + k][field]));
            auto stat = [&](size_t k) { return all[year * 56 + 52 + k][field]; };
            if (present.empty()) {
                for (size_t k = 0; k < 4; ++k) EXPECT_TRUE(is_null(stat(k))) << k;
                continue;
            }
            const double n = static_cast<double>(present.size());
            double mean = 0, squares = 0;
            for (double x : present) mean += x / n;
            for (double x : present) squares += (x - mean) * (x - mean);
            EXPECT_NEAR(as_number(stat(0)), mean, 0.5e-4 + 1e-9);
            EXPECT_EQ(as_number(stat(1)), *std::max_element(present.begin(), present.end()));
            EXPECT_EQ(as_number(stat(2)), *std::min_element(present.begin(), present.end()));
            if (present.size() < 2) EXPECT_TRUE(is_null(stat(3)));
            else EXPECT_NEAR(as_number(stat(3)), std::sqrt(squares / (n - 1)), 0.5e-4 + 1e-9);
        }
    }
}

TEST_F(DefaultDatabaseTest, an_older_database_gains_the_history_table_at_open_once_and_a_read_only_one_opens_without_it) {
    open();
    const std::string all = "SELECT * FROM AccionesHistoricas ORDER BY rowid";
    const auto history = rows(all).rows;
    db->execute_script("DROP TABLE AccionesHistoricas");
    db.reset();
    ::chmod(file().c_str(), 0444);
    const std::string older = read_bytes(file());
    OpenResult shown = open_workbench_database(file());
    ASSERT_TRUE(shown.db) << shown.error;
    EXPECT_TRUE(shown.read_only);
    EXPECT_FALSE(shown.db->table_exists("AccionesHistoricas"));
    shown.db.reset();
    EXPECT_EQ(read_bytes(file()), older);
    ::chmod(file().c_str(), 0644);

    for (int time = 0; time < 2; ++time) {
        open(false);
        EXPECT_EQ(rows(all).rows, history) << time;
        db.reset();
    }
    // Once there, the table is the user's: rows deleted from it are not put back.
    open(false);
    db->execute_script("DELETE FROM AccionesHistoricas WHERE anio < 2020");
    db.reset();
    open(false);
    EXPECT_EQ(number("SELECT count(*) FROM AccionesHistoricas"), 3 * 56);
}

// The bytes of a new SQLite file after `sql`, the file a workbench database if `ours`.
std::string sqlite_bytes(const std::string& sql, bool ours = false) {
    TempDir scratch;
    const fs::path path = scratch.path() / "x.mdb";
    EXPECT_TRUE(!ours || open_workbench_database(path).db);
    sqlite3* raw = nullptr;
    EXPECT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    return read_bytes(path);
}

TEST_F(DefaultDatabaseTest, files_that_are_not_whole_workbench_databases_are_refused_untouched) {
    const std::string header("SQLite format 3\0", 16);
    const std::string clientes = "CREATE TABLE clientes (id INTEGER, nombre TEXT); INSERT INTO clientes VALUES (1, 'A');";
    const std::vector<std::string> foreign = {"le faltan las tablas BPN, BPNPESOS", "GATargets"};
    std::string damaged = sqlite_bytes("", true);
    ASSERT_GT(damaged.size(), 40000u);
    for (size_t k = 8192 + 100; k < 8192 + 4000; ++k) damaged[k] = static_cast<char>(0xA5);
    for (const auto& [name, bytes, says] : std::vector<std::tuple<std::string, std::string, std::vector<std::string>>>{
             {"texto.mdb", "capa;fila;columna;valor\r\n1;1;1;0.5\r\n", {"no es una base de datos"}},
             {"vacio.mdb", "", {"esta vacio"}},
             {"corto.mdb", header.substr(0, 15), {"no es una base de datos"}},
             // The right header, then garbage: only the engine can tell; no side file may stay.
             {"roto.mdb", header + std::string(4096, 'Z'), {"dañada", "not a database"}},
             {"otro.db", sqlite_bytes("PRAGMA journal_mode=DELETE;" + clientes), foreign},
             {"otro-wal.db", sqlite_bytes("PRAGMA journal_mode=WAL;" + clientes), foreign},
             {"sin-sumas.mdb", sqlite_bytes("DROP TABLE sumas;", true), {"le faltan las tablas sumas."}},
             {"dañado.mdb", damaged, {"dañada"}}}) {
        fs::path path = dir.path() / name;
        write_bytes(path, bytes);
        auto before = entries(dir.path());
        expect_refused(path, says);
        EXPECT_EQ(read_bytes(path), bytes) << name;
        EXPECT_EQ(entries(dir.path()), before) << name;
    }
    fs::create_directory(dir.path() / "carpeta.mdb");
    expect_refused(dir.path() / "carpeta.mdb", {"es una carpeta"});
    EXPECT_TRUE(fs::is_empty(dir.path() / "carpeta.mdb"));
}

TEST_F(DefaultDatabaseTest, creation_that_cannot_finish_leaves_nothing_behind) {
    expect_refused(dir.path() / "no-existe" / "ga7.mdb", {"No existe la carpeta"});
    EXPECT_FALSE(fs::exists(dir.path() / "no-existe"));
    write_bytes(dir.path() / "archivo", "x");  // a plain file where the folder should be
    expect_refused(dir.path() / "archivo" / "ga7.mdb", {"No existe la carpeta"});
    EXPECT_EQ(read_bytes(dir.path() / "archivo"), "x");
    // The build fails half-way: its working name is taken by a folder that is not ours to remove.
    fs::path blocker = dir.path() / ("ga7.mdb.nuevo-" + std::to_string(::getpid()));
    fs::create_directories(blocker / "ocupado");
    expect_refused(file(), {"No se pudo crear la base de datos"});
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_TRUE(fs::exists(blocker / "ocupado"));
}

// The files of a folder, each with its bytes and its modification time.
std::map<std::string, std::pair<std::string, fs::file_time_type>> snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::string, fs::file_time_type>> files;
    for (const auto& name : entries(folder)) {
        const fs::path path = folder / name;
        files[name] = {fs::is_regular_file(path) ? read_bytes(path) : "", fs::last_write_time(path)};
    }
    return files;
}

TEST_F(DefaultDatabaseTest, a_killed_writers_hot_journal_is_played_back_only_in_a_workbench_database) {
    // Killed in the middle of rewriting BPN in rollback-journal mode, with part of it already in the file.
    const std::string rewrite =
        "PRAGMA journal_mode=DELETE; PRAGMA cache_size=5; BEGIN; DELETE FROM BPN; WITH RECURSIVE n(i) AS "
        "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) INSERT INTO BPN SELECT 1, i, 99, i, "
        "hex(randomblob(40)) FROM n;";
    open();
    const auto frames = rows("SELECT * FROM BPN ORDER BY rowid").rows;
    db.reset();
    const fs::path ours = dir.path() / "nuestra.mdb";
    copy_as_killed(file(), rewrite, ours);
    ASSERT_TRUE(fs::exists(ours.string() + "-journal"));
    ASSERT_NE(read_bytes(ours), read_bytes(file())) << "nothing of the rewrite reached the file";

    // In a folder it may write to, SQLite plays the journal back and the rows are as before the rewrite.
    OpenResult opened = open_workbench_database(ours);
    ASSERT_TRUE(opened.db) << opened.error;
    EXPECT_FALSE(opened.read_only);
    EXPECT_EQ(opened.db->query("PRAGMA quick_check").rows.at(0).at(0), Value(std::string("ok")));
    EXPECT_EQ(opened.db->query("SELECT * FROM BPN ORDER BY rowid").rows, frames);
    opened.db.reset();
    EXPECT_FALSE(fs::exists(ours.string() + "-journal"));

    // Another program's file with a hot journal is not ours to play back; nor is a read-only one.
    const fs::path theirs = dir.path() / "ajena.db";
    {
        Database foreign(theirs.string());
        foreign.execute_script("CREATE TABLE BPN (capa, fila, columna, valor, nombre); INSERT INTO BPN VALUES (1, 1, 1, 1, 'x');");
    }
    copy_as_killed(theirs, rewrite, dir.path() / "ajena-rota.db");
    const fs::path locked = dir.path() / "cerrada";
    fs::create_directory(locked);
    copy_as_killed(file(), rewrite, locked / "ga7.mdb");
    ::chmod(locked.c_str(), 0555);
    for (const auto& [path, says] : std::vector<std::pair<fs::path, std::string>>{
             {dir.path() / "ajena-rota.db", "le faltan las tablas BPNPESOS"},
             {locked / "ga7.mdb", "es de solo lectura y quedo una operacion a medio escribir en " +
                                      (locked / "ga7.mdb-journal").string()}}) {
        const auto before = snapshot(path.parent_path());
        expect_refused(path, {says, "No se modifico el archivo."});
        EXPECT_EQ(snapshot(path.parent_path()), before) << path;
    }
    ::chmod(locked.c_str(), 0755);
}

TEST_F(DefaultDatabaseTest, another_programs_wal_database_is_refused_with_its_side_files_untouched) {
    const fs::path theirs = dir.path() / "ajena.db", folder = dir.path() / "copia";
    {
        Database foreign(theirs.string());
        foreign.execute_script("CREATE TABLE clientes (id INTEGER, nombre TEXT)");
    }
    fs::create_directory(folder);
    copy_as_killed(theirs, "INSERT INTO clientes VALUES (1, 'A'), (2, 'B');", folder / "ajena.db");
    ASSERT_EQ(entries(folder), (std::set<std::string>{"ajena.db", "ajena.db-shm", "ajena.db-wal"}));
    // Any write, even one within the same clock tick, would show in the times.
    for (const auto& name : entries(folder))
        fs::last_write_time(folder / name, fs::file_time_type::clock::now() - std::chrono::hours(1));
    const auto before = snapshot(folder);
    expect_refused(folder / "ajena.db", {"le faltan las tablas BPN"});
    EXPECT_EQ(snapshot(folder), before);
}

TEST_F(DefaultDatabaseTest, an_open_that_fills_the_disk_leaves_the_file_and_no_side_file_of_its_own) {
    // An older workbench database: opening it adds the later tables and the history rows, which is where
    // the disk fills.
    testing::make_empty_database(file(), false).reset();
    const std::string older = read_bytes(file());
    testing::FailingVfs vfs;
    int refusals = 0, openings = 0;
    for (int writes = 0; writes <= 80; ++writes) {
        SCOPED_TRACE(writes);
        testing::FailingVfs::disk_full = false;
        testing::FailingVfs::writes_until_full = writes;
        OpenResult opened = open_workbench_database(file());
        testing::FailingVfs::writes_until_full = -1;
        testing::FailingVfs::disk_full = false;
        if (opened.db) {
            // Room enough: the later tables are there, the last one and every history row too.
            ++openings;
            EXPECT_TRUE(opened.db->table_exists("EstudioAnios"));
            EXPECT_EQ(as_number(opened.db->query("SELECT count(*) FROM AccionesHistoricas").rows.at(0).at(0)), 616);
            opened.db.reset();
            write_bytes(file(), older);
            continue;
        }
        ++refusals;
        EXPECT_NE(opened.error.find("El disco esta lleno"), std::string::npos) << opened.error;
        EXPECT_EQ(entries(dir.path()), std::set<std::string>{"ga7.mdb"});
        EXPECT_EQ(read_bytes(file()), older);
    }
    EXPECT_GE(refusals, 2);
    EXPECT_GE(openings, 1);
}

TEST_F(DefaultDatabaseTest, a_folder_without_write_permission_or_an_unreadable_file_is_refused) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
    fs::path locked = dir.path() / "cerrada";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    expect_refused(locked / "ga7.mdb", {"No se pudo crear"});
    EXPECT_TRUE(fs::is_empty(locked));

    write_bytes(file(), "privado");
    fs::permissions(file(), fs::perms::none);
    expect_refused(file(), {"No se puede leer"});
    fs::permissions(file(), fs::perms::owner_all);
    EXPECT_EQ(read_bytes(file()), "privado");
}

}  // namespace
}  // namespace vorn
