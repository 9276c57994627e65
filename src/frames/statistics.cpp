// Statistics and normalisation: the standard deviations the database
// computes, the z-normalisation of a frame (alone or followed by the
// hyperbolic tangent), and the sigma button.
#include <cmath>
#include <filesystem>

#include "workset/working_set.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/sql_dialect.h"

namespace vorn::frames {

namespace {

constexpr const char* kSigmaFailed = " occurrio en function sigma.";
constexpr const char* kSigmacritFailed = " occurrio en sigmacrit.";
constexpr const char* kNoRecords = "No hay registros en data1";

constexpr const char* kNormalizeTitle = "Normalizar a z=(x-µ)/ð";
constexpr const char* kNormalizePrompt = "Trama a Normalizar ";
constexpr const char* kTanhZTitle = "Convertir a TanH(z)";
constexpr const char* kTanhZPrompt = "Trama a Convertir:";
constexpr const char* kSigmaPrompt = "Trama a sacar sigma";
constexpr const char* kFrameDefault = "1";

// The text a failed statistic gives instead of a number.
std::string failure_text(const EngineError& error, const std::string& db_path, const char* where) {
    switch (error.code()) {
        case 53: return "ERROR 53: That file doesn't exist.";
        case 68:
            return "ERROR 68: Drive " + std::filesystem::path(db_path).root_name().string() + ": not available.";
        case 76: return "ERROR 76: That path doesn't exist.";
        default: return "ERROR " + format_int(error.code()) + where;
    }
}

// |x| in the short form; a null shows nothing and an error text itself.
std::string absolute_text(const Value& v) {
    if (is_null(v)) return "";
    if (auto* text = std::get_if<std::string>(&v)) return *text;
    return format_short(std::fabs(as_number(v)));
}

std::string quoted_text(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out;
}

}  // namespace

std::optional<Value> FrameToolkit::statistic(int source, const std::string& statement) {
    DataSource* through = source_by_number(source);
    if (through == nullptr) return std::nullopt;
    // The data source takes the statement as its record source for one
    // read and gets its own record source back afterwards, even when the
    // statement fails, so that the window's cursor is never left on a
    // statistic or on a table the statement named.
    struct Restore {
        DataSource& source;
        std::string record_source;
        ~Restore() {
            try {
                source.set_record_source(record_source);
                source.refresh();
            } catch (const EngineError&) {
                // The table itself is gone; the next operation reports it.
            }
        }
    } restore{*through, through->record_source()};
    through->set_record_source(statement);
    through->refresh();
    return through->field(0);
}

Value FrameToolkit::sigma(int source, std::string_view table, std::string_view column) {
    std::string t(trim(table)), c(trim(column));
    if (source > 3 || !is_plain_identifier(t) || !is_plain_identifier(c)) return Value();
    try {
        return statistic(source, "select dstdev('" + c + "','" + t + "') from " + t).value_or(Value());
    } catch (const EngineError& error) {
        return Value(failure_text(error, store_.database().path(), kSigmaFailed));
    }
}

Value FrameToolkit::sigmacrit(int source, std::string_view table, std::string_view column,
                              std::string_view criteria) {
    std::string t(trim(table)), c(trim(column));
    if (!is_plain_identifier(t) || !is_plain_identifier(c)) return Value();
    try {
        std::string statement =
            "select dstdev('" + c + "','" + t + "','" + quoted_text(criteria) + "') from " + t;
        return statistic(source, statement).value_or(Value());
    } catch (const EngineError& error) {
        return Value(failure_text(error, store_.database().path(), kSigmacritFailed));
    }
}

void FrameToolkit::normalizartrama(int t) {
    if (t == 0) return;
    // The statistics of the whole table, every frame and target included.
    Value mean = promedio(1, "bpn", "valor");
    Value deviation = sigma(1, "bpn", "valor");
    store_.bpn().refresh();
    long count = store_.record_count();
    if (count == 0) {
        platform_.message(kNoRecords);
        return;
    }
    auto in_frame = [t](const StoredRow& row) { return same_frame(row.columna, Value(std::int64_t{t})); };
    // A statistic that failed leaves no number to normalise with; the
    // operation ends with the failure, as a failed statement does.
    for (const Value* statistic : {&mean, &deviation}) {
        if (auto* failure = std::get_if<std::string>(statistic); failure != nullptr && store_.holds_frame(t)) {
            platform_.message(*failure, "", Icon::Critical);
            return;
        }
    }
    double mu = as_number(mean);
    // Fewer than two values have no deviation: only the mean is taken off.
    double s = is_numeric(deviation) ? as_number(deviation) : 0;

    // The status field shows the progress while the frame is recoded.
    struct ShowWhileRunning {
        TextField& field;
        explicit ShowWhileRunning(TextField& f) : field(f) { field.set_visible(true); }
        ~ShowWhileRunning() { field.set_visible(false); }
    } shown(w_.Text1);
    store_.recode(in_frame,
                  [&](const StoredRow& row, long position) {
                      double done = static_cast<double>(position) / static_cast<double>(count);
                      w_.Text1.set_text(format_short(100.0 * done));
                      w_.Text1.refresh();
                      if (is_null(row.valor) || is_null(mean)) return Value();
                      double x = as_number(row.valor);
                      return Value(s != 0 ? (x - mu) / s : x - mu);
                  },
                  "Z(" + frame_text(t) + ")");
}

void FrameToolkit::ask_normalize(bool then_tanh) {
    std::optional<int> t = then_tanh ? ask_frame(kTanhZPrompt, kTanhZTitle, kFrameDefault)
                                     : ask_frame(kNormalizePrompt, kNormalizeTitle, kFrameDefault);
    if (!t) return;
    if (!then_tanh && *t != 0 && store_.record_count() > 0 && !store_.holds_frame(*t)) {
        say_no_such_frame(*t);
        return;
    }
    // The statistics of a table holding an infinity would write empty values.
    if (!frames_.frames_are_finite()) return;
    normalizartrama(*t);
    if (then_tanh) tanhdetrama(*t);
}

void FrameToolkit::ask_sigma() {
    std::optional<int> t = ask_frame(kSigmaPrompt, "", kFrameDefault);
    if (!t) return;
    if (!store_.holds_frame(*t)) {
        say_no_such_frame(*t);
        return;
    }
    std::string criteria = "where columna=" + frame_text(*t);
    Value deviation = sigmacrit(1, "bpn", "valor", criteria);
    Value mean = promediodonde(1, "bpn", "valor", criteria);
    platform_.message(absolute_text(deviation) + "\r" + absolute_text(mean));
}

}  // namespace vorn::frames
