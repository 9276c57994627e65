// The experiments and their log, "BD4" with each line's curve, the experiment
// timer and its hand-off, the start-up copies and the "Red" fitness.
#include <algorithm>
#include <cmath>

#include "engine/error_curve.h"
#include "drivers/experiments.h"
#include "experiments_fixture.h"
#include "support/file_bytes.h"

namespace vorn {
namespace {

using ::testing::ElementsAre;
using testing::op_draw;
using testing::PipelineTest;
using testing::entries;
using testing::read_bytes;
using testing::write_bytes;

class ExperimentsTest : public PipelineTest {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        add_market("Mercap", 1, "ALUA 2019", {2, 1, 3, -1, 2, 4, -2, 1, 3, 2, -1, 2});
        two_stocks_on_set1();
    }
    drivers::Experiments& experiments() { return bench->experiments(); }
    long count_rows(const std::string& table) {
        return static_cast<long>(as_number(rows("SELECT count(*) FROM " + table).rows[0][0]));
    }
    long log_rows() { return count_rows("PasadasBPN"); }
    double logged_error(long row) {
        return as_number(rows("SELECT error FROM PasadasBPN WHERE rowid = " + std::to_string(row)).rows[0][0]);
    }
    void add_log(long numero, const Value& error, const std::string& tramas = "1=1") {
        db->execute_bound("INSERT INTO PasadasBPN VALUES (?, ?, 0.025, ?, 50, 0.5)",
                          {Value(std::int64_t{numero}), Value(tramas), error});
    }
};

TEST_F(ExperimentsTest, a_zero_code_builds_one_frame_from_frame_one_and_logs_its_error) {
    // Record 1, then operation 16 (Z) on frame 1: a = b = 1 although the
    // frame count is 0 while the first frame is built.
    drawn.draws = {0.0, op_draw(16)};
    w().Text6.set_text("0.01");
    // A log source left pointing elsewhere is pointed back at its table.
    w().pasadas().set_record_source("SELECT tramas, numero FROM PasadasBPN");
    w().pasadas().refresh();
    std::optional<double> error = experiments().experimento_codificado("000000000000");
    ASSERT_TRUE(error);
    EXPECT_THAT(drawn.texts(), ::testing::Contains("data4.Recordset.Fields(0).Name <> numero , sino tramas\r"
                                                  "data4.recordsource= SELECT tramas, numero FROM PasadasBPN"));
    EXPECT_EQ(w().pasadas().record_source(), "PasadasBPN");
    EXPECT_EQ(frames(), 1);
    EXPECT_EQ(name(1), "Z(1)");
    EXPECT_EQ(last_csv(), "ALUA 2018\rZ(1)\r\n");
    // "Info" set the fields the row records; the run trained on them.
    QueryResult log = rows("SELECT numero, tramas, errorminimo, error, nropasadas, velocidaddeaprendizaje FROM PasadasBPN");
    ASSERT_EQ(log.rows.size(), 1u);
    const auto& row = log.rows[0];
    EXPECT_EQ(as_text(row[1]), "1=1");
    EXPECT_EQ((std::vector<double>{as_number(row[0]), as_number(row[2]), as_number(row[3]), as_number(row[4]),
                                   as_number(row[5])}),
              (std::vector<double>{std::floor(to_local_time(drawn.clock).day_fraction() * 10000), 0.025, *error, 20,
                                   0.5}));
    EXPECT_EQ(w().Text1.text(), format_short(*error));
    // The weights are the trained ones for 11 inputs and 3 hidden units.
    EXPECT_EQ(count_rows("BPNPESOS"), 11 * 3 + 3);
}

TEST_F(ExperimentsTest, codes_set_frames_and_settings_and_lower_them_to_the_frame_count) {
    // 0011 frames, a = 0111 = 7, b = 0010 = 2, each lowered to the count.
    drawn.draws = {0.5, op_draw(16), op_draw(16), op_draw(16)};
    ASSERT_TRUE(experiments().experimento_codificado(" 001101110010 "));
    EXPECT_EQ(as_text(rows("SELECT tramas FROM PasadasBPN").rows[0][0]), "1=11=11=1");
    EXPECT_EQ(drivers::binario_a_decimal(" 1x1 "), 5);  // a character that is no digit counts 0
    EXPECT_EQ(drivers::binario_a_decimal(""), 0);
}

TEST_F(ExperimentsTest, a_random_experiment_shows_its_progress_and_logs_its_settings) {
    w().Text9.set_text("SI");
    // n = floor(0.3 * 8) = 2; then a, b from the frame count at each step.
    drawn.draws = {0.3, 0.9, 0.9, 0.0, op_draw(16), 0.5, 0.5, op_draw(16)};
    click(w().Command41);
    EXPECT_EQ(w().Command41.caption(), "2 de 2");
    EXPECT_EQ(w().Text9.text(), "NO");
    ASSERT_EQ(log_rows(), 1);
    EXPECT_EQ(as_text(rows("SELECT tramas FROM PasadasBPN").rows[0][0]), "1=1" "1=1");
}

TEST_F(ExperimentsTest, purge_drops_poor_rows_and_an_empty_log_still_runs_the_experiments) {
    long numero = 0;
    for (double error : {2.0, 0.0, 0.1, 0.3, 0.2}) add_log(++numero, Value(error));
    drawn.stop_at_poll = 1;
    click(w().Command45);
    // Above 1 and 0 go; then everything at or above the mean 0.2. The
    // stopped experiment logs nothing.
    QueryResult kept = rows("SELECT numero FROM PasadasBPN ORDER BY rowid");
    ASSERT_EQ(kept.rows.size(), 1u);
    EXPECT_EQ(as_number(kept.rows[0][0]), 3);
    EXPECT_EQ(w().Text12.text(), "1");

    // Nothing to average: the delete is skipped, not broken.
    db->execute("DELETE FROM PasadasBPN");
    add_log(6, Value());
    drawn.stop_at_poll = 0;
    drawn.messages.clear();
    drawn.message_depths.clear();
    std::vector<Progress> reported;
    bench->on_progress([&](const Progress& p) {
        if (p.text.rfind("Experimento ", 0) == 0) reported.push_back(p);
    });
    click(w().Command45);
    EXPECT_EQ(w().Text12.text(), "100");
    // The hundred are one long run, and say which experiment runs.
    ASSERT_EQ(reported.size(), 100U);
    EXPECT_EQ(reported[6].text, "Experimento 7 de 100");
    EXPECT_EQ(reported.back().done * 1000 + reported.back().total, 100100);
    EXPECT_EQ(drawn.long_run_depth, 0);
    for (int depth : drawn.message_depths) EXPECT_EQ(depth, 1);
    EXPECT_EQ(log_rows(), 101);
    for (const auto& m : drawn.messages) EXPECT_NE(m.icon, Icon::Critical) << m.text;
}

TEST_F(ExperimentsTest, bd4_lists_by_error_and_a_double_click_draws_that_curve) {
    add_log(1234, Value(0.123456), std::string(60, 'x'));
    add_log(99, Value(0.0001), "2=1");
    drawn.draws = {0.0, op_draw(16)};
    std::optional<double> error = experiments().experimento_codificado("000000000000");
    ASSERT_TRUE(error);
    click(w().Command42);
    const auto& lines = consultas().List1.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], " 99-\t .01%\t 50,\t 2.5%\t2=1");
    const int listed = static_cast<int>(std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
                                            return line.rfind(" 1234-", 0) == 0;
                                        }) - lines.begin());
    ASSERT_TRUE(listed == 1 || listed == 2);
    EXPECT_EQ(lines[static_cast<size_t>(listed)], " 1234-\t 12.34%\t 50,\t 2.5%\t" + std::string(50, 'x'));
    EXPECT_TRUE(consultas().List1.visible());
    EXPECT_EQ(w().pasadas().record_source(), "PasadasBPN");

    // The experiment's line draws its curve; a line without one clears it.
    const int experiment = 3 - listed;
    consultas().List1.activate(experiment);
    const auto& points = consultas().Curva.points();
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(points.front().x, 1);
    EXPECT_EQ(points.back().y, *error);
    consultas().List1.activate(listed);
    EXPECT_TRUE(consultas().Curva.points().empty());

    // Once the list shows another listing its lines draw nothing.
    consultas().List1.activate(experiment);
    click(w().Command2);
    consultas().List1.activate(listed);
    EXPECT_FALSE(consultas().Curva.points().empty());

    // A deleted log row takes its curve with it.
    db->execute("DELETE FROM PasadasBPN WHERE tramas = '1=1'");
    EXPECT_EQ(count_rows("PasadasBPNCurva"), 0);
}

// The column each tab-separated field starts at, tab stops every 8 columns.
std::vector<int> field_columns(const std::string& line) {
    std::vector<int> starts{0};
    int column = 0;
    for (unsigned char c : line) {
        if (c == '\t') {
            column += 8 - column % 8;
            starts.push_back(column);
        } else if ((c & 0xC0U) != 0x80U) {
            ++column;
        }
    }
    return starts;
}

TEST_F(ExperimentsTest, bd4_names_its_columns_above_the_list_and_no_other_listing_keeps_them) {
    EXPECT_FALSE(consultas().LabelEncabezado.visible());
    add_log(4321, Value(0.25), "3=2");
    add_log(77, Value(0.0123), "1=1");
    click(w().Command42);
    const std::string& heading = consultas().LabelEncabezado.caption();
    EXPECT_TRUE(consultas().LabelEncabezado.visible());
    // The heading is no line: line 1 is still the smallest error, and draws it.
    const auto& lines = consultas().List1.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind(" 77-", 0), 0u);
    // One title per column, each where its column starts once tabs are expanded.
    for (const std::string& line : lines) EXPECT_EQ(field_columns(heading), field_columns(line)) << heading << " / " << line;
    for (const char* title : {"Error", "Pasadas", "Tramas"}) EXPECT_NE(heading.find(title), std::string::npos);
    EXPECT_LT(heading.find("Error"), heading.find("Pasadas"));

    // Another listing, or a cleared list, shows no titles.
    click(w().Command2);
    EXPECT_EQ(consultas().LabelEncabezado.caption(), "");
    EXPECT_FALSE(consultas().LabelEncabezado.visible());
    click(w().Command42);
    consultas().clear();
    EXPECT_FALSE(consultas().LabelEncabezado.visible());
}

TEST_F(ExperimentsTest, a_curve_keeps_at_most_a_thousand_evenly_spaced_passes) {
    // Operation 19 leaves the index's raw levels, targets far above what a
    // sigmoid reaches: every one of the 2501 passes runs.
    add_merval(1, {10, 20, 30});
    add_merval(2, {5, 6, 7});
    w().Text7.set_text("2500");
    drawn.draws = {0.0, op_draw(19)};
    ASSERT_TRUE(experiments().experimento_codificado("000000000000"));
    QueryResult curve = rows("SELECT pasada FROM PasadasBPNCurva ORDER BY pasada");
    ASSERT_EQ(curve.rows.size(), 1000u);
    EXPECT_EQ(as_number(curve.rows.front()[0]), 1);
    EXPECT_EQ(as_number(curve.rows[1][0]), 4);
    EXPECT_EQ(as_number(curve.rows.back()[0]), 2501);
}

TEST_F(ExperimentsTest, the_timer_fills_its_fields_runs_the_code_and_hands_the_result_on) {
    std::vector<std::pair<std::string, std::string>> handed;
    experiments().set_ga_hand_off([&](const std::string& bits, const std::string& result) {
        handed.emplace_back(bits, result);
    });
    w().Text10.set_text("text10");
    ASSERT_TRUE(w().Timer1.armed());
    bench->fire(w().Timer1);
    EXPECT_EQ(w().Text10.text(), "101010110110");
    EXPECT_THAT(w().Combo1.items(), ElementsAre("Set1", "Set2", "Set3"));
    EXPECT_EQ(w().Text12.text(), "0");
    ASSERT_EQ(log_rows(), 1);
    EXPECT_EQ(w().Text11.text(), format_short(logged_error(1)));
    EXPECT_EQ(drawn.texts().back(), "El error de esta pasada es:" + w().Text11.text());
    EXPECT_EQ(handed, (std::vector<std::pair<std::string, std::string>>{{"101010110110", w().Text11.text()}}));
    EXPECT_FALSE(w().Timer1.armed());

    // Re-armed with another bit string (as "VORN" does): it runs again.
    w().Text10.set_text("000100010001");
    w().Timer1.set_interval(1);
    bench->fire(w().Timer1);
    EXPECT_THAT(w().Combo1.items(), ElementsAre("Set1", "Set2", "Set3", "Set1", "Set2", "Set3"));
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[1].first, "000100010001");
    EXPECT_EQ(log_rows(), 2);
}

TEST_F(ExperimentsTest, a_start_keeps_the_users_frames_and_weights_until_the_next_start_after_work) {
    add_frames({{0.1, 0.2}, {0.3, 0.4}}, {0.5, 0.6});
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.7), (2, 1, 1, 0.8)");
    refresh_all();
    // Rows in the copies of the frames and of the weights.
    auto copies = [&] { return std::make_pair(count_rows("bpnanterior"), count_rows("bpnpesosanterior")); };
    bench->fire(w().Timer1);
    EXPECT_EQ(copies(), std::make_pair(6L, 2L));
    EXPECT_EQ(as_number(rows("SELECT valor FROM bpnanterior ORDER BY rowid").rows[1][0]), 0.2);

    // A second start with no work between: the user's copy stays.
    auto restart = [&] {
        bench.reset();
        bench = std::make_unique<Workbench>(*db, drawn, dir.path());
        w().Combo1.set_text("Set1");
        bench->fire(w().Timer1);
    };
    restart();
    EXPECT_EQ(copies(), std::make_pair(6L, 2L));

    // Work between two starts (new frames): that work is what is kept.
    db->execute("DELETE FROM BPN");
    add_frame(1, {9, 9, 9}, 0.9);
    refresh_all();
    restart();
    // The weights were left as the last start left them: their copy stays.
    EXPECT_EQ(copies(), std::make_pair(4L, 2L));

    // Buttons never copy. "Test" runs its code and says the error.
    db->execute("DELETE FROM BPN");
    add_frame(1, {1, 1}, 0.1);
    refresh_all();
    const long logged = log_rows();
    click(w().Command44);
    EXPECT_EQ(copies().first, 4);
    EXPECT_EQ(w().Text10.text(), "101010110110");
    ASSERT_EQ(log_rows(), logged + 1);
    // 1010 = 10 frames, each a and b lowered to the count at that moment.
    EXPECT_EQ(as_text(rows("SELECT tramas FROM PasadasBPN ORDER BY rowid DESC").rows[0][0]).rfind("1=1", 0), 0u);
    EXPECT_EQ(drawn.texts().back(), "El error de esta pasada es:" + format_short(logged_error(logged + 1)));
}

TEST_F(ExperimentsTest, restoring_puts_back_what_the_start_replaced_only_when_told_yes) {
    auto tables = [&] {
        return as_text(rows("SELECT group_concat(capa || ',' || fila || ',' || columna || ',' || valor, ';') FROM "
                            "(SELECT * FROM BPN ORDER BY rowid)").rows[0][0]) + "|" +
               as_text(rows("SELECT group_concat(capa || ',' || fila || ',' || columna || ',' || valor, ';') FROM "
                            "(SELECT * FROM BPNPESOS ORDER BY rowid)").rows[0][0]);
    };
    // Nothing replaced yet: said so, nothing asked.
    click(w().restaurartramas);
    EXPECT_TRUE(drawn.questions.empty());
    EXPECT_EQ(drawn.texts().back().rfind("No hay tramas anteriores", 0), 0U);

    add_frames({{0.1, 0.2}, {0.3, 0.4}}, {0.5, 0.6});
    db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.7), (2, 1, 1, 0.8)");
    refresh_all();
    const std::string users = tables();
    bench->fire(w().Timer1);
    const std::string replaced = tables();
    ASSERT_NE(replaced, users);

    // The question's default is No: with no answer given nothing changes.
    click(w().restaurartramas);
    ASSERT_EQ(drawn.questions.size(), 1U);
    EXPECT_NE(drawn.questions[0].find("6 filas de tramas y 2 pesos"), std::string::npos);
    EXPECT_EQ(tables(), replaced);
    drawn.answers = {Answer::Yes};
    click(w().restaurartramas);
    EXPECT_EQ(tables(), users);
    EXPECT_EQ(drawn.texts().back(), "Se restauraron 6 filas de tramas y 2 pesos.");
    EXPECT_EQ(w().bpn().record_count(), 6);
}

TEST_F(ExperimentsTest, a_stopped_timer_never_runs_the_startup_experiment) {
    w().Timer1.set_interval(0);
    w().Text10.set_text("000000000000");
    w().Timer1.set_interval(1);
    add_frames({{0.1, 0.2}}, {0.5});
    bench->fire(w().Timer1);
    EXPECT_EQ(log_rows(), 1);
    EXPECT_EQ(count_rows("bpnanterior"), 0);
}

TEST_F(ExperimentsTest, red_fitness_runs_each_distinct_code_once_per_run) {
    drivers::RedFitness& red = bench->red_fitness();
    const double first = red("0001000100011"), again = red("000100010001001"), other = red("000000000000");
    ASSERT_EQ(log_rows(), 2);
    EXPECT_EQ(first, again);
    QueryResult logged = rows("SELECT error FROM PasadasBPN ORDER BY rowid");
    EXPECT_DOUBLE_EQ(first, 1 / (as_number(logged.rows[0][0]) + 0.001));
    EXPECT_DOUBLE_EQ(other, 1 / (as_number(logged.rows[1][0]) + 0.001));

    auto said_short = [&] {
        long said = 0;
        for (const std::string& text : drawn.texts()) said += text.find("12 bits") != std::string::npos;
        return said;
    };
    EXPECT_EQ(red("0101"), 0);
    EXPECT_EQ(red("01"), 0);
    EXPECT_EQ(said_short(), 1);
    EXPECT_EQ(drivers::RedFitness::describir("0101010101011111"), "Red=010101010101");

    // A new run evaluates again and may say again.
    red.reset();
    red("000000000000");
    EXPECT_EQ(log_rows(), 3);
    red("0");
    EXPECT_EQ(said_short(), 2);
}


// What a user has before an experiment runs: frames, weights, one log row
// and both files; and whether all of it is still exactly there.
class ExperimentUnitTest : public ExperimentsTest {
protected:
    void SetUp() override {
        ExperimentsTest::SetUp();
        add_frames({{0.25, 0.5}, {0.75, 0.125}}, {0.1, 0.9});
        db->execute("INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.7), (2, 1, 1, 0.8)");
        add_log(42, Value(0.5));
        refresh_all();
        write_bytes(dir.path() / "test.csv", "viejo");
        write_bytes(dir.path() / "last.csv", "viejo");
        before_ = snapshot();
    }
    std::vector<std::vector<Value>> snapshot() {
        std::vector<std::vector<Value>> all;
        for (const char* t : {"BPN", "BPNPESOS", "PasadasBPN", "PasadasBPNCurva", "bpnanterior", "SumasArranque"}) {
            for (auto& row : rows(std::string("SELECT * FROM ") + t + " ORDER BY rowid").rows) all.push_back(row);
            all.push_back({Value(std::string(t))});
        }
        return all;
    }
    void expect_all_as_before() {
        EXPECT_EQ(snapshot(), before_);
        EXPECT_EQ(read_bytes(dir.path() / "test.csv"), "viejo");
        EXPECT_EQ(read_bytes(dir.path() / "last.csv"), "viejo");
        for (const auto& name : entries(dir.path())) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
        // The stored tables are the ones read again.
        EXPECT_FALSE(db->query("SELECT name FROM sqlite_temp_master WHERE type = 'table'").rows.size());
    }
    std::vector<std::vector<Value>> before_;
};

TEST_F(ExperimentUnitTest, a_stop_abandons_the_experiment_whole_at_the_next_pass_however_many_passes_it_may_make) {
    w().Text7.set_text("1000000000");
    w().Text6.set_text("0.0000000001");
    drawn.draws = {0.0, op_draw(16)};
    // The frames are built, then about thirty passes train before the stop.
    drawn.stop_at_poll = 33;
    bench->run([&] { EXPECT_FALSE(experiments().experimento_codificado("000000000000")); });
    // Training ended at the pass that first saw the stop: one more look
    // afterwards, no more passes.
    EXPECT_LE(drawn.polls, 34);
    EXPECT_EQ(drawn.texts().back(), "Experimento detenido: no se guardo");
    expect_all_as_before();

    // A stop while the frames are built ends it there; the hundred end too.
    drawn.polls = 0;
    drawn.stop_at_poll = 1;
    drawn.messages.clear();
    click(w().Command45);
    EXPECT_EQ(w().Text12.text(), "1");
    EXPECT_EQ(drawn.texts(), std::vector<std::string>{"Experimento detenido: no se guardo"});
    EXPECT_EQ(log_rows(), 0);  // the purge ran; no experiment was logged

    // A stopped start-up experiment hands nothing to the genetic search
    // and copies nothing aside.
    int handed = 0;
    experiments().set_ga_hand_off([&](const std::string&, const std::string&) { ++handed; });
    drawn.polls = 0;
    bench->fire(w().Timer1);
    EXPECT_EQ(handed, 0);
    EXPECT_EQ(w().Text11.text(), "0");
    EXPECT_EQ(count_rows("bpnanterior"), 0);
}

TEST_F(ExperimentUnitTest, a_failed_or_declined_store_leaves_every_table_and_file_as_before) {
    struct Case {
        const char* name;
        std::function<void()> arrange, undo;
    };
    std::unique_ptr<Database> other;
    const std::vector<Case> cases = {
        // The log row fails after the frames and weights were written in
        // the same store: all of it rolls back.
        {"failing write",
         [&] {
             db->execute_script("CREATE TRIGGER falla BEFORE INSERT ON PasadasBPN "
                                "BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END");
         },
         [&] { db->execute_script("DROP TRIGGER falla"); }},
        // Another program holds the write lock the whole time; the user
        // declines to retry.
        {"declined lock",
         [&] {
             other = std::make_unique<Database>(db->path(), Database::OpenMode::Existing);
             other->execute_script("BEGIN IMMEDIATE");
             db->set_busy_timeout(20);
             drawn.answers = {Answer::No};
         },
         [&] {
             other.reset();
             db->set_busy_timeout(2000);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        drawn.draws = {0.0, op_draw(16)};
        drawn.messages.clear();
        drawn.questions.clear();
        bench->run([&] { EXPECT_FALSE(experiments().experimento_codificado("000000000000")); });
        c.undo();
        // Only the store at the end needed the lock: one question.
        if (std::string(c.name) == "declined lock") {
            EXPECT_EQ(drawn.questions.size(), 1u);
        }
        EXPECT_FALSE(drawn.messages.empty());
        expect_all_as_before();
    }
    // Stored, both files follow.
    drawn.draws = {0.0, op_draw(16)};
    ASSERT_TRUE(experiments().experimento_codificado("000000000000"));
    EXPECT_EQ(log_rows(), 2);
    EXPECT_EQ(last_csv(), "ALUA 2018\rZ(1)\r\n");
    EXPECT_NE(read_bytes(dir.path() / "test.csv"), "viejo");
}

TEST_F(ExperimentUnitTest, another_program_can_write_at_every_dialog_of_a_long_run) {
    testing::WriterAtEveryBox other(db->path(), drawn);
    // Warnings on: the pipeline, the weights and the training speak.
    w().Text9.set_text("SI");
    drawn.draws = {0.0, op_draw(16)};
    bench->run([&] { experiments().experimento_codificado("000000000000"); });
    w().Text9.set_text("NO");
    drawn.draws = {};
    drawn.stop_at_poll = 40;
    click(w().Command45);
    EXPECT_GE(other.boxes(), 5);
    EXPECT_EQ(other.written(), other.boxes());
}

TEST(ThinnedHistory, keeps_every_pass_of_a_short_run_and_an_even_bounded_sample_of_a_long_one) {
    for (long long passes : {1LL, 2LL, 999LL, 1000LL, 2501LL, 4095LL, 4096LL, 100000LL, 3000001LL}) {
        SCOPED_TRACE(passes);
        engine::ThinnedHistory history;
        // Each pass's error names the pass, so a point shows where it came from.
        for (long long p = 1; p <= passes; ++p) history.add(static_cast<double>(p) + 0.5);
        const auto points = history.points(1000);
        ASSERT_EQ(points.size(), static_cast<size_t>(std::min(passes, 1000LL)));
        EXPECT_EQ(points.front().first, 1);
        EXPECT_EQ(points.back().first, passes);
        const double spacing = points.size() > 1 ? static_cast<double>(passes - 1) / static_cast<double>(points.size() - 1) : 0;
        for (size_t k = 0; k < points.size(); ++k) {
            EXPECT_EQ(points[k].second, static_cast<double>(points[k].first) + 0.5);
            if (k > 0) {
                EXPECT_GT(points[k].first, points[k - 1].first);
            }
            // Where every pass is kept, exactly the even grid.
            const double ideal = static_cast<double>(k) * spacing + 1;
            if (passes < 4096) {
                EXPECT_EQ(points[k].first, std::llround(ideal));
            } else {
                EXPECT_LE(std::fabs(static_cast<double>(points[k].first) - ideal), spacing / 2 + 1);
            }
        }
    }
}

}  // namespace
}  // namespace vorn
