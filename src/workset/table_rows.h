// Reading the network tables (BPN, BPNPESOS) through their data sources,
// and the index checks that keep every row inside the working arrays.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "workset/cell.h"

namespace vorn {
class DataSource;
class MainWindow;
class Platform;
}  // namespace vorn

namespace vorn::workset {

// A numeric column of a row: its number (a text reads as its leading
// number) or null.
struct RowNumber {
    double value = 0;
    bool null = true;
};

// One row of BPN or BPNPESOS, with its record number in cursor order
// (from 1) so that a message can name it.
struct TableRow {
    long record = 0;
    RowNumber capa, fila, columna, valor;

    bool capa_is(double code) const { return !capa.null && capa.value == code; }
};

// Refreshes the data source and reads every row in cursor order; the
// cursor then stands on the first record.
std::vector<TableRow> read_network_rows(DataSource& source);

// The array index a column names: the nearest whole number (halves to
// even, as array subscripts have always been rounded), or nullopt when it
// is null or lies outside 0..max.
std::optional<int> array_index(const RowNumber& number, int max);

// "capa 1, fila 150, columna 2", for messages that name a row.
std::string describe_row(const TableRow& row);

// What a loader found in its table.
enum class Load { Loaded, Empty, Refused };

// How a loader names itself and its table in messages.
struct LoaderNames {
    const char* loader;       // "Fijar Entradas"
    const char* table;        // "BPN"
    double capa;              // the rows it loads
    const char* empty_status; // the status line of an empty table
    const char* empty_text;   // its message, shown with the warnings on
};

// What every loader does first: an empty table is noted in the status
// field (and said when the warning field says "SI") and gives Empty; a row
// of its capa whose value is not a finite number is refused by name and
// gives Refused; otherwise nullopt, and the loader goes on.
std::optional<Load> check_rows(MainWindow& w, Platform& platform, const std::vector<TableRow>& rows,
                               const LoaderNames& names);
// Says that a row lies outside the arrays, naming it and the rule.
void refuse_row(Platform& platform, const LoaderNames& names, const TableRow& row, const char* rule);

// The largest fila and columna of the capa 1 rows, both from 0; nullopt
// after refusing the first such row that lies outside the arrays.
struct Extent {
    double max_fila = 0;
    double max_columna = 0;
};
std::optional<Extent> pattern_extent(Platform& platform, const std::vector<TableRow>& rows, const LoaderNames& names);

// Stores every capa 1 row (already checked by pattern_extent) by its
// (fila, columna).
template <class Store>
void store_pattern_rows(const std::vector<TableRow>& rows, Store store) {
    for (const TableRow& row : rows) {
        if (row.capa_is(1)) store(*array_index(row.fila, kMaxIndex), *array_index(row.columna, kMaxIndex), row);
    }
}

Cell cell_of(const RowNumber& number);

// A row's value that is not a finite number, or nullopt: the first such
// row of capa `capa` is refused by name.
bool refuse_non_finite(Platform& platform, const std::vector<TableRow>& rows, const LoaderNames& names,
                       double capa);

}  // namespace vorn::workset
