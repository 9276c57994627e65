// The typical request end to end through the batch driver: import frames
// from "bpn.csv", fresh weights, training, execution, listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "batch/script_driver.h"
#include "support/workbench_fixture.h"

namespace vorn::testing {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(EngineBatch, import_initial_weights_train_execute_and_list) {
    TempDir dir;
    set_decimal_separator('.');
    // The exclusive-or of two inputs, as frames 1..4.
    std::ofstream(dir.path() / "bpn.csv", std::ios::binary)
        << "1;1;1;0\r\n1;2;1;0\r\n10;1;1;0.1\r\n1;1;2;0\r\n1;2;2;1\r\n10;1;2;0.9\r\n"
           "1;1;3;1\r\n1;2;3;0\r\n10;1;3;0.9\r\n1;1;4;1\r\n1;2;4;1\r\n10;1;4;0.1\r\n";
    std::istringstream script(
        "set vorn2.Text4 3\n"
        "set vorn2.Text6 0.0000001\n"
        "set vorn2.Text7 99\n"
        "set vorn2.Text8 0.5\n"
        "click vorn2.importartramas\n"
        "click vorn2.Command14\n"
        "click vorn2.bpnentrenar\n"
        "set vorn2.Text5 2\n"
        "click vorn2.Command3\n"
        "list\n"
        "get vorn2.Text2\n");
    std::ostringstream out, err;
    batch::BatchOptions options;
    options.db = dir.path() / "ga7.mdb";
    options.files_dir = dir.path();
    options.seed = 5;
    options.format = batch::OutputFormat::Json;
    options.no_startup = true;
    ASSERT_EQ(batch::run_script(script, out, err, options), 0) << out.str() << err.str();
    const std::vector<std::string> events = lines_of(out.str());

    // The default database starts with 80 rows in BPN.
    EXPECT_NE(std::find(events.begin(), events.end(),
                        R"({"event":"message","title":"","icon":"none","text":"Habia:80\rQuedan:12"})"),
              events.end())
        << out.str();
    auto execute = std::find_if(events.begin(), events.end(), [](const std::string& e) {
        return e.find(R"("text":"La salida BPN de la trama  2 es:)") != std::string::npos;
    });
    ASSERT_NE(execute, events.end()) << out.str();
    // The default answers are named "BPN TARGET 1" (0.1) and "2" (0.9).
    EXPECT_NE(execute->find(R"(\rBPN TARGET)"), std::string::npos);

    // The list holds the last pass: one line per frame, pass 100.
    auto list = std::find_if(events.begin(), events.end(),
                             [](const std::string& e) { return e.rfind(R"({"event":"list")", 0) == 0; });
    ASSERT_NE(list, events.end());
    EXPECT_NE(list->find(R"("00: 100\t)"), std::string::npos) << *list;
    EXPECT_EQ(events.back(), R"({"event":"value","control":"vorn2.Text2","text":" 2"})");

    std::ifstream history(dir.path() / "test.csv", std::ios::binary);
    std::stringstream content;
    content << history.rdbuf();
    size_t passes = 0;
    for (size_t at = content.str().find("\r\n"); at != std::string::npos; at = content.str().find("\r\n", at + 2)) {
        ++passes;
    }
    EXPECT_EQ(passes, 100u);
}

}  // namespace
}  // namespace vorn::testing
