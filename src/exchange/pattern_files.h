// The workbench's text files: "bpn.csv" (export "Exp" and import "Imp"),
// "test.csv" (the error history of the last training run) and "last.csv"
// (the last dataset-pipeline step, shown by "Ver last.csv").
//
// Files are written whole or not at all (a temporary file, named with our
// process id, renamed over the old one; a temporary file of a process that
// is gone is removed at start), and the import reads and checks the whole
// file before it replaces the rows of BPN in one savepoint: a bad line, a
// missing, unreadable or odd file (not a plain file, over 64 MB, UTF-16)
// leaves BPN exactly as it was. A bad value is quoted to 40 characters.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>


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

// The largest "bpn.csv" the import reads.
constexpr std::uintmax_t kMaxPatternFileBytes = 64u * 1024u * 1024u;

// Writes the whole text to a temporary file beside the target, then
// renames it over the target: readers see the old file or the new one.
// False, with the target as it was, when either step fails.
bool write_whole_file(const std::filesystem::path& path, const std::string& content);

class PatternFiles {
public:
    // Removes the temporary files that killed workbenches left in dir.
    PatternFiles(MainWindow& window, Platform& platform, Listings& listings, std::filesystem::path dir);
    ~PatternFiles();
    PatternFiles(const PatternFiles&) = delete;
    PatternFiles& operator=(const PatternFiles&) = delete;
    void connect();

    void exportar();      // "Exp"
    void importar();      // "Imp"
    void ver_last_csv();  // "Ver last.csv"

    // The training history, pass by pass, to "test.csv.tmp-PID": it
    // becomes "test.csv" when kept (after the weights were stored, or on
    // failure says so, telling whether they were); a discarded one leaves
    // the old file as it was. Memory stays flat however many passes.
    void begin_history();
    void add_pass(double mean_error);
    void keep_history(bool weights_stored);
    void discard_history();
    // A whole history at once: history[1 .. count].
    void write_training_history(const std::vector<double>& history, int count);
    // Replaces "last.csv" with the description of the last pipeline step,
    // as one line (kept aside instead while held).
    void write_last_csv(const std::string& description);
    // While held, the step's description is kept aside instead of
    // replacing "last.csv"; it is written (or dropped) on release, so that
    // an experiment's file changes only with its tables.
    void hold_last_step();
    void release_last_step(bool write);

    const std::filesystem::path& dir() const { return dir_; }

private:
    void drop_history_file();

    MainWindow& w_;
    Platform& platform_;
    Listings& listings_;
    std::filesystem::path dir_;
    std::filesystem::path history_temp_;
    std::ofstream history_out_;
    bool holding_last_ = false;
    std::optional<std::string> held_last_;
};

}  // namespace vorn::exchange
