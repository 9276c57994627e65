// The experiments through the batch driver, on the default database: the
// start-up experiment (or none with --no-startup), and a line's curve read
// back with `activate` and `get Consultas.Curva`.
#include <algorithm>
#include <sstream>

#include "batch/script_driver.h"
#include "support/batch_run.h"
#include "support/workbench_fixture.h"

namespace vorn::batch {
namespace {

struct Outcome {
    int code = 0;
    std::string events;
    long count(const std::string& text) const {
        long n = 0;
        for (size_t at = events.find(text); at != std::string::npos; at = events.find(text, at + 1)) ++n;
        return n;
    }
};

Outcome run(const vorn::testing::TempDir& dir, const std::string& script, bool no_startup) {
    std::istringstream in(script);
    std::ostringstream out, err;
    int code = vorn::testing::run_script_on(dir.path() / "ga7.mdb", dir.path(), in, out, err,
                                            {.seed = 1, .format = OutputFormat::Json, .no_startup = no_startup});
    return {code, out.str()};
}

TEST(ExperimentsBatch, startup_experiment_logs_one_row_unless_told_not_to_and_activate_draws_its_curve) {
    vorn::testing::TempDir dir;
    Outcome quiet = run(dir, "sql delete pasadasbpn.* from pasadasbpn\nget vorn2.Text11\n", true);
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.events, "{\"event\":\"value\",\"control\":\"vorn2.Text11\",\"text\":\"Text11\"}\n");

    Outcome started = run(dir, "click vorn2.Command42\nactivate Consultas.List1 1\nget Consultas.Curva\n"
                               "get Consultas.LabelEncabezado\nlist\n", false);
    EXPECT_EQ(started.code, 0);
    EXPECT_EQ(started.count("El error de esta pasada es:"), 1);
    // The log holds the start-up experiment; its line draws its curve.
    EXPECT_NE(started.events.find(R"("control":"Consultas.Curva","text":"1;)"), std::string::npos) << started.events;
    // The column titles are read apart from the lines, which stay as they are.
    EXPECT_NE(started.events.find(R"("control":"Consultas.LabelEncabezado","text":"N)"), std::string::npos);
    EXPECT_EQ(started.count("Pasadas"), 1) << started.events;
}

TEST(ExperimentsBatch, activate_names_what_it_cannot_do) {
    vorn::testing::TempDir dir;
    Outcome result = run(dir,
                         "activate Consultas.List1 0\nactivate vorn2.Text1 1\nclick vorn2.Command2\n"
                         "activate Consultas.List1 100000\nactivate Consultas.List1 x\n",
                         true);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.count("activate necesita VENTANA.CONTROL y un numero de linea desde 1"), 2);
    EXPECT_EQ(result.count("no se puede activar vorn2.Text1: no es una lista"), 1);
    EXPECT_EQ(result.count("no se puede activar Consultas.List1: tiene "), 1);
}

}  // namespace
}  // namespace vorn::batch
