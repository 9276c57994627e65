// The genetic strategy search: the GABPN window's operations. A run makes
// passes; each pass starts from a fresh population and repeats generations
// (fitness, roulette, mating pool, pairing, crossover) until the total
// fitness of the pool repeats, then records its representative chromosome
// in `converge`. The best chromosome of the run is shown decoded.
//
// The run is a long handler: it reads what it needs (fields, converge, the
// market table, `series`), ends the read transaction, computes in memory
// and writes each generation's rows (GA, borrar, borrar2, sumas) and each
// pass's converge in one store phase. A stop request ends it after the
// generation in course, with that pass recorded.
//
// Strategies beyond the six of the strategy box are added by the workbench
// with add_strategy(): a name for the box, a fitness of one chromosome, a
// describing text and a hook run once at the start of each run. Such a
// strategy never sees the database; when something it was given is
// unusable it can say so once per run with warn_once(). For example:
//
//     ga.add_strategy({"Red",
//                      [&](const std::string& bits) { return score_network(bits); },
//                      [](const std::string& bits) { return "Red=" + bits; },
//                      [&] { prepare_network(); }});
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ga/decoders.h"
#include "ga/population.h"
#include "ga/tables.h"

namespace vorn {
class Database;
class MainWindow;
class Platform;
class ReportWindow;
class ReportWindows;
class Session;
}  // namespace vorn

namespace vorn::ga {

class GaWindow;

struct Strategy {
    // Its item in the strategy box, after the six built in; chosen when the
    // box's text equals it in lower case.
    std::string name;
    // The fitness of one chromosome.
    std::function<double(const std::string& chromosome)> fitness;
    // Its text in listings, messages and Text9; when empty, the signed
    // reading every unknown strategy gets.
    std::function<std::string(const std::string& chromosome)> describe;
    // Runs once at the start of every run that uses the strategy, before
    // the first fitness; may be empty.
    std::function<void()> start_of_run;
};

class GeneticSearch {
public:
    GeneticSearch(Database& db, Platform& platform, MainWindow& main, ReportWindows& reports, Session& session);
    ~GeneticSearch();
    GeneticSearch(const GeneticSearch&) = delete;
    GeneticSearch& operator=(const GeneticSearch&) = delete;

    // The window, created hidden (its start-up timer armed) on first use.
    GaWindow& window();
    bool exists() const { return window_ != nullptr; }
    // "GA": the window, created on first use, made visible.
    void show();

    void add_strategy(Strategy strategy);
    // Shows text the first time key is warned about in this run (or, out of
    // a run, in this handler).
    void warn_once(const std::string& key, const std::string& text);

    // The fitness of one chromosome with the strategy of the box.
    double fitness(const std::string& chromosome);
    // The decoded description of a chromosome for a strategy name.
    std::string describir(const std::string& chromosome, const std::string& strategy);

    // The window's operations.
    void run_button();     // GroupPush3D1
    void inverse_button(); // GroupPush3D2
    void print_button();   // GroupPush3D3
    void fill();           // "FILL"
    void list_population();// "BR1"
    void list_totals();    // "BR3"
    void list_converge();  // "BR4"
    void list_targets();   // "BR9"
    void show_fitness();   // "Command6"
    void vorn();           // "VORN"
    void validar();        // "Validar"

    // For benchmarks only: every pass runs exactly this many generations.
    void set_generation_limit(std::optional<int> limit) { generation_limit_ = limit; }
    // Seconds the generations of the last run took (without start-up,
    // loading or the end of the run).
    double last_generations_seconds() const { return generations_seconds_; }

private:
    class View;
    struct RunState;

    void connect(GaWindow& w);
    // The run; false when it was refused before it started or a store
    // failed. Its steps: the first population, the passes, each pass's
    // generations, the pass's record in converge.
    bool run();
    void improve_first_rows(std::vector<GaRow>& rows);
    void fresh_population(RunState& run);
    bool generations(RunState& run, GenerationView& view);
    bool record_pass(RunState& run);
    void list_run_converge(RunState& run, GenerationView& view);
    // A chromosome record's description, by the strategy that found it.
    std::string listing_description(const ChromosomeRecord& record);
    void start_handler();
    void forget_stale_tables();
    const MarketTable& market(const std::string& table);
    const std::vector<Point>& series_points();
    double rule_fitness(const std::string& chromosome, const std::string& strategy);
    std::optional<std::string> gadeco(std::string_view gene, const std::string& strategy);
    const Strategy* extra(const std::string& lower_name) const;

    std::vector<GaRow> nuevapoblacion(long n, long length);
    std::vector<GaRow> nuevapoblacionconvergida(long n, long length, const std::vector<ConvergeRecord*>& order,
                                                size_t& winners);
    void evaluar(std::vector<GaRow>& rows);
    std::string inverse_operator(const std::vector<GaRow>& rows);
    void list_chromosomes(ChromosomeTable table, const std::vector<ChromosomeRecord>& records);
    void imprimir(const std::string& text);
    ReportWindow& consultas();

    Database& db_;
    Platform& platform_;
    MainWindow& main_;
    ReportWindows& reports_;
    Session& session_;
    std::unique_ptr<GaWindow> window_;
    std::vector<Strategy> extras_;
    // Tables read once per run; out of a run, again whenever the database
    // changed since they were read.
    std::map<std::string, MarketTable> markets_;
    std::optional<std::vector<Point>> series_;
    std::int64_t read_stamp_ = -1;
    bool running_ = false;
    std::set<std::string> warned_;
    std::optional<int> generation_limit_;
    double generations_seconds_ = 0;
};

}  // namespace vorn::ga
