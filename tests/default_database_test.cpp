// The default ga7.mdb: first-start creation from the compiled-in data, an
// existing database opened as it is, and files that are refused untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "support/workbench_fixture.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

class DefaultDatabaseTest : public ::testing::Test {
protected:
    // Creates ga7.mdb in the scratch folder and keeps it open.
    void create() {
        OpenResult result = open_workbench_database(file());
        ASSERT_TRUE(result.db) << result.error;
        ASSERT_TRUE(result.created);
        db = std::move(result.db);
    }
    fs::path file() const { return dir.path() / "ga7.mdb"; }
    QueryResult rows(const std::string& sql) { return db->query_bound(sql, {}); }
    double number(const std::string& sql) { return as_number(rows(sql).rows.at(0).at(0)); }
    std::string text(const std::string& sql) { return as_text(rows(sql).rows.at(0).at(0)); }

    TempDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(DefaultDatabaseTest, first_start_creates_every_table_with_its_sample_rows) {
    create();
    const std::map<std::string, int> expected = {
        {"BPN", 80},        {"bpnoriginal", 80}, {"BPNPESOS", 30},    {"bpnpesosoriginal", 30},
        {"BPNTargets", 2},  {"xor", 12},         {"merval", 120},     {"AccionesXmes", 56},
        {"Mercap", 56},     {"INDICES", 1833},   {"series", 1},       {"PasadasBPN", 0},
        {"GA", 0},          {"borrar", 0},       {"borrar2", 0},      {"sumas", 0},
        {"converge", 0},    {"GATargets", 0}};
    for (const auto& [table, count] : expected) {
        ASSERT_TRUE(db->table_exists(table)) << table;
        EXPECT_EQ(number("SELECT count(*) FROM " + table), count) << table;
    }
    // Built under another name and renamed: once closed, nothing else is left.
    db.reset();
    EXPECT_EQ(entries(dir.path()), std::set<std::string>{"ga7.mdb"});
    EXPECT_EQ(read_bytes(file()).substr(0, 16), std::string("SQLite format 3\0", 16));
}

TEST_F(DefaultDatabaseTest, network_samples_have_the_layouts_the_loaders_read) {
    create();
    // The working tables start as exact copies of their stored originals.
    for (const auto& [work, original] : {std::pair{"BPN", "bpnoriginal"}, {"BPNPESOS", "bpnpesosoriginal"}}) {
        EXPECT_EQ(number(std::string("SELECT count(*) FROM (SELECT * FROM ") + work + " EXCEPT SELECT * FROM " +
                         original + ")"),
                  0)
            << work;
        EXPECT_EQ(number(std::string("SELECT count(*) FROM ") + work),
                  number(std::string("SELECT count(*) FROM ") + original));
    }
    // Eight 3x3 glyphs: nine pixels and one target each, four of each class.
    auto frames = rows(
        "SELECT columna, sum(capa=1), min(CASE WHEN capa=1 THEN fila END), max(CASE WHEN capa=1 THEN fila END),"
        " sum(capa=10), max(CASE WHEN capa=10 THEN valor END) FROM bpnoriginal GROUP BY columna ORDER BY columna");
    ASSERT_EQ(frames.rows.size(), 8u);
    int on_targets = 0;
    for (size_t n = 0; n < frames.rows.size(); ++n) {
        const auto& f = frames.rows[n];
        EXPECT_EQ(as_number(f[0]), n + 1.0);
        EXPECT_EQ(as_number(f[1]), 9);
        EXPECT_EQ(as_number(f[2]), 1);
        EXPECT_EQ(as_number(f[3]), 9);
        EXPECT_EQ(as_number(f[4]), 1);
        on_targets += as_number(f[5]) == 0.9;
    }
    EXPECT_EQ(on_targets, 4);
    EXPECT_EQ(number("SELECT count(*) FROM bpnoriginal WHERE valor NOT IN (0.1, 0.9)"), 0);

    // Weights in the order initial weights write them, every value in [0, 1).
    auto weights = rows("SELECT capa, fila, columna, valor FROM bpnpesosoriginal ORDER BY rowid");
    ASSERT_EQ(weights.rows.size(), 30u);
    for (size_t k = 0; k < 30; ++k) {
        const auto& w = weights.rows[k];
        bool hidden = k < 27;
        EXPECT_EQ(as_number(w[0]), hidden ? 1 : 2) << k;
        EXPECT_EQ(as_number(w[1]), hidden ? static_cast<double>(k / 3 + 1) : 1.0) << k;
        EXPECT_EQ(as_number(w[2]), static_cast<double>(k % 3 + 1)) << k;
        EXPECT_GE(as_number(w[3]), 0.0);
        EXPECT_LT(as_number(w[3]), 1.0);
    }

    auto targets = rows("SELECT valor, nombre FROM BPNTargets ORDER BY rowid");
    ASSERT_EQ(targets.rows.size(), 2u);
    EXPECT_EQ(as_number(targets.rows[0][0]), 0.1);
    EXPECT_EQ(as_text(targets.rows[0][1]), "BPN TARGET 1");
    EXPECT_EQ(as_number(targets.rows[1][0]), 0.9);
    EXPECT_EQ(as_text(targets.rows[1][1]), "BPN TARGET 2");

    // Exclusive or: two inputs per frame, target "true" exactly when they differ.
    auto xor_frames = rows(
        "SELECT columna, count(*), max(CASE WHEN capa=1 AND fila=1 THEN valor END),"
        " max(CASE WHEN capa=1 AND fila=2 THEN valor END), max(CASE WHEN capa=10 THEN valor END)"
        " FROM xor GROUP BY columna ORDER BY columna");
    ASSERT_EQ(xor_frames.rows.size(), 4u);
    std::set<std::pair<double, double>> inputs;
    for (const auto& f : xor_frames.rows) {
        EXPECT_EQ(as_number(f[1]), 3);
        double a = as_number(f[2]), b = as_number(f[3]);
        inputs.insert({a, b});
        EXPECT_EQ(as_number(f[4]), a != b ? 0.9 : 0.1) << a << "," << b;
    }
    EXPECT_EQ(inputs.size(), 4u);

    // One point of y = 2x + 3.
    EXPECT_EQ(number("SELECT serie2 - (2 * serie1 + 3) FROM series WHERE numero = 1"), 0);
}

TEST_F(DefaultDatabaseTest, market_tables_hold_two_consecutive_years_of_the_same_stocks) {
    create();
    // The decoders read the twelve months by position, fields 4 to 15.
    auto columns = db->table_columns("AccionesXmes");
    ASSERT_EQ(columns.size(), 16u);
    EXPECT_EQ(columns[0], "numero");
    EXPECT_EQ(columns[4], "m1");
    EXPECT_EQ(columns[15], "m12");
    EXPECT_EQ(db->table_columns("Mercap"), columns);

    auto codes = [&](const std::string& table) {
        std::vector<std::string> out;
        for (const auto& r : rows("SELECT codigo FROM " + table + " ORDER BY numero").rows) out.push_back(as_text(r[0]));
        return out;
    };
    EXPECT_EQ(codes("AccionesXmes"), codes("Mercap"));

    for (const auto& [table, year] : {std::pair{std::string("AccionesXmes"), 2018}, {std::string("Mercap"), 2019}}) {
        EXPECT_EQ(number("SELECT min(numero) FROM " + table), 1);
        EXPECT_EQ(number("SELECT max(numero) FROM " + table), 56);
        EXPECT_EQ(number("SELECT count(DISTINCT numero) FROM " + table), 56);
        EXPECT_EQ(number("SELECT count(*) FROM " + table + " WHERE anio <> " + std::to_string(year)), 0) << table;
        EXPECT_EQ(number("SELECT count(*) FROM " + table + " WHERE nombre <> codigo || ' ' || anio"), 0) << table;
        EXPECT_EQ(text("SELECT group_concat(codigo, ',') FROM (SELECT codigo FROM " + table +
                       " WHERE numero > 52 ORDER BY numero)"),
                  "AVG,MAX,MIN,STD");
        // Each statistic row summarises the 52 stock rows of its month.
        for (int m = 1; m <= 12; ++m) {
            std::string col = "m" + std::to_string(m);
            auto stats = rows("SELECT avg(" + col + "), max(" + col + "), min(" + col + "), count(" + col +
                              "), sum(" + col + "*" + col + ") FROM " + table + " WHERE numero <= 52");
            const auto& s = stats.rows.at(0);
            double avg = as_number(s[0]), n = as_number(s[3]);
            double stdev = std::sqrt((as_number(s[4]) - n * avg * avg) / (n - 1));
            ASSERT_EQ(n, 52) << table << " " << col;
            auto stat = [&](const char* code) {
                return number("SELECT " + col + " FROM " + table + " WHERE codigo = '" + code + "'");
            };
            EXPECT_NEAR(stat("AVG"), avg, 1e-4) << table << " " << col;
            EXPECT_EQ(stat("MAX"), as_number(s[1])) << table << " " << col;
            EXPECT_EQ(stat("MIN"), as_number(s[2])) << table << " " << col;
            EXPECT_NEAR(stat("STD"), stdev, 1e-4) << table << " " << col;
        }
    }

    // Month-end closes read off merval.csv by hand: ALUA closed 13.38 on
    // 2017-12-29 and 15.50 on 2018-01-31, so 100 * (15.50 / 13.38 - 1) =
    // 15.8445 %. YPFD closed 721.75 on 2019-11-29 and 857.20 on 2019-12-30:
    // 18.7669 %.
    EXPECT_EQ(number("SELECT m1 FROM AccionesXmes WHERE codigo = 'ALUA'"), 15.8445);
    EXPECT_EQ(number("SELECT m12 FROM Mercap WHERE codigo = 'YPFD'"), 18.7669);
}

TEST_F(DefaultDatabaseTest, index_series_are_monthly_and_the_frames_follow_them) {
    create();
    auto months = rows("SELECT numero, fecha, anio, mes FROM INDICES ORDER BY numero");
    ASSERT_EQ(months.rows.size(), 1833u);
    int year = 1871, month = 1;
    for (size_t k = 0; k < months.rows.size(); ++k) {
        const auto& r = months.rows[k];
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d-%02d", year, month);
        ASSERT_EQ(as_number(r[0]), k + 1.0);
        ASSERT_EQ(as_text(r[1]), expected);
        ASSERT_EQ(as_number(r[2]), year);
        ASSERT_EQ(as_number(r[3]), month);
        if (++month == 13) month = 1, ++year;
    }
    // data.csv, row 2023-09-01: SP500 4515.77, the last of Shiller's rows.
    EXPECT_EQ(number("SELECT sp500 FROM INDICES WHERE fecha = '2023-09'"), 4515.77);
    EXPECT_EQ(number("SELECT count(*) FROM INDICES WHERE sp500 IS NULL"), 0);
    // The stand-in index covers 2012-01..2022-08 and starts at 100.
    EXPECT_EQ(number("SELECT count(*) FROM INDICES WHERE merval IS NOT NULL"), 128);
    EXPECT_EQ(text("SELECT min(fecha) FROM INDICES WHERE merval IS NOT NULL"), "2012-01");
    EXPECT_EQ(text("SELECT max(fecha) FROM INDICES WHERE merval IS NOT NULL"), "2022-08");
    EXPECT_EQ(number("SELECT merval FROM INDICES WHERE fecha = '2012-01'"), 100);

    // Its last 120 months are the two 60-value frames of merval, in order,
    // with no target row (the "Merval" button makes its own).
    auto frame_values = rows("SELECT valor FROM merval WHERE capa = 1 ORDER BY columna, fila");
    auto index_values = rows("SELECT merval FROM INDICES WHERE fecha >= '2012-09' AND merval IS NOT NULL ORDER BY numero");
    ASSERT_EQ(frame_values.rows.size(), 120u);
    ASSERT_EQ(index_values.rows.size(), 120u);
    for (size_t k = 0; k < 120; ++k)
        EXPECT_EQ(as_number(frame_values.rows[k][0]), as_number(index_values.rows[k][0])) << k;
    EXPECT_EQ(text("SELECT group_concat(n, ',') FROM (SELECT columna || ':' || count(*) || ':' || min(fila) || '-' ||"
                   " max(fila) AS n FROM merval GROUP BY columna ORDER BY columna)"),
              "1:60:1-60,2:60:1-60");
    // The merval rows are inserted frame by frame, so the last row the
    // "Merval" button turns into a target is the end of frame 2.
    EXPECT_EQ(text("SELECT columna || ',' || fila FROM merval ORDER BY rowid DESC LIMIT 1"), "2,60");
}

TEST_F(DefaultDatabaseTest, an_existing_database_is_opened_as_it_is) {
    create();
    db->execute("delete bpn.* from bpn where columna > 1");
    db->execute_bound("UPDATE BPN SET nombre = ? WHERE capa = 10", {Value(std::string("mio"))});
    db->execute("DROP TABLE series");
    db.reset();

    OpenResult again = open_workbench_database(file());
    ASSERT_TRUE(again.db) << again.error;
    EXPECT_FALSE(again.created);
    db = std::move(again.db);
    EXPECT_EQ(number("SELECT count(*) FROM BPN"), 10);
    EXPECT_EQ(text("SELECT nombre FROM BPN WHERE capa = 10"), "mio");
    // A missing table stays missing: the file is never re-seeded.
    EXPECT_FALSE(db->table_exists("series"));
}

TEST_F(DefaultDatabaseTest, files_that_are_not_workbench_databases_are_refused_untouched) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"texto.mdb", "capa;fila;columna;valor\r\n1;1;1;0.5\r\n", "no es una base de datos"},
        {"vacio.mdb", "", "esta vacio"},
        {"corto.mdb", std::string("SQLite format 3", 15), "no es una base de datos"},
    };
    for (const auto& c : cases) {
        fs::path path = dir.path() / c.name;
        write_bytes(path, c.bytes);
        auto before = entries(dir.path());

        OpenResult result = open_workbench_database(path);
        EXPECT_FALSE(result.db) << c.name;
        EXPECT_FALSE(result.created) << c.name;
        EXPECT_NE(result.error.find(path.string()), std::string::npos) << result.error;
        EXPECT_NE(result.error.find(c.says), std::string::npos) << result.error;
        EXPECT_EQ(read_bytes(path), c.bytes) << c.name;
        EXPECT_EQ(entries(dir.path()), before) << c.name;
    }

    fs::path folder = dir.path() / "carpeta.mdb";
    fs::create_directory(folder);
    OpenResult result = open_workbench_database(folder);
    EXPECT_FALSE(result.db);
    EXPECT_NE(result.error.find("es una carpeta"), std::string::npos) << result.error;
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(DefaultDatabaseTest, a_damaged_database_is_refused_with_the_engine_text_and_no_side_files) {
    // The right first 16 bytes, then garbage: only the engine can tell.
    std::string bytes = std::string("SQLite format 3\0", 16) + std::string(4096, '\x5a');
    write_bytes(file(), bytes);

    OpenResult result = open_workbench_database(file());
    EXPECT_FALSE(result.db);
    EXPECT_EQ(result.error.rfind("No se pudo abrir la base de datos " + file().string(), 0), 0u) << result.error;
    EXPECT_NE(result.error.find("not a database"), std::string::npos) << result.error;
    EXPECT_EQ(entries(dir.path()), std::set<std::string>{"ga7.mdb"});
    EXPECT_EQ(read_bytes(file()), bytes);
}

TEST_F(DefaultDatabaseTest, creation_that_cannot_finish_leaves_nothing_behind) {
    // No folder to create the file in.
    fs::path missing = dir.path() / "no-existe" / "ga7.mdb";
    OpenResult result = open_workbench_database(missing);
    EXPECT_FALSE(result.db);
    EXPECT_NE(result.error.find("No existe la carpeta"), std::string::npos) << result.error;
    EXPECT_FALSE(fs::exists(missing.parent_path()));

    // A plain file where the folder should be.
    write_bytes(dir.path() / "archivo", "x");
    result = open_workbench_database(dir.path() / "archivo" / "ga7.mdb");
    EXPECT_FALSE(result.db);
    EXPECT_NE(result.error.find("No existe la carpeta"), std::string::npos) << result.error;
    EXPECT_EQ(read_bytes(dir.path() / "archivo"), "x");

    // The build fails half-way: the name it builds under is taken by a
    // folder that is not ours to remove.
    fs::path blocker = dir.path() / ("ga7.mdb.nuevo-" + std::to_string(::getpid()));
    fs::create_directories(blocker / "ocupado");
    result = open_workbench_database(file());
    EXPECT_FALSE(result.db);
    EXPECT_EQ(result.error.rfind("No se pudo crear la base de datos " + file().string(), 0), 0u) << result.error;
    EXPECT_FALSE(fs::exists(file()));
    EXPECT_TRUE(fs::exists(blocker / "ocupado"));
}

TEST_F(DefaultDatabaseTest, a_folder_without_write_permission_or_an_unreadable_file_is_refused) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores file permissions";
    fs::path locked = dir.path() / "cerrada";
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    OpenResult result = open_workbench_database(locked / "ga7.mdb");
    EXPECT_FALSE(result.db);
    EXPECT_NE(result.error.find("No se pudo crear"), std::string::npos) << result.error;
    EXPECT_TRUE(fs::is_empty(locked));
    fs::permissions(locked, fs::perms::owner_all);

    write_bytes(file(), "privado");
    fs::permissions(file(), fs::perms::none);
    result = open_workbench_database(file());
    EXPECT_FALSE(result.db);
    EXPECT_NE(result.error.find("No se puede leer"), std::string::npos) << result.error;
    fs::permissions(file(), fs::perms::owner_all);
    EXPECT_EQ(read_bytes(file()), "privado");
}

}  // namespace
}  // namespace vorn
