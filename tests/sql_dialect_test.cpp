// The statements the workbench quotes, run as written on its schema.
#include <gtest/gtest.h>

#include "shell/sql_dialect.h"
#include "support/workbench_fixture.h"

namespace vorn {
namespace {

using testing::TempDir;

class DialectTest : public ::testing::Test {
protected:
    void SetUp() override { db = testing::make_empty_database(dir.path() / "ga7.mdb"); }
    long count(const std::string& table) {
        return static_cast<long>(as_number(db->query("SELECT count(*) FROM " + table).rows[0][0]));
    }
    void fill_bpn() {
        db->execute_script(
            "INSERT INTO BPN VALUES (1,1,1,0.5,'a'),(1,2,1,1.5,'a'),(10,1,1,0.9,'a'),"
            "(1,1,2,2,'b'),(1,2,2,4,'b'),(10,1,2,0.1,'b');");
    }
    TempDir dir;
    std::unique_ptr<Database> db;
};

TEST(SqlDialect, rewrites_only_the_shapes_sqlite_lacks_and_never_inside_quotes) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"delete bpn.* from bpn", "DELETE from bpn"},
        {"DELETE t.* FROM t WHERE x=1", "DELETE FROM t WHERE x=1"},
        {"delete pasadasbpn.* from pasadasbpn where error>=.25", "DELETE from pasadasbpn where error>=.25"},
        {"SELECT bpn.* INTO Prueba FROM bpn", "CREATE TABLE Prueba AS SELECT bpn.* FROM bpn"},
        {"select * from ga where crossover=null", "select * from ga where crossover IS NULL"},
        {"UPDATE t SET x = NULL WHERE y = null", "UPDATE t SET x = NULL WHERE y IS NULL"},
        {"update t set x = null, z = 1 where y <> null", "update t set x = null, z = 1 where y IS NOT NULL"},
        {"x <= 3 and y >= 4", "x <= 3 and y >= 4"},
        {"nombre='= null' and y=1", "nombre='= null' and y=1"},
        {"insert into bpn select xor.* FROM xor ", "insert into bpn select xor.* FROM xor "},
    };
    for (const Case& c : cases) EXPECT_EQ(translate_sql(c.in), c.out) << c.in;
    EXPECT_EQ(translate_criteria("RECNO=2 and CROSSOVER = NULL"), "RECNO=2 and CROSSOVER IS NULL");
    EXPECT_EQ(translate_criteria("x<>null"), "x IS NOT NULL");
}

TEST(SqlDialect, recognises_single_table_star_selects_as_keysets) {
    std::string table, rest;
    EXPECT_TRUE(parse_table_select("SELECT PASADASBPN.* FROM PASADASBPN ORDER BY ERROR", table, rest));
    EXPECT_EQ(table, "PASADASBPN");
    EXPECT_EQ(rest, " ORDER BY ERROR");
    EXPECT_TRUE(parse_table_select("SELECT all borrar2.* from borrar2", table, rest));
    EXPECT_EQ(table, "borrar2");
    EXPECT_TRUE(parse_table_select("SELECT CONVERGE.* FROM CONVERGE ORDER BY -fitness", table, rest));
    for (const char* other : {"select avg(bpn.valor) from bpn", "select dstdev('valor','bpn') from bpn",
                              "SELECT a.* FROM b", "SELECT a.* FROM a JOIN b ON 1"}) {
        EXPECT_FALSE(parse_table_select(other, table, rest)) << other;
    }
}

TEST(SqlDialect, identifiers_are_checked_and_quoted) {
    for (const char* ok : {"Prueba_1", "_x"}) EXPECT_TRUE(is_plain_identifier(ok)) << ok;
    for (const char* bad : {"", "1abc", "a b", "x; DROP TABLE BPN"}) EXPECT_FALSE(is_plain_identifier(bad)) << bad;
    EXPECT_EQ(quote_identifier("a\"b"), "\"a\"\"b\"");
}

TEST_F(DialectTest, every_quoted_statement_runs_on_the_schema) {
    fill_bpn();
    db->execute_script("INSERT INTO xor VALUES (1,1,1,0,'x'),(1,2,1,1,'x'),(10,1,1,0.9,'x');"
                       "INSERT INTO bpnoriginal SELECT * FROM BPN; INSERT INTO merval VALUES (1,1,1,100,'m');"
                       "INSERT INTO BPNPESOS VALUES (1,1,1,0.3),(2,1,1,0.7);"
                       "INSERT INTO bpnpesosoriginal SELECT * FROM BPNPESOS;"
                       "INSERT INTO BPNTargets VALUES (0.1,'F');"
                       "INSERT INTO PasadasBPN VALUES (1,'1=1',0.025,2,50,0.5),(2,'1=1',0.025,0,50,0.5),"
                       "(3,'1=1',0.025,0.4,50,0.5),(4,'1=1',0.025,0.1,50,0.5);"
                       "INSERT INTO GA (recno,codigo,decimal,crossover,cadena,fitness,acumprob) VALUES "
                       "(0,1,5,NULL,'0101',3,0.25),(1,2,6,0,'0110',1,1.0);"
                       "INSERT INTO converge VALUES (1,'0101',5,3,1,'Max','a'),(2,'0001',1,0,1,'Max','b');");

    // Each statement in turn, then the rows its table holds (no table: not checked).
    const std::tuple<const char*, const char*, long> steps[] = {
        {"delete pasadasbpn.* from pasadasbpn where error>1", nullptr, 0},
        {"delete pasadasbpn.* from pasadasbpn where error=0", "PasadasBPN", 2},
        {"delete pasadasbpn.* from pasadasbpn where error>=.25", "PasadasBPN", 1},
        {"DELETE FROM BORRAR2", nullptr, 0},
        {"INSERT INTO BORRAR2 SELECT GA.* FROM GA WHERE GA.ACUMPROB >= .5", "borrar2", 1},
        {"delete from borrar2", nullptr, 0},
        {"Insert into borrar2 select ga.* from ga where ga.crossover=null", "borrar2", 1},
        {"INSERT INTO gatargets SELECT converge.* FROM converge WHERE fitness>0", "GATargets", 1},
        {"DELETE FROM bpn WHERE columna<>1", "BPN", 3},
        {"DELETE FROM bpn WHERE columna=1", "BPN", 0},
        {"insert into bpn select bpnoriginal.* FROM bpnoriginal ", nullptr, 0},
        {"insert into bpn select merval.* FROM merval", "BPN", 7},
        {"SELECT bpn.* INTO Prueba FROM bpn", "Prueba", 7},
        {"DELETE FROM bpn ", nullptr, 0},
        {"insert into bpn select xor.* FROM xor ", "BPN", 3},
        {"delete bpn.* from bpn", "BPN", 0},
        {"delete bpnpesos.* from bpnpesos", nullptr, 0},
        {"insert into bpnpesos select bpnpesosoriginal.* FROM bpnpesosoriginal ", "BPNPESOS", 2},
        {"delete bpntargets.* from bpntargets", "BPNTargets", 0},
    };
    for (const auto& [sql, table, expected] : steps) {
        db->execute(sql);
        if (table != nullptr) {
            EXPECT_EQ(count(table), expected) << sql;
        }
    }
    EXPECT_EQ(as_number(db->query("SELECT codigo FROM borrar2").rows.at(0).at(0)), 1);  // the null crossover
    EXPECT_THROW(db->execute("SELECT bpn.* INTO Prueba FROM bpn"), EngineError);
}

TEST_F(DialectTest, averages_and_domain_standard_deviation) {
    fill_bpn();
    EXPECT_DOUBLE_EQ(as_number(db->query("select avg(bpn.valor) from bpn where columna=2").rows[0][0]),
                     (2 + 4 + 0.1) / 3);
    // Sample standard deviation of 0.5 and 1.5 (capa 1 rows of frame 1).
    auto with_criteria = db->query("select dstdev('valor','bpn','capa=1 and columna=1') from bpn");
    ASSERT_EQ(with_criteria.rows.size(), 6u);  // one row per row of the table, as the engine gives
    EXPECT_NEAR(as_number(with_criteria.rows[0][0]), 0.70710678118654757, 1e-12);
    auto where_word = db->query("select dstdev('valor','bpn','where columna=2 and capa = 1') from bpn");
    EXPECT_NEAR(as_number(where_word.rows[0][0]), 1.4142135623730951, 1e-12);
    // Fewer than two rows: NULL, not a division by zero.
    EXPECT_TRUE(is_null(db->query("select dstdev('valor','bpn','columna=99') from bpn").rows[0][0]));
    // Names are identifiers, never SQL.
    EXPECT_THROW(db->query("select dstdev('valor; drop table bpn','bpn') from bpn"), EngineError);
    EXPECT_THROW(db->query("select dstdev('valor','nosuchtable') from bpn"), EngineError);
    EXPECT_EQ(count("BPN"), 6);
}

}  // namespace
}  // namespace vorn
