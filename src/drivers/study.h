// The walk-forward study as the GA window runs it ("Estudio") and lists
// the studies kept ("Estudios").
//
// "Estudio" checks its fields and the window's search fields, claims the
// database like a GA run (one long run per file), reads the ten-year
// history `AccionesHistoricas`, ends the read transaction and computes the
// test years on every core (drivers/walk_forward.h). Only a whole study is
// kept: one store phase writes its row of `Estudios` and its years of
// `EstudioAnios`; then the listing goes to the report window, the years to
// "estudio.csv" and the chained growth of one peso to the window's curve.
// "Detener" ends the computation within a fraction of a second and keeps
// nothing of it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "drivers/walk_forward.h"

namespace vorn {
class Database;
class Platform;
class ReportWindows;
class Session;
namespace ga {
class GaWindow;
class GeneticSearch;
}  // namespace ga
}  // namespace vorn

namespace vorn::drivers {

// The listing of one study: its heading, a line per year in aligned
// columns, then the summary.
std::vector<std::string> study_lines(long long estudio, const std::string& parametros, std::uint64_t seed,
                                     const std::vector<StudyYear>& years, const StudySummary& summary);
// "estudio.csv": a heading line and a line per year, fields separated by
// ";" and numbers with a decimal point.
std::string study_csv(const std::vector<StudyYear>& years);

class WalkForwardStudy {
public:
    WalkForwardStudy(Database& db, Platform& platform, Session& session, ReportWindows& reports,
                     ga::GeneticSearch& search, std::filesystem::path files_dir);

    // Wires "Estudio" and "Estudios" onto the GA window.
    void connect(ga::GaWindow& w);

    void estudio();   // "Estudio"
    void estudios();  // "Estudios"

    // Worker threads of a study; 0 (the default) uses every core.
    void set_threads(unsigned threads) { threads_ = threads; }
    // Seconds the last study's computation took (its years, nothing else).
    double last_compute_seconds() const { return compute_seconds_; }

private:
    std::optional<StudySettings> read_settings(ga::GaWindow& w);
    std::optional<ga::MarketHistory> read_history();
    void show(const std::vector<std::string>& lines);

    Database& db_;
    Platform& platform_;
    Session& session_;
    ReportWindows& reports_;
    ga::GeneticSearch& search_;
    std::filesystem::path files_dir_;
    unsigned threads_ = 0;
    double compute_seconds_ = 0;
};

}  // namespace vorn::drivers
