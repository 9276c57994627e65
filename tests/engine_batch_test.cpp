// End to end through the batch driver: import, fresh weights, training, execution, listing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "batch/script_driver.h"
#include "support/batch_run.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::EndsWith;
using ::testing::HasSubstr;

TEST(EngineBatch, import_initial_weights_train_execute_and_list) {
    TempDir dir;
    set_decimal_separator('.');
    // The exclusive-or of two inputs, as frames 1..4.
    std::ofstream(dir.path() / "bpn.csv", std::ios::binary)
        << "1;1;1;0\r\n1;2;1;0\r\n10;1;1;0.1\r\n1;1;2;0\r\n1;2;2;1\r\n10;1;2;0.9\r\n"
           "1;1;3;1\r\n1;2;3;0\r\n10;1;3;0.9\r\n1;1;4;1\r\n1;2;4;1\r\n10;1;4;0.1\r\n";
    std::istringstream script(
        "set vorn2.Text4 3\nset vorn2.Text6 0.0000001\nset vorn2.Text7 99\nset vorn2.Text8 0.5\n"
        "click vorn2.importartramas\nclick vorn2.Command14\nclick vorn2.bpnentrenar\n"
        "set vorn2.Text5 2\nclick vorn2.Command3\nlist\nget vorn2.Text2\n");
    std::ostringstream out, err;
    // A fresh database and files in dir, seed 5, JSON events, no start-up experiment.
    const batch::BatchOptions options{5, batch::OutputFormat::Json, true};
    ASSERT_EQ(run_script_on(dir.path() / "ga7.mdb", dir.path(), script, out, err, options), 0) << out.str() << err.str();

    // The default database holds 80 BPN rows and the answers "BPN TARGET 1" (0.1) and "2" (0.9).
    EXPECT_THAT(out.str(), HasSubstr(R"({"event":"message","title":"","icon":"none","text":"Habia:80\rQuedan:12"})"));
    EXPECT_THAT(out.str(), ContainsRegex(R"("text":"La salida BPN de la trama  2 es:[-0-9.E]+\\rBPN TARGET)"));
    EXPECT_THAT(out.str(), HasSubstr(R"("00: 100\t)"));  // the list holds the last pass
    EXPECT_THAT(out.str(), EndsWith("{\"event\":\"value\",\"control\":\"vorn2.Text2\",\"text\":\" 2\"}\n"));
    std::ifstream history(dir.path() / "test.csv", std::ios::binary);
    const std::string passes((std::istreambuf_iterator<char>(history)), {});
    EXPECT_EQ(std::count(passes.begin(), passes.end(), '\n'), 100);
}

}  // namespace
}  // namespace vorn::testing
