#include "drivers/study.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <thread>

#include "exchange/pattern_files.h"
#include "ga/ga_window.h"
#include "ga/genetic_search.h"
#include "ga/tables.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/report_window.h"
#include "shell/run_claim.h"
#include "shell/session.h"
#include "shell/store_phase.h"

namespace vorn::drivers {

namespace {

constexpr const char* kHistoryTable = "AccionesHistoricas";
constexpr const char* kStudyFile = "estudio.csv";
constexpr const char* kNoHistory =
    "La base de datos no tiene la tabla AccionesHistoricas: el estudio no se puede hacer";
constexpr const char* kBadHistory = "La tabla AccionesHistoricas no tiene en el a\xC3\xB1o ";
constexpr const char* kBadHistoryEnd =
    " las mismas series, numeradas desde 1, que en los a\xC3\xB1os anteriores: el estudio no se puede hacer";
constexpr const char* kOtherRunning =
    "Otro programa esta ejecutando el algoritmo genetico o un estudio sobre esta base de datos";
constexpr const char* kStopped = "Estudio detenido: no se guardo";
constexpr const char* kCannotWriteCsv = "No se pudo escribir ";
constexpr const char* kNoStudies = "No hay estudios guardados";
constexpr const char* kStudiesTitle = "Estudios guardados";
// The largest number of random rules a year keeps in memory.
constexpr long kMaxRandomRules = 1000000;

struct WholeField {
    const char* name;
    long long least, most;
};

// A field that must hold a whole number from least to most; the message
// names the field.
std::optional<long long> whole_field(const std::string& text, const WholeField& field, std::string& problem) {
    double value = 0;
    if (!parse_number_strict(text, value) || value != std::floor(value) || value < static_cast<double>(field.least) ||
        value > static_cast<double>(field.most)) {
        problem = std::string(field.name) + " debe ser un numero entero de " + format_int(field.least) + " a " +
                  format_int(field.most);
        return std::nullopt;
    }
    return static_cast<long long>(value);
}

std::string two_digits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

std::string date_text(const LocalTime& t) {
    return std::to_string(t.year) + "-" + two_digits(t.month) + "-" + two_digits(t.day) + " " + two_digits(t.hour) +
           ":" + two_digits(t.minute) + ":" + two_digits(static_cast<int>(std::floor(t.second)));
}

// A number with a fixed count of decimals and a decimal point, so that
// the listing's columns line up.
std::string fixed(double value, int decimals) {
    std::array<char, 64> buffer{};
    const auto [end, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    std::string text = ec == std::errc() ? std::string(buffer.data(), end) : format_sql(value);
    // No "-0.00" for a loss that rounds away.
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

// A percentage in the listings: two decimals, "-" for none.
std::string percent(const std::optional<double>& value) { return value ? fixed(*value, 2) : "-"; }

// A number in "estudio.csv": four decimals at most, a decimal point,
// nothing for none.
std::string csv_number(const std::optional<double>& value) {
    return value ? format_sql(std::round(*value * 1e4) / 1e4) : "";
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

Value optional_value(const std::optional<double>& x) { return x ? Value(*x) : Value(); }

std::string p_text(double p) { return fixed(p, 3); }

std::string settings_text(const StudySettings& s, const ga::GaWindow& w) {
    return "Desde=" + std::to_string(s.desde) + "; Hasta=" + std::to_string(s.hasta) +
           "; A\xC3\xB1os=" + std::to_string(s.anios) + "; Costo %=" + std::string(trim(w.TextCosto.text())) +
           "; Reglas al azar=" + std::to_string(s.azar) + "; Metodo=" + (s.torneo ? "Torneo" : "Clasico") +
           "; Poblacion=" + std::to_string(s.population) + "; Tama\xC3\xB1o Cadena=" + std::to_string(s.length) +
           (s.torneo ? "; Generaciones=" + std::to_string(s.generations) : std::string()) +
           "; Pasadas=" + std::to_string(s.passes);
}

}  // namespace

std::vector<std::string> study_lines(long long estudio, const std::string& parametros, std::uint64_t seed,
                                     const std::vector<StudyYear>& years, const StudySummary& summary) {
    std::vector<std::string> lines{"Estudio " + format_int(estudio) + ": " + parametros + "; semilla " +
                                   std::to_string(seed)};
    lines.push_back("A\xC3\xB1o   Regla %  Entren. %  Oper.  Canasta %  Acci\xC3\xB3n %   Azar %  p-valor  Regla");
    for (const StudyYear& y : years) {
        lines.push_back(std::to_string(y.anio) + padded(percent(y.prueba), 9) + padded(percent(y.entrenamiento), 11) +
                        padded(std::to_string(y.operaciones), 7) + padded(percent(y.canasta), 11) +
                        padded(percent(y.accion), 10) + padded(percent(y.azar), 9) + padded(p_text(y.pvalor), 9) +
                        "  " + y.cadena + "  " + y.descrip);
    }
    lines.push_back("Media anual: regla " + percent(summary.media_regla) + " %, regla al azar " +
                    percent(summary.media_azar) + " %, canasta " + percent(summary.media_canasta) + " %");
    lines.push_back("La regla gan\xC3\xB3 a la canasta en " + std::to_string(summary.anios_ganados) + " de " +
                    std::to_string(years.size()) + " a\xC3\xB1os (prueba de signos, p = " +
                    p_text(summary.p_canasta) + ")");
    lines.push_back("Regla contra regla al azar: prueba de signos, p = " + p_text(summary.p_azar));
    return lines;
}

std::string study_csv(const std::vector<StudyYear>& years) {
    std::string text = "anio;cadena;descrip;entrenamiento;prueba;operaciones;canasta;accion;azar;pvalor\r\n";
    for (const StudyYear& y : years) {
        text += std::to_string(y.anio) + ";" + y.cadena + ";" + y.descrip + ";" + csv_number(y.entrenamiento) + ";" +
                csv_number(y.prueba) + ";" + std::to_string(y.operaciones) + ";" + csv_number(y.canasta) + ";" +
                csv_number(y.accion) + ";" + csv_number(y.azar) + ";" + csv_number(y.pvalor) + "\r\n";
    }
    return text;
}

WalkForwardStudy::WalkForwardStudy(Database& db, Platform& platform, Session& session, ReportWindows& reports,
                                   ga::GeneticSearch& search, std::filesystem::path files_dir)
    : db_(db),
      platform_(platform),
      session_(session),
      reports_(reports),
      search_(search),
      files_dir_(std::move(files_dir)) {}

void WalkForwardStudy::connect(ga::GaWindow& w) {
    w.CommandEstudio.set_handler([this] { estudio(); });
    w.CommandEstudios.set_handler([this] { estudios(); });
}

std::optional<StudySettings> WalkForwardStudy::read_settings(ga::GaWindow& w) {
    const std::optional<ga::RunFields> run = search_.read_run_fields();
    if (!run) return std::nullopt;
    std::string problem;
    const auto desde = whole_field(w.TextDesde.text(), {"Desde", 1, 9999}, problem);
    const auto hasta = desde ? whole_field(w.TextHasta.text(), {"Hasta", 1, 9999}, problem) : std::nullopt;
    const auto anios = hasta ? whole_field(w.TextAnios.text(), {"A\xC3\xB1os", 1, 100}, problem) : std::nullopt;
    const auto azar = anios ? whole_field(w.TextAzar.text(), {"Reglas al azar", 20, kMaxRandomRules}, problem)
                            : std::nullopt;
    double cost = 0;
    if (azar && !parse_number_strict(w.TextCosto.text(), cost)) problem = "Costo % debe ser un numero";
    if (!problem.empty()) {
        platform_.message(problem);
        return std::nullopt;
    }
    StudySettings s;
    s.desde = static_cast<int>(*desde);
    s.hasta = static_cast<int>(*hasta);
    s.anios = static_cast<int>(*anios);
    s.azar = static_cast<long>(*azar);
    s.costo = cost;
    s.torneo = run->torneo;
    s.population = run->population;
    s.length = run->length;
    s.generations = run->generations;
    s.passes = run->passes;
    return s;
}

std::optional<ga::MarketHistory> WalkForwardStudy::read_history() {
    if (!db_.table_exists(kHistoryTable)) {
        platform_.message(kNoHistory);
        return std::nullopt;
    }
    std::map<int, std::vector<ga::YearRow>> by_year;
    const QueryResult years = db_.query("SELECT DISTINCT anio FROM AccionesHistoricas WHERE anio IS NOT NULL");
    for (const auto& row : years.rows) {
        const auto year = static_cast<int>(as_number(row[0]));
        by_year[year] = ga::read_year_rows(db_, kHistoryTable, year);
    }
    ga::MarketHistory history;
    for (const auto& [year, rows] : by_year) {
        if (!history.add_year(year, rows)) {
            platform_.message(kBadHistory + std::to_string(year) + kBadHistoryEnd);
            return std::nullopt;
        }
    }
    if (by_year.empty()) {
        platform_.message(kNoHistory);
        return std::nullopt;
    }
    return history;
}

void WalkForwardStudy::show(const std::vector<std::string>& lines) {
    ReportWindow& report = reports_.get();
    report.clear();
    for (const std::string& line : lines) report.add_line(line);
    report.refresh();
    report.show();
}

void WalkForwardStudy::estudio() {
    ga::GaWindow& w = search_.window();
    std::optional<StudySettings> settings = read_settings(w);
    if (!settings) return;
    if (refuse_if_read_only(db_, platform_)) return;
    const RunClaim claim(db_);
    if (!claim.held()) {
        platform_.message(kOtherRunning);
        return;
    }
    const std::optional<ga::MarketHistory> history = read_history();
    if (!history) return;
    if (const auto problem = settings_problem(*settings, history->first_year(), history->last_year())) {
        platform_.message(*problem);
        return;
    }
    // 53 bits of the user's stream: a script with --seed repeats its study.
    settings->seed = static_cast<std::uint64_t>(platform_.random() * 0x1p53);
    const std::string parametros = settings_text(*settings, w);
    end_load_phase(db_);

    const int count = settings->hasta - settings->desde + 1;
    const std::string span = std::to_string(settings->desde) + "-" + std::to_string(settings->hasta);
    // The curve is drawn once the study is stored and has its number.
    w.Curva.clear();
    w.Curva.set_title("Estudio " + span);
    w.Curva.set_axis_titles("A\xC3\xB1o", "Valor de 1 peso");
    w.Curva.set_line_names({"Regla", "Canasta"});
    w.Curva.set_error_curve(false);
    std::atomic<bool> stop{false};
    const unsigned threads = threads_ != 0 ? threads_ : std::max(1U, std::thread::hardware_concurrency());
    const auto started = std::chrono::steady_clock::now();
    const std::optional<std::vector<StudyYear>> years =
        study_years(*history, *settings, threads, stop, [&](const StudyProgress& progress) {
            if (platform_.stop_requested()) stop = true;
            std::string text = "Estudio " + span + ": ";
            if (!progress.running.empty()) {
                text += "a\xC3\xB1o";
                for (size_t i = 0; i < progress.running.size(); ++i)
                    text += (i == 0 ? " " : ", ") + std::to_string(progress.running[i]);
                text += "; ";
            }
            text += std::to_string(progress.done) + " de " + std::to_string(count) + " a\xC3\xB1os terminados";
            const int done = progress.done;
            w.Label5.set_caption(text);
            session_.report_progress(Progress{done, count, text});
        });
    compute_seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // A stop asked for as the last year ended is a stop all the same.
    if (!years || platform_.stop_requested()) {
        w.Label5.set_caption(kStopped);
        w.Curva.set_title(kStopped);
        platform_.message(kStopped);
        return;
    }
    const StudySummary summary = summarize(*years);

    long long estudio = 0;
    const bool stored = store_or_tell(db_, platform_, [&] {
        const QueryResult last = db_.query("SELECT max(estudio) FROM Estudios");
        estudio = last.rows.empty() || is_null(last.rows[0][0]) ? 1 : static_cast<long long>(as_number(last.rows[0][0])) + 1;
        db_.execute_bound(
            "INSERT INTO Estudios (estudio, fecha, parametros, semilla, metodo, media_regla, media_azar, "
            "media_canasta, anios_ganados, p_canasta, p_azar) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
            {Value(static_cast<std::int64_t>(estudio)), Value(date_text(to_local_time(platform_.now()))),
             Value(parametros), Value(static_cast<std::int64_t>(settings->seed)),
             Value(std::string(settings->torneo ? "Torneo" : "Clasico")), Value(summary.media_regla),
             Value(summary.media_azar), optional_value(summary.media_canasta),
             Value(static_cast<std::int64_t>(summary.anios_ganados)), Value(summary.p_canasta),
             Value(summary.p_azar)});
        for (const StudyYear& y : *years) {
            db_.execute_bound(
                "INSERT INTO EstudioAnios (estudio, anio, cadena, descrip, entrenamiento, prueba, operaciones, "
                "canasta, accion, azar, pvalor) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                {Value(static_cast<std::int64_t>(estudio)), Value(static_cast<std::int64_t>(y.anio)), Value(y.cadena),
                 Value(y.descrip), Value(y.entrenamiento), Value(y.prueba),
                 Value(static_cast<std::int64_t>(y.operaciones)), optional_value(y.canasta),
                 optional_value(y.accion), Value(y.azar), Value(y.pvalor)});
        }
    });
    if (!stored) {
        w.Curva.set_title("Estudio " + span + ": no se guardo");
        return;
    }

    show(study_lines(estudio, parametros, settings->seed, *years, summary));
    // The chained growth of one peso, from the start of the first test year.
    double rule = 1, basket = 1;
    w.Curva.add_point(settings->desde - 1, rule, 0);
    w.Curva.add_point(settings->desde - 1, basket, 1);
    for (const StudyYear& y : *years) {
        rule *= 1 + y.prueba / 100;
        basket *= 1 + y.canasta.value_or(0) / 100;
        w.Curva.add_point(y.anio, rule, 0);
        w.Curva.add_point(y.anio, basket, 1);
    }
    w.Curva.set_title("Estudio " + format_int(estudio) + ": " + span);
    w.Curva.refresh();
    w.Label5.set_caption("Estudio " + format_int(estudio) + " guardado");
    const std::filesystem::path csv = files_dir_ / kStudyFile;
    if (!exchange::write_whole_file(csv, study_csv(*years))) {
        platform_.message(kCannotWriteCsv + csv.lexically_normal().string(), "Archivo", Icon::Exclamation);
    }
}

void WalkForwardStudy::estudios() {
    if (!db_.table_exists("Estudios")) {
        platform_.message(kNoStudies);
        return;
    }
    const QueryResult rows = db_.query(
        "SELECT estudio, fecha, metodo, media_regla, media_azar, media_canasta, anios_ganados, "
        "(SELECT count(*) FROM EstudioAnios a WHERE a.estudio = e.estudio), p_canasta, p_azar, parametros "
        "FROM Estudios e ORDER BY estudio");
    if (rows.rows.empty()) {
        platform_.message(kNoStudies);
        return;
    }
    std::vector<std::string> lines{kStudiesTitle};
    auto number = [](const Value& v) { return is_null(v) ? std::optional<double>() : as_number(v); };
    auto text = [](const Value& v) { return is_null(v) ? std::string() : as_text(v); };
    for (const auto& r : rows.rows) {
        lines.push_back("Estudio " + text(r[0]) + "  " + text(r[1]) + "  " + text(r[2]) + "  regla " +
                        percent(number(r[3])) + " %  azar " + percent(number(r[4])) + " %  canasta " +
                        percent(number(r[5])) + " %  gan\xC3\xB3 " + text(r[6]) + " de " + text(r[7]) +
                        "  p canasta " + p_text(number(r[8]).value_or(1)) + "  p azar " +
                        p_text(number(r[9]).value_or(1)) + "  " + text(r[10]));
    }
    show(lines);
}

}  // namespace vorn::drivers
