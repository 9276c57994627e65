// The workbench's text files: "bpn.csv" (export "Exp" and import "Imp"),
// "test.csv" (the error history of the last training run) and "last.csv"
// (the last dataset-pipeline step, shown by "Ver last.csv").
#pragma once

#include <filesystem>
#include <vector>

#include "engine/network.h"

namespace vorn {
class MainWindow;
class Platform;
}  // namespace vorn

namespace vorn::exchange {

class Listings;

class PatternFiles : public engine::HistoryWriter {
public:
    PatternFiles(MainWindow& window, Platform& platform, Listings& listings, std::filesystem::path dir);
    void connect();

    void exportar();        // "Exp"
    void importar();        // "Imp"
    void ver_last_csv();    // "Ver last.csv"
    void write_training_history(const std::vector<double>& history, int count) override;

    const std::filesystem::path& dir() const { return dir_; }

private:
    MainWindow& w_;
    Platform& platform_;
    Listings& listings_;
    std::filesystem::path dir_;
};

}  // namespace vorn::exchange
