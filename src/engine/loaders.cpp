// The weight loaders (BPNPESOS into the network's arrays, with the size
// warnings) and the four loaders in their order; the frames and targets
// are the working set's. Each loader reads its whole table and checks every
// index before it stores anything, so a refused table leaves the arrays
// exactly as they were.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "engine/network.h"
#include "engine/network_state.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "workset/table_rows.h"
#include "workset/working_set.h"

namespace vorn::engine {

namespace {

using workset::LoaderNames;
using workset::TableRow;

constexpr const char* kData2Vacia = "Data2 vacia";
constexpr const char* kWeightSizeMismatch = "No coinciden el tamaño de tramas de peso detectado= ";
constexpr const char* kWeightUnitsMismatch = "No coinciden el numero de los unidades de pesos detectado= ";
constexpr const char* kEnteredAs = "y el Ingresado= ";
constexpr const char* kInsteadOf = "en vez de : ";
constexpr const char* kWeightsDetected = "El Tamaño de los pesos detectado es ";
constexpr const char* kOutputWeightsDetected = "El Tamaño de los pesos de la capa se salida detectado es ";
constexpr const char* kErrorTitle = "Error";
constexpr const char* kRuleHidden = "la columna de la capa 2 va de 0 a 3";

constexpr LoaderNames kInputWeights{"Fijar Entrada pesos", "BPNPESOS", 1, kData2Vacia,
                                    "Fijar Entrada pesos: la tabla bpn pesos esta vacia"};
constexpr LoaderNames kHiddenWeights{"Fijar PesosOculta", "BPNPESOS", 2, kData2Vacia,
                                     "Fijar PesosOculta: la tabla bpn Pesos esta vacia"};

}  // namespace

bool Network::warn_si() const {
    return w_.Text9.text() == "SI";
}

Load Network::fijarEntradas() { return frames_.fijarEntradas(); }
Load Network::fijarTarget() { return frames_.fijarTarget(); }
Load Network::fijarEntradaPesos() { return load_input_weights(workset::read_network_rows(w_.pesos())); }
Load Network::fijarPesosOculta() { return load_hidden_weights(workset::read_network_rows(w_.pesos())); }
bool Network::frames_are_finite() { return frames_.frames_are_finite(); }

// The four loaders in their order. Each table is read once: nothing
// changes it between two loaders of the same table.
bool Network::load_all() {
    std::vector<TableRow> frames = workset::read_network_rows(w_.bpn());
    if (frames_.load_inputs(frames) == Load::Refused) return false;
    std::vector<TableRow> weights = workset::read_network_rows(w_.pesos());
    return load_input_weights(weights) != Load::Refused && load_hidden_weights(weights) != Load::Refused &&
           frames_.load_targets(frames) != Load::Refused;
}

Load Network::load_input_weights(const std::vector<TableRow>& rows) {
    if (std::optional<Load> early = workset::check_rows(w_, platform_, rows, kInputWeights)) return *early;
    const std::optional<workset::Extent> extent = workset::pattern_extent(platform_, rows, kInputWeights);
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
    workset::store_pattern_rows(rows, [this](int i, int j, const TableRow& row) {
        state_->peso_entrada(i, j) = workset::cell_of(row.valor);
    });
    if (warn && parse_leading(w_.Text4.text()) != max_columna) {
        platform_.message(kWeightsDetected + format_general(max_columna) + "\r" + kInsteadOf + w_.Text4.text(),
                          kErrorTitle, Icon::Exclamation);
    }
    return Load::Loaded;
}

Load Network::load_hidden_weights(const std::vector<TableRow>& rows) {
    if (std::optional<Load> early = workset::check_rows(w_, platform_, rows, kHiddenWeights)) return *early;
    // The largest column over every row, input weights included: that is
    // the unit count the warning compares.
    double max_columna = 0;
    for (const TableRow& row : rows) {
        if (row.capa_is(2) && !workset::array_index(row.columna, kMaxHidden)) {
            workset::refuse_row(platform_, kHiddenWeights, row, kRuleHidden);
            return Load::Refused;
        }
        if (!row.columna.null) max_columna = std::max(max_columna, row.columna.value);
    }
    for (const TableRow& row : rows) {
        if (row.capa_is(2))
            state_->pesos_oculta[static_cast<size_t>(*workset::array_index(row.columna, kMaxHidden))] =
                workset::cell_of(row.valor);
    }
    if (lower(w_.Text9.text()) != "no" && parse_leading(w_.Text4.text()) != max_columna) {
        platform_.message(kOutputWeightsDetected + format_general(max_columna) + "\r" + kInsteadOf + w_.Text4.text(),
                          kErrorTitle, Icon::Exclamation);
    }
    return Load::Loaded;
}

}  // namespace vorn::engine
