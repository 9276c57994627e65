// The store phase and the dialogs: no dialog is open while this program
// holds the write lock. What a store's writes would show waits for its
// commit and goes with its rollback; a dialog that would wait for the user
// under the lock is refused.
#include <stdexcept>

#include "shell/store_phase.h"
#include "support/workbench_fixture.h"

extern "C" {
#include <sqlite3.h>
}

namespace vorn::testing {
namespace {

class StorePhase : public WorkbenchTest {
protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        db->execute_script("CREATE TABLE ajena (x)");
        other = std::make_unique<Database>(db->path(), Database::OpenMode::Existing);
        other->set_busy_timeout(0);
    }
    bool other_can_write() {
        try {
            other->execute_script("INSERT INTO ajena VALUES ('otro')");
            return true;
        } catch (const EngineError&) {
            return false;
        }
    }
    long count(const std::string& x) {
        return static_cast<long>(
            as_number(other->query_bound("SELECT count(*) FROM ajena WHERE x = ?", {Value(x)}).rows[0][0]));
    }
    std::unique_ptr<Database> other;
};

TEST_F(StorePhase, what_a_store_shows_waits_for_its_commit_and_goes_with_its_rollback) {
    Platform& shown = bench->platform();
    std::vector<std::pair<bool, long>> at_message;  // another program could write; it saw the stored row
    platform.on_message = [&](const std::string&) { at_message.emplace_back(other_can_write(), count("hecho")); };

    bench->run([&] {
        EXPECT_EQ(store_result(*db, shown, [&] {
                      db->execute("INSERT INTO ajena VALUES ('hecho')");
                      shown.message("Guardado", "", Icon::None);
                      shown.note("Anotado");
                      shown.print_lines({"linea"});
                  }),
                  StoreOutcome::Stored);
    });
    // A note waits like a message, in its place, and stays a note.
    EXPECT_EQ(platform.texts(), (std::vector<std::string>{"Guardado", "Anotado"}));
    EXPECT_EQ(platform.notes, std::vector<std::string>{"Anotado"});
    EXPECT_EQ(platform.printed, std::vector<std::vector<std::string>>{{"linea"}});
    EXPECT_EQ(at_message, (std::vector<std::pair<bool, long>>{{true, 1}, {true, 1}}));

    // A failing store: its message is never shown, only the failure.
    platform.messages.clear();
    bench->run([&] {
        store_result(*db, shown, [&] {
            db->execute("INSERT INTO ajena VALUES ('deshecho')");
            shown.message("No debe verse", "", Icon::None);
            throw EngineError("database or disk is full", SQLITE_FULL, true);
        });
    });
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].icon, Icon::Critical);
    EXPECT_EQ(count("deshecho"), 0);

    // A question or input box under the lock would keep others waiting on
    // the user: refused, nothing stored, nothing asked.
    for (int kind = 0; kind < 2; ++kind) {
        EXPECT_THROW(store_result(*db, shown,
                                  [&] {
                                      db->execute("INSERT INTO ajena VALUES ('preguntado')");
                                      if (kind == 0) shown.question("¿Seguro?", "", Icon::Question, Answer::Yes);
                                      if (kind == 1) shown.input("Trama", "", "1");
                                  }),
                     std::logic_error);
        EXPECT_TRUE(other_can_write());
    }
    EXPECT_EQ(count("preguntado"), 0);
    EXPECT_TRUE(platform.questions.empty());
    EXPECT_TRUE(platform.asked.empty());
}

TEST_F(StorePhase, a_store_says_whether_it_was_declined_or_outlasted_by_the_lock_and_leaves_telling_to_its_caller) {
    db->set_busy_timeout(10);
    other->execute_script("BEGIN IMMEDIATE");
    platform.answers = {Answer::Yes, Answer::No};
    auto write = [&] { db->execute("INSERT INTO ajena VALUES ('x')"); };
    EXPECT_EQ(store_result(*db, bench->platform(), write), StoreOutcome::Declined);
    EXPECT_EQ(platform.questions.size(), 2u);
    // Every question answered Yes: five tries.
    platform.answers = {Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes, Answer::Yes};
    platform.questions.clear();
    EXPECT_EQ(store_result(*db, bench->platform(), write), StoreOutcome::Locked);
    EXPECT_EQ(platform.questions.size(), 4u);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_FALSE(store_or_tell(*db, bench->platform(), write));
    EXPECT_EQ(platform.messages.size(), 1u);
    other->execute_script("ROLLBACK");
    EXPECT_EQ(count("x"), 0);
    EXPECT_EQ(store_result(*db, bench->platform(), write), StoreOutcome::Stored);
    EXPECT_EQ(count("x"), 1);
}

}  // namespace
}  // namespace vorn::testing
