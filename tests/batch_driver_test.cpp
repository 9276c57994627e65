// The batch driver via run_script, via BatchSession (to give hidden buttons handlers), and as the vorn2 program.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include <gmock/gmock.h>

#include "batch/command_line.h"
#include "batch/script_driver.h"
#include "support/batch_run.h"
#include "support/file_bytes.h"
#include "support/workbench_fixture.h"

namespace vorn::batch {
namespace {

using vorn::testing::TempDir;
using vorn::testing::read_bytes;
using Lines = std::vector<std::string>;

Lines lines_of(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
// JSON events; `text` comes already escaped.
std::string value(const std::string& control, const std::string& text) {
    return R"({"event":"value","control":"vorn2.)" + control + R"(","text":")" + text + "\"}";
}
std::string error(int line, const std::string& text) {
    return R"({"event":"error","line":)" + std::to_string(line) + R"(,"text":")" + text + "\"}";
}

struct Outcome { int code = 0; Lines events; std::string err; };

// run_script on ga7.mdb in the test's folder, created with its samples on first start.
Outcome run_in(const TempDir& dir, const std::string& script) {
    std::istringstream in(script);
    std::ostringstream out, err;
    int code = vorn::testing::run_script_on(dir.path() / "ga7.mdb", dir.path(), in, out, err,
                                            {.seed = {}, .format = OutputFormat::Json, .no_startup = true});
    return {code, lines_of(out.str()), err.str()};
}

class BatchSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_decimal_separator('.');
        db = vorn::testing::make_empty_database(dir.path() / "ga7.mdb");
    }
    // A fresh JSON session on the empty database; earlier events are cleared.
    void open(bool no_startup = true, std::uint64_t seed = 1) {
        out.str("");
        session.reset();
        session = std::make_unique<BatchSession>(
            out, BatchOptions{.seed = seed, .format = OutputFormat::Json, .no_startup = no_startup},
            [this](Platform& platform) { return std::make_unique<Workbench>(*db, platform, dir.path()); });
    }
    MainWindow& w() { return session->session().main(); }
    int run(const std::string& script) {
        std::istringstream in(script);
        return session->run(in);
    }
    Lines events() const { return lines_of(out.str()); }

    TempDir dir;
    std::unique_ptr<Database> db;
    std::ostringstream out;
    std::unique_ptr<BatchSession> session;
};

TEST(BatchDriver, lines_are_parsed_one_by_one_and_errors_name_their_line) {
    TempDir dir;
    Outcome run = run_in(
        dir,
        "set vorn2.Text1 \"a\\\"b\\\\c\\rd\\ne\\tf\"\nget vorn2.Text1\nset vorn2.Text2  8\nget vorn2.Text2\n"
        "set vorn2.Text4 say \"hi\" \r\nget vorn2.Text4\nset VORN2.combo1 Set2\nget vorn2.Combo1\n"
        "set vorn2.Text6\nget vorn2.Text6\nset vorn2.Text7 \"unterminated\nset vorn2.Text7 \"bad \\q escape\"\n"
        "set vorn2.Text7 \"closed\" trailing\n   # an indented comment\n\nget vorn2.Text7\n"
        "frob vorn2.Text1\nget Text1\nget vorn9.Text1\nget vorn2.Text99\nset vorn2.Command5 x\nclick vorn2.Text3\n"
        "dump BPN; DROP TABLE BPN\ndump nosuch\nreply maybe\nlist extra\nget vorn2.Text5\ndump BPNTargets\n");
    Lines expected = {
        value("Text1", R"(a\"b\\c\rd\ne\tf)"), value("Text2", " 8"), value("Text4", R"(say \"hi\" )"),
        value("Combo1", "Set2"), value("Text6", ""), error(11, "comillas mal cerradas: falta la comilla de cierre"),
        error(12, R"(comillas mal cerradas: secuencia de escape desconocida \\q)"),
        error(13, "comillas mal cerradas: hay texto despues de la comilla de cierre"), value("Text7", "Text7"),
        error(17, "orden desconocida: frob"), error(18, "no existe la ventana: Text1"),
        error(19, "no existe la ventana: vorn9"), error(20, "no existe el control: vorn2.Text99"),
        error(21, "no se puede escribir en vorn2.Command5: no es un campo de texto ni una lista desplegable"),
        error(22, "no se puede pulsar vorn2.Text3: no es un boton, un elemento de menu ni un temporizador"),
        error(23, "no existe la tabla: BPN; DROP TABLE BPN"), error(24, "no existe la tabla: nosuch"),
        error(25, "reply necesita yes, no o cancel"), error(26, "list no lleva nada despues"), value("Text5", "6"),
        R"({"event":"row","table":"BPNTargets","values":{"valor":0.1,"nombre":"BPN TARGET 1"}})",
        R"({"event":"row","table":"BPNTargets","values":{"valor":0.9,"nombre":"BPN TARGET 2"}})",
    };
    EXPECT_EQ(run.events, expected);
    EXPECT_EQ(run.code, 2);
    // BPN survived line 23, and table names ignore case.
    EXPECT_FALSE(run_in(dir, "dump bpn\n").events.empty());
}

TEST(BatchDriver, salir_ends_the_script_with_the_programs_code_and_keeps_what_was_written) {
    for (auto [before, click, code] : std::vector<std::tuple<std::string, std::string, int>>{
             {"", "click vorn2.Command5", 0}, {"", "click VORN2.Salida", 0},
             {"get vorn2.nothing\n", "click vorn2.salida", 2}}) {
        SCOPED_TRACE(click);
        TempDir dir;
        Outcome run = run_in(dir, before + "sql delete bpntargets.* from bpntargets where valor > 0.5\n" + click +
                                      "\nset vorn2.Text2 despues\nget vorn2.Text2\n");
        ASSERT_EQ(run.events.size(), code == 2 ? 2u : 1u);
        EXPECT_EQ(run.events.back(), R"({"event":"exit","code":0})");
        EXPECT_EQ(run.code, code);
        EXPECT_EQ(Database((dir.path() / "ga7.mdb").string()).query("select * from BPNTargets").rows.size(), 1u);
    }
}

TEST_F(BatchSessionTest, dialogs_take_queued_answers_or_their_defaults_and_messages_stay_valid_json) {
    open();
    std::vector<std::optional<std::string>> inputs;
    std::vector<Answer> replies;
    ASSERT_FALSE(w().Command12.visible());
    w().Command12.set_handler([&] {
        Platform& p = session->platform();
        p.message("Habia:120\rQuedan:96", "", Icon::None);
        inputs.push_back(p.input("Trama1 a Sumar", "Sumar Tramas", "1"));
        replies.push_back(p.question("Pasada= 20 Termino?", "Atencion!!!", Icon::Question, Answer::Yes));
        replies.push_back(p.question("Restaurar?", "", Icon::Question, Answer::No));
    });
    w().Command1.set_handler(
        [&] { session->platform().message("a\x01" "b\xff" "c \xc3\xb1 \xe2\x82", "T\"\\", Icon::Critical); });
    EXPECT_EQ(run("answer 2\nreply no\nclick vorn2.Command12\nclick vorn2.Command12\nanswer\nanswer \"\"\n"
                  "reply cancel\nclick vorn2.command12\nclick vorn2.Command12\nclick vorn2.Command1\n"), 0);
    EXPECT_EQ(inputs, (std::vector<std::optional<std::string>>{"2", "1", std::nullopt, ""}));
    // A question with no reply queued takes its default button.
    EXPECT_EQ(replies, (std::vector<Answer>{Answer::No, Answer::No, Answer::Yes, Answer::No, Answer::Cancel, Answer::No,
                                            Answer::Yes, Answer::No}));
    const std::string msg = R"({"event":"message","title":"","icon":"none","text":"Habia:120\rQuedan:96"})";
    const std::string in = R"({"event":"input","title":"Sumar Tramas","prompt":"Trama1 a Sumar","default":"1",)";
    const std::string q = R"({"event":"question","title":"Atencion!!!","text":"Pasada= 20 Termino?",)";
    const std::string r = R"({"event":"question","title":"","text":"Restaurar?","answer":"no","defaulted":true})";
    EXPECT_EQ(events(), (Lines{msg, in + R"("answer":"2"})", q + R"("answer":"no"})", r,
                               msg, in + R"("answer":"1","defaulted":true})", q + R"("answer":"yes","defaulted":true})", r,
                               msg, in + R"("answer":null})", q + R"("answer":"cancel"})", r,
                               msg, in + R"("answer":""})", q + R"("answer":"yes","defaulted":true})", r,
                               "{\"event\":\"message\",\"title\":\"T\\\"\\\\\",\"icon\":\"critical\","
                               "\"text\":\"a\\u0001b\\ufffdc \xc3\xb1 \\ufffd\\ufffd\"}"}));
}

TEST_F(BatchSessionTest, list_leaves_the_report_window_unopened_and_print_sends_its_lines) {
    open();
    run("list\n");
    EXPECT_FALSE(session->session().reports().exists());
    w().Command12.set_handler(
        [&] { for (const char* line : {"Pasada\t1", "x\ry"}) session->session().reports().get().add_line(line); });
    run("click vorn2.Command12\nlist\nclick consultas.GroupPush3D2\n");
    EXPECT_EQ(events(), (Lines{R"({"event":"list","lines":[]})", R"({"event":"list","lines":["Pasada\t1","x\ry"]})",
                               R"({"event":"print","lines":["Pasada\t1","x\ry"]})"}));
}

TEST_F(BatchSessionTest, timers_fire_at_start_up_unless_told_not_to_and_after_every_line) {
    for (bool no_startup : {false, true}) {
        SCOPED_TRACE(no_startup);
        open(no_startup);
        w().Timer1.set_handler([&] {
            w().Text1.set_text(w().Text1.text() + "+");
            w().Timer1.set_interval(0);
        });
        run("get vorn2.Text1\nget vorn2.Timer1\n");
        EXPECT_EQ(events(), (Lines{value("Text1", no_startup ? "Text1" : "Text1+"), value("Timer1", "0")}));
    }
    // Armed by a click (no_startup still holds), it fires once before the next line.
    w().Command12.set_handler([&] { w().Timer1.set_interval(1); });
    EXPECT_EQ(run("click vorn2.Command12\nget vorn2.Text1\n"), 0);
    w().Timer1.set_handler([] {});  // never stops itself
    EXPECT_EQ(run("click vorn2.Command12\nget vorn2.Text1\n"), 2);
    EXPECT_EQ(events(), (Lines{value("Text1", "Text1"), value("Timer1", "0"), value("Text1", "Text1+"),
                               error(1, "temporizadores aun activos despues de 10000 disparos; se detuvieron: vorn2.Timer1"),
                               value("Text1", "Text1+")}));
    EXPECT_FALSE(w().Timer1.armed());

    open(false);
    w().Timer1.set_handler([] { throw EndProgram{3}; });
    EXPECT_EQ(run("get vorn2.Text1\n"), 3);
    EXPECT_EQ(events(), Lines{R"({"event":"exit","code":3})"});
}

TEST_F(BatchSessionTest, sql_commits_and_every_data_source_sees_the_change) {
    open();
    w().bpn().refresh();
    ASSERT_TRUE(w().bpn().eof());
    EXPECT_EQ(run("sql insert into BPN (capa, fila, columna, valor, nombre) values (1, 1, 1, 0.5, 'uno')\n"
                  "sql insert into BPN values (10, 1, 1, NULL, 'dos')\n"
                  "sql insert into BPN values (1, 2, 1, 1.0, NULL)\nsql insert into BPN values (1, 3, 1, 'nope'\n"
                  "sql delete bpn.* from bpn where valor = null\ndump bpn\n"), 2);
    Lines e = events();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].rfind(R"({"event":"error","line":4,"text":"error de la base de datos: )", 0), 0u) << e[0];
    EXPECT_EQ(e[1], R"({"event":"row","table":"BPN","values":{"capa":1,"fila":1,"columna":1,"valor":0.5,"nombre":"uno"}})");
    EXPECT_EQ(e[2], R"({"event":"row","table":"BPN","values":{"capa":1,"fila":2,"columna":1,"valor":1,"nombre":null}})");
    EXPECT_FALSE(db->in_transaction());
    // No refresh here: the sql command itself moved the cursor onto the new rows.
    EXPECT_EQ(as_text(w().bpn().field("nombre")), "uno");
}

TEST_F(BatchSessionTest, the_same_seed_draws_the_same_numbers) {
    auto draws = [&](std::uint64_t seed) {
        open(true, seed);
        Platform& p = session->platform();
        std::vector<double> x = {p.random(), p.random()};
        p.reseed();
        x.insert(x.end(), {p.random(), p.random()});
        return x;
    };
    std::vector<double> first = draws(7);
    EXPECT_EQ(draws(7), first);
    EXPECT_NE(draws(8), first);
    for (double v : first) EXPECT_TRUE(v >= 0 && v < 1) << v;
    EXPECT_NE(first.at(0), first.at(2));  // a reseed starts another stream
}

TEST(BatchDriver, a_curve_reads_as_its_points) {
    TempDir dir;
    Outcome run = run_in(dir, "click vorn2.Command13\nset vorn2.Text7 2\nset vorn2.Text6 0.0000001\n"
                              "set vorn2.Text8 0.5\nclick vorn2.Command4\nget Consultas.Curva\n");
    // Three passes: x;y pairs in order, numbers as JSON writes them.
    const std::string point = R"(;0\.[0-9]+)";
    EXPECT_THAT(run.events, ::testing::Contains(::testing::MatchesRegex(
                                R"([{]"event":"value","control":"Consultas.Curva","text":"1)" + point + " 2" + point +
                                " 3" + point + R"("[}])")));
    EXPECT_EQ(run.code, 0);
}

TEST(CommandLine, options_and_their_errors) {
    auto ok = parse_command_line({"--db", "x.mdb", "--seed=42", "--script", "-", "--format", "json", "--no-startup"});
    ASSERT_TRUE(ok.options);
    EXPECT_EQ(ok.options->db, "x.mdb");
    EXPECT_EQ(ok.options->seed, 42u);
    EXPECT_EQ(ok.options->script, "-");
    EXPECT_EQ(ok.options->format, OutputFormat::Json);
    EXPECT_TRUE(ok.options->no_startup);
    EXPECT_FALSE(parse_command_line({}).options->script);
    for (const Lines& bad : std::vector<Lines>{{"--bogus"}, {"--seed", "-1"}, {"--seed", "12x"}, {"--seed"},
                                               {"--format", "xml"}, {"--db="}, {"--no-startup=1"}, {"extra"},
                                               {"--seed", "18446744073709551616"}}) {
        CommandLineResult result = parse_command_line(bad);
        EXPECT_FALSE(result.options) << bad[0];
        EXPECT_FALSE(result.error.empty());
    }
}

#ifdef VORN2_BINARY
// Runs vorn2 in `dir` through the shell, as a user would.
Outcome run_program(const TempDir& dir, const std::string& arguments, const std::string& stdin_text = "") {
    vorn::testing::write_bytes(dir.path() / "stdin.txt", stdin_text);
    std::string command = "cd '" + dir.path().string() + "' && '" + VORN2_BINARY + "' " + arguments +
                          " < stdin.txt > stdout.txt 2> stderr.txt";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, lines_of(read_bytes(dir.path() / "stdout.txt")),
            read_bytes(dir.path() / "stderr.txt")};
}

TEST(Vorn2Program, runs_a_script_as_a_user_would_and_refuses_what_it_cannot_run) {
    TempDir dir;
    vorn::testing::write_bytes(dir.path() / "guion.txt",
                               "get vorn2.Text5\r\nclick vorn2.salida\r\nget vorn2.Text5\r\n");
    Outcome run = run_program(dir, "--script guion.txt --format json --no-startup --seed 5");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.events, (Lines{value("Text5", "6"), R"({"event":"exit","code":0})"}));

    // Standard input in the text format, after the start-up experiment (its message comes first).
    run = run_program(dir, "--script - --seed 5",
                      "get vorn2.Timer1\nset vorn2.Text1 \"x\\ry\"\nget vorn2.Text1\nget vorn2.Text0\n"
                      "sql insert into BPNTargets values (NULL, 'a\tb')\ndump BPNTargets\n");
    Lines expected = {R"(value vorn2.Timer1 "0")", R"(value vorn2.Text1 "x\ry")",
                      R"(error line 4: "no existe el control: vorn2.Text0")",
                      R"(row BPNTargets valor=0.1 nombre="BPN TARGET 1")",
                      R"(row BPNTargets valor=0.9 nombre="BPN TARGET 2")",
                      R"(row BPNTargets valor=null nombre="a\tb")"};
    ASSERT_GE(run.events.size(), expected.size());
    EXPECT_EQ(Lines(run.events.end() - expected.size(), run.events.end()), expected);
    EXPECT_TRUE(std::any_of(run.events.begin(), run.events.end(), [](const std::string& e) {
        return e.rfind(R"(message title="" icon=none text="El error de esta pasada es:)", 0) == 0;
    }));
    EXPECT_EQ(run.code, 2);

    vorn::testing::write_bytes(dir.path() / "roto.mdb", "no soy una base de datos");
    for (auto [arguments, code, err] : std::vector<std::tuple<std::string, int, std::string>>{
             {"--db roto.mdb --script guion.txt", 1, "no es una base de datos"},
             {"--script no-existe.txt", 1, "no-existe.txt"}, {"--bogus", 2, "Uso: vorn2"},
             {"--format xml --script guion.txt", 2, "Uso: vorn2"}}) {
        Outcome refused = run_program(dir, arguments);
        EXPECT_EQ(refused.code, code) << arguments;
        EXPECT_NE(refused.err.find(err), std::string::npos) << refused.err;
        // What the terminal shows ends its lines with line feeds.
        EXPECT_EQ(refused.err.find('\r'), std::string::npos) << refused.err;
        EXPECT_TRUE(refused.events.empty()) << arguments;
    }
    EXPECT_EQ(read_bytes(dir.path() / "roto.mdb"), "no soy una base de datos");
    Outcome help = run_program(dir, "--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.events, lines_of(usage_text()));
}

TEST(Vorn2Program, a_script_that_cannot_be_read_leaves_a_missing_database_uncreated) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "carpeta");
    for (std::string script : {"no-existe.txt", "carpeta"}) {
        Outcome refused = run_program(dir, "--script " + script);
        EXPECT_EQ(refused.code, 1) << script;
        EXPECT_NE(refused.err.find("no se puede abrir el guion: " + script), std::string::npos) << refused.err;
    }
    // Only what the shell made for each run is there.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"carpeta", "stderr.txt", "stdin.txt", "stdout.txt"}));
}

TEST(Vorn2Program, ctrl_c_stops_a_long_training_as_detener_would_and_ends_the_script) {
    TempDir dir;
    vorn::testing::write_bytes(dir.path() / "guion.txt",
                               "click vorn2.Command13\nset vorn2.Text7 10000000\nset vorn2.Text6 -1\n"
                               "set vorn2.Text8 0.5\nclick vorn2.Command4\nget vorn2.Text5\n");
    const std::string command = "cd '" + dir.path().string() + "' && exec '" + VORN2_BINARY +
                                "' --script guion.txt --format json --no-startup > stdout.txt 2> stderr.txt";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until the training has written its first lines of progress, then press Ctrl-C.
    for (int waited = 0; waited < 200 && !std::filesystem::exists(dir.path() / "ga7.mdb-wal"); ++waited) usleep(50000);
    usleep(700000);
    kill(child, SIGINT);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "killed instead of stopped";
    EXPECT_EQ(WEXITSTATUS(status), 130);
    Lines events = lines_of(read_bytes(dir.path() / "stdout.txt"));
    const std::string said = R"({"event":"message","title":"","icon":"none","text":"Entrenamiento detenido en la pasada )";
    auto stopped = std::find_if(events.begin(), events.end(), [&](const std::string& e) { return e.rfind(said, 0) == 0; });
    ASSERT_NE(stopped, events.end()) << read_bytes(dir.path() / "stdout.txt");
    const long long pass = std::stoll(stopped->substr(said.size()));
    EXPECT_GT(pass, 0);
    // The passes made are in test.csv; the line after the training never ran.
    EXPECT_EQ(lines_of(read_bytes(dir.path() / "test.csv")).size(), static_cast<size_t>(pass));
    EXPECT_EQ(events.back(), R"({"event":"exit","code":130})");
    EXPECT_NE(read_bytes(dir.path() / "stderr.txt").find("Ctrl-C"), std::string::npos);
}
#endif

}  // namespace
}  // namespace vorn::batch
