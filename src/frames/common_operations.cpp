// Renumbering, deleting one frame or all of them, the column averages, the
// information command and inserting a frame from a market table.
#include <cmath>

#include "workset/working_set.h"
#include "frames/frame_toolkit.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/report_window.h"
#include "shell/sql_dialect.h"
#include "shell/store_phase.h"

namespace vorn::frames {

namespace {

constexpr const char* kNoFramesForRandom = "No hay tramas en data1 para convertir";

constexpr const char* kRenumbering = "Renumerando Trama: ";
constexpr const char* kRenumberingAs = " Como ";
constexpr const char* kRenumberingDone = "Pasada:";
// A row without a frame number belongs to no frame.
constexpr const char* kDropRowsWithoutFrame = "DELETE FROM BPN WHERE columna IS NULL OR trim(columna) = ''";
// Frames are renumbered by their number, ascending, closing the gaps: rows
// of one frame need not stand together, and a table sorted by capa (all
// pattern rows, then all targets) keeps N frames. Frames that already bear
// their new number are left alone.
constexpr const char* kNumbering =
    "CREATE TEMP TABLE renumbering AS SELECT columna AS old, dense_rank() OVER (ORDER BY columna) AS k "
    "FROM (SELECT DISTINCT columna FROM BPN)";
constexpr const char* kRenumberFrames =
    "UPDATE BPN SET columna = (SELECT k FROM temp.renumbering WHERE old = BPN.columna) "
    "WHERE columna NOT IN (SELECT old FROM temp.renumbering WHERE old = k)";
constexpr const char* kLastRenumbered =
    "SELECT old, k, EXISTS (SELECT 1 FROM BPN WHERE capa = 1) FROM temp.renumbering ORDER BY k DESC LIMIT 1";
constexpr const char* kDropNumbering = "DROP TABLE temp.renumbering";

constexpr const char* kNoFramesToDelete = "No hay tramas en data1 para Borrar";
constexpr const char* kDeleteFrame = "DELETE FROM bpn WHERE columna=";
constexpr const char* kCloseTheGap =
    "UPDATE BPN SET columna = columna - 1 WHERE typeof(columna) IN ('integer', 'real') AND columna > ?";
constexpr const char* kDeleteRenumbering = "BT:Renumerando Trama: ";
constexpr const char* kDeleteDone = "Pasadas:";

constexpr const char* kDeleteAll = "DELETE FROM bpn ";
constexpr const char* kDeleteAllPrompt = "Borrar Todas las Tramas?";
constexpr const char* kDeleteAllTitle = "Borrar Tramas";
constexpr const char* kDeleteAllDefault = "SI";

constexpr const char* kEmptyMarketTable = "No hay registros en la tabla ";
constexpr const char* kRecordNotFound = "function inserttrama no encontre ";
constexpr const char* kRecordNotFoundIn = "\ren la tabla ";
constexpr const char* kRecordNotFoundUses = "\rSe usa el registro actual: ";

}  // namespace

int FrameToolkit::renumerartramas() {
    if (store_.bpn().record_count() == 0) return 0;
    int holds_patterns = 0;
    Database& db = store_.database();
    {
        Database::Savepoint all_or_nothing(db);
        db.execute_bound(kDropRowsWithoutFrame, {});
        db.execute_bound(kNumbering, {});
        db.execute_bound(kRenumberFrames, {});
        QueryResult last = db.query_bound(kLastRenumbered, {});
        db.execute_bound(kDropNumbering, {});
        all_or_nothing.release();
        if (!last.rows.empty()) {
            const auto& row = last.rows.front();
            holds_patterns = as_number(row[2]) != 0 ? 1 : 0;
            show_progress(kRenumbering + format_short(as_number(row[0])) + kRenumberingAs +
                          format_short(as_number(row[1])));
        }
    }
    // A table the loader refuses cannot feed an operation either; the
    // loader has said why.
    bool loaded = store_.reload();
    show_progress(kRenumberingDone + w_.Text12.text());
    return loaded ? holds_patterns : 0;
}

void FrameToolkit::borrartrama(int n) {
    if (store_.record_count() == 0) {
        platform_.message(kNoFramesToDelete);
        return;
    }
    // Frame 0 or below would shift every frame down onto 0.
    if (n > store_.frame_count() || n < 1) {
        say_no_such_frame(n);
        return;
    }
    long last = store_.largest_frame_number();
    Database& db = store_.database();
    {
        Database::Savepoint all_or_nothing(db);
        db.execute(kDeleteFrame + frame_text(n));
        db.execute_bound(kCloseTheGap, {Value(std::int64_t{n})});
        all_or_nothing.release();
    }
    store_.bpn().refresh();
    reports_.get().clear();
    if (store_.bpn().record_count() == 0) {
        store_.reload();
        return;
    }
    // Each progress text replaces the one before: the last frame moved is
    // what remains to be seen.
    if (last > n) {
        show_progress(kDeleteRenumbering + format_short(static_cast<double>(last)) + kRenumberingAs +
                      format_short(static_cast<double>(last - 1)));
    }
    store_.reload();
    show_progress(kDeleteDone + w_.Text12.text());
}

void FrameToolkit::borrartodas() {
    store_.database().execute(kDeleteAll);
    store_.bpn().refresh();
    w_.Text2.set_text("0");
    w_.Text3.set_text("0");
}

void FrameToolkit::ask_delete_all() {
    std::optional<std::string> answer = platform_.input(kDeleteAllPrompt, kDeleteAllTitle, kDeleteAllDefault);
    if (answer && lower(*answer) == "si") borrartodas();
}

Value FrameToolkit::promedio(int source, std::string_view table, std::string_view column) {
    return promediodonde(source, table, column, "");
}

Value FrameToolkit::promediodonde(int source, std::string_view table, std::string_view column,
                                  std::string_view criteria) {
    std::string t(trim(table)), c(trim(column));
    // The names are joined into the statement; only plain names may be.
    if (!is_plain_identifier(t) || !is_plain_identifier(c)) return Value();
    std::string statement = "select avg(";
    statement.append(t).append(".").append(c).append(") from ").append(t);
    if (!criteria.empty()) statement.append(" ").append(criteria);
    return statistic(source, statement).value_or(Value());
}

void FrameToolkit::informacion() {
    w_.Text2.set_text("0");
    w_.Text3.default_if_never_set("0");
    w_.Text7.default_if_never_set("0");
    w_.Text4.set_text("3");
    w_.Text5.set_text("2");
    w_.Text6.set_text(format_general(0.025));
    if (parse_leading(w_.Text7.text()) == 0) w_.Text7.set_text("50");
    w_.Text8.set_text(format_general(0.5));
    if (w_.Text9.text() != "SI") w_.Text9.set_text("NO");
    store_.reload();
}

std::string FrameToolkit::inserttrama(MarketTable table, long n) {
    DataSource& source = table == MarketTable::AccionesXmes ? w_.acciones() : w_.mercap();
    const char* table_name = table == MarketTable::AccionesXmes ? "AccionesXmes" : "Mercap";

    source.move_last();
    long count = source.record_count();
    if (count == 0) {
        // Redrawing a record number from an empty table would never end.
        platform_.message(std::string(kEmptyMarketTable) + table_name, "", Icon::Exclamation);
        return "";
    }
    while (n > count || n == 0) n = draw_record(count);
    std::string criteria = "numero=" + frame_text(static_cast<double>(n));
    source.find_first(criteria);
    // After a miss the cursor still stands on the last record.
    std::string nombre = source.field_count() > 1 ? std::string(trim(as_text(source.field(1)))) : "";
    if (source.no_match()) {
        platform_.message(kRecordNotFound + criteria + kRecordNotFoundIn + table_name + kRecordNotFoundUses + nombre);
    }

    long frame = store_.next_frame_number();
    std::vector<NewRow> rows;
    long fila = 0;
    for (int f = 4; f < source.field_count(); ++f) {
        Value value = source.field(f);
        rows.push_back({1, ++fila, frame, is_null(value) ? Value() : Value(as_number(value) / 100)});
    }
    if (rows.empty()) return "";
    // The series' last value is what the frame's pattern should predict.
    rows.back().capa = 10;
    if (!store_.append(rows, Value(nombre))) return "";

    if (static_cast<double>(rows.size()) < store_.frame_size()) {
        w_.Text2.set_text(format_general(static_cast<double>(rows.size())));
    }
    w_.Text3.set_text(format_general(static_cast<double>(frame)));
    informacion();
    return nombre;
}

long FrameToolkit::draw_record(long count) {
    // Record numbers run 1..count: the draw reaches the last record and,
    // on a one-record table, lands on it at once.
    return 1 + static_cast<long>(std::floor(platform_.random() * static_cast<double>(count)));
}

void FrameToolkit::insert_random_record() {
    inserttrama(MarketTable::AccionesXmes, draw_record(w_.acciones().record_count()));
}

void FrameToolkit::trama_aleatoria() {
    FrameStore& store = store_;
    if (store.record_count() == 0) {
        platform_.message(kNoFramesForRandom);
        return;
    }
    if (frames_.fijarEntradas() == workset::Load::Refused) return;
    store.bpn().move_first();

    long frame = store.next_frame_number();
    int size = whole_count(store.frame_size());
    std::vector<NewRow> rows;
    for (int i = 1; i <= size; ++i) {
        // Two draws per element, the sign first.
        double sign = platform_.random() > 0.5 ? 1.0 : -1.0;
        double u = platform_.random();
        rows.push_back({1, i, frame, Value(sign * 0.9 * u)});
    }
    rows.push_back({10, 1, frame, Value(platform_.random())});
    if (!store.append(rows, Value())) return;
    // The frame-count field follows the new frame, as the loader would set it.
    w_.Text3.set_text(format_short(static_cast<double>(frame)));
}

}  // namespace vorn::frames
