// The dataset pipeline and the experiments draw their record, operation and
// settings from the platform: tests queue those draws and time a stop.
#pragma once

#include <fstream>
#include <sstream>

#include "frames_fixture.h"
#include "ga_fixture.h"

namespace vorn::testing {

class PipelineDrawPlatform : public GaDrawPlatform {
public:
    int stop_at_poll = 0;  // stop from this poll on; 0 never
    int polls = 0;
    bool stop_requested() override { return stop_at_poll > 0 && ++polls >= stop_at_poll; }
};

// The draw that makes the pipeline pick operation `op` (1..19).
inline double op_draw(int op) { return (op - 0.5) / 19; }

class PipelineTest : public FramesTest {
protected:
    void SetUp() override {
        FramesTest::SetUp();
        bench.reset();
        bench = std::make_unique<Workbench>(*db, drawn, dir.path());
    }
    // numero, nombre and the twelve months in percent.
    void add_market(const std::string& table, int numero, const std::string& nombre,
                    const std::vector<double>& months) {
        std::vector<Value> params{Value(std::int64_t{numero}), Value(nombre), Value(nombre), Value(std::int64_t{2018})};
        for (double m : months) params.emplace_back(m);
        db->execute_bound("INSERT INTO " + table + " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", params);
    }
    // Two 2018 stocks, the first frame set and 20 passes: an experiment
    // that trains in a blink.
    void two_stocks_on_set1() {
        add_market("AccionesXmes", 1, "ALUA 2018", {1, -2, 3, 5, -4, 2, 6, 1, -3, 2, 4, 1});
        add_market("AccionesXmes", 2, "BMA 2018", {3, 1, -1, 2, 2, -5, 1, 4, 2, -2, 1, 3});
        refresh_all();
        w().Combo1.set_text("Set1");
        w().Text7.set_text("20");
    }
    void add_merval(int columna, const std::vector<double>& values) {
        for (size_t i = 0; i < values.size(); ++i) {
            db->execute_bound("INSERT INTO merval VALUES (1, ?, ?, ?, 'MERVAL EW')",
                              {Value(std::int64_t(i + 1)), Value(std::int64_t{columna}), Value(values[i])});
        }
    }
    std::string last_csv() {
        std::stringstream text;
        text << std::ifstream(dir.path() / "last.csv", std::ios::binary).rdbuf();
        return text.str();
    }

    PipelineDrawPlatform drawn;
};

}  // namespace vorn::testing
