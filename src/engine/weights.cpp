// The weight table BPNPESOS rewritten as a whole: random initial weights
// ("P.Ini") and the trained weights at the end of a run (guardar_valores).
// Both check the fields before they touch the table and rewrite it in one
// store phase (write lock, all or nothing, committed before anything is
// reported), so a refused, declined or failed rewrite leaves the old
// weights.
#include <cmath>
#include <string>

#include "workset/limits.h"
#include "engine/network.h"
#include "engine/network_state.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/store_phase.h"

namespace vorn::engine {

namespace {

constexpr const char* kDeleteWeights = "delete bpnpesos.* from bpnpesos";

constexpr const char* kIniText2Vacio = "Command14 Text2.text vacio";
constexpr const char* kIniText4Vacio = "Text4.text vacio";
constexpr const char* kIniHabia = " En data2 Habia:";
constexpr const char* kIniQuedan = "Quedan:";
constexpr const char* kIniAlFinal = "Al final quedan:";
constexpr const char* kIniStatus = "Quedan en data2:";

constexpr const char* kSaveText2Vacia = "EXIT guardar_valores\rtext2.text vacia";
constexpr const char* kSaveHabia = "Habia : ";
constexpr const char* kSavePesos = " Pesos";
constexpr const char* kSaveQuedaron = "De los cuales quedaron:";
constexpr const char* kSaveAlFinal = "Al final Quedan:";
constexpr const char* kSaveTitle = "Guardar Valores";
constexpr const char* kNoHiddenWeights = "No de guardaron nuevos pesos para la capa Oculta";
constexpr const char* kNoOutputWeights = "No de guardaron nuevos pesos para la capa Salidas";
constexpr const char* kOjo = "OJO";
constexpr const char* kNotFinite =
    "Los pesos calculados no son numeros finitos (la red divergio): no se guardaron.\r"
    "La tabla BPNPESOS queda como estaba.";

long count_records(DataSource& source) {
    source.refresh();
    if (!source.eof()) source.move_last();
    return source.record_count();
}

void add_weight_row(DataSource& pesos, int capa, int fila, int columna, const Value& valor) {
    pesos.add_new();
    pesos.set("capa", Value(std::int64_t{capa}));
    pesos.set("fila", Value(std::int64_t{fila}));
    pesos.set("columna", Value(std::int64_t{columna}));
    pesos.set("valor", valor);
    pesos.update();
}

// A single-precision draw in [0, 1): rounding to float must not reach 1.
double single_precision_draw(Platform& platform) {
    float value = static_cast<float>(platform.random());
    if (value >= 1.0f) value = std::nextafter(1.0f, 0.0f);
    return value;
}

Value cell_value(const Cell& cell) {
    return cell.is_number() ? Value(cell.value) : Value();
}

}  // namespace

void Network::inicializar_pesos() {
    // Below 1 is as empty as 0: a table with no unit or no position would
    // hold no weights.
    if (parse_leading(w_.Text2.text()) < 1) {
        if (warn_si()) platform_.message(kIniText2Vacio);
        return;
    }
    if (parse_leading(w_.Text4.text()) < 1) {
        platform_.message(kIniText4Vacio);
        return;
    }
    if (!fields_within_arrays(w_, platform_, {BoundedField::FrameSize, BoundedField::HiddenUnits})) return;
    const int inputs = loop_count(parse_leading(w_.Text2.text()));
    const int hidden = loop_count(parse_leading(w_.Text4.text()));

    DataSource& pesos = w_.pesos();
    std::string report;
    long count = 0;
    const bool stored = store_or_tell(pesos.database(), platform_, [&] {
        report = kIniHabia + format_short(count_records(pesos));
        pesos.database().execute(kDeleteWeights);
        report += kIniQuedan + format_short(count_records(pesos));
        for (int i = 1; i <= inputs; ++i) {
            for (int j = 1; j <= hidden; ++j) add_weight_row(pesos, 1, i, j, Value(single_precision_draw(platform_)));
        }
        for (int j = 1; j <= hidden; ++j) add_weight_row(pesos, 2, 1, j, Value(single_precision_draw(platform_)));
        count = count_records(pesos);
    });
    if (!stored) return;
    if (warn_si()) {
        platform_.message(report + "\r" + kIniAlFinal + format_short(count));
    } else {
        w_.Text1.set_text(kIniStatus + format_short(count));
    }
}

void Network::guardar_valores() { store_weights(); }

Network::Stored Network::store_weights() {
    if (parse_leading(w_.Text2.text()) == 0) {
        if (warn_si()) platform_.message(kSaveText2Vacia);
        return Stored::Skipped;
    }
    if (!fields_within_arrays(w_, platform_, {BoundedField::FrameSize, BoundedField::HiddenUnits})) return Stored::Skipped;
    const int inputs = loop_count(parse_leading(w_.Text2.text()));
    const int hidden = loop_count(parse_leading(w_.Text4.text()));

    double hidden_sum = 0;
    double output_sum = 0;
    bool finite = true;
    for (int i = 1; i <= inputs; ++i) {
        for (int j = 1; j <= hidden; ++j) {
            const Cell& weight = state_->peso_entrada(i, j);
            hidden_sum += weight.number_or_zero();
            finite = finite && std::isfinite(weight.number_or_zero());
        }
    }
    for (int j = 1; j <= hidden; ++j) {
        const Cell& weight = state_->pesos_oculta[static_cast<size_t>(j)];
        output_sum += weight.number_or_zero();
        finite = finite && std::isfinite(weight.number_or_zero());
    }
    if (!finite) {
        // The database would keep them as empty weights.
        platform_.message(kNotFinite, kOjo, Icon::Exclamation);
        return Stored::No;
    }

    DataSource& pesos = w_.pesos();
    std::string report;
    const bool stored = store_or_tell(pesos.database(), platform_, [&] {
        report = kSaveHabia + format_short(count_records(pesos)) + kSavePesos;
        pesos.database().execute(kDeleteWeights);
        report += std::string("\r") + kSaveQuedaron + format_short(count_records(pesos));
        for (int i = 1; i <= inputs; ++i) {
            for (int j = 1; j <= hidden; ++j) add_weight_row(pesos, 1, i, j, cell_value(state_->peso_entrada(i, j)));
        }
        for (int j = 1; j <= hidden; ++j)
            add_weight_row(pesos, 2, 1, j, cell_value(state_->pesos_oculta[static_cast<size_t>(j)]));
        report += std::string("\r") + kSaveAlFinal + format_short(count_records(pesos));
    });
    if (!stored) return Stored::No;
    if (hidden_sum == 0) platform_.message(kNoHiddenWeights, kOjo, Icon::Exclamation);
    if (output_sum == 0) platform_.message(kNoOutputWeights, kOjo, Icon::Exclamation);
    if (warn_si()) platform_.message(report, kSaveTitle);
    return Stored::Yes;
}

}  // namespace vorn::engine
