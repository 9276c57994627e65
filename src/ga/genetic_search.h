// The genetic strategy search: the GABPN window's operations. A run makes
// passes; each pass starts from a fresh population and repeats generations
// (fitness, roulette, mating pool, pairing, crossover) until the total
// fitness of the pool repeats, then records its representative chromosome
// in `converge`. The best chromosome of the run is shown decoded.
//
// The run is a long handler: it checks its fields (sizes are bounded:
// 10000 chromosomes of 1000 bits), claims the database (one run per file
// at a time, see shell/run_claim.h), reads what it needs (fields,
// converge, the market table, `series`), ends the read transaction and
// computes in memory. Its tables (GA, borrar, borrar2, sumas: one whole
// generation) are stored with the pass's converge at the end of each pass
// and, within a pass, at most once every 2 seconds; after a run they hold
// exactly what storing every generation would leave. A failed store says
// which generation the tables hold.
//
// A stop request is seen within a generation, at each step of its long
// loops. The generation in course is dropped: the run ends as on its own
// limit, with the pass recorded from its last whole generation (a pass
// stopped in its first generation has none and is not recorded).
//
// The method box chooses how a pass searches. "Clasico" is the run above.
// "Torneo" makes, after the same fresh population, a fixed number of
// generations (TextGeneraciones, 1 to 10000): the best row passes
// unchanged, the others are bred from parents picked by tournaments of
// three, crossed at one point and mutated bit by bit (ga/tournament.h).
// A chromosome is scored once per run; the three best distinct ones of the
// run, each with its own score, are the run's converge (porc: the passes
// whose best each was). GA holds the last population with each row's own
// score, sumas the best score of each generation of the last pass, and the
// curve draws that best and the population's mean. Stores, stops, the
// claim and the start of the run are the classic run's.
//
// Every strategy of the box is one entry of a registry: a name, a fitness
// of one chromosome, a describing text, a hook run once at the start of
// each run, and for the rules the market table their genes name. The six
// built in register first; the workbench adds others with add_strategy().
// A strategy added from outside never sees the database; when something it
// was given is unusable it can say so once per run with warn_once(). A
// name that is not registered is fitted as a line and read signed. For
// example:
//
//     ga.add_strategy({"Red",
//                      [&](const std::string& bits) { return score_network(bits); },
//                      [](const std::string& bits) { return "Red=" + bits; },
//                      [&] { prepare_network(); }});
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "ga/decoders.h"
#include "ga/population.h"
#include "ga/tables.h"
#include "ga/tournament.h"
#include "shell/run_claim.h"

namespace vorn {
class Database;
class EngineError;
class MainWindow;
class Platform;
class ReportWindow;
class ReportWindows;
class Session;
}  // namespace vorn

namespace vorn::ga {

class GaWindow;

struct Strategy {
    // Its item in the strategy box, in the order registered; chosen when
    // the box's text equals it in lower case.
    std::string name;
    // The fitness of one chromosome.
    std::function<double(const std::string& chromosome)> fitness;
    // Its text in listings, messages and Text9; when empty, the signed
    // reading every unknown strategy gets.
    std::function<std::string(const std::string& chromosome)> describe;
    // Runs once at the start of every run that uses the strategy, before
    // the first fitness; may be empty.
    std::function<void()> start_of_run = {};
    // For a trading rule: the market table its genes name (Validar reads
    // the rule there); empty for the others.
    std::string market_table = {};
};

// The fields of a run, checked: the population as the run normalises it,
// and the generations of a "Torneo" pass (0 for "Clasico").
struct RunFields {
    long population = 0;
    long length = 0;
    long long passes = 0;
    bool torneo = false;
    long generations = 0;
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
    // Runs once the window exists, to wire operations of other floors onto
    // its controls (at once when it exists already).
    void on_window_created(std::function<void(GaWindow&)> wire);
    // The run's fields as the window holds them; nothing, with the user
    // told what is wrong, when they are not a run's.
    std::optional<RunFields> read_run_fields();
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
    // Seconds the generations of the last run took, with the stores of
    // their tables (without start-up, loading or the end of the run).
    double last_generations_seconds() const { return generations_seconds_; }
    // For benchmarks only: the expected number of bits a "Torneo" child
    // has flipped (the per-bit rate times L).
    void set_mutations_per_chromosome(double mutations) { mutations_per_chromosome_ = mutations; }
    // For tests: the least time between two stores within a pass (2 s);
    // zero stores every generation.
    void set_store_interval(std::chrono::steady_clock::duration interval) { store_interval_ = interval; }

private:
    class View;
    struct RunState;

    void connect(GaWindow& w);
    // The run; false when it was refused before it started or a store
    // failed. Its steps: the first population, the passes, each pass's
    // generations, the pass's record in converge. It claims the database
    // in claim, which the caller keeps until it has shown the result.
    bool run(std::optional<RunClaim>& claim);
    void improve_first_rows(std::vector<GaRow>& rows);
    void fresh_population(RunState& run);
    bool generations(RunState& run, GenerationView& view);
    bool record_pass(RunState& run);
    // A "Torneo" pass's generations and its record in converge.
    bool tournament_generations(RunState& run, GenerationView& view);
    bool record_tournament_pass(RunState& run);
    // The score of a chromosome in this run, from the run's cache when it
    // was scored before; NaN where the stop was seen first.
    double tournament_score(RunState& run, const std::string& chromosome, StopCheck& stop);
    // Stores the generation the run holds when it is newer than the
    // tables' and forced or the store interval has passed, with extra
    // writes (the pass's converge) in the same store phase. False, with
    // the user told where the tables stand, when the store failed.
    bool store_progress(RunState& run, bool force, const std::function<void()>& also = {});
    void tell_not_stored_since(const RunState& run, const EngineError* failure);
    void list_run_converge(RunState& run, GenerationView& view);
    // A chromosome record's description, by the strategy that found it.
    std::string listing_description(const ChromosomeRecord& record);
    void start_handler();
    void forget_stale_tables();
    const MarketTable& market(const std::string& table);
    const std::vector<Point>& series_points();
    // The six strategies of the box.
    void register_builtin_strategies();
    // A rule's score on its market table; `shown` names the strategy in the
    // too-short message.
    double rule_fitness(const std::string& chromosome, const std::string& table, const char* shown);
    // The line "Other" fits, scored on the series.
    double line_strategy_fitness(const std::string& chromosome);
    std::optional<std::string> gadeco(std::string_view gene, const std::string& table);
    const Strategy* find_strategy(const std::string& lower_name) const;

    std::vector<GaRow> nuevapoblacion(long n, long length);
    std::vector<GaRow> nuevapoblacionconvergida(long n, long length, const std::vector<ConvergeRecord*>& order,
                                                size_t& winners);
    // The fitness of every row; with a stop check, a stop seen before a
    // row ends it at once, rows half-scored.
    void evaluar(std::vector<GaRow>& rows, StopCheck* stop = nullptr);
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
    std::vector<std::function<void(GaWindow&)>> window_wiring_;
    std::vector<Strategy> strategies_;
    // Tables read once per run; out of a run, again whenever the database
    // changed since they were read.
    std::map<std::string, MarketTable> markets_;
    std::optional<std::vector<Point>> series_;
    std::int64_t read_stamp_ = -1;
    bool running_ = false;
    std::set<std::string> warned_;
    std::optional<int> generation_limit_;
    double generations_seconds_ = 0;
    std::chrono::steady_clock::duration store_interval_ = std::chrono::seconds(2);
    double mutations_per_chromosome_ = kMutationsPerChromosome;
};

}  // namespace vorn::ga
