#include "ga/genetic_search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <initializer_list>
#include <limits>

#include "ga/chromosome.h"
#include "ga/ga_window.h"
#include "ga/reports.h"
#include "ga/rule_returns.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/report_window.h"
#include "shell/run_claim.h"
#include "shell/session.h"
#include "shell/scoped_flag.h"
#include "shell/store_phase.h"

namespace vorn::ga {

namespace {

constexpr const char* kSizesMustBePositive = "Poblacion Numero y Tama\xC3\xB1o Cadena deben ser mayores que 0";
// Bounds of a run: a generation's pairing is quadratic in the population,
// and 10000 chromosomes of 1000 bits already take tens of megabytes.
constexpr double kMaxPopulation = 10000;
constexpr double kMaxLength = 1000;
constexpr const char* kPopulationTooLarge = "Poblacion Numero no puede pasar de 10000 cromosomas";
constexpr const char* kLengthTooLong = "Tama\xC3\xB1o Cadena no puede pasar de 1000 bits";
constexpr const char* kPassesBelowOne = "Pasadas debe ser un numero mayor o igual que 1";
constexpr const char* kPassesTooLarge = "Pasadas es un numero demasiado grande";
constexpr const char* kOtherRunning = "Otro programa esta ejecutando el algoritmo genetico sobre esta base de datos";
constexpr const char* kStoreFailedTitle = "Error de base de datos";
constexpr const char* kStillLocked = "La base de datos sigue bloqueada por otro programa: no se guardo el avance de la busqueda.";
constexpr const char* kStillLockedTitle = "Base de datos";
constexpr const char* kHeldAtPassStart = "Las tablas quedan como al empezar la pasada ";
constexpr const char* kHeldAtGeneration = "Las tablas quedan como al terminar la generacion ";
constexpr const char* kHeldOfPass = " de la pasada ";
constexpr const char* kOtherNeedsLength = "La estrategia Other necesita Tama\xC3\xB1o Cadena 4, 8 o 10";
constexpr const char* kEmptyMarketStart = "La tabla ";
constexpr const char* kEmptyMarketEnd = " no tiene filas: las reglas no se pueden evaluar y valen -1";
constexpr const char* kProgramaTerminado = "Programa Terminado";
constexpr const char* kBusquedaDetenida = "Busqueda detenida en la pasada ";
constexpr const char* kTermine = "termine (+) ";
constexpr const char* kDecodificaMissing = "Error en Decodifica numero=";
constexpr const char* kPrintDone = "Impresi\xC3\xB3n Completa";
constexpr const char* kPrintFailed = "Hubo un problema al Imprimir.";
// What the print button prints: a title, "!", the fields of GA.
constexpr const char* kPrintRequest = "titulo!recno,codigo,decimal,cadena,fitness";
constexpr const char* kTargetsInsert = "INSERT INTO gatargets SELECT converge.* FROM converge WHERE fitness>0";
constexpr const char* kConvergeOrder = "SELECT CONVERGE.* FROM CONVERGE ORDER BY -fitness";
constexpr const char* kTargetsOrder = "SELECT Gatargets.* FROM Gatargets ORDER BY -fitness";
constexpr const char* kVornCode = "111111111111";
constexpr const char* kValidarTitle =
    "Validacion fuera de muestra: regla, puntaje 2018 y 2019, comprar y mantener, 2019 con la se\xC3\xB1" "al del mes "
    "anterior y costos";
constexpr int kValidationYear = 2019;
constexpr const char* kPreviousMonth = "mes anterior con costos 2019:";
constexpr const char* kReadsTraded = "(lee la accion que opera)";
constexpr const char* kReadsStatistic = "(lee una fila estadistica)";
constexpr const char* kCostInvalid = "Costo % debe ser un numero de 0 a menos de 100";
constexpr const char* kNotARule = "no es una regla";
constexpr const char* kAcciones = "AccionesXmes";
constexpr const char* kMercap = "Mercap";
constexpr double kMaxFloor = 0.01;
// Fields that still show their own names take these.
constexpr double kDefaultPopulation = 10;
constexpr double kDefaultLength = 4;
constexpr const char* kDefaultPasses = "10";
constexpr double kPrintFitnessScale = 10000;
constexpr const char* kTorneo = "torneo";
constexpr const char* kGenerationsInvalid = "Generaciones debe ser un numero entero de 1 a 10000";
// A pass of "Torneo" is at most this many generations, as many as the
// largest population has chromosomes.
constexpr long kMaxGenerations = 10000;
// The run's hall of fame, and so the Torneo run's converge, keeps this many.
constexpr size_t kFameSize = 3;

std::string general(double x) { return format_general(x); }


// A field's leading number, except that one too large for a double (which
// reads 0) reads as infinite: it is refused as too large, not as 0.
double field_number(std::string_view text) {
    const double value = parse_leading(text);
    if (value != 0) return value;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (text[i] != '0') return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

// The population size as the run normalises it: a never-set field is 10,
// the sign is dropped and an odd size grows by one. Left a double: the
// field may hold any number, and only a checked one becomes a count.
double population_size(const TextField& field) {
    double n = field.never_set() ? kDefaultPopulation : std::trunc(field_number(field.text()));
    n = std::fabs(n);
    if (std::fmod(n, 2) != 0) n += 1;
    return n;
}

double chromosome_length(const TextField& field) {
    return field.never_set() ? kDefaultLength : std::trunc(field_number(field.text()));
}

// The passes a run makes: a never-set field takes its default. Compared
// with the pass counter as numbers; whole for the progress bar.
double passes_asked(const TextField& field) {
    return field_number(field.never_set() ? std::string_view(kDefaultPasses) : std::string_view(field.text()));
}

// What is wrong with the run's fields, or nullptr. Nothing is converted to
// a count before it is known to fit.
const char* field_problem(double n, double length, double passes) {
    if (n == 0 || length < 1) return kSizesMustBePositive;
    if (!(n <= kMaxPopulation)) return kPopulationTooLarge;
    if (!(length <= kMaxLength)) return kLengthTooLong;
    if (!(passes >= 1)) return kPassesBelowOne;
    // 2^63: the first number a long long cannot hold.
    if (!(passes < -static_cast<double>(std::numeric_limits<long long>::min()))) return kPassesTooLarge;
    return nullptr;
}

// The generations of a Torneo pass: a whole number from 1 to
// kMaxGenerations written in digits alone (blanks around allowed), or
// nothing.
std::optional<long> generations_asked(std::string_view text) {
    const std::string_view digits = trim(text);
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    long value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > kMaxGenerations) return std::nullopt;
    return value;
}

// The pressed state of a 3-D button for the length of a handler.
class Pressed {
public:
    explicit Pressed(PushButton3D& button) : button_(button) { button_.set_pressed(true); }
    ~Pressed() { button_.set_pressed(false); }
    Pressed(const Pressed&) = delete;
    Pressed& operator=(const Pressed&) = delete;

private:
    PushButton3D& button_;
};

}  // namespace

// What a generation shows: the progress label and the report list.
class GeneticSearch::View : public GenerationView {
public:
    View(GaWindow& w, ReportWindow& report) : w_(w), report_(report) {}
    void progress(const std::string& caption) override {
        w_.Label5.set_caption(caption);
        w_.Label5.refresh();
    }
    void listing(std::vector<std::string> lines) override {
        report_.clear();
        for (std::string& line : lines) report_.add_line(std::move(line));
        report_.refresh();
        report_.show();
    }

private:
    GaWindow& w_;
    ReportWindow& report_;
};

GeneticSearch::GeneticSearch(Database& db, Platform& platform, MainWindow& main, ReportWindows& reports,
                             Session& session)
    : db_(db), platform_(platform), main_(main), reports_(reports), session_(session) {
    register_builtin_strategies();
}

GeneticSearch::~GeneticSearch() = default;

GaWindow& GeneticSearch::window() {
    if (!window_) {
        window_ = std::make_unique<GaWindow>(db_);
        window_->set_boundary(&session_);
        connect(*window_);
        for (const auto& wire : window_wiring_) wire(*window_);
    }
    return *window_;
}

void GeneticSearch::on_window_created(std::function<void(GaWindow&)> wire) {
    if (window_) wire(*window_);
    window_wiring_.push_back(std::move(wire));
}

void GeneticSearch::show() { window().show(); }

void GeneticSearch::connect(GaWindow& w) {
    w.Timer1.set_handler([this, &w] {
        std::vector<std::string> names;
        for (const Strategy& s : strategies_) names.push_back(s.name);
        w.set_defaults(names);
    });
    w.GroupPush3D1.set_handler([this] { run_button(); });
    w.GroupPush3D2.set_handler([this] { inverse_button(); });
    w.GroupPush3D3.set_handler([this] { print_button(); });
    w.Command1.set_handler([this] { fill(); }, Access::Writes);
    w.Command2.set_handler([this] { list_population(); });
    w.Command4.set_handler([this] { list_totals(); });
    w.Command5.set_handler([this] { list_converge(); });
    w.Command6.set_handler([this] { show_fitness(); });
    w.Command7.set_handler([this] { vorn(); });
    w.Command8.set_handler([this] { list_targets(); });
    w.CommandValidar.set_handler([this] { validar(); });
}

void GeneticSearch::add_strategy(Strategy strategy) { strategies_.push_back(std::move(strategy)); }

void GeneticSearch::register_builtin_strategies() {
    add_strategy({"Vorn",
                  [this](const std::string& chromosome) {
                      // The main window's experiment timer scores the
                      // chromosome and answers in Text2; selection here is
                      // uniform.
                      main_.Timer1.set_interval(1);
                      main_.Text10.set_text(chromosome);
                      main_.show();
                      return 1.0;
                  },
                  [](const std::string& chromosome) { return "Vorn=" + chromosome; }});
    auto rule = [this](const char* name, const char* table, const char* shown, bool described) {
        add_strategy({name, [this, table, shown](const std::string& c) { return rule_fitness(c, table, shown); },
                      [this, table, described](const std::string& c) {
                          if (!described) return std::string("not avaliable");
                          return describe_rule(c, [this, table](std::string_view gene) { return gadeco(gene, table); });
                      },
                      {}, table});
    };
    rule("Strat", kAcciones, "Strat", true);
    rule("stra2", kMercap, "stra2", true);
    rule("set3", kMercap, "stra2", false);
    add_strategy({"Max",
                  [](const std::string& chromosome) {
                      const double x = valorbinario(chromosome);
                      return x <= kMaxFloor ? kMaxFloor : x;
                  },
                  [](const std::string& chromosome) { return "Max=" + format_short(valorbinario(chromosome)); }});
    add_strategy({"Other", [this](const std::string& c) { return line_strategy_fitness(c); },
                  [](const std::string& c) { return describe_line(c); }});
}

void GeneticSearch::warn_once(const std::string& key, const std::string& text) {
    if (warned_.insert(key).second) platform_.message(text);
}

const Strategy* GeneticSearch::find_strategy(const std::string& lower_name) const {
    for (const Strategy& s : strategies_) {
        if (lower(s.name) == lower_name) return &s;
    }
    return nullptr;
}

ReportWindow& GeneticSearch::consultas() { return reports_.get(); }

void GeneticSearch::start_handler() {
    // Each run (or listing) reads the tables afresh and warns afresh.
    markets_.clear();
    series_.reset();
    warned_.clear();
}

void GeneticSearch::forget_stale_tables() {
    if (running_) return;
    const std::int64_t stamp = db_.change_stamp();
    if (stamp == read_stamp_) return;
    markets_.clear();
    series_.reset();
    read_stamp_ = stamp;
}

const MarketTable& GeneticSearch::market(const std::string& table) {
    forget_stale_tables();
    auto found = markets_.find(table);
    if (found == markets_.end()) found = markets_.emplace(table, read_market_table(db_, table)).first;
    return found->second;
}

const std::vector<Point>& GeneticSearch::series_points() {
    forget_stale_tables();
    if (!series_) series_ = read_series(db_);
    return *series_;
}

// ---- Fitness and description ----

double GeneticSearch::rule_fitness(const std::string& chromosome, const std::string& table_name, const char* shown) {
    const MarketTable& table = market(table_name);
    const RuleScore score = score_rule(chromosome, table);
    if (score.outcome == RuleOutcome::TooShort) {
        platform_.message(std::string(shown) + " necesita al menos 24 bits");
        window().Text4.set_text("40");
    } else if (score.outcome == RuleOutcome::EmptyTable) {
        warn_once("empty " + table.name(), kEmptyMarketStart + table.name() + kEmptyMarketEnd);
    }
    return score.score;
}

double GeneticSearch::fitness(const std::string& chromosome) {
    if (const Strategy* s = find_strategy(lower(window().Combo1.text()))) return s->fitness(chromosome);
    return line_strategy_fitness(chromosome);
}

double GeneticSearch::line_strategy_fitness(const std::string& chromosome) {
    const std::optional<Line> line = line_for_length(chromosome, parse_leading(window().Text4.text()));
    if (!line) {
        warn_once("other", kOtherNeedsLength);
        return 0;
    }
    const double value = line_fitness(*line, series_points());
    consultas().set_caption(line_title(*line));
    return value;
}

std::optional<std::string> GeneticSearch::gadeco(std::string_view gene, const std::string& table_name) {
    const MarketTable& table = market(table_name);
    if (table.count() == 0) {
        warn_once("empty " + table.name(), kEmptyMarketStart + table.name() + kEmptyMarketEnd);
        return std::nullopt;
    }
    const long long numero = map_gene(valorbinario(gene), table.count());
    const MarketSeries* series = table.find(numero);
    if (series == nullptr) {
        platform_.message(kDecodificaMissing + format_short(static_cast<double>(numero)));
        return std::nullopt;
    }
    return series->nombre;
}

std::string GeneticSearch::describir(const std::string& chromosome, const std::string& strategy) {
    if (const Strategy* s = find_strategy(lower(strategy)); s && s->describe) return s->describe(chromosome);
    return describe_signed(chromosome);
}

// ---- Population ----

std::vector<GaRow> GeneticSearch::nuevapoblacion(long n, long length) {
    std::vector<GaRow> rows;
    rows.reserve(static_cast<size_t>(n));
    for (long i = 1; i <= n; ++i) {
        GaRow row;
        row.cadena = random_chromosome(length, platform_);
        row.codigo = i;
        row.decimal = valorbinario(row.cadena);
        row.recno = i - 1;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<GaRow> GeneticSearch::nuevapoblacionconvergida(long n, long length,
                                                           const std::vector<ConvergeRecord*>& order,
                                                           size_t& winners) {
    std::vector<GaRow> rows = nuevapoblacion(n, length);
    winners = 0;
    for (size_t i = 0; i < 3 && i < order.size() && i < rows.size(); ++i) {
        const std::string& winner = order[i]->cadena;
        if (trim(winner).empty()) continue;
        rows[i].cadena = winner;
        rows[i].decimal = valorbinario(winner);
        winners = i + 1;
    }
    return rows;
}

void GeneticSearch::evaluar(std::vector<GaRow>& rows, StopCheck* stop) {
    for (GaRow& row : rows) {
        if (stop != nullptr && stop->requested()) return;
        row.fitness = fitness(row.cadena);
    }
}

std::string GeneticSearch::inverse_operator(const std::vector<GaRow>& rows) {
    std::string s(rows.empty() ? std::string_view() : trim(rows.back().cadena));
    double best = fitness(s);
    const auto n = static_cast<long>(s.size());
    auto try_flip = [&](long i) {
        std::string copy = flip_bit(s, i);
        const double value = fitness(copy);
        if (value > best) {
            s = std::move(copy);
            best = value;
        }
    };
    for (long i = 1; i <= n; ++i) try_flip(i);
    for (long i = n; i >= 1; --i) try_flip(i);
    platform_.message(s + "\r" + format_short(valorbinario(s)));
    return s;
}

// ---- The run ----

// What a run keeps between its passes.
struct GeneticSearch::RunState {
    long n = 0;       // population size
    long length = 0;  // chromosome length L
    std::string strategy;
    std::vector<GaRow> rows;  // GA, in table order
    // converge in insertion order, and in the order its data source walks
    // (best first as of the last listing, records added since at the end).
    std::vector<std::unique_ptr<ConvergeRecord>> converge;
    std::vector<ConvergeRecord*> order;
    std::vector<double> totals;  // sumas: this pass's totals
    std::vector<std::string> totals_listing;  // their listing, grown a line a generation
    Representative best;         // of the pass's last generation
    std::vector<MateCopy> copies;  // borrar of the last whole generation
    std::vector<GaRow> borrar2;    // and its borrar2
    long long passes = 0;          // asked for, for the progress bar
    long pass = 0;
    long generation = 0;  // whole generations of the pass in course
    long drawn_before = 0;  // whole generations of the passes before it, where its curve goes on
    long completed = 0;
    bool stopping = false;
    // Torneo: the generations of a pass, the scores of every chromosome
    // scored in the run, the run's best three and how many passes each
    // chromosome ended as the best of.
    bool torneo = false;
    long generations_asked = 0;
    bool rule = false;
    std::unordered_map<std::string, double> scores;
    HallOfFame fame{kFameSize};
    std::map<std::string, long> pass_bests;
    // What the tables hold: the run as at the end of generation
    // stored_generation of pass stored_pass (0: as the pass began), with
    // stored_totals of that pass's totals in sumas. pending: the run holds
    // a newer generation; mating_pending: newer borrar and borrar2 too.
    long stored_pass = 0;
    long stored_generation = 0;
    size_t stored_totals = 0;
    bool pending = false;
    bool mating_pending = false;
    std::chrono::steady_clock::time_point last_store;
};

namespace {

// What the run's curve shows: the method and strategy, and the passes drawn.
std::string run_curve_title(bool torneo, const std::string& strategy, long pass) {
    std::string title = torneo ? "Busqueda Torneo" : "Busqueda Clasico";
    if (!strategy.empty()) title += " " + strategy;
    title += pass <= 1 ? std::string(": pasada 1") : ": pasadas 1 a " + format_int(pass);
    return title;
}

// Generation `generation` of a pass drawn after `drawn_before` generations
// of the run, a value per line; the pass's first marks where it begins.
void draw_generation(Plot& curve, long drawn_before, long generation, std::initializer_list<double> values) {
    const auto x = static_cast<double>(drawn_before + generation);
    if (generation == 1) curve.add_pass_mark(x);
    size_t line = 0;
    for (const double y : values) curve.add_point(x, y, line++);
    curve.refresh();
}

}  // namespace

bool GeneticSearch::run(std::optional<RunClaim>& claim) {
    GaWindow& w = window();
    const std::optional<RunFields> fields = read_run_fields();
    if (!fields) return false;
    const double n = static_cast<double>(fields->population);
    if (refuse_if_read_only(db_, platform_)) return false;
    claim.emplace(db_);
    if (!claim->held()) {
        platform_.message(kOtherRunning);
        return false;
    }

    const auto t0 = platform_.now();
    start_handler();
    // The run's own writes leave the tables it reads as they were.
    const ScopedFlag running(running_);
    RunState run;
    run.n = fields->population;
    run.length = fields->length;
    run.passes = fields->passes;
    run.strategy = w.Combo1.text();
    run.torneo = fields->torneo;
    run.generations_asked = fields->generations;
    if (const Strategy* s = find_strategy(lower(run.strategy))) {
        run.rule = !s->market_table.empty();
        if (s->start_of_run) s->start_of_run();
    }
    View view(w, consultas());
    // Notes during the passes need not stop them; the run's result is
    // told after this scope.
    std::optional<LongRun> long_run(std::in_place, platform_);

    // Load: what the run starts from.
    const bool had_converge = !w.converge().refresh_and_read({"cadena"}).rows.empty();
    end_load_phase(db_);

    const std::string size_text = general(n);
    if (w.Text3.text() != size_text) w.Text3.set_text(size_text);
    w.Text4.default_if_never_set("4");
    w.Text5.default_if_never_set(kDefaultPasses);
    w.Text6.set_text("0");
    w.Text7.default_if_never_set("NO");

    run.rows = nuevapoblacion(run.n, run.length);
    // The first pass starts from the population the inverse operator improved.
    bool improved = false;
    if (w.Text7.text() == "SI") {
        improve_first_rows(run.rows);
        w.Text7.set_text("NO");
        improved = true;
    }
    // Former results go to GATargets; the run's own tables start with its
    // first population. Until this is stored the tables are as they were.
    if (!store_or_tell(db_, platform_, [&] {
            db_.execute("delete from sumas");
            if (had_converge) {
                db_.execute(kTargetsInsert);
                db_.execute("delete from converge");
            }
            write_ga_rows(db_, "GA", run.rows);
        })) {
        return false;
    }
    run.stored_pass = 1;
    run.last_store = std::chrono::steady_clock::now();

    generations_seconds_ = 0;
    // One curve for the whole run, x counting generations across passes.
    w.Curva.clear();
    w.Curva.set_axis_titles("Generacion", "Fitness");
    w.Curva.set_line_names(run.torneo ? std::vector<std::string>{"Mejor", "Media"} : std::vector<std::string>{});
    w.Curva.set_error_curve(false);
    for (;;) {
        ++run.pass;
        w.Text6.set_text(general(parse_leading(w.Text6.text()) + 1));
        consultas().set_caption("Pasada:" + format_short(static_cast<double>(run.pass)) + "/" +
                                format_short(parse_leading(w.Text5.text())));
        list_run_converge(run, view);
        if (parse_leading(w.Text6.text()) > parse_leading(w.Text5.text())) break;

        run.totals.clear();
        run.totals_listing = totals_lines(run.totals);
        run.drawn_before += run.generation;
        run.generation = 0;
        w.Curva.set_title(run_curve_title(run.torneo, run.strategy, run.pass));
        if (!improved) {
            fresh_population(run);
            run.pending = true;
        }
        improved = false;
        if (!store_progress(run, false)) return false;
        const auto start = std::chrono::steady_clock::now();
        try {
            if (!(run.torneo ? tournament_generations(run, view) : generations(run, view))) return false;
        } catch (...) {
            // The program ends ("Termino?" answered Yes) or a failure ends
            // the handler: the tables keep the last whole generation.
            store_progress(run, true);
            throw;
        }
        // A pass stopped in its first generation has nothing to record;
        // the population it began with is stored as the run ends.
        const bool recorded = run.generation == 0 ? store_progress(run, true)
                              : run.torneo        ? record_tournament_pass(run)
                                                  : record_pass(run);
        if (!recorded) return false;
        generations_seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (run.stopping) break;
        if (run.completed > 2) list_run_converge(run, view);
        // A pass counter past the passes asked for ends the run at once.
        if (parse_leading(w.Text5.text()) + 2 < static_cast<double>(run.pass)) return true;
    }

    w.Data4.source().set_record_source(kConvergeOrder);
    for (DataControl* data : {&w.Data1, &w.Data2, &w.Data3, &w.Data4, &w.Data5, &w.Data9}) data->source().refresh();
    long_run.reset();
    // A stopped run says where it stopped, so that its result is not
    // taken for that of the whole run asked for.
    const std::string ending = run.stopping ? kBusquedaDetenida + whole_text(run.pass).substr(1) + " de " +
                                                  whole_text(run.passes).substr(1)
                                            : std::string(kProgramaTerminado);
    if (!run.order.empty()) {
        platform_.message(ending + "\r" + describir(run.order.front()->cadena, run.strategy));
    } else if (run.stopping) {
        platform_.message(ending);
    }
    // Minutes as the window always counted them: a day is 100000 units.
    const double days = std::chrono::duration<double>(platform_.now() - t0).count() / 86400.0;
    const double e = std::floor(days * 100000);
    w.Text8.set_text(general(std::floor(e / 60)));
    return true;
}

void GeneticSearch::improve_first_rows(std::vector<GaRow>& rows) {
    const std::string better = inverse_operator(rows);
    const size_t k = rows.size();
    size_t m = k / 4;
    if (k % 4 != 0 && m % 2 == 1) m += 1;
    for (size_t i = 0; i < m && i < rows.size(); ++i) {
        rows[i].cadena = better;
        rows[i].decimal = valorbinario(better);
    }
}

void GeneticSearch::fresh_population(RunState& run) {
    GaWindow& w = window();
    size_t winners = 0;
    if (lower(w.Text1.text()) == "si" && !run.rows.empty()) {
        run.rows = nuevapoblacionconvergida(run.n, run.length, run.order, winners);
    } else {
        run.rows = nuevapoblacion(run.n, run.length);
    }
    // A fresh chromosome of length L for every row but the winners.
    for (size_t i = winners; i < run.rows.size(); ++i) {
        run.rows[i].cadena = random_chromosome(run.length, platform_);
        run.rows[i].decimal = valorbinario(run.rows[i].cadena);
    }
}

bool GeneticSearch::generations(RunState& run, GenerationView& view) {
    GaWindow& w = window();
    double previous_total = 0;
    int repeats = 0;
    StopCheck stop(platform_);
    do {
        // The generation is made on a copy of the population, so that a
        // stop within it leaves the last whole one as it was.
        std::vector<GaRow> rows = run.rows;
        evaluar(rows, &stop);
        if (stop.seen()) break;
        probabilidades(rows, sumafitness(rows));
        std::vector<MateCopy> copies = mate(rows, run.n, platform_, view, &stop);
        if (stop.seen()) break;
        evaluar(rows, &stop);
        if (stop.seen()) break;
        const double total = sumafitness(rows);
        probabilidades(rows, total);
        MarkcrossResult crossed = markcross(rows, platform_, view, &stop);
        if (stop.seen()) break;
        for (GaRow& row : rows) {
            row.cadena = row.nueva.value_or("");
            row.decimal = valorbinario(row.cadena);
        }
        run.rows = std::move(rows);
        run.copies = std::move(copies);
        run.borrar2 = std::move(crossed.borrar2);
        run.pending = run.mating_pending = true;
        ++run.generation;
        view.listing(population_lines(run.rows));
        run.totals.push_back(total);
        run.totals_listing.push_back(total_line(total));
        view.listing(run.totals_listing);
        run.best = representative(run.rows);
        if (total == previous_total) {
            ++repeats;
        } else {
            repeats = 0;
            previous_total = total;
        }
        draw_generation(w.Curva, run.drawn_before, run.generation, {total});
        if (!store_progress(run, false)) return false;
        // The bar counts passes; a pass has no known number of generations.
        session_.report_progress(Progress{run.pass, run.passes,
                                          "Pasada " + format_int(run.pass) + " - generacion " +
                                              format_int(run.generation) + " - fitness total" + format_short(total)});
        if (stop.requested()) break;
        if (generation_limit_) {
            if (run.generation >= *generation_limit_) break;
            repeats = 0;
        }
    } while (repeats < 1);
    run.stopping = stop.seen();
    return true;
}

// ---- The Torneo method ----

double GeneticSearch::tournament_score(RunState& run, const std::string& chromosome, StopCheck& stop) {
    if (const auto found = run.scores.find(chromosome); found != run.scores.end()) return found->second;
    if (stop.requested()) return std::numeric_limits<double>::quiet_NaN();
    const double value = fitness(chromosome);
    run.scores.emplace(chromosome, value);
    return value;
}

bool GeneticSearch::tournament_generations(RunState& run, GenerationView& view) {
    GaWindow& w = window();
    StopCheck stop(platform_);
    const double rate = std::min(kMaxBitRate, mutations_per_chromosome_ / static_cast<double>(run.length));
    const size_t n = run.rows.size();
    // Rows and ranks are renewed only when a generation is whole, so a
    // stop leaves the last whole one as it was.
    std::vector<GaRow> rows = run.rows;
    std::vector<double> ranks(n);
    auto score_rows = [&](std::vector<GaRow>& scored, std::vector<double>& scored_ranks) {
        for (size_t i = 0; i < scored.size(); ++i) {
            const double value = tournament_score(run, scored[i].cadena, stop);
            if (stop.seen()) return false;
            scored[i].fitness = std::isnan(value) ? std::nullopt : std::optional<double>(value);
            scored_ranks[i] = tournament_rank(value, run.rule);
        }
        // Only a whole generation's chromosomes join the hall of fame.
        for (size_t i = 0; i < scored.size(); ++i) {
            run.fame.offer(scored[i].cadena, scored[i].fitness.value_or(std::numeric_limits<double>::quiet_NaN()),
                           scored_ranks[i]);
        }
        return true;
    };
    if (!score_rows(rows, ranks)) {
        run.stopping = true;
        return true;
    }
    for (size_t i = 0; i < n; ++i) rows[i].recno = static_cast<long long>(i) + 1;
    run.rows = rows;
    run.pending = true;
    auto best_of = [](const std::vector<double>& r) {
        return static_cast<size_t>(std::max_element(r.begin(), r.end()) - r.begin());
    };
    while (run.generation < run.generations_asked) {
        platform_.reseed();
        std::vector<GaRow> next(n);
        std::vector<double> next_ranks(n);
        // The best passes unchanged, first in the table.
        const size_t elite = best_of(ranks);
        next[0].cadena = rows[elite].cadena;
        for (size_t i = 1; i < n && !stop.requested(); i += 2) {
            std::string a = rows[tournament_pick(ranks, platform_)].cadena;
            std::string b = rows[tournament_pick(ranks, platform_)].cadena;
            one_point_crossover(a, b, kCrossoverChance, platform_);
            mutate_bits(a, rate, platform_);
            next[i].cadena = std::move(a);
            if (i + 1 < n) {
                mutate_bits(b, rate, platform_);
                next[i + 1].cadena = std::move(b);
            }
        }
        if (stop.seen() || !score_rows(next, next_ranks)) break;
        double sum = 0;
        long counted = 0;
        for (size_t i = 0; i < n; ++i) {
            next[i].recno = static_cast<long long>(i) + 1;
            next[i].codigo = static_cast<long long>(i) + 1;
            next[i].decimal = valorbinario(next[i].cadena);
            if (std::isfinite(next_ranks[i])) {
                sum += next_ranks[i];
                ++counted;
            }
        }
        rows = std::move(next);
        ranks = std::move(next_ranks);
        run.rows = rows;
        run.pending = true;
        ++run.generation;
        const size_t best = best_of(ranks);
        const double best_score = rows[best].fitness.value_or(std::numeric_limits<double>::quiet_NaN());
        view.listing(population_lines(run.rows));
        run.totals.push_back(best_score);
        run.totals_listing.push_back(total_line(best_score));
        view.listing(run.totals_listing);
        draw_generation(w.Curva, run.drawn_before, run.generation,
                        {best_score, counted > 0 ? sum / static_cast<double>(counted)
                                                 : std::numeric_limits<double>::quiet_NaN()});
        if (!store_progress(run, false)) return false;
        session_.report_progress(Progress{run.pass, run.passes,
                                          "Pasada " + format_int(run.pass) + " - generacion " +
                                              format_int(run.generation) + " - mejor fitness " +
                                              format_short(best_score)});
        if (stop.requested()) break;
    }
    run.stopping = stop.seen();
    return true;
}

bool GeneticSearch::record_tournament_pass(RunState& run) {
    ++run.completed;
    // The last generation holds the pass's best (the elite kept it): the
    // first row of the highest rank.
    size_t best = 0;
    double best_rank = -std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < run.rows.size(); ++i) {
        const double rank = tournament_rank(run.rows[i].fitness.value_or(std::nan("")), run.rule);
        if (i == 0 || rank > best_rank) {
            best = i;
            best_rank = rank;
        }
    }
    run.pass_bests[run.rows[best].cadena] += 1;
    run.converge.clear();
    run.order.clear();
    long long codigo = 0;
    for (const HallOfFame::Entry& e : run.fame.entries()) {
        auto record = std::make_unique<ConvergeRecord>();
        record->codigo = ++codigo;
        record->cadena = e.cadena;
        record->decimal = valorbinario(e.cadena);
        record->fitness = e.fitness;
        const auto passes = run.pass_bests.find(e.cadena);
        record->porc = passes == run.pass_bests.end() ? 0 : static_cast<double>(passes->second);
        record->funcionfitness = run.strategy;
        record->descrip = describir(e.cadena, run.strategy);
        run.order.push_back(record.get());
        run.converge.push_back(std::move(record));
    }
    run.best.cadena = run.rows[best].cadena;
    return store_progress(run, true, [&] {
        std::vector<ConvergeRecord> records;
        for (const auto& r : run.converge) records.push_back(*r);
        write_converge(db_, records);
    });
}

bool GeneticSearch::store_progress(RunState& run, bool force, const std::function<void()>& also) {
    if (!run.pending && !also) return true;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - run.last_store < store_interval_) return true;
    StoreOutcome outcome = StoreOutcome::Stored;
    try {
        outcome = store_result(db_, platform_, [&] {
            if (run.pending) {
                write_ga_rows(db_, "GA", run.rows);
                if (run.mating_pending) {
                    write_mate_copies(db_, run.copies);
                    write_ga_rows(db_, "borrar2", run.borrar2);
                }
                // sumas holds the pass's totals up to its last store, or a
                // former pass's.
                if (run.stored_pass == run.pass) {
                    for (size_t i = run.stored_totals; i < run.totals.size(); ++i) append_total(db_, run.totals[i]);
                } else {
                    write_totals(db_, run.totals);
                }
            }
            if (also) also();
        });
    } catch (const EngineError& error) {
        tell_not_stored_since(run, &error);
        return false;
    }
    if (outcome != StoreOutcome::Stored) {
        tell_not_stored_since(run, nullptr);
        return false;
    }
    run.stored_pass = run.pass;
    run.stored_generation = run.generation;
    run.stored_totals = run.totals.size();
    run.pending = run.mating_pending = false;
    run.last_store = now;
    return true;
}

void GeneticSearch::tell_not_stored_since(const RunState& run, const EngineError* failure) {
    const std::string held =
        run.stored_generation == 0
            ? kHeldAtPassStart + format_int(run.stored_pass)
            : kHeldAtGeneration + format_int(run.stored_generation) + kHeldOfPass + format_int(run.stored_pass);
    if (failure == nullptr) {
        platform_.message(std::string(kStillLocked) + "\r" + held, kStillLockedTitle, Icon::Exclamation);
        return;
    }
    // The engine's own account, without the claim that nothing of the
    // operation was stored: the run's earlier generations were.
    const EngineError plain(failure->what(), failure->code(), failure->from_engine());
    platform_.message(engine_failure_text(plain) + "\r" + held, kStoreFailedTitle, Icon::Critical);
}

bool GeneticSearch::record_pass(RunState& run) {
    // The pass's representative joins converge, or counts once more.
    ++run.completed;
    const double v = valorbinario(run.best.cadena);
    auto found =
        std::find_if(run.order.begin(), run.order.end(), [v](const ConvergeRecord* r) { return r->decimal == v; });
    ConvergeRecord* record;
    if (found == run.order.end()) {
        run.converge.push_back(std::make_unique<ConvergeRecord>());
        record = run.converge.back().get();
        run.order.push_back(record);
    } else {
        record = *found;
    }
    record->codigo = run.completed;
    record->cadena = run.best.cadena;
    record->decimal = v;
    record->fitness = sumafitness(run.rows);
    record->porc += 1;
    record->funcionfitness = run.strategy;
    record->descrip = describir(run.best.cadena, run.strategy);
    // The pass's last generation and its record are stored together.
    return store_progress(run, true, [&] {
        std::vector<ConvergeRecord> records;
        for (const auto& r : run.converge) records.push_back(*r);
        write_converge(db_, records);
    });
}

void GeneticSearch::list_run_converge(RunState& run, GenerationView& view) {
    std::stable_sort(run.order.begin(), run.order.end(),
                     [](const ConvergeRecord* a, const ConvergeRecord* b) { return a->fitness > b->fitness; });
    std::vector<ChromosomeRecord> records;
    for (const ConvergeRecord* r : run.order) {
        records.push_back({r->cadena, r->decimal, r->fitness, r->porc, r->funcionfitness});
    }
    view.listing(chromosome_lines(ChromosomeTable::Converge, window().Text6.text(), records,
                                  [this](const ChromosomeRecord& r) { return listing_description(r); }));
}

std::string GeneticSearch::listing_description(const ChromosomeRecord& record) {
    return describir(record.cadena, record.funcionfitness.empty() ? window().Combo1.text() : record.funcionfitness);
}

std::optional<RunFields> GeneticSearch::read_run_fields() {
    GaWindow& w = window();
    const double n = population_size(w.Text3);
    const double length = chromosome_length(w.Text4);
    const double passes = passes_asked(w.Text5);
    if (const char* problem = field_problem(n, length, passes)) {
        platform_.message(problem);
        return std::nullopt;
    }
    RunFields fields;
    fields.population = static_cast<long>(n);
    fields.length = static_cast<long>(length);
    fields.passes = static_cast<long long>(passes);
    fields.torneo = lower(w.ComboMetodo.text()) == kTorneo;
    if (fields.torneo) {
        const std::optional<long> generations = generations_asked(w.TextGeneraciones.text());
        if (!generations) {
            platform_.message(kGenerationsInvalid);
            return std::nullopt;
        }
        fields.generations = *generations;
    }
    return fields;
}

void GeneticSearch::run_button() {
    GaWindow& w = window();
    Pressed pressed(w.GroupPush3D1);
    // Held until the run's result is shown, so no other run moves it away.
    std::optional<RunClaim> claim;
    if (!run(claim)) return;
    std::vector<ChromosomeRecord> best = read_chromosome_records(w.converge());
    if (!best.empty()) {
        w.Text9.set_text(best.front().cadena + " " + describir(best.front().cadena, w.Combo1.text()));
    }
    if (reports_.exists()) consultas().hide();
}

void GeneticSearch::inverse_button() {
    GaWindow& w = window();
    Pressed pressed(w.GroupPush3D2);
    w.Text7.set_text("SI");
    platform_.message(kTermine + w.Text7.text());
}

// ---- Buttons of the tables ----

void GeneticSearch::fill() {
    const double u = platform_.random();
    db_.execute("delete from series");
    db_.execute_bound("INSERT INTO series (numero, serie1, serie2) VALUES (1, ?, ?)", {Value(u), Value(2 * u + 3)});
    series_.reset();
    window().Data1.source().refresh();
}

void GeneticSearch::list_population() {
    View view(window(), consultas());
    view.listing(population_lines(read_ga_rows(window().ga())));
}

void GeneticSearch::list_totals() {
    View view(window(), consultas());
    view.listing(totals_lines(read_totals(window().sumas())));
}

void GeneticSearch::list_chromosomes(ChromosomeTable table, const std::vector<ChromosomeRecord>& records) {
    start_handler();
    GaWindow& w = window();
    View view(w, consultas());
    view.listing(chromosome_lines(table, w.Text6.text(), records,
                                  [this](const ChromosomeRecord& r) { return listing_description(r); }));
}

void GeneticSearch::list_converge() {
    window().converge().set_record_source(kConvergeOrder);
    list_chromosomes(ChromosomeTable::Converge, read_chromosome_records(window().converge()));
}

void GeneticSearch::list_targets() {
    window().targets().set_record_source(kTargetsOrder);
    list_chromosomes(ChromosomeTable::Targets, read_chromosome_records(window().targets()));
}

void GeneticSearch::show_fitness() {
    std::string text;
    for (const ChromosomeRecord& r : read_chromosome_records(window().converge())) {
        if (!text.empty()) text += "\r";
        text += format_short(r.decimal) + "/" + r.cadena +
                format_short(std::floor(r.fitness * kPrintFitnessScale) / kPrintFitnessScale);
    }
    platform_.message(text);
}

void GeneticSearch::vorn() {
    main_.Timer1.set_interval(1);
    main_.Text10.set_text(kVornCode);
    main_.show();
}

void GeneticSearch::print_button() {
    Pressed pressed(window().GroupPush3D3);
    imprimir(kPrintRequest);
}

void GeneticSearch::imprimir(const std::string& text) {
    const size_t bang = text.find('!');
    const std::string title = text.substr(0, bang);
    std::vector<std::string> fields;
    if (bang != std::string::npos) {
        std::string_view rest = std::string_view(text).substr(bang + 1);
        while (!rest.empty()) {
            const size_t comma = rest.find(',');
            fields.emplace_back(trim(rest.substr(0, comma)));
            rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        }
    }
    std::vector<std::string> lines;
    try {
        DataSource& ga = window().ga();
        QueryResult result = ga.refresh_and_read(fields);
        std::vector<std::vector<std::string>> records;
        for (const auto& row : result.rows) {
            std::vector<std::string> values;
            for (size_t i = 1; i < row.size(); ++i) {
                const Value& v = row[i];
                values.push_back(is_null(v) ? "" : is_numeric(v) ? format_short(as_number(v)) : as_text(v));
            }
            records.push_back(std::move(values));
        }
        lines = printed_lines(title, records);
    } catch (const EngineError&) {
        // What the print asks of the table cannot be read (a field it does
        // not have): the print fails. Any other fault is not the printer's
        // and goes to the handler boundary as such.
        platform_.message(kPrintFailed);
        return;
    }
    platform_.print_lines(lines);
    platform_.message(kPrintDone);
}

// ---- Out-of-sample check ----

namespace {

// Sums of returns with four decimals, printed without the noise of the
// sum's last binary digits.
std::string score_text(double score) { return format_short(std::round(score * 1e4) / 1e4); }
std::string percent_text(const std::optional<double>& percent) {
    return percent ? format_short(std::round(*percent * 100) / 100) + "%" : " -";
}

// A market year as the previous-month reading sees it; nothing when the
// table cannot be one (it is then left out of that column).
MarketHistory validation_history(Database& db) {
    MarketHistory history;
    try {
        if (history.add_year(kValidationYear - 1, read_year_rows(db, kAcciones)))
            history.add_year(kValidationYear, read_year_rows(db, kMercap));
    } catch (const EngineError&) {
        // A table without the columns of a market year: no such column.
    }
    return history;
}

}  // namespace

void GeneticSearch::validar() {
    start_handler();
    GaWindow& w = window();
    double cost = 0;
    if (!parse_number_strict(w.TextCosto.text(), cost) || !(cost >= 0 && cost < 100)) {
        platform_.message(kCostInvalid);
        return;
    }
    w.converge().set_record_source(kConvergeOrder);
    const std::vector<ChromosomeRecord> records = read_chromosome_records(w.converge());
    const MarketTable& y2018 = market(kAcciones);
    const MarketTable& y2019 = market(kMercap);
    const MarketHistory history = validation_history(db_);
    const std::vector<int> span = history.has_year(kValidationYear) ? history.year_span(kValidationYear)
                                                                     : std::vector<int>{};
    std::vector<std::string> lines{kValidarTitle};
    for (const ChromosomeRecord& r : records) {
        const std::string name = lower(r.funcionfitness);
        const Strategy* strategy = find_strategy(name);
        const bool is_rule = strategy != nullptr && !strategy->market_table.empty();
        const MarketTable& own = is_rule ? market(strategy->market_table) : y2019;
        const std::optional<DecodedRule> rule = is_rule ? decode_rule(r.cadena, own) : std::nullopt;
        if (!rule) {
            lines.push_back(r.cadena + "\t" + kNotARule);
            continue;
        }
        // The rule in words with the series of the year it is scored on.
        auto words = [&rule](const MarketTable& year) {
            auto series_name = [&year](long long numero) {
                const MarketSeries* s = year.find(numero);
                return s ? s->nombre : "serie" + format_short(static_cast<double>(numero));
            };
            const std::string first = series_name(rule->left1) + " " + rule->op1 + " " + series_name(rule->right1);
            const std::string second = series_name(rule->left2) + " " + rule->op2 + " " + series_name(rule->right2);
            std::string text = "Comprar " + series_name(rule->traded) + " en los meses en que ";
            if (rule->connector == "and") return text + first + " y " + second;
            if (rule->connector == "or") return text + first + " o " + second;
            if (rule->connector == "not") return text + "no " + first + " y " + second;
            return text + first;
        };
        // Buying at the first month's start and selling at the year's end.
        auto hold = [&rule](const MarketTable& table) -> std::optional<double> {
            const MarketSeries* s = table.find(rule->traded);
            if (!s || is_statistic_name(s->nombre)) return std::nullopt;
            double growth = 1;
            for (double month : s->months) growth *= 1 + month / 100;
            return (growth - 1) * 100;
        };
        std::string line = r.cadena + "\t" + words(y2018) + "\t2018:" + score_text(score_rule(r.cadena, y2018).score) +
                           "\tcomprar y mantener 2018:" + percent_text(hold(y2018)) + "\t" + words(y2019) +
                           "\t2019:" + score_text(score_rule(r.cadena, y2019).score) +
                           "\tcomprar y mantener 2019:" + percent_text(hold(y2019)) + "\t" + kPreviousMonth;
        const std::optional<SignalRule> signal =
            span.empty() ? std::nullopt : readable_rule(r.cadena, history.series_count());
        if (signal) {
            line += percent_text(rule_return(*signal, history, span, cost).percent);
            if (reads_traded_series(*signal)) line += std::string("\t") + kReadsTraded;
            if (reads_statistic(*signal, history)) line += std::string("\t") + kReadsStatistic;
        } else {
            line += " -";
        }
        lines.push_back(std::move(line));
    }
    View view(w, consultas());
    view.listing(std::move(lines));
}

}  // namespace vorn::ga
