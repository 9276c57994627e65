// Sample sets and snapshots: "Ex1" restores BPN, BPNPESOS and BPNTargets
// from their stored copies, "xor" loads the exclusive-or set, "2Data" saves
// the frames as a new table, "Rnd" appends a frame of random values.
//
// Each restore replaces its tables all together or not at all: a stored
// copy that is missing leaves the frames and weights as they were.
#pragma once

#include <functional>

#include <string>

namespace vorn {
class Database;
class MainWindow;
class Platform;
}  // namespace vorn

namespace vorn::exchange {

class SampleSets {
public:
    // `new_weights` makes new random weights ("P.Ini"), as a loaded sample
    // set needs.
    SampleSets(MainWindow& window, Platform& platform, Database& db, std::function<void()> new_weights);
    void connect();

    void restaurar_ejemplo();   // "Ex1"
    void cargar_xor();          // "xor"
    void guardar_en_tabla();    // "2Data"

private:
    // The fields a sample set writes for the next training run.
    struct ParameterSet {
        const char* frame_size;
        const char* frame_count;
        const char* hidden_units;
        const char* frame_to_run;
        double acceptable_error;
        const char* pass_limit;
        double learning_rate;
    };
    void write_parameters(const ParameterSet& set);
    // Why a name cannot become a new table, or "" when it can.
    std::string refuse_table_name(const std::string& name);

    MainWindow& w_;
    Platform& platform_;
    Database& db_;
    std::function<void()> new_weights_;
};

}  // namespace vorn::exchange
