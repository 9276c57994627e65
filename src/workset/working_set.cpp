#include "workset/working_set.h"

#include <algorithm>
#include <string>

#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"

namespace vorn::workset {

namespace {

constexpr const char* kData1Vacia = "Data1 vacia";
constexpr const char* kEntradasVacia = "Fijar Entradas: la tabla bpn esta vacia";
constexpr const char* kTargetVacia = "Fijar Target: la tabla bpn esta vacia";
constexpr const char* kFrameSizeDetected = "El tamaño maximo de Trama detectado es ";
constexpr const char* kFrameCountDetected = "El numero de Tramas detectado es ";
constexpr const char* kInsteadOf = "en vez de : ";
constexpr const char* kChangingTo = "Cambiando automaticamente a: ";
constexpr const char* kErrorTitle = "Error";
constexpr const char* kRuleTargets = "la columna va de 0 a 100";

constexpr LoaderNames kInputs{"Fijar Entradas", "BPN", 1, kData1Vacia, kEntradasVacia};
constexpr LoaderNames kTargets{"Fijar Target", "BPN", 10, kData1Vacia, kTargetVacia};

bool inside(int k, int max) { return k >= 0 && k <= max; }

}  // namespace

WorkingSet::WorkingSet(MainWindow& window, Platform& platform) : w_(window), platform_(platform) {}

Load WorkingSet::fijarEntradas() { return load_inputs(read_network_rows(w_.bpn())); }
Load WorkingSet::fijarTarget() { return load_targets(read_network_rows(w_.bpn())); }

bool WorkingSet::frames_are_finite() {
    const std::vector<TableRow> rows = read_network_rows(w_.bpn());
    return !refuse_non_finite(platform_, rows, kInputs, 1) && !refuse_non_finite(platform_, rows, kTargets, 10);
}

Load WorkingSet::load_inputs(const std::vector<TableRow>& rows) {
    if (std::optional<Load> early = check_rows(w_, platform_, rows, kInputs)) return *early;
    const std::optional<Extent> extent = pattern_extent(platform_, rows, kInputs);
    if (!extent) return Load::Refused;
    record_frames(rows);
    store_pattern_rows(rows, [this](int i, int n, const TableRow& row) {
        entradas_[static_cast<size_t>(i) * kSide + static_cast<size_t>(n)] = cell_of(row.valor);
    });

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

// The input cells start empty again, so that no reader (the training
// kernel included) meets a value left over from an earlier table, past a
// frame's end or in a gap.
void WorkingSet::record_frames(const std::vector<TableRow>& rows) {
    std::fill(frame_length_.begin(), frame_length_.end(), -1);
    store_pattern_rows(rows, [this](int i, int n, const TableRow&) {
        frame_length_[static_cast<size_t>(n)] = std::max(frame_length_[static_cast<size_t>(n)], i);
    });
    std::fill(entradas_.begin(), entradas_.end(), Cell{});
}

Load WorkingSet::load_targets(const std::vector<TableRow>& rows) {
    if (std::optional<Load> early = check_rows(w_, platform_, rows, kTargets)) return *early;
    for (const TableRow& row : rows) {
        if (row.capa_is(10) && !array_index(row.columna, kMaxIndex)) {
            refuse_row(platform_, kTargets, row, kRuleTargets);
            return Load::Refused;
        }
    }
    // In table order: a later target row for the same frame wins.
    for (const TableRow& row : rows) {
        if (row.capa_is(10)) targets_[static_cast<size_t>(*array_index(row.columna, kMaxIndex))] = cell_of(row.valor);
    }
    return Load::Loaded;
}

bool WorkingSet::fields_fit(std::initializer_list<BoundedField> fields) {
    return fields_within_arrays(w_, platform_, fields);
}

Cell WorkingSet::entrada(int i, int n) const {
    return inside(i, kMaxIndex) && inside(n, kMaxIndex) && i <= frame_length_[static_cast<size_t>(n)]
               ? entradas_[static_cast<size_t>(i) * kSide + static_cast<size_t>(n)]
               : Cell{};
}
bool WorkingSet::frame_exists(int n) const { return frame_length(n) >= 0; }
int WorkingSet::frame_length(int n) const { return inside(n, kMaxIndex) ? frame_length_[static_cast<size_t>(n)] : -1; }
Cell WorkingSet::target(int n) const { return inside(n, kMaxIndex) ? targets_[static_cast<size_t>(n)] : Cell{}; }

}  // namespace vorn::workset
