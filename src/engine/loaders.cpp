// The four loaders: BPN and BPNPESOS into the working arrays, with the
// frame-size and frame-count detection and the size warnings. Each loader
// reads its whole table and checks every index before it stores anything,
// so a refused table leaves the arrays exactly as they were.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/network.h"
#include "engine/network_state.h"
#include "engine/table_rows.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"

namespace vorn::engine {

namespace {

constexpr const char* kData1Vacia = "Data1 vacia";
constexpr const char* kData2Vacia = "Data2 vacia";
constexpr const char* kEntradasVacia = "Fijar Entradas: la tabla bpn esta vacia";
constexpr const char* kEntradaPesosVacia = "Fijar Entrada pesos: la tabla bpn pesos esta vacia";
constexpr const char* kPesosOcultaVacia = "Fijar PesosOculta: la tabla bpn Pesos esta vacia";
constexpr const char* kTargetVacia = "Fijar Target: la tabla bpn esta vacia";

constexpr const char* kFrameSizeDetected = "El tamaño maximo de Trama detectado es ";
constexpr const char* kFrameCountDetected = "El numero de Tramas detectado es ";
constexpr const char* kInsteadOf = "en vez de : ";
constexpr const char* kChangingTo = "Cambiando automaticamente a: ";
constexpr const char* kWeightSizeMismatch = "No coinciden el tamaño de tramas de peso detectado= ";
constexpr const char* kWeightUnitsMismatch = "No coinciden el numero de los unidades de pesos detectado= ";
constexpr const char* kEnteredAs = "y el Ingresado= ";
constexpr const char* kWeightsDetected = "El Tamaño de los pesos detectado es ";
constexpr const char* kOutputWeightsDetected = "El Tamaño de los pesos de la capa se salida detectado es ";
constexpr const char* kErrorTitle = "Error";

// A row that would index outside the arrays.
constexpr const char* kRowOutsideRecord = ": el registro ";
constexpr const char* kRowOutsideOf = " de ";
constexpr const char* kRowOutsideOpen = " (";
constexpr const char* kRowOutsideClose = ") queda fuera de la red: ";
constexpr const char* kRowOutsideEnd = ".\rNo se cargo nada; corrija la tabla y vuelva a intentarlo.";
constexpr const char* kRuleInputs = "fila y columna van de 0 a 100";
constexpr const char* kRuleHidden = "la columna de la capa 2 va de 0 a 3";
constexpr const char* kRuleTargets = "la columna va de 0 a 100";

void refuse_row(Platform& platform, const char* loader, const char* table, const TableRow& row, const char* rule) {
    platform.message(std::string(loader) + kRowOutsideRecord + format_int(row.record) + kRowOutsideOf + table +
                         kRowOutsideOpen + describe_row(row) + kRowOutsideClose + rule + kRowOutsideEnd,
                     kErrorTitle, Icon::Exclamation);
}

constexpr const char* kNotFiniteClose = ") tiene un valor que no es un numero finito (";
constexpr const char* kNotFiniteEnd = ").\rNo se cargo nada; corrija la tabla y vuelva a intentarlo.";

// An infinity (or a NaN) written by another program would turn every
// weight and output it touches into one; the loader refuses the table.
bool has_non_finite(Platform& platform, const std::vector<TableRow>& rows, double capa, const char* loader,
                    const char* table) {
    for (const TableRow& row : rows) {
        if (row.capa_is(capa) && !row.valor.null && !std::isfinite(row.valor.value)) {
            platform.message(std::string(loader) + kRowOutsideRecord + format_int(row.record) + kRowOutsideOf + table +
                                 kRowOutsideOpen + describe_row(row) + kNotFiniteClose +
                                 (std::isnan(row.valor.value) ? "NaN" : row.valor.value > 0 ? "infinito" : "-infinito") +
                                 kNotFiniteEnd,
                             kErrorTitle, Icon::Exclamation);
            return true;
        }
    }
    return false;
}

Cell cell_of(const RowNumber& number) {
    return number.null ? Cell::null() : Cell::number(number.value);
}

// The largest fila and columna of the capa 1 rows, both from 0; nullopt
// after refusing the first such row that lies outside the arrays.
struct Extent {
    double max_fila = 0;
    double max_columna = 0;
};

std::optional<Extent> pattern_extent(Platform& platform, const std::vector<TableRow>& rows, const char* loader,
                                     const char* table) {
    Extent extent;
    for (const TableRow& row : rows) {
        if (!row.capa_is(1)) continue;
        if (!array_index(row.fila, kMaxIndex) || !array_index(row.columna, kMaxIndex)) {
            refuse_row(platform, loader, table, row, kRuleInputs);
            return std::nullopt;
        }
        extent.max_fila = std::max(extent.max_fila, row.fila.value);
        extent.max_columna = std::max(extent.max_columna, row.columna.value);
    }
    return extent;
}

// Stores every capa 1 row (already checked by pattern_extent) by its
// (fila, columna).
template <class Store>
void store_pattern_rows(const std::vector<TableRow>& rows, Store store) {
    for (const TableRow& row : rows) {
        if (row.capa_is(1)) store(*array_index(row.fila, kMaxIndex), *array_index(row.columna, kMaxIndex), row);
    }
}

}  // namespace

bool Network::warn_si() const {
    return w_.Text9.text() == "SI";
}

Network::Load Network::fijarEntradas() {
    return load_inputs(read_network_rows(w_.bpn()));
}
Network::Load Network::fijarEntradaPesos() {
    return load_input_weights(read_network_rows(w_.pesos()));
}
Network::Load Network::fijarPesosOculta() {
    return load_hidden_weights(read_network_rows(w_.pesos()));
}
Network::Load Network::fijarTarget() {
    return load_targets(read_network_rows(w_.bpn()));
}

bool Network::frames_are_finite() {
    const std::vector<TableRow> rows = read_network_rows(w_.bpn());
    return !has_non_finite(platform_, rows, 1, "Fijar Entradas", "BPN") &&
           !has_non_finite(platform_, rows, 10, "Fijar Target", "BPN");
}

// The four loaders in their order. Each table is read once: nothing
// changes it between two loaders of the same table.
bool Network::load_all() {
    std::vector<TableRow> frames = read_network_rows(w_.bpn());
    if (load_inputs(frames) == Load::Refused) return false;
    std::vector<TableRow> weights = read_network_rows(w_.pesos());
    return load_input_weights(weights) != Load::Refused && load_hidden_weights(weights) != Load::Refused &&
           load_targets(frames) != Load::Refused;
}

Network::Load Network::load_inputs(const std::vector<TableRow>& rows) {
    if (rows.empty()) {
        w_.Text1.set_text(kData1Vacia);
        if (warn_si()) platform_.message(kEntradasVacia);
        return Load::Empty;
    }
    if (has_non_finite(platform_, rows, 1, "Fijar Entradas", "BPN")) return Load::Refused;
    const std::optional<Extent> extent = pattern_extent(platform_, rows, "Fijar Entradas", "BPN");
    if (!extent) return Load::Refused;
    record_frames(rows);
    store_pattern_rows(rows, [this](int i, int n, const TableRow& row) { state_->entrada(i, n) = cell_of(row.valor); });

    const bool show = lower(trim(w_.Text9.text())) == "si";
    auto correct = [&](TextField& field, double detected, const char* first_line) {
        if (parse_leading(field.text()) == detected) return;
        std::string text = first_line + format_general(detected) + "\r" + kInsteadOf + field.text() + "\r" +
                           kChangingTo + format_general(detected);
        field.set_text(format_short(detected));
        if (show) platform_.message(text, kErrorTitle, Icon::Exclamation);
    };
    correct(w_.Text2, extent->max_fila, kFrameSizeDetected);
    correct(w_.Text3, extent->max_columna, kFrameCountDetected);
    return Load::Loaded;
}

// Which frames the table holds and how long each is. The input cells start
// empty again, so that no reader (the training kernel included) meets a
// value left over from an earlier table, past a frame's end or in a gap.
void Network::record_frames(const std::vector<TableRow>& rows) {
    std::vector<int>& length = state_->frame_length;
    std::fill(length.begin(), length.end(), -1);
    store_pattern_rows(rows, [&length](int i, int n, const TableRow&) {
        length[static_cast<size_t>(n)] = std::max(length[static_cast<size_t>(n)], i);
    });
    std::fill(state_->entradas.begin(), state_->entradas.end(), Cell{});
}

Network::Load Network::load_input_weights(const std::vector<TableRow>& rows) {
    if (rows.empty()) {
        w_.Text1.set_text(kData2Vacia);
        if (warn_si()) platform_.message(kEntradaPesosVacia);
        return Load::Empty;
    }
    if (has_non_finite(platform_, rows, 1, "Fijar Entrada pesos", "BPNPESOS")) return Load::Refused;
    const std::optional<Extent> extent = pattern_extent(platform_, rows, "Fijar Entrada pesos", "BPNPESOS");
    if (!extent) return Load::Refused;
    const double max_fila = extent->max_fila;
    const double max_columna = extent->max_columna;
    const bool warn = lower(w_.Text9.text()) != "no";
    if (warn && parse_leading(w_.Text2.text()) != max_fila) {
        platform_.message(kWeightSizeMismatch + format_short(max_fila) + "\r" + kEnteredAs + w_.Text2.text());
    }
    if (warn && parse_leading(w_.Text4.text()) != max_columna) {
        platform_.message(kWeightUnitsMismatch + format_short(max_columna) + "\r" + kEnteredAs + w_.Text4.text());
    }
    store_pattern_rows(rows,
                       [this](int i, int j, const TableRow& row) { state_->peso_entrada(i, j) = cell_of(row.valor); });
    if (warn && parse_leading(w_.Text4.text()) != max_columna) {
        platform_.message(kWeightsDetected + format_general(max_columna) + "\r" + kInsteadOf + w_.Text4.text(),
                          kErrorTitle, Icon::Exclamation);
    }
    return Load::Loaded;
}

Network::Load Network::load_hidden_weights(const std::vector<TableRow>& rows) {
    if (rows.empty()) {
        w_.Text1.set_text(kData2Vacia);
        if (warn_si()) platform_.message(kPesosOcultaVacia);
        return Load::Empty;
    }
    if (has_non_finite(platform_, rows, 2, "Fijar PesosOculta", "BPNPESOS")) return Load::Refused;
    // The largest column over every row, input weights included: that is
    // the unit count the warning compares.
    double max_columna = 0;
    for (const TableRow& row : rows) {
        if (row.capa_is(2) && !array_index(row.columna, kMaxHidden)) {
            refuse_row(platform_, "Fijar PesosOculta", "BPNPESOS", row, kRuleHidden);
            return Load::Refused;
        }
        if (!row.columna.null) max_columna = std::max(max_columna, row.columna.value);
    }
    for (const TableRow& row : rows) {
        if (row.capa_is(2))
            state_->pesos_oculta[static_cast<size_t>(*array_index(row.columna, kMaxHidden))] = cell_of(row.valor);
    }
    if (lower(w_.Text9.text()) != "no" && parse_leading(w_.Text4.text()) != max_columna) {
        platform_.message(kOutputWeightsDetected + format_general(max_columna) + "\r" + kInsteadOf + w_.Text4.text(),
                          kErrorTitle, Icon::Exclamation);
    }
    return Load::Loaded;
}

Network::Load Network::load_targets(const std::vector<TableRow>& rows) {
    if (rows.empty()) {
        w_.Text1.set_text(kData1Vacia);
        if (warn_si()) platform_.message(kTargetVacia);
        return Load::Empty;
    }
    if (has_non_finite(platform_, rows, 10, "Fijar Target", "BPN")) return Load::Refused;
    for (const TableRow& row : rows) {
        if (row.capa_is(10) && !array_index(row.columna, kMaxIndex)) {
            refuse_row(platform_, "Fijar Target", "BPN", row, kRuleTargets);
            return Load::Refused;
        }
    }
    // In table order: a later target row for the same frame wins.
    for (const TableRow& row : rows) {
        if (row.capa_is(10))
            state_->targets[static_cast<size_t>(*array_index(row.columna, kMaxIndex))] = cell_of(row.valor);
    }
    return Load::Loaded;
}

}  // namespace vorn::engine
