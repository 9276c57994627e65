// The statements the workbench quotes, run as written against a database
// with the workbench's schema.
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
    EXPECT_FALSE(parse_table_select("select avg(bpn.valor) from bpn", table, rest));
    EXPECT_FALSE(parse_table_select("select dstdev('valor','bpn') from bpn", table, rest));
    EXPECT_FALSE(parse_table_select("SELECT a.* FROM b", table, rest));
    EXPECT_FALSE(parse_table_select("SELECT a.* FROM a JOIN b ON 1", table, rest));
}

TEST(SqlDialect, identifiers_are_checked_and_quoted) {
    EXPECT_TRUE(is_plain_identifier("Prueba_1"));
    EXPECT_TRUE(is_plain_identifier("_x"));
    EXPECT_FALSE(is_plain_identifier(""));
    EXPECT_FALSE(is_plain_identifier("1abc"));
    EXPECT_FALSE(is_plain_identifier("a b"));
    EXPECT_FALSE(is_plain_identifier("x; DROP TABLE BPN"));
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
                       "INSERT INTO converge VALUES (1,'0101',5,3,1,'Max','a'),(2,'0001',1,0,1,'Max','b');"
                       "INSERT INTO borrar VALUES (1,'0101',5,0,1); INSERT INTO sumas VALUES (4);");

    db->execute("delete pasadasbpn.* from pasadasbpn where error>1");
    db->execute("delete pasadasbpn.* from pasadasbpn where error=0");
    EXPECT_EQ(count("PasadasBPN"), 2);
    db->execute("delete pasadasbpn.* from pasadasbpn where error>=.25");
    EXPECT_EQ(count("PasadasBPN"), 1);

    db->execute("DELETE FROM BORRAR2");
    db->execute("INSERT INTO BORRAR2 SELECT GA.* FROM GA WHERE GA.ACUMPROB >= .5");
    EXPECT_EQ(count("borrar2"), 1);
    db->execute("delete from borrar2");
    db->execute("Insert into borrar2 select ga.* from ga where ga.crossover=null");
    EXPECT_EQ(as_number(db->query("SELECT codigo FROM borrar2").rows.at(0).at(0)), 1);
    db->execute("INSERT INTO gatargets SELECT converge.* FROM converge WHERE fitness>0");
    EXPECT_EQ(count("GATargets"), 1);
    db->execute("delete from borrar");
    db->execute("delete from sumas");
    EXPECT_EQ(count("borrar") + count("sumas"), 0);

    db->execute("DELETE FROM bpn WHERE columna<>1");
    EXPECT_EQ(count("BPN"), 3);
    db->execute("DELETE FROM bpn WHERE columna=1");
    EXPECT_EQ(count("BPN"), 0);
    db->execute("insert into bpn select bpnoriginal.* FROM bpnoriginal ");
    db->execute("insert into bpn select merval.* FROM merval");
    EXPECT_EQ(count("BPN"), 7);
    db->execute("SELECT bpn.* INTO Prueba FROM bpn");
    EXPECT_EQ(count("Prueba"), 7);
    EXPECT_THROW(db->execute("SELECT bpn.* INTO Prueba FROM bpn"), EngineError);
    db->execute("DELETE FROM bpn ");
    db->execute("insert into bpn select xor.* FROM xor ");
    EXPECT_EQ(count("BPN"), 3);
    db->execute("delete bpn.* from bpn");
    db->execute("delete bpnpesos.* from bpnpesos");
    db->execute("insert into bpnpesos select bpnpesosoriginal.* FROM bpnpesosoriginal ");
    EXPECT_EQ(count("BPNPESOS"), 2);
    db->execute("delete bpntargets.* from bpntargets");
    EXPECT_EQ(count("BPN") + count("BPNTargets"), 0);
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
