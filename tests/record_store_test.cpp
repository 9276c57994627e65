// Keyset cursors, savepoints and engine failures of the record store.
#include <gtest/gtest.h>

#include "support/workbench_fixture.h"

namespace vorn {
namespace {

using testing::TempDir;

class RecordStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = testing::make_empty_database(dir.path() / "ga7.mdb");
        db->execute_script(
            "INSERT INTO BPN VALUES (1,1,1,0.5,'uno'),(1,2,1,1.5,'uno'),(10,1,1,0.9,'uno'),"
            "(1,1,2,2,'dos'),(10,1,2,0.1,'dos');");
    }
    TempDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(RecordStoreTest, walks_in_query_order_and_finds_first_in_cursor_order) {
    DataSource ds(*db, "SELECT BPN.* FROM BPN ORDER BY valor DESC");
    ds.refresh();
    std::vector<double> seen;
    for (ds.move_first(); !ds.eof(); ds.move_next()) seen.push_back(as_number(ds.field("valor")));
    EXPECT_EQ(seen, (std::vector<double>{2, 1.5, 0.9, 0.5, 0.1}));
    ds.move_last();
    EXPECT_DOUBLE_EQ(as_number(ds.field("VALOR")), 0.1);  // names are case-insensitive
    ds.move_previous();
    EXPECT_DOUBLE_EQ(as_number(ds.field(3)), 0.5);
    ds.move_first();
    ds.move_previous();
    EXPECT_TRUE(ds.bof());

    // Reading every record at once follows the same order and leaves the
    // cursor on the first record.
    ds.move_last();
    QueryResult all = ds.refresh_and_read({"valor", "Nombre"});
    ASSERT_EQ(all.rows.size(), 5u);
    EXPECT_EQ(as_number(all.rows[0][1]), 2);
    EXPECT_EQ(as_text(all.rows[0][2]), "dos");
    EXPECT_EQ(as_number(all.rows[4][1]), 0.1);
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 2);
    EXPECT_THROW(ds.refresh_and_read({"no_such_column"}), EngineError);
    ds.refresh();

    ds.find_first("capa=10 and columna=1");
    ASSERT_FALSE(ds.no_match());
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 0.9);
    ds.find_first("columna=1");  // cursor order, not rowid order: 1.5 comes first
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 1.5);
    ds.find_first("capa=10 and columna=7");
    EXPECT_TRUE(ds.no_match());
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 1.5);  // a miss does not move
    ds.find_first("nombre = null");
    EXPECT_TRUE(ds.no_match());
    EXPECT_THROW(ds.find_first("no_such_column = 1"), EngineError);
}

TEST_F(RecordStoreTest, add_new_joins_the_keyset_end_edit_writes_the_current_row_and_delete_moves_on) {
    DataSource ds(*db, "BPN");
    ds.refresh();
    ds.add_new();
    ds.set("capa", Value(std::int64_t{1}));
    ds.set("columna", Value(std::int64_t{3}));
    ds.set("valor", Value(7.0));
    ds.update();
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 0.5);  // still on the first row
    EXPECT_EQ(ds.record_count(), 6);
    ds.move_last();
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 7);
    EXPECT_TRUE(is_null(ds.field("nombre")));
    ds.edit();
    ds.set("nombre", Value(std::string("tres")));
    ds.update();
    EXPECT_EQ(as_text(db->query("SELECT nombre FROM BPN WHERE valor = 7").rows.at(0).at(0)), "tres");

    // An edit abandoned by moving is not written.
    ds.move_first();
    ds.edit();
    ds.set("valor", Value(99.0));
    ds.move_next();
    EXPECT_TRUE(db->query("SELECT 1 FROM BPN WHERE valor = 99").rows.empty());
    EXPECT_THROW(ds.update(), EngineError);
    EXPECT_THROW(ds.set("valor", Value(1.0)), EngineError);

    // Adding into an empty cursor leaves it at EOF until moved.
    DataSource empty(*db, "BPNTargets");
    empty.refresh();
    empty.add_new();
    empty.set("valor", Value(0.1));
    empty.update();
    EXPECT_TRUE(empty.eof());
    empty.move_first();
    EXPECT_DOUBLE_EQ(as_number(empty.field("valor")), 0.1);

    // Deleting, then moving on, reaches the following row; a walk can delete every row.
    ds.move_first();
    ds.move_next();
    ds.delete_current();
    EXPECT_THROW(ds.field("valor"), EngineError);
    ds.move_next();
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 0.9);
    for (ds.move_first(); !ds.eof(); ds.move_next()) ds.delete_current();
    EXPECT_EQ(ds.record_count(), 0);
    EXPECT_TRUE(db->query("SELECT * FROM BPN").rows.empty());
}

TEST_F(RecordStoreTest, values_are_read_current_and_a_row_deleted_behind_the_cursor_is_an_error) {
    DataSource ds(*db, "BPN");
    ds.refresh();
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 0.5);
    db->execute("UPDATE BPN SET valor = 42 WHERE valor = 0.5");
    EXPECT_DOUBLE_EQ(as_number(ds.field("valor")), 42);
    db->execute("DELETE FROM bpn WHERE columna=1");
    EXPECT_THROW(ds.field("valor"), EngineError);
    ds.refresh();
    EXPECT_EQ(ds.record_count(), 2);
    // One statement at a time: a second one is refused, not run.
    EXPECT_THROW(db->execute("DELETE FROM bpn; DELETE FROM bpnpesos"), EngineError);
    EXPECT_EQ(db->query("SELECT * FROM BPN").rows.size(), 2u);
}

TEST_F(RecordStoreTest, snapshots_are_read_only_sources_switch_on_refresh_and_an_empty_cursor_has_no_record) {
    DataSource ds(*db, "select avg(bpn.valor) from bpn where columna=1");
    ds.refresh();
    EXPECT_TRUE(ds.read_only());
    EXPECT_DOUBLE_EQ(as_number(ds.field(0)), (0.5 + 1.5 + 0.9) / 3);
    EXPECT_THROW(ds.add_new(), EngineError);
    EXPECT_THROW(ds.edit(), EngineError);
    ds.set_record_source("SELECT nosuch.* FROM nosuch");
    EXPECT_THROW(ds.refresh(), EngineError);
    EXPECT_EQ(ds.record_count(), 0);

    ds.set_record_source("bpnpesos");
    ds.refresh();
    EXPECT_FALSE(ds.read_only());
    EXPECT_TRUE(ds.eof());
    EXPECT_TRUE(ds.bof());
    ds.move_last();
    ds.move_first();
    ds.move_next();
    EXPECT_TRUE(ds.eof());
    EXPECT_THROW(ds.field("valor"), EngineError);
    EXPECT_EQ(ds.field_name(0), "capa");
    ds.find_first("capa=1");
    EXPECT_TRUE(ds.no_match());
}

TEST_F(RecordStoreTest, savepoint_rolls_back_a_half_written_operation_and_refreshes_cursors) {
    DataSource ds(*db, "BPN");
    ds.refresh();
    db->begin();
    {
        Database::Savepoint all_or_nothing(*db);
        db->execute("delete bpn.* from bpn");
        ds.refresh();
        EXPECT_EQ(ds.record_count(), 0);
    }  // no release: rolled back
    EXPECT_EQ(ds.record_count(), 5);
    {
        Database::Savepoint kept(*db);
        db->execute("DELETE FROM bpn WHERE columna=2");
        kept.release();
    }
    db->commit();
    EXPECT_EQ(db->query("SELECT * FROM BPN").rows.size(), 3u);
}

}  // namespace
}  // namespace vorn
