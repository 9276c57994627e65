#include "exchange/listings.h"

#include "workset/limits.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/record_store.h"
#include "shell/report_window.h"

namespace vorn::exchange {

namespace {

// A null field contributes nothing; the line is still listed.
std::string short_or_empty(const Value& value) {
    return is_null(value) ? std::string() : format_short(as_number(value));
}
std::string general_or_empty(const Value& value) {
    return is_null(value) ? std::string() : format_general(as_number(value));
}

std::string bpn_line(const DataSource& bpn) {
    return short_or_empty(bpn.field("capa")) + "-" + short_or_empty(bpn.field("fila")) + "," +
           short_or_empty(bpn.field("columna")) + "," + "\t" + general_or_empty(bpn.field("valor")) + " " + "_" +
           std::string(trim(as_text(bpn.field("nombre"))));
}

std::string pesos_line(const DataSource& pesos) {
    return short_or_empty(pesos.field("capa")) + "-" + short_or_empty(pesos.field("fila")) + "," +
           short_or_empty(pesos.field("columna")) + "," + "\t" + short_or_empty(pesos.field("valor"));
}

}  // namespace

Listings::Listings(MainWindow& window, workset::WorkingSet& frames, WeightCells weights, ReportWindows& reports)
    : w_(window), frames_(frames), weights_(std::move(weights)), reports_(reports) {}

void Listings::connect() {
    w_.Command2.set_handler([this] { browse_bpn(); });
    w_.Command11.set_handler([this] { browse_pesos(); });
    w_.Command7.set_handler([this] { browse_entradas(); });
    w_.Command8.set_handler([this] { browse_pesos_entrada(); });
    w_.Command9.set_handler([this] { browse_targets(); });
    w_.Command10.set_handler([this] { browse_pesos_oculta(); });
}

void Listings::browse_table(DataSource& source, const std::function<std::string(const DataSource&)>& line_of) {
    ReportWindow& consultas = reports_.get();
    consultas.clear();
    consultas.hide_list();
    source.refresh();
    if (source.record_count() == 0) return;
    for (source.move_first(); !source.eof(); source.move_next()) consultas.add_line(line_of(source));
    source.move_first();
    consultas.refresh();
    consultas.show_list();
    consultas.show();
}

void Listings::browse_array(std::optional<int> rows, int columns, const std::function<workset::Cell(int, int)>& cell) {
    ReportWindow& consultas = reports_.get();
    consultas.clear();
    consultas.hide_list();
    const int first = rows ? 1 : 0;
    const int last = rows ? *rows : 0;
    for (int i = first; i <= last; ++i) {
        for (int j = 1; j <= columns; ++j) {
            workset::Cell value = cell(i, j);
            if (value.is_null()) continue;
            std::string line = rows ? format_short(i) : std::string();
            consultas.add_line(line + format_short(j) + format_short(value.number_or_zero()));
        }
    }
    consultas.show_list();
    consultas.show();
}

void Listings::browse_bpn() {
    browse_table(w_.bpn(), bpn_line);
}
void Listings::browse_pesos() {
    browse_table(w_.pesos(), pesos_line);
}

namespace {
int field_count(const TextField& field) {
    return workset::loop_count(parse_leading(field.text()));
}
}  // namespace

void Listings::browse_entradas() {
    using workset::BoundedField;
    if (!frames_.fields_fit({BoundedField::FrameSize, BoundedField::FrameCount})) return;
    browse_array(field_count(w_.Text2), field_count(w_.Text3), [this](int i, int j) { return frames_.entrada(i, j); });
}

void Listings::browse_pesos_entrada() {
    using workset::BoundedField;
    if (!frames_.fields_fit({BoundedField::FrameSize, BoundedField::InputUnits})) return;
    browse_array(field_count(w_.Text2), field_count(w_.Text4), weights_.entrada);
}

void Listings::browse_targets() {
    if (!frames_.fields_fit({workset::BoundedField::FrameCount})) return;
    browse_array(std::nullopt, field_count(w_.Text3), [this](int, int j) { return frames_.target(j); });
}

void Listings::browse_pesos_oculta() {
    if (!frames_.fields_fit({workset::BoundedField::HiddenUnits})) return;
    browse_array(std::nullopt, field_count(w_.Text4), [this](int, int j) { return weights_.oculta(j); });
}

}  // namespace vorn::exchange
