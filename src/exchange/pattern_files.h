// The workbench's text files: "bpn.csv" (export "Exp" and import "Imp"),
// "test.csv" (the error history of the last training run) and "last.csv"
// (the last dataset-pipeline step, shown by "Ver last.csv").
//
// Files are written whole or not at all (a temporary file renamed over the
// old one), and the import reads and checks the whole file before it
// replaces the rows of BPN in one savepoint: a bad line, a missing or
// unreadable file leaves BPN exactly as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "engine/network.h"

namespace vorn {
class MainWindow;
class Platform;
}  // namespace vorn

namespace vorn::exchange {

class Listings;

// One line of "bpn.csv" as the import reads it.
struct PatternRow {
    double capa = 0, fila = 0, columna = 0;
    std::optional<double> valor;  // an empty value field stands for NULL
};

// Splits "capa;fila;columna;valor": the first three fields are read as
// leading numbers (digits and a "." fraction), the fourth as a number with
// either decimal mark. Returns the problem in Spanish when the line cannot
// be a row.
std::optional<std::string> parse_pattern_line(const std::string& line, PatternRow& row);

class PatternFiles : public engine::HistoryWriter {
public:
    PatternFiles(MainWindow& window, Platform& platform, Listings& listings, std::filesystem::path dir);
    void connect();

    void exportar();      // "Exp"
    void importar();      // "Imp"
    void ver_last_csv();  // "Ver last.csv"
    // Replaces "last.csv" with the description of the last pipeline step,
    // as one line.
    void write_last_csv(const std::string& description);
    void write_training_history(const std::vector<double>& history, int count) override;

    const std::filesystem::path& dir() const { return dir_; }

private:
    MainWindow& w_;
    Platform& platform_;
    Listings& listings_;
    std::filesystem::path dir_;
};

}  // namespace vorn::exchange
