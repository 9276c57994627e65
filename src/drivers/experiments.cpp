#include "drivers/experiments.h"

#include <algorithm>
#include <cmath>

#include "drivers/pipeline.h"
#include "exchange/pattern_files.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/report_window.h"
#include "shell/scoped_flag.h"
#include "shell/store_phase.h"

namespace vorn::drivers {

namespace {

constexpr const char* kTestCode = "101010110110";
constexpr const char* kErrorDeEstaPasada = "El error de esta pasada es:";
constexpr const char* kNotNumero = "data4.Recordset.Fields(0).Name <> numero , sino ";
constexpr const char* kRecordSourceIs = "data4.recordsource= ";
constexpr const char* kLogTable = "PasadasBPN";
constexpr const char* kBy = " de ";
constexpr const char* kStoppedExperiment = "Experimento detenido: no se guardo";
constexpr const char* kShortChromosome =
    "La estrategia Red necesita cromosomas de al menos 12 bits: los mas cortos tienen fitness 0.";

constexpr const char* kPurgeAboveOne = "delete pasadasbpn.* from pasadasbpn where error>1";
constexpr const char* kPurgeZero = "delete pasadasbpn.* from pasadasbpn where error=0";
constexpr const char* kPurgeAboveMean = "delete pasadasbpn.* from pasadasbpn where error>=";
constexpr const char* kByError = "SELECT PASADASBPN.* FROM PASADASBPN ORDER BY ERROR";

constexpr const char* kInsertLogRow =
    "INSERT INTO PasadasBPN (numero, tramas, errorminimo, error, nropasadas, velocidaddeaprendizaje) "
    "VALUES (?, ?, ?, ?, ?, ?)";
// The whole curve in one statement: its points arrive as one JSON array.
constexpr const char* kInsertCurve =
    "INSERT INTO PasadasBPNCurva (curva_de, pasada, error) "
    "SELECT ?, json_extract(value, '$[0]'), json_extract(value, '$[1]') FROM json_each(?)";
constexpr const char* kCurveOf = "SELECT pasada, error FROM PasadasBPNCurva WHERE curva_de = ? ORDER BY pasada";
constexpr const char* kLoggedAs = "SELECT numero, tramas FROM PasadasBPN WHERE rowid = ?";
constexpr const char* kCurveRunning = "Experimento en curso";
constexpr const char* kCurveNotStored = "Experimento no guardado";
constexpr const char* kCurveGone = "Experimento que ya no esta en el registro";

constexpr const char* kRestoreTitle = "Restaurar tramas anteriores";
constexpr const char* kNothingToRestore =
    "No hay tramas anteriores: ning\xC3\xBAn experimento de arranque reemplaz\xC3\xB3 tramas de esta base de datos.";
constexpr const char* kRestoreQuestion =
    "\xC2\xBFVolver a poner las tramas y los pesos que reemplaz\xC3\xB3 el \xC3\xBAltimo experimento de arranque?\r";
constexpr const char* kRestoreQuestionEnd = " reemplazar\xC3\xA1n a los de BPN y BPNPESOS.";
constexpr const char* kRestored = "Se restauraron ";
constexpr const char* kStoredSum = "SELECT suma FROM SumasArranque WHERE tabla = ?";
constexpr const char* kForgetSum = "DELETE FROM SumasArranque WHERE tabla = ?";
constexpr const char* kRememberSum = "INSERT INTO SumasArranque (tabla, suma) VALUES (?, ?)";

// The two tables the start-up experiment replaces, and where the user's
// rows are kept.
struct KeptTable {
    const char* table;
    const char* copy;
    const char* columns;
};
constexpr KeptTable kKeptTables[] = {
    {"BPN", "bpnanterior", "capa, fila, columna, valor, nombre"},
    {"BPNPESOS", "bpnpesosanterior", "capa, fila, columna, valor"},
};

constexpr size_t kCodeBits = 12;
constexpr int kMaxCurvePoints = 1000;
constexpr int kRepetitions = 100;
constexpr int kMaxFramesPerExperiment = 8;
constexpr size_t kMaxDescription = 254;
constexpr size_t kListedDescription = 50;
constexpr double kFitnessOffset = 0.001;

std::string n2s(double n) { return format_sql(n); }

// The title of a logged experiment's curve: the number and frames its
// line of the "BD4" listing shows.
std::string logged_title(const Value& numero, const Value& tramas) {
    std::string title = "Experimento";
    if (is_numeric(numero)) title += " " + format_int(static_cast<long long>(as_number(numero)));
    const std::string frames = is_null(tramas) ? std::string() : as_text(tramas);
    if (!frames.empty()) title += ": " + frames.substr(0, kListedDescription);
    return title;
}

// The number text of a list line: leading blank when not negative; a null
// shows nothing.
std::string shown(const Value& v) { return is_numeric(v) ? format_short(as_number(v)) : std::string(); }

// A checksum of every row of a table in rowid order (FNV-1a over the
// values' texts), with the row count in front. `schema` is "main" for the
// stored table, "temp" for the experiment's working copy.
std::string table_sum(Database& db, const KeptTable& kept, const char* schema) {
    QueryResult rows = db.query_bound(
        std::string("SELECT ") + kept.columns + " FROM " + schema + "." + kept.table + " ORDER BY rowid", {});
    std::uint64_t hash = 1469598103934665603ULL;
    auto mix = [&hash](std::string_view text) {
        for (unsigned char c : text) {
            hash ^= c;
            hash *= 1099511628211ULL;
        }
        hash ^= 0xff;
        hash *= 1099511628211ULL;
    };
    for (const auto& row : rows.rows) {
        for (const Value& v : row) mix(is_null(v) ? std::string("\x01") : is_numeric(v) ? n2s(as_number(v)) : as_text(v));
    }
    return format_int(static_cast<long long>(rows.rows.size())) + ":" + format_int(static_cast<long long>(hash >> 1));
}

// The experiment's working copies: TEMP tables named BPN and BPNPESOS
// shadow the stored ones for every unqualified statement of this
// connection, so the pipeline, "P.Ini" and the training work on them as
// they are, while the stored tables, and the write lock, are left alone
// until the experiment stores its result. Dropped when it ends, stored or
// not; a killed program leaves nothing of them, as TEMP tables die with
// the connection.
class WorkingTables {
public:
    explicit WorkingTables(Database& db) : db_(db) {
        drop();
        for (const KeptTable& kept : kKeptTables) {
            QueryResult made = db_.query_bound(
                "SELECT sql FROM main.sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE",
                {Value(std::string(kept.table))});
            const std::string create = made.rows.empty() ? std::string() : as_text(made.rows[0][0]);
            constexpr std::string_view kCreate = "CREATE TABLE";
            if (create.size() < kCreate.size() || lower(create.substr(0, kCreate.size())) != lower(kCreate))
                throw EngineError(std::string("no such table: ") + kept.table, 1);
            db_.execute_script("CREATE TEMP TABLE" + create.substr(kCreate.size()));
            db_.execute_script(std::string("INSERT INTO temp.") + kept.table + " (" + kept.columns + ") SELECT " +
                               kept.columns + " FROM main." + kept.table + " ORDER BY rowid");
        }
        resolve_again();
        db_.set_writing_working_copies(true);
    }
    ~WorkingTables() {
        db_.set_writing_working_copies(false);
        try {
            drop();
            resolve_again();
        } catch (const EngineError&) {
            // The connection's TEMP tables go with it at the latest.
        }
    }
    WorkingTables(const WorkingTables&) = delete;
    WorkingTables& operator=(const WorkingTables&) = delete;

    // The experiment is computed: what follows stores it for real.
    void finish_work() { db_.set_writing_working_copies(false); }
    // Inside a store phase: the stored tables become the working copies.
    void store() {
        for (const KeptTable& kept : kKeptTables) {
            db_.execute_script(std::string("DELETE FROM main.") + kept.table);
            db_.execute_script(std::string("INSERT INTO main.") + kept.table + " (" + kept.columns + ") SELECT " +
                               kept.columns + " FROM temp." + kept.table + " ORDER BY rowid");
        }
    }

private:
    void drop() {
        db_.forget_statements();
        for (const KeptTable& kept : kKeptTables) db_.execute_script(std::string("DROP TABLE IF EXISTS temp.") + kept.table);
    }
    // Kept statements and cursors were resolved against the other table of
    // the name.
    void resolve_again() {
        db_.forget_statements();
        db_.refresh_all_sources();
    }

    Database& db_;
};

long clamp_count(double x) {
    if (!std::isfinite(x)) return 0;
    return static_cast<long>(std::clamp(std::floor(x), -1e6, 1e6));
}

}  // namespace

long binario_a_decimal(std::string_view text) {
    text = trim(text);
    long value = 0;
    for (char c : text) {
        const long digit = c >= '0' && c <= '9' ? c - '0' : 0;
        value = value * 2 + digit;
    }
    return value;
}

Experiments::Experiments(MainWindow& window, Platform& platform, Network& network, frames::FrameToolkit& toolkit,
                         DatasetPipeline& pipeline, ReportWindows& reports, exchange::PatternFiles& files)
    : w_(window),
      platform_(platform),
      network_(network),
      toolkit_(toolkit),
      pipeline_(pipeline),
      reports_(reports),
      files_(files) {}

void Experiments::connect() {
    w_.Command41.set_handler([this] { experimento_aleatorio(); }, Access::Writes);
    w_.Command44.set_handler([this] { probar_codigo(); }, Access::Writes);
    w_.Command45.set_handler([this] { purgar_y_repetir(); }, Access::Writes);
    w_.restaurartramas.set_handler([this] { restaurar_tramas_anteriores(); }, Access::Writes);
    w_.Command42.set_handler([this] { listar_pasadas(); });
    w_.Timer1.set_handler([this] { temporizador(); });
    w_.Timer1.observe([this](Change) {
        if (!in_timer_ && w_.Timer1.interval() == 0) startup_pending_ = false;
    });
    auto wire_list = [this](ReportWindow& consultas) {
        consultas.List1.set_activation_handler([this](int index) { dibujar_curva(index); });
    };
    if (reports_.exists()) wire_list(reports_.get());
    reports_.on_created(wire_list);
}

void Experiments::begin_history() {
    // The training has just named its curve; within an experiment it is the
    // experiment's, which gets its number in the log once stored.
    if (in_experiment_ && reports_.exists()) reports_.get().Curva.set_title(kCurveRunning);
    history_.clear();
    history_wanted_ = false;
    files_.begin_history();
}

void Experiments::add_pass(double mean_error) {
    history_.add(mean_error);
    files_.add_pass(mean_error);
}

void Experiments::keep_history(bool weights_stored) {
    // An experiment's history becomes "test.csv" with the experiment.
    if (in_experiment_) {
        history_wanted_ = weights_stored;
        return;
    }
    files_.keep_history(weights_stored);
}

void Experiments::discard_history() { files_.discard_history(); }

std::optional<double> Experiments::experimento_aleatorio() { return run_experiment({true, ""}); }

std::optional<double> Experiments::experimento_codificado(std::string_view code) {
    return run_experiment({false, std::string(code)});
}

std::optional<double> Experiments::run_experiment(const Settings& settings, bool startup) {
    Database& db = w_.pasadas().database();
    end_load_phase(db);
    struct InExperiment {
        Experiments& e;
        explicit InExperiment(Experiments& x) : e(x) {
            e.in_experiment_ = true;
            e.history_wanted_ = false;
            e.files_.hold_last_step();
        }
        // Whatever ends the experiment early leaves the files as they were.
        ~InExperiment() {
            if (!e.in_experiment_) return;
            e.in_experiment_ = false;
            e.files_.discard_history();
            e.files_.release_last_step(false);
        }
    } in_experiment(*this);
    std::optional<WorkingTables> working(std::in_place, db);

    std::string description;
    if (!build_frames(settings, description)) {
        working.reset();
        abandon();
        return std::nullopt;
    }
    toolkit_.informacion();
    network_.inicializar_pesos();
    check_log_source();
    end_load_phase(db);

    const double errorminimo = parse_leading(w_.Text6.text());
    history_.clear();
    const auto started = std::chrono::steady_clock::now();
    const double error = network_.entrenar(engine::TrainingStop::Abandon);
    training_time_ += std::chrono::steady_clock::now() - started;
    if (platform_.stop_requested()) {
        working.reset();
        if (reports_.exists()) reports_.get().Curva.set_title(kStoppedExperiment);
        abandon();
        return std::nullopt;
    }
    const double nropasadas = parse_leading(w_.Text7.text());
    const double velocidad = parse_leading(w_.Text8.text());

    // At most kMaxCurvePoints passes, evenly spaced, the first and the last
    // always among them.
    std::string points = "[";
    const std::vector<std::pair<long long, double>> curve = history_.points(kMaxCurvePoints);
    for (const auto& [pass, e] : curve) {
        if (points.size() > 1) points += ",";
        points += "[" + format_int(pass) + "," + (std::isfinite(e) ? n2s(e) : "null") + "]";
    }
    points += "]";

    const LocalTime now = to_local_time(platform_.now());
    const auto numero = static_cast<std::int64_t>(std::floor(now.day_fraction() * 10000));
    const std::string tramas = description.substr(0, kMaxDescription);
    auto number_or_null = [](double x) { return std::isfinite(x) ? Value(x) : Value(); };
    working->finish_work();
    const bool stored = store_or_tell(db, platform_, [&] {
        if (startup) keep_user_tables();
        working->store();
        db.execute_bound(kInsertLogRow, {Value(numero), Value(tramas), number_or_null(errorminimo),
                                         number_or_null(error), number_or_null(nropasadas), number_or_null(velocidad)});
        const std::int64_t row = std::get<std::int64_t>(db.query_bound("SELECT last_insert_rowid()", {}).rows[0][0]);
        if (!curve.empty() && db.table_exists("PasadasBPNCurva")) db.execute_bound(kInsertCurve, {Value(row), Value(points)});
        if (startup) remember_startup_tables();
    });
    working.reset();
    w_.pasadas().refresh();
    if (reports_.exists()) {
        reports_.get().Curva.set_title(stored ? logged_title(Value(numero), Value(tramas)) : kCurveNotStored);
    }
    if (!stored) return std::nullopt;
    // Stored: the files follow the tables.
    in_experiment_ = false;
    if (history_wanted_) {
        files_.keep_history(true);
    } else {
        files_.discard_history();
    }
    files_.release_last_step(true);
    w_.Text1.set_text(format_short(error));
    return error;
}

bool Experiments::build_frames(const Settings& settings, std::string& description) {
    w_.Text1.set_text("");
    toolkit_.borrartodas();
    w_.Text2.set_text("0");
    w_.Text3.set_text("0");
    if (settings.random) w_.Text9.set_text("NO");

    const std::string code = settings.random ? std::string() : std::string(trim(settings.code));
    auto bits = [&code](size_t first) { return first < code.size() ? code.substr(first, 4) : std::string(); };
    long n = 0;
    if (settings.random) {
        platform_.reseed();
        n = static_cast<long>(std::floor(platform_.random() * kMaxFramesPerExperiment));
    } else {
        n = binario_a_decimal(bits(0));
    }
    if (n == 0) n = 1;

    // Both settings name a frame: at least 1 after every correction, so
    // that the first step, built while the frame count is still 0, names
    // frame 1.
    auto setting = [&](size_t first) {
        const long count = clamp_count(parse_leading(w_.Text3.text()));
        long v = 0;
        if (settings.random) {
            v = static_cast<long>(std::floor(platform_.random() * static_cast<double>(std::max(count, 0L))));
        } else {
            v = binario_a_decimal(bits(first));
            if (v == 0) v = 1;
            if (v > count) v = count;
        }
        return static_cast<int>(std::max(v, 1L));
    };

    for (long k = 1; k <= n; ++k) {
        if (platform_.stop_requested()) return false;
        if (settings.random) {
            w_.Command41.set_caption(format_int(k) + kBy + format_int(n));
            platform_.reseed();
        }
        int a = setting(4);
        int b = setting(8);
        description += n2s(a) + "=" + n2s(b);
        pipeline_.generartrama(a, b);
    }
    return !platform_.stop_requested();
}

void Experiments::abandon() {
    in_experiment_ = false;
    files_.discard_history();
    files_.release_last_step(false);
    w_.pasadas().refresh();
    platform_.message(kStoppedExperiment);
}

void Experiments::check_log_source() {
    DataSource& log = w_.pasadas();
    log.refresh();
    if (log.record_count() > 0) log.move_last();
    const std::string first = log.field_count() > 0 ? log.field_name(0) : std::string();
    if (lower(first) == "numero") return;
    platform_.message(kNotNumero + first + "\r" + kRecordSourceIs + log.record_source());
    log.set_record_source(kLogTable);
    log.refresh();
}

void Experiments::probar_codigo() {
    w_.Text10.set_text(kTestCode);
    std::optional<double> error = experimento_codificado(trim(w_.Text10.text()));
    if (error) platform_.message(kErrorDeEstaPasada + format_short(*error));
}

void Experiments::purgar_y_repetir() {
    Database& db = w_.pasadas().database();
    db.execute(kPurgeAboveOne);
    db.execute(kPurgeZero);
    // An empty log (or one without any error) has no average to purge by.
    Value mean = toolkit_.promedio(4, "pasadasbpn", "error");
    if (is_numeric(mean) && std::isfinite(as_number(mean)))
        db.execute(kPurgeAboveMean + std::string(trim(format_short(as_number(mean)))));
    DataSource& log = w_.pasadas();
    log.refresh();
    if (log.record_count() > 0) log.move_last();
    end_load_phase(db);

    w_.Text12.set_text("0");
    const LongRun long_run(platform_);
    for (int k = 0; k < kRepetitions; ++k) {
        w_.Text12.set_text(format_general(parse_leading(w_.Text12.text()) + 1));
        w_.Text12.refresh();
        if (progress_) progress_(Progress{k + 1, kRepetitions,
                                   "Experimento " + format_int(k + 1) + " de " + format_int(kRepetitions)});
        if (!experimento_aleatorio()) return;
        if (platform_.stop_requested()) return;
    }
}

void Experiments::listar_pasadas() {
    ReportWindow& consultas = reports_.get();
    consultas.clear();
    consultas.hide_list();
    DataSource& log = w_.pasadas();
    const std::string kept = log.record_source();
    log.set_record_source(kByError);
    QueryResult rows = log.refresh_and_read({"numero", "error", "nropasadas", "errorminimo", "tramas"});
    // A double-click on line i draws experiment i, so the column titles go
    // above the list, in the lines' own columns: each title shorter than a
    // tab stop, as the numbers usually are.
    consultas.set_heading("N\xC3\xBAmero\tError\tPasadas\tErr.m\xC3\xADn\tTramas");
    listed_rows_.clear();
    for (const auto& row : rows.rows) {
        const Value& error = row[2];
        Value percent = is_numeric(error) ? Value(std::floor(as_number(error) * 10000) / 100) : Value();
        Value minimum = is_numeric(row[4]) ? Value(as_number(row[4]) * 100) : Value();
        std::string tramas = is_null(row[5]) ? std::string() : as_text(row[5]);
        consultas.add_line(shown(row[1]) + "-\t" + shown(percent) + "%\t" + shown(row[3]) + ",\t" + shown(minimum) +
                           "%\t" + tramas.substr(0, kListedDescription));
        listed_rows_.push_back(is_null(row[0]) ? -1 : std::get<std::int64_t>(row[0]));
    }
    consultas.refresh();
    consultas.show_list();
    consultas.show();
    list_revision_ = consultas.List1.revision();
    log.set_record_source(kept);
    log.refresh();
}

void Experiments::dibujar_curva(int index) {
    ReportWindow& consultas = reports_.get();
    if (consultas.List1.revision() != list_revision_ || index < 0 ||
        static_cast<size_t>(index) >= listed_rows_.size()) {
        return;
    }
    Database& db = w_.pasadas().database();
    const Value row_id(listed_rows_[static_cast<size_t>(index)]);
    std::vector<Plot::Point> points;
    if (db.table_exists("PasadasBPNCurva")) {
        QueryResult curve = db.query_bound(kCurveOf, {row_id});
        for (const auto& row : curve.rows) {
            if (is_numeric(row[0]) && is_numeric(row[1])) points.push_back({as_number(row[0]), as_number(row[1])});
        }
    }
    const QueryResult logged = db.query_bound(kLoggedAs, {row_id});
    Plot& plot = consultas.Curva;
    plot.set_points(std::move(points));
    plot.set_title(logged.rows.empty() ? std::string(kCurveGone) : logged_title(logged.rows[0][0], logged.rows[0][1]));
    plot.set_axis_titles("Pasada", "Error medio");
    plot.set_line_names({});
    plot.set_error_curve(true);
    plot.refresh();
    consultas.show();
}

void Experiments::keep_user_tables() {
    Database& db = w_.pasadas().database();
    for (const KeptTable& kept : kKeptTables) {
        QueryResult any = db.query_bound(std::string("SELECT EXISTS (SELECT 1 FROM main.") + kept.table + ")", {});
        if (as_number(any.rows[0][0]) == 0) continue;
        QueryResult left = db.query_bound(kStoredSum, {Value(std::string(kept.table))});
        if (!left.rows.empty() && as_text(left.rows[0][0]) == table_sum(db, kept, "main")) continue;
        db.execute_bound(std::string("DELETE FROM ") + kept.copy, {});
        db.execute_bound(std::string("INSERT INTO ") + kept.copy + " (" + kept.columns + ") SELECT " + kept.columns +
                             " FROM main." + kept.table + " ORDER BY rowid",
                         {});
    }
}

void Experiments::restaurar_tramas_anteriores() {
    Database& db = w_.pasadas().database();
    std::vector<long long> kept;
    for (const KeptTable& table : kKeptTables) {
        kept.push_back(static_cast<long long>(
            as_number(db.query(std::string("SELECT count(*) FROM ") + table.copy).rows.at(0).at(0))));
    }
    if (kept[0] + kept[1] == 0) {
        platform_.message(kNothingToRestore, kRestoreTitle, Icon::Information);
        return;
    }
    const std::string what = format_int(kept[0]) + " filas de tramas y " + format_int(kept[1]) + " pesos";
    if (platform_.question(kRestoreQuestion + what + kRestoreQuestionEnd, kRestoreTitle, Icon::Question, Answer::No) !=
        Answer::Yes) {
        return;
    }
    const bool stored = store_or_tell(db, platform_, [&] {
        for (size_t i = 0; i < std::size(kKeptTables); ++i) {
            const KeptTable& table = kKeptTables[i];
            // A table the experiment did not replace stays as it is.
            if (kept[i] == 0) continue;
            db.execute(std::string("DELETE FROM ") + table.table);
            db.execute(std::string("INSERT INTO ") + table.table + " (" + table.columns + ") SELECT " + table.columns +
                       " FROM " + table.copy + " ORDER BY rowid");
        }
    });
    if (!stored) return;
    w_.bpn().refresh();
    w_.pesos().refresh();
    platform_.message(kRestored + what + ".", kRestoreTitle, Icon::Information);
}

void Experiments::remember_startup_tables() {
    Database& db = w_.pasadas().database();
    for (const KeptTable& kept : kKeptTables) {
        db.execute_bound(kForgetSum, {Value(std::string(kept.table))});
        db.execute_bound(kRememberSum, {Value(std::string(kept.table)), Value(table_sum(db, kept, "main"))});
    }
}

void Experiments::temporizador() {
    const ScopedFlag in_timer(in_timer_);
    const bool startup = startup_pending_;
    startup_pending_ = false;

    if (w_.Text10.text() == "text10") w_.Text10.set_text(kTestCode);
    w_.Text11.set_text("0");
    w_.Text12.set_text("0");
    for (const char* set : {"Set1", "Set2", "Set3"}) w_.Combo1.add_item(set);
    w_.Combo1.set_text("Set1");

    Database& db = w_.pasadas().database();
    // A read-only database has already been announced at start: the
    // start-up experiment is skipped without another word.
    const bool skip = startup ? db.read_only() : refuse_if_read_only(db, platform_);
    if (!skip) {
        std::optional<double> error = run_experiment({false, w_.Text10.text()}, startup);
        // Only a stored experiment is handed on.
        if (error) {
            w_.Text11.set_text(format_short(*error));
            platform_.message(kErrorDeEstaPasada + w_.Text11.text());
            if (ga_hand_off_) ga_hand_off_(w_.Text10.text(), w_.Text11.text());
        }
    }
    w_.Timer1.set_interval(0);
}

RedFitness::RedFitness(Experiments& experiments, Platform& platform)
    : experiments_(experiments), platform_(platform) {}

void RedFitness::reset() {
    fitness_of_code_.clear();
    told_short_ = false;
}

double RedFitness::operator()(const std::string& chromosome) {
    if (chromosome.size() < kCodeBits) {
        if (!told_short_) platform_.message(kShortChromosome);
        told_short_ = true;
        return 0;
    }
    const std::string code = chromosome.substr(0, kCodeBits);
    if (auto known = fitness_of_code_.find(code); known != fitness_of_code_.end()) return known->second;
    std::optional<double> error = experiments_.experimento_codificado(code);
    // An experiment that could not be logged is tried again next time.
    if (!error) return 0;
    const double fitness = std::isfinite(*error) ? 1 / (*error + kFitnessOffset) : 0;
    fitness_of_code_.emplace(code, fitness);
    return fitness;
}

std::string RedFitness::describir(const std::string& chromosome) { return "Red=" + chromosome.substr(0, kCodeBits); }

}  // namespace vorn::drivers
