#include "engine/table_rows.h"

#include <cmath>

#include "shell/number_text.h"
#include "shell/record_store.h"
#include "shell/sql_dialect.h"

namespace vorn::engine {

namespace {

RowNumber number_of(const Value& value) {
    if (is_null(value)) return {};
    return {as_number(value), false};
}

std::string describe(const RowNumber& number) {
    return number.null ? "vacia" : format_general(number.value);
}

}  // namespace

std::vector<TableRow> read_network_rows(DataSource& source) {
    source.refresh();
    std::vector<TableRow> rows;
    rows.reserve(static_cast<size_t>(source.record_count()));
    long record = 0;
    // A cursor on a whole table walks it in rowid order: one query reads
    // the same rows in the same order without a lookup per row (frames of
    // 100 x 100 are ten thousand rows).
    const std::string table(trim(source.record_source()));
    if (is_plain_identifier(table)) {
        QueryResult result = source.database().query_bound(
            "SELECT capa, fila, columna, valor FROM " + quote_identifier(table) + " ORDER BY rowid", {});
        for (const auto& values : result.rows) {
            rows.push_back(
                {++record, number_of(values[0]), number_of(values[1]), number_of(values[2]), number_of(values[3])});
        }
        return rows;
    }
    for (source.move_first(); !source.eof(); source.move_next()) {
        rows.push_back({++record, number_of(source.field("capa")), number_of(source.field("fila")),
                        number_of(source.field("columna")), number_of(source.field("valor"))});
    }
    if (!rows.empty()) source.move_first();
    return rows;
}

std::optional<int> array_index(const RowNumber& number, int max) {
    if (number.null || !std::isfinite(number.value)) return std::nullopt;
    double whole = std::nearbyint(number.value);
    if (whole < 0 || whole > max) return std::nullopt;
    return static_cast<int>(whole);
}

std::string describe_row(const TableRow& row) {
    return "capa " + describe(row.capa) + ", fila " + describe(row.fila) + ", columna " + describe(row.columna);
}

}  // namespace vorn::engine
