// Test support: a Platform with scripted answers that records what the
// program showed, and a workbench on a fresh database in its own temporary
// folder (schema only; each test writes the rows it relies on).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "shell/default_database.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/report_window.h"
#include "app/workbench.h"

namespace vorn::testing {

struct ShownMessage {
    std::string text, title;
    Icon icon;
};

struct AskedInput {
    std::string prompt, title, default_text;
};

class ScriptedPlatform : public Platform {
public:
    // Queued answers; an input box with nothing queued takes its default,
    // a question with nothing queued takes its default button.
    std::deque<std::optional<std::string>> inputs;
    std::deque<Answer> answers;
    std::vector<ShownMessage> messages;
    std::vector<AskedInput> asked;
    std::vector<std::string> questions;
    std::vector<std::vector<std::string>> printed;
    int beeps = 0;
    std::optional<int> ended;
    std::chrono::system_clock::time_point clock = std::chrono::system_clock::now();
    RandomStream stream{12345};
    // Called as a message or question is shown, for tests that look at the
    // world at that moment.
    std::function<void(const std::string&)> on_message;
    std::function<void(const std::string&)> on_question;
    std::function<void(const std::string&)> on_input;
    // Long runs begun, the depth now, and the depth at each message.
    int long_runs = 0;
    int long_run_depth = 0;
    std::vector<int> message_depths;
    std::vector<std::string> notes;
    void begin_long_run() override {
        ++long_runs;
        ++long_run_depth;
    }
    void end_long_run() override { --long_run_depth; }
    void note(std::string_view text) override {
        notes.emplace_back(text);
        message(text, "", Icon::None);
    }

    void message(std::string_view text, std::string_view title, Icon icon) override {
        messages.push_back({std::string(text), std::string(title), icon});
        message_depths.push_back(long_run_depth);
        if (on_message) on_message(std::string(text));
    }
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view default_text) override {
        asked.push_back({std::string(prompt), std::string(title), std::string(default_text)});
        if (on_input) on_input(std::string(prompt));
        if (inputs.empty()) return std::string(default_text);
        auto answer = inputs.front();
        inputs.pop_front();
        return answer;
    }
    Answer question(std::string_view text, std::string_view, Icon, Answer preferred) override {
        questions.emplace_back(text);
        if (on_question) on_question(std::string(text));
        if (answers.empty()) return preferred;
        Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void print_lines(const std::vector<std::string>& lines) override { printed.push_back(lines); }
    void print_form_image(const Form& form) override { printed.push_back({"image of " + form.name()}); }
    std::chrono::system_clock::time_point now() override { return clock; }
    double random() override { return stream.uniform(); }
    void reseed() override { stream.reseed(); }
    void beep() override { ++beeps; }
    void end_program(int code) override { ended = code; }
    // A user who asks for a stop while a handler runs: the poll numbered
    // stop_at_poll (1 = the first) and every later one see the request, as
    // does any request the front end made. stop_polls counts the polls.
    std::optional<int> stop_at_poll;
    int stop_polls = 0;
    bool stop_requested() override {
        ++stop_polls;
        if (stop_at_poll && stop_polls >= *stop_at_poll) return true;
        return Platform::stop_requested();
    }

    // Texts of the messages shown so far, in order.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : messages) out.push_back(m.text);
        return out;
    }
};

// A scratch folder removed at the end of the test.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() /
                ("vorn2-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// An SQLite file with the workbench's schema and no rows.
// A workbench database with no rows, as the program leaves it at open;
// without the later tables it is one an older workbench made.
inline std::unique_ptr<Database> make_empty_database(const std::filesystem::path& file, bool later = true) {
    auto db = std::make_unique<Database>(file.string());
    db->execute_script(embedded_schema());
    if (later) {
        for (std::string_view statement : later_tables()) db->execute_script(statement);
    }
    return db;
}

// Another program that writes to the database, without waiting, at every
// box or question this one shows: it must always succeed, as no box is ever
// open while this program holds the write lock.
class WriterAtEveryBox {
public:
    WriterAtEveryBox(const std::string& path, ScriptedPlatform& platform)
        : other_(path, Database::OpenMode::Existing) {
        other_.set_busy_timeout(0);
        other_.execute_script("CREATE TABLE ajena (x)");
        auto write = [this](const std::string&) {
            ++boxes_;
            other_.execute_script("INSERT INTO ajena VALUES (1)");
        };
        platform.on_message = write;
        platform.on_question = write;
    }
    int boxes() const { return boxes_; }
    long written() { return static_cast<long>(as_number(other_.query("SELECT count(*) FROM ajena").rows[0][0])); }

private:
    Database other_;
    int boxes_ = 0;
};

// A workbench on an empty database, files in the test's own folder, the
// decimal point as separator (tests of the comma set it themselves).
class WorkbenchTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator('.');
        db = make_empty_database(dir.path() / "ga7.mdb");
        bench = std::make_unique<Workbench>(*db, platform, dir.path());
    }
    void TearDown() override {
        bench.reset();
        db.reset();
        set_decimal_separator('.');
    }

    MainWindow& w() { return bench->main(); }
    ReportWindow& consultas() { return bench->reports().get(); }
    // Runs a control's handler as a user's click does.
    void click(Command& command) { command.click(); }
    // Inserts rows into BPN: {capa, fila, columna, valor} with a name.
    void add_bpn(int capa, int fila, int columna, double valor, const std::string& nombre = "") {
        db->execute_bound("INSERT INTO BPN (capa, fila, columna, valor, nombre) VALUES (?,?,?,?,?)",
                          {Value(std::int64_t{capa}), Value(std::int64_t{fila}), Value(std::int64_t{columna}),
                           Value(valor), Value(nombre)});
    }
    // Adds frame n with the given pattern values and (optionally) a target.
    void add_frame(int n, const std::vector<double>& values, std::optional<double> target,
                   const std::string& nombre = "") {
        for (size_t i = 0; i < values.size(); ++i) add_bpn(1, static_cast<int>(i) + 1, n, values[i], nombre);
        if (target) add_bpn(10, 1, n, *target, nombre);
    }
    // Three frames of two inputs for two hidden units whose error never
    // falls to a tiny bound: a training that runs to its pass limit.
    void add_long_training_set() {
        add_frame(1, {1, 0}, 0.9);
        add_frame(2, {0, 1}, 0.1);
        add_frame(3, {1, 1}, 0.5);
        reset_long_training_weights();
    }
    // The set's fixed starting weights, so runs can be compared.
    void reset_long_training_weights() {
        db->execute("DELETE FROM BPNPESOS");
        db->execute(
            "INSERT INTO BPNPESOS VALUES (1, 1, 1, 0.1), (1, 1, 2, 0.2), (1, 2, 1, 0.3), (1, 2, 2, 0.4), "
            "(2, 1, 1, 0.5), (2, 1, 2, -0.25)");
    }
    QueryResult rows(const std::string& sql) { return db->query(sql); }
    // Refreshes every data source, as after an external change.
    void refresh_all() { db->refresh_all_sources(); }

    TempDir dir;
    ScriptedPlatform platform;
    std::unique_ptr<Database> db;
    std::unique_ptr<Workbench> bench;
};

}  // namespace vorn::testing
