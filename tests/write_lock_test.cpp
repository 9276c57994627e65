// Handlers that write and another program's write lock: they wait for it as
// the store phase does, at their start and again after a dialog, before
// they ask or give up; a handler the user stops does nothing more; no dialog
// is ever open while this program holds the lock; reading handlers never
// wait for it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* kRetry = "La base de datos esta bloqueada por otro programa. \xC2\xBFReintentar?";

class WriteLock : public WorkbenchTest {
protected:
    void SetUp() override {
        WorkbenchTest::SetUp();
        add_frame(1, {0.25, 0.5}, 0.9);
        other = std::make_unique<Database>((dir.path() / "ga7.mdb").string(), Database::OpenMode::Existing);
        platform.on_message = platform.on_question = [this](const std::string& text) {
            EXPECT_FALSE(db->holds_write_lock()) << text;
        };
    }
    // "2Data" saving BPN as table `name`, the other program taking the write lock before the click or at
    // the input box, and letting go after `held` (0: when the click is over).
    void save_as(const std::string& name, bool lock_at_dialog, std::chrono::milliseconds held = 0ms) {
        std::thread releaser;
        auto lock = [&] {
            EXPECT_FALSE(db->holds_write_lock());
            other->execute_script("BEGIN IMMEDIATE");
            if (held > 0ms) releaser = std::thread([this, held] {
                std::this_thread::sleep_for(held);
                other->execute_script("COMMIT");
            });
        };
        platform.inputs = {name};
        platform.on_input = [&](const std::string&) {
            if (lock_at_dialog) lock();
        };
        if (!lock_at_dialog) lock();
        click(w().Command17);
        platform.on_input = nullptr;
        if (releaser.joinable()) releaser.join();
        if (other->in_transaction()) other->execute_script("COMMIT");
    }
    long count(const std::string& table) {
        return static_cast<long>(as_number(rows("SELECT count(*) FROM " + table).rows.at(0).at(0)));
    }

    std::unique_ptr<Database> other;
};

TEST_F(WriteLock, a_writing_handler_waits_out_a_one_second_lock_at_its_start_and_after_its_dialog) {
    for (bool at_dialog : {false, true}) {
        SCOPED_TRACE(at_dialog ? "after its dialog" : "at its start");
        platform.messages.clear();
        const std::string name = at_dialog ? "despues" : "antes";
        const auto started = Clock::now();
        save_as(name, at_dialog, 1000ms);
        EXPECT_GE(Clock::now() - started, 800ms);
        EXPECT_TRUE(platform.questions.empty());
        ASSERT_EQ(platform.messages.size(), 1u) << platform.messages[0].text;
        EXPECT_NE(platform.messages[0].text.find("Al final quedan:"), std::string::npos) << platform.messages[0].text;
        ASSERT_TRUE(db->table_exists(name));
        EXPECT_EQ(count(name), count("BPN"));
    }
}

TEST_F(WriteLock, a_lock_that_outlasts_the_wait_asks_and_a_declined_or_still_locked_handler_writes_nothing) {
    db->set_busy_timeout(50);
    const std::string not_done =
        "La base de datos sigue bloqueada por otro programa: la operacion no se hizo. Las tablas quedan como estaban.";
    const std::string unfinished =
        "La base de datos sigue bloqueada por otro programa: la operacion no termino. Lo que ya se habia informado "
        "quedo guardado.";
    struct Case {
        bool at_dialog;
        std::deque<Answer> answers;  // empty: Yes every time
        size_t questions;
        std::vector<std::string> told;
    };
    for (const Case& c : std::vector<Case>{{false, {Answer::No}, 1, {}},
                                           {false, {Answer::Yes, Answer::Cancel}, 2, {}},
                                           {false, {}, 4, {not_done}},
                                           {true, {Answer::No}, 1, {}},
                                           {true, {}, 4, {unfinished}}}) {
        SCOPED_TRACE(std::string(c.at_dialog ? "after its dialog, " : "at its start, ") +
                     std::to_string(c.answers.size()) + " answers");
        platform.messages.clear();
        platform.questions.clear();
        platform.asked.clear();
        platform.answers = c.answers;
        save_as("copia", c.at_dialog);
        EXPECT_EQ(platform.questions, std::vector<std::string>(c.questions, kRetry));
        EXPECT_EQ(platform.texts(), c.told);
        // Stopped at its start, the handler did not even ask for the table's name.
        EXPECT_EQ(platform.asked.size(), c.at_dialog ? 1u : 0u);
        EXPECT_FALSE(db->table_exists("copia"));
    }
    // Once the other program has let go, the same click stores.
    platform.inputs = {std::string("copia")};
    click(w().Command17);
    EXPECT_TRUE(db->table_exists("copia"));
}

TEST_F(WriteLock, reading_handlers_do_not_wait_for_another_programs_lock) {
    other->execute_script("BEGIN IMMEDIATE");
    const auto started = Clock::now();
    click(w().Command2);
    EXPECT_LT(Clock::now() - started, 1000ms);
    EXPECT_TRUE(platform.questions.empty());
    EXPECT_TRUE(platform.messages.empty()) << platform.messages[0].text;
    EXPECT_EQ(consultas().List1.lines().size(), static_cast<size_t>(count("BPN")));
    other->execute_script("COMMIT");
}

}  // namespace
}  // namespace vorn::testing
