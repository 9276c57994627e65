// The batch driver, through run_script and BatchSession (sessions let a
// test give a hidden button a handler of its own before the script runs),
// and the vorn2 program itself run as a user runs it.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "batch/command_line.h"
#include "batch/script_driver.h"
#include "support/workbench_fixture.h"

namespace vorn::batch {
namespace {

using vorn::testing::TempDir;

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Outcome {
    int code = 0;
    std::vector<std::string> events;
    std::string err;
};

// run_script on ga7.mdb in the test's folder, created on first start.
Outcome run_in(const TempDir& dir, const std::string& script, bool no_startup = true,
               OutputFormat format = OutputFormat::Json) {
    BatchOptions options;
    options.db = dir.path() / "ga7.mdb";
    options.files_dir = dir.path();
    options.format = format;
    options.no_startup = no_startup;
    std::istringstream in(script);
    std::ostringstream out, err;
    Outcome outcome;
    outcome.code = run_script(in, out, err, options);
    outcome.events = lines_of(out.str());
    outcome.err = err.str();
    return outcome;
}

// A session on an empty database whose workbench a test can reach first.
class BatchSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator('.');
        db = vorn::testing::make_empty_database(dir.path() / "ga7.mdb");
    }
    BatchSession& open(BatchOptions options = {}) {
        options.files_dir = dir.path();
        if (!options.seed) options.seed = 1;
        session.reset();
        session = std::make_unique<BatchSession>(*db, out, options);
        return *session;
    }
    BatchSession& open_json(bool no_startup = true) {
        BatchOptions options;
        options.format = OutputFormat::Json;
        options.no_startup = no_startup;
        return open(options);
    }
    MainWindow& w() { return session->workbench().main(); }
    int run(const std::string& script) {
        std::istringstream in(script);
        return session->run(in);
    }
    std::vector<std::string> events() const { return lines_of(out.str()); }

    TempDir dir;
    std::unique_ptr<Database> db;
    std::ostringstream out;
    std::unique_ptr<BatchSession> session;
};

TEST(BatchDriver, texts_are_taken_verbatim_or_unquoted_with_escapes) {
    TempDir dir;
    Outcome run = run_in(dir,
                         "set vorn2.Text1 \"a\\\"b\\\\c\\rd\\ne\\tf\"\n"
                         "get vorn2.Text1\n"
                         "set vorn2.Text2  8\n"
                         "get vorn2.Text2\n"
                         "set vorn2.Text4 say \"hi\" \r\n"
                         "get vorn2.Text4\n"
                         "set VORN2.combo1 Set2\n"
                         "get vorn2.Combo1\n"
                         "set vorn2.Text6\n"
                         "get vorn2.Text6\n"
                         "set vorn2.Text7 \"unterminated\n"
                         "set vorn2.Text7 \"bad \\q escape\"\n"
                         "set vorn2.Text7 \"closed\" trailing\n"
                         "   # an indented comment\n"
                         "\n"
                         "get vorn2.Text7\n");
    std::vector<std::string> expected = {
        R"({"event":"value","control":"vorn2.Text1","text":"a\"b\\c\rd\ne\tf"})",
        R"({"event":"value","control":"vorn2.Text2","text":" 8"})",
        R"({"event":"value","control":"vorn2.Text4","text":"say \"hi\" "})",
        R"({"event":"value","control":"vorn2.Combo1","text":"Set2"})",
        R"({"event":"value","control":"vorn2.Text6","text":""})",
        R"({"event":"error","line":11,"text":"malformed quoting: missing closing quote"})",
        R"({"event":"error","line":12,"text":"malformed quoting: unknown escape \\q"})",
        R"({"event":"error","line":13,"text":"malformed quoting: text after the closing quote"})",
        R"({"event":"value","control":"vorn2.Text7","text":"Text7"})",
    };
    EXPECT_EQ(run.events, expected);
    EXPECT_EQ(run.code, 2);
}

TEST(BatchDriver, script_errors_name_their_line_and_the_script_goes_on) {
    TempDir dir;
    Outcome run = run_in(dir,
                         "frob vorn2.Text1\n"
                         "get Text1\n"
                         "get vorn9.Text1\n"
                         "get vorn2.Text99\n"
                         "set vorn2.Command5 x\n"
                         "click vorn2.Text3\n"
                         "dump BPN; DROP TABLE BPN\n"
                         "dump nosuch\n"
                         "sql INSERT INTO nosuch VALUES (1)\n"
                         "reply maybe\n"
                         "list extra\n"
                         "get vorn2.Text5\n"
                         "dump BPNTargets\n");
    ASSERT_EQ(run.events.size(), 14u);
    std::vector<std::string> expected = {
        R"({"event":"error","line":1,"text":"unknown command: frob"})",
        R"({"event":"error","line":2,"text":"get needs FORM.CONTROL"})",
        R"({"event":"error","line":3,"text":"no such form: vorn9"})",
        R"({"event":"error","line":4,"text":"no such control: vorn2.Text99"})",
        R"({"event":"error","line":5,"text":"cannot set vorn2.Command5: not a text field or combo box"})",
        R"({"event":"error","line":6,"text":"cannot click vorn2.Text3: not a button, menu item or timer"})",
        R"({"event":"error","line":7,"text":"no such table: BPN; DROP TABLE BPN"})",
        R"({"event":"error","line":8,"text":"no such table: nosuch"})",
    };
    EXPECT_EQ(std::vector<std::string>(run.events.begin(), run.events.begin() + 8), expected);
    EXPECT_NE(run.events[8].find(R"("line":9,"text":"no such table: nosuch)"), std::string::npos) << run.events[8];
    EXPECT_EQ(run.events[9], R"({"event":"error","line":10,"text":"reply needs yes, no or cancel"})");
    EXPECT_EQ(run.events[10], R"({"event":"error","line":11,"text":"list takes nothing after it"})");
    EXPECT_EQ(run.events[11], R"({"event":"value","control":"vorn2.Text5","text":"6"})");
    // The first start created the sample tables; the dump's name was never run.
    EXPECT_EQ(run.events[12],
              R"({"event":"row","table":"BPNTargets","values":{"valor":0.1,"nombre":"BPN TARGET 1"}})");
    EXPECT_EQ(run.events[13],
              R"({"event":"row","table":"BPNTargets","values":{"valor":0.9,"nombre":"BPN TARGET 2"}})");
    EXPECT_EQ(run.code, 2);
    EXPECT_FALSE(run_in(dir, "dump bpn\n").events.empty());
}

TEST(BatchDriver, salir_ends_the_script_with_the_programs_code_and_keeps_what_was_written) {
    struct Case {
        const char* click;
        const char* before;
        int code;
    };
    for (const Case& c : {Case{"click vorn2.Command5", "", 0}, Case{"click VORN2.Salida", "", 0},
                          Case{"click vorn2.salida", "get vorn2.nothing\n", 2}}) {
        SCOPED_TRACE(c.click);
        TempDir dir;
        Outcome run = run_in(dir, std::string(c.before) +
                                      "sql delete bpntargets.* from bpntargets where valor > 0.5\n" + c.click +
                                      "\nset vorn2.Text2 despues\nget vorn2.Text2\n");
        ASSERT_FALSE(run.events.empty());
        EXPECT_EQ(run.events.back(), R"({"event":"exit","code":0})");
        EXPECT_EQ(run.events.size(), c.code == 2 ? 2u : 1u);
        EXPECT_EQ(run.code, c.code);
        Database reopened((dir.path() / "ga7.mdb").string());
        EXPECT_EQ(reopened.query("select * from BPNTargets").rows.size(), 1u);
    }
}

TEST(BatchDriver, text_format_puts_each_event_on_one_readable_line) {
    TempDir dir;
    Outcome run = run_in(dir, "set vorn2.Text1 \"x\\ry\"\nget vorn2.Text1\nget vorn2.Text0\n"
                              "sql insert into BPNTargets values (NULL, 'a\tb')\ndump BPNTargets\nlist\n",
                         true, OutputFormat::Text);
    std::vector<std::string> expected = {
        R"(value vorn2.Text1 "x\ry")",
        R"(error line 3: "no such control: vorn2.Text0")",
        R"(row BPNTargets valor=0.1 nombre="BPN TARGET 1")",
        R"(row BPNTargets valor=0.9 nombre="BPN TARGET 2")",
        R"(row BPNTargets valor=null nombre="a\tb")",
        "list 0",
    };
    EXPECT_EQ(run.events, expected);
}

TEST(BatchDriver, a_database_that_cannot_be_used_is_refused_before_the_script) {
    TempDir dir;
    std::ofstream(dir.path() / "ga7.mdb") << "no soy una base de datos";
    Outcome run = run_in(dir, "get vorn2.Text5\n");
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.events.empty());
    EXPECT_FALSE(run.err.empty());
}

TEST_F(BatchSessionTest, dialogs_take_queued_answers_or_their_defaults) {
    open_json();
    std::vector<std::optional<std::string>> inputs;
    std::vector<Answer> replies;
    ASSERT_FALSE(w().Command12.visible());
    w().Command12.set_handler([&] {
        Platform& p = session->platform();
        p.message("Habia:120\rQuedan:96", "", Icon::None);
        inputs.push_back(p.input("Trama1 a Sumar", "Sumar Tramas", "1"));
        replies.push_back(p.question("Pasada= 20 Termino?", "Atencion!!!", Icon::Question));
    });
    int code = run("answer 2\nreply no\nclick vorn2.Command12\n"
                   "click vorn2.Command12\n"
                   "answer\nanswer \"\"\nreply cancel\nclick vorn2.command12\nclick vorn2.Command12\n");
    EXPECT_EQ(code, 0);
    std::vector<std::optional<std::string>> expected_inputs = {"2", "1", std::nullopt, ""};
    EXPECT_EQ(inputs, expected_inputs);
    EXPECT_EQ(replies, (std::vector<Answer>{Answer::No, Answer::Yes, Answer::Cancel, Answer::Yes}));
    std::vector<std::string> e = events();
    ASSERT_EQ(e.size(), 12u);
    EXPECT_EQ(e[0], R"({"event":"message","title":"","icon":"none","text":"Habia:120\rQuedan:96"})");
    EXPECT_EQ(e[1], R"({"event":"input","title":"Sumar Tramas","prompt":"Trama1 a Sumar","default":"1","answer":"2"})");
    EXPECT_EQ(e[2], R"({"event":"question","title":"Atencion!!!","text":"Pasada= 20 Termino?","answer":"no"})");
    EXPECT_EQ(e[4], R"({"event":"input","title":"Sumar Tramas","prompt":"Trama1 a Sumar","default":"1",)"
                    R"("answer":"1","defaulted":true})");
    EXPECT_EQ(e[5], R"({"event":"question","title":"Atencion!!!","text":"Pasada= 20 Termino?","answer":"yes",)"
                    R"("defaulted":true})");
    EXPECT_NE(e[7].find(R"("answer":null})"), std::string::npos) << e[7];
    EXPECT_NE(e[8].find(R"("answer":"cancel"})"), std::string::npos) << e[8];
    EXPECT_NE(e[10].find(R"("answer":""})"), std::string::npos) << e[10];
}

TEST_F(BatchSessionTest, json_stays_valid_for_control_characters_and_broken_utf8) {
    open_json();
    w().Command12.set_handler(
        [&] { session->platform().message("a\x01" "b\xff" "c \xc3\xb1 \xe2\x82", "T\"\\", Icon::Critical); });
    run("click vorn2.Command12\n");
    ASSERT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0],
              "{\"event\":\"message\",\"title\":\"T\\\"\\\\\",\"icon\":\"critical\","
              "\"text\":\"a\\u0001b\\ufffdc \xc3\xb1 \\ufffd\\ufffd\"}");
}

TEST_F(BatchSessionTest, report_list_and_its_printed_image) {
    open_json();
    w().Command12.set_handler([&] {
        ReportWindow& c = session->workbench().reports().get();
        c.add_line("Pasada\t1");
        c.add_line("x\ry");
    });
    run("list\nclick vorn2.Command12\nlist\nclick consultas.GroupPush3D2\n");
    std::vector<std::string> expected = {
        R"({"event":"list","lines":[]})",
        R"({"event":"list","lines":["Pasada\t1","x\ry"]})",
        R"({"event":"print","lines":["Pasada\t1","x\ry"]})",
    };
    EXPECT_EQ(events(), expected);
}

TEST_F(BatchSessionTest, listing_an_unopened_report_window_does_not_open_it) {
    open_json();
    run("list\n");
    EXPECT_FALSE(session->workbench().reports().exists());
}

TEST_F(BatchSessionTest, apl_twice_leaves_the_frame_as_it_was) {
    open_json();
    bool before = w().Frame3D1.visible();
    run("click vorn2.Command37\n");
    EXPECT_NE(w().Frame3D1.visible(), before);
    run("click vorn2.Command37\n");
    EXPECT_EQ(w().Frame3D1.visible(), before);
}

TEST_F(BatchSessionTest, startup_timer_fires_once_before_the_first_line_unless_told_not_to) {
    for (bool no_startup : {false, true}) {
        SCOPED_TRACE(no_startup);
        out.str("");
        open_json(no_startup);
        int fired = 0;
        w().Timer1.set_handler([&] {
            w().Text1.set_text("fired " + std::to_string(++fired));
            w().Timer1.set_interval(0);
        });
        run("get vorn2.Text1\nget vorn2.Timer1\n");
        std::string text = no_startup ? "Text1" : "fired 1";
        EXPECT_EQ(events(), (std::vector<std::string>{
                                R"({"event":"value","control":"vorn2.Text1","text":")" + text + "\"}",
                                R"({"event":"value","control":"vorn2.Timer1","text":"0"})"}));
        EXPECT_EQ(fired, no_startup ? 0 : 1);
    }
}

TEST_F(BatchSessionTest, timers_armed_by_a_line_fire_before_the_next_one) {
    open_json();
    w().Timer1.set_handler([&] {
        w().Text1.set_text(w().Text1.text() + "+");
        w().Timer1.set_interval(0);
    });
    w().Command12.set_handler([&] { w().Timer1.set_interval(1); });
    w().Command1.set_handler([&] { w().Timer1.set_interval(1); });  // and never stops
    int code = run("click vorn2.Command12\nget vorn2.Text1\n");
    EXPECT_EQ(code, 0);
    EXPECT_EQ(events().back(), R"({"event":"value","control":"vorn2.Text1","text":"Text1+"})");

    w().Timer1.set_handler([] {});  // a timer that never stops itself
    code = run("click vorn2.Command1\nget vorn2.Text1\n");
    std::vector<std::string> e = events();
    ASSERT_GE(e.size(), 2u);
    EXPECT_EQ(e[e.size() - 2], R"({"event":"error","line":1,"text":)"
                               R"("timers still armed after 10000 firings; stopped: vorn2.Timer1"})");
    EXPECT_EQ(e.back(), R"({"event":"value","control":"vorn2.Text1","text":"Text1+"})");
    EXPECT_FALSE(w().Timer1.armed());
    EXPECT_EQ(code, 2);
}

TEST_F(BatchSessionTest, a_timer_that_ends_the_program_ends_the_run_with_its_code) {
    open_json(false);
    w().Timer1.set_handler([] { throw EndProgram{3}; });
    EXPECT_EQ(run("get vorn2.Text1\n"), 3);
    EXPECT_EQ(events(), std::vector<std::string>{R"({"event":"exit","code":3})"});
}

TEST_F(BatchSessionTest, sql_commits_and_every_data_source_sees_the_change) {
    open_json();
    w().bpn().refresh();
    ASSERT_TRUE(w().bpn().eof());
    int code = run(
        "sql insert into BPN (capa, fila, columna, valor, nombre) values (1, 1, 1, 0.5, 'uno')\n"
        "sql insert into BPN values (10, 1, 1, NULL, 'dos')\n"
        "sql insert into BPN values (1, 2, 1, 1.0, NULL)\n"
        "sql insert into BPN values (1, 3, 1, 'nope'\n"
        "sql delete bpn.* from bpn where valor = null\n"
        "dump bpn\n");
    std::vector<std::string> e = events();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_NE(e[0].find(R"({"event":"error","line":4,"text":)"), std::string::npos) << e[0];
    EXPECT_EQ(e[1], R"({"event":"row","table":"BPN","values":{"capa":1,"fila":1,"columna":1,"valor":0.5,"nombre":"uno"}})");
    EXPECT_EQ(e[2], R"({"event":"row","table":"BPN","values":{"capa":1,"fila":2,"columna":1,"valor":1,"nombre":null}})");
    EXPECT_EQ(code, 2);
    EXPECT_FALSE(db->in_transaction());
    // No refresh by the test: the sql command left the cursor on the new rows.
    EXPECT_FALSE(w().bpn().eof());
    EXPECT_EQ(as_text(w().bpn().field("nombre")), "uno");
}

TEST_F(BatchSessionTest, the_same_seed_draws_the_same_numbers) {
    auto draws = [&](std::uint64_t seed) {
        out.str("");
        BatchOptions options;
        options.seed = seed;
        open(options);
        w().Command12.set_handler([&] {
            Platform& p = session->platform();
            std::string text = format_sql(p.random()) + " " + format_sql(p.random());
            p.reseed();
            w().Text1.set_text(text + " " + format_sql(p.random()) + " " + format_sql(p.random()));
        });
        run("click vorn2.Command12\n");
        return w().Text1.text();
    };
    std::string first = draws(7);
    EXPECT_EQ(draws(7), first);
    EXPECT_NE(draws(8), first);
    std::istringstream numbers(first);
    double a, b, c, d;
    numbers >> a >> b >> c >> d;
    for (double x : {a, b, c, d}) EXPECT_TRUE(x >= 0 && x < 1) << x;
    EXPECT_NE(a, c);  // a reseed starts another stream
}

TEST(CommandLine, options_and_their_errors) {
    auto parse = [](std::vector<std::string> args) { return parse_command_line(args); };
    CommandLineResult ok = parse({"--db", "x.mdb", "--seed=42", "--script", "-", "--format", "json", "--no-startup"});
    ASSERT_TRUE(ok.options);
    EXPECT_EQ(ok.options->db, "x.mdb");
    EXPECT_EQ(ok.options->seed, 42u);
    EXPECT_EQ(ok.options->script, "-");
    EXPECT_EQ(ok.options->format, OutputFormat::Json);
    EXPECT_TRUE(ok.options->no_startup);
    EXPECT_FALSE(parse({}).options->script);
    for (auto bad : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--seed", "-1"}, {"--seed", "12x"}, {"--seed"}, {"--format", "xml"},
             {"--db="}, {"--no-startup=1"}, {"extra"}, {"--seed", "18446744073709551616"}}) {
        CommandLineResult result = parse(bad);
        EXPECT_FALSE(result.options) << bad[0];
        EXPECT_FALSE(result.error.empty());
    }
}

#ifdef VORN2_BINARY
// Runs the vorn2 program in `dir` with a shell command line; gives its exit
// code, its standard output and error.
Outcome run_program(const TempDir& dir, const std::string& arguments, const std::string& stdin_text = "") {
    std::ofstream(dir.path() / "stdin.txt") << stdin_text;
    std::string command = "cd '" + dir.path().string() + "' && '" + VORN2_BINARY + "' " + arguments +
                          " < stdin.txt > stdout.txt 2> stderr.txt";
    int status = std::system(command.c_str());
    Outcome outcome;
    outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream out(dir.path() / "stdout.txt"), err(dir.path() / "stderr.txt");
    std::stringstream out_text, err_text;
    out_text << out.rdbuf();
    err_text << err.rdbuf();
    outcome.events = lines_of(out_text.str());
    outcome.err = err_text.str();
    return outcome;
}

TEST(Vorn2Program, runs_a_script_file_on_the_database_it_creates) {
    TempDir dir;
    std::ofstream(dir.path() / "guion.txt") << "get vorn2.Text5\r\ndump BPNTargets\r\nclick vorn2.salida\r\n"
                                               "get vorn2.Text5\r\n";
    Outcome run = run_program(dir, "--script guion.txt --format json --no-startup --seed 5");
    EXPECT_EQ(run.code, 0) << run.err;
    std::vector<std::string> expected = {
        R"({"event":"value","control":"vorn2.Text5","text":"6"})",
        R"({"event":"row","table":"BPNTargets","values":{"valor":0.1,"nombre":"BPN TARGET 1"}})",
        R"({"event":"row","table":"BPNTargets","values":{"valor":0.9,"nombre":"BPN TARGET 2"}})",
        R"({"event":"exit","code":0})",
    };
    EXPECT_EQ(run.events, expected);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "ga7.mdb"));

    // Standard input, text format, start-up timers firing first.
    run = run_program(dir, "--script -", "get vorn2.Timer1\nget vorn2.Text0\n");
    ASSERT_FALSE(run.events.empty());
    EXPECT_EQ(run.events[run.events.size() - 2], R"(value vorn2.Timer1 "0")");
    EXPECT_EQ(run.events.back(), R"(error line 2: "no such control: vorn2.Text0")");
    EXPECT_EQ(run.code, 2);
}

TEST(Vorn2Program, refuses_what_it_cannot_run) {
    TempDir dir;
    std::ofstream(dir.path() / "ga7.mdb") << "no soy una base de datos";
    std::ofstream(dir.path() / "guion.txt") << "get vorn2.Text5\n";
    Outcome refused = run_program(dir, "--script guion.txt");
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.events.empty());
    EXPECT_FALSE(refused.err.empty());
    std::ifstream kept(dir.path() / "ga7.mdb");
    std::string content;
    std::getline(kept, content);
    EXPECT_EQ(content, "no soy una base de datos");

    Outcome missing = run_program(dir, "--script no-existe.txt");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("no-existe.txt"), std::string::npos);

    for (const char* bad : {"--bogus", "--format xml --script guion.txt", "--seed abc"}) {
        Outcome usage = run_program(dir, bad);
        EXPECT_EQ(usage.code, 2) << bad;
        EXPECT_NE(usage.err.find("Uso: vorn2"), std::string::npos) << bad;
    }
    Outcome help = run_program(dir, "--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_FALSE(help.events.empty());
}
#endif

}  // namespace
}  // namespace vorn::batch
