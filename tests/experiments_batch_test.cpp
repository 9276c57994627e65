// The experiments through the batch driver, on the default database: the
// start-up experiment (or none with --no-startup), "BD4" and a line's curve
// read back with `activate` and `get Consultas.Curva`.
#include <algorithm>
#include <sstream>

#include "batch/script_driver.h"
#include <gmock/gmock.h>

#include "support/workbench_fixture.h"

namespace vorn::batch {
namespace {

using ::testing::HasSubstr;
using vorn::testing::TempDir;

struct Outcome {
    int code = 0;
    std::vector<std::string> events;
};

Outcome run(const TempDir& dir, const std::string& script, bool no_startup) {
    BatchOptions options{.db = dir.path() / "ga7.mdb", .files_dir = dir.path(), .seed = 1,
                         .format = OutputFormat::Json, .no_startup = no_startup};
    std::istringstream in(script);
    std::ostringstream out, err;
    Outcome result;
    result.code = run_script(in, out, err, options);
    std::istringstream lines(out.str());
    for (std::string line; std::getline(lines, line);) result.events.push_back(line);
    return result;
}

long count_with(const std::vector<std::string>& events, const std::string& text) {
    return std::count_if(events.begin(), events.end(),
                         [&](const std::string& e) { return e.find(text) != std::string::npos; });
}

TEST(ExperimentsBatch, startup_experiment_logs_one_row_unless_told_not_to) {
    TempDir dir;
    const std::string script = "sql delete pasadasbpn.* from pasadasbpn\nget vorn2.Text11\n";
    Outcome quiet = run(dir, script, true);
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(count_with(quiet.events, "El error de esta pasada es:"), 0);
    EXPECT_EQ(quiet.events.back(), R"({"event":"value","control":"vorn2.Text11","text":"Text11"})");

    Outcome started = run(dir, "click vorn2.Command42\nactivate Consultas.List1 1\nget Consultas.Curva\n", false);
    EXPECT_EQ(started.code, 0);
    ASSERT_EQ(count_with(started.events, "El error de esta pasada es:"), 1);
    // The log holds the start-up experiment; its line draws its curve.
    const std::string& curve = started.events.back();
    EXPECT_THAT(curve, HasSubstr(R"("control":"Consultas.Curva","text":"1;)"));
}

TEST(ExperimentsBatch, activate_names_what_it_cannot_do) {
    TempDir dir;
    Outcome result = run(dir,
                     "activate Consultas.List1 0\nactivate vorn2.Text1 1\nclick vorn2.Command2\n"
                     "activate Consultas.List1 100000\nactivate Consultas.List1 x\n",
                     true);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(count_with(result.events, "activate necesita VENTANA.CONTROL y un numero de linea desde 1"), 2);
    EXPECT_EQ(count_with(result.events, "no se puede activar vorn2.Text1: no es una lista"), 1);
    EXPECT_EQ(count_with(result.events, "no se puede activar Consultas.List1: tiene "), 1);
}

}  // namespace
}  // namespace vorn::batch
