#include "frames/frame_primitives.h"

#include <algorithm>
#include <cmath>

#include "workset/working_set.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::frames {

namespace {

constexpr const char* kNoRoomFor = "No se puede agregar la trama";
constexpr const char* kNoRoomLimit = ": el maximo es de ";
constexpr const char* kNoRoomFrames = " tramas";
constexpr const char* kTooLongFrame = "Una trama no puede tener mas de ";
constexpr const char* kTooLongElements = " elementos; no se agrego ninguna trama";
constexpr const char* kNotFiniteElement = "El resultado no es un numero valido en el elemento";
constexpr const char* kNotFiniteOfFrame = " de la trama";
constexpr const char* kNothingAdded = "\rNo se agrego ninguna trama";
constexpr const char* kNothingChanged = "\rNo se modifico ninguna trama";

constexpr const char* kInsertRow = "INSERT INTO BPN (capa, fila, columna, valor, nombre) VALUES (?, ?, ?, ?, ?)";
constexpr const char* kRecodeRow = "UPDATE BPN SET valor = ?, nombre = ? WHERE rowid = ?";
constexpr const char* kLargestFrame =
    "SELECT max(columna) FROM BPN WHERE typeof(columna) IN ('integer', 'real')";
constexpr const char* kRowOfFrame = "SELECT 1 FROM BPN WHERE columna = ? LIMIT 1";

// Far above any frame a table can hold, far below the range of long.
constexpr double kCountBound = 1e6;

bool finite_or_null(const Value& v) { return !is_numeric(v) || std::isfinite(as_number(v)); }

long clamp_to_long(double x) { return static_cast<long>(std::clamp(x, -kCountBound, kCountBound)); }

}  // namespace

std::string frame_text(double number) { return format_sql(number); }

bool same_frame(const Value& a, const Value& b) {
    if (is_numeric(a) && is_numeric(b)) return as_number(a) == as_number(b);
    return is_null(a) == is_null(b) && as_text(a) == as_text(b);
}

FrameStore::FrameStore(MainWindow& window, Platform& platform, workset::WorkingSet& frames)
    : w_(window), platform_(platform), frames_(frames) {}

DataSource& FrameStore::bpn() { return w_.bpn(); }
Database& FrameStore::database() { return w_.bpn().database(); }

long FrameStore::record_count() {
    bpn().move_last();
    return bpn().record_count();
}

double FrameStore::frame_size() const { return parse_leading(w_.Text2.text()); }
double FrameStore::frame_count() const { return parse_leading(w_.Text3.text()); }

std::vector<StoredRow> FrameStore::rows_in_cursor_order() {
    QueryResult result = bpn().refresh_and_read({"capa", "fila", "columna", "valor"});
    std::vector<StoredRow> rows;
    rows.reserve(result.rows.size());
    for (auto& row : result.rows) {
        rows.push_back({std::get<std::int64_t>(row[0]), std::move(row[1]), std::move(row[2]), std::move(row[3]),
                        std::move(row[4])});
    }
    return rows;
}

bool FrameStore::holds_frame(int t) {
    return !database().query_bound(kRowOfFrame, {Value(std::int64_t{t})}).rows.empty();
}

long FrameStore::largest_frame_number() {
    QueryResult result = database().query_bound(kLargestFrame, {});
    if (result.rows.empty() || is_null(result.rows[0][0])) return 0;
    return clamp_to_long(std::floor(as_number(result.rows[0][0])));
}

long FrameStore::next_frame_number() {
    long counted = clamp_to_long(std::floor(std::max(frame_count(), 0.0)));
    return std::max(counted, largest_frame_number()) + 1;
}

bool FrameStore::fits(long last) {
    if (last <= kMaxFrameNumber) return true;
    platform_.message(kNoRoomFor + format_short(static_cast<double>(last)) + kNoRoomLimit +
                          format_int(kMaxFrameNumber) + kNoRoomFrames,
                      "", Icon::Exclamation);
    return false;
}

bool FrameStore::append(const std::vector<NewRow>& rows, const Value& nombre) {
    long last = 0;
    for (const NewRow& row : rows) {
        last = std::max(last, row.columna);
        if (row.fila > kMaxFrameNumber) {
            platform_.message(kTooLongFrame + format_int(kMaxFrameNumber) + kTooLongElements, "", Icon::Exclamation);
            return false;
        }
        if (!finite_or_null(row.valor)) {
            platform_.message(kNotFiniteElement + format_short(static_cast<double>(row.fila)) + kNotFiniteOfFrame +
                                  format_short(static_cast<double>(row.columna)) + kNothingAdded,
                              "", Icon::Exclamation);
            return false;
        }
    }
    if (!fits(last)) return false;

    Database& db = database();
    {
        Database::Savepoint all_or_nothing(db);
        for (const NewRow& row : rows) {
            db.execute_bound(kInsertRow, {Value(std::int64_t{row.capa}), Value(std::int64_t{row.fila}),
                                          Value(std::int64_t{row.columna}), row.valor, nombre});
        }
        all_or_nothing.release();
    }
    bpn().refresh();
    return true;
}

bool FrameStore::recode(const std::function<bool(const StoredRow&)>& picks,
                        const std::function<Value(const StoredRow&, long position)>& code, std::string_view nombre) {
    std::vector<StoredRow> rows = rows_in_cursor_order();
    std::vector<std::pair<std::int64_t, Value>> changes;
    for (size_t k = 0; k < rows.size(); ++k) {
        const StoredRow& row = rows[k];
        if (!picks(row)) continue;
        Value coded = code(row, static_cast<long>(k) + 1);
        if (!finite_or_null(coded)) {
            platform_.message(kNotFiniteElement + format_short(as_number(row.fila)) + kNotFiniteOfFrame +
                                  format_short(as_number(row.columna)) + kNothingChanged,
                              "", Icon::Exclamation);
            return false;
        }
        changes.emplace_back(row.rowid, std::move(coded));
    }

    Database& db = database();
    {
        Database::Savepoint all_or_nothing(db);
        Value name{std::string(nombre)};
        for (const auto& [rowid, valor] : changes) db.execute_bound(kRecodeRow, {valor, name, Value(rowid)});
        all_or_nothing.release();
    }
    bpn().refresh();
    return true;
}

std::string FrameStore::target_criteria(long t) { return "capa=10 and columna=" + frame_text(static_cast<double>(t)); }

std::optional<Value> FrameStore::find_target(long t) {
    bpn().find_first(target_criteria(t));
    if (bpn().no_match()) return std::nullopt;
    return bpn().field("valor");
}

bool FrameStore::reload() {
    bpn().refresh();
    using workset::Load;
    if (frames_.fijarEntradas() == Load::Refused) return false;
    return frames_.fijarTarget() != Load::Refused;
}

std::optional<double> ask_number(Platform& platform, std::string_view prompt, std::string_view title,
                                 std::string_view default_text) {
    std::optional<std::string> answer = platform.input(prompt, title, default_text);
    if (!answer) return std::nullopt;
    std::string_view text = trim(*answer);
    if (text.empty()) return std::nullopt;
    return parse_leading(text);
}

int whole_count(double x) {
    if (!std::isfinite(x)) return 0;
    return static_cast<int>(clamp_to_long(std::trunc(x)));
}

std::optional<int> whole_frame(double x) {
    if (!std::isfinite(x) || x != std::floor(x)) return std::nullopt;
    return static_cast<int>(clamp_to_long(x));
}

}  // namespace vorn::frames
