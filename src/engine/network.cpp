// The network window's arrays, the forward pass, the nearest named answer
// and the execute command "X".
#include "engine/network.h"

#include <array>
#include <cmath>

#include "engine/kernel.h"
#include "workset/limits.h"
#include "engine/network_state.h"
#include "workset/working_set.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/report_window.h"

namespace vorn::engine {

namespace {

constexpr const char* kErrorTitle = "Error";
constexpr const char* kBpntramaEs = "bpntrama es";
constexpr const char* kFrameOutsideFirst = "bpntrama: la trama ";
constexpr const char* kFrameOutsideLast = " queda fuera de la red; las tramas van de 0 a 100.";
constexpr const char* kSalidasOculta = "Salidas Oculta ";
constexpr const char* kText3SinValor = "Text3 no tiene valor";
constexpr const char* kSalidaDeLaTrama = "La salida de la trama ";
constexpr const char* kSalidaEs = " es: ";
constexpr const char* kNoTargets = "No hay registros en BPN Targets";
constexpr const char* kCualtramaNull = "Cualtrama=null, pasado a 1";
constexpr const char* kNoSuchFrame = "No existe trama ";
constexpr const char* kTableAndFrame =
    "SELECT EXISTS (SELECT 1 FROM BPN), EXISTS (SELECT 1 FROM BPN WHERE capa = 1 AND columna = ?)";
constexpr const char* kSalidaBpn = "La salida BPN de la trama ";
constexpr const char* kSalidaBpnEs = " es:";
constexpr const char* kRunFieldFirst = "Ejecutar Trama (Text5) dice ";
constexpr const char* kRunFieldLast =
    ", pero la red guarda las tramas de 1 a 100.\rCorrija el campo y vuelva a intentarlo.";

}  // namespace

Network::Network(MainWindow& window, Platform& platform, ReportWindows& reports, Session& session,
                 workset::WorkingSet& frames)
    : w_(window), platform_(platform), reports_(reports), session_(session), frames_(frames),
      state_(std::make_unique<State>()) {}

Network::~Network() = default;

void Network::connect() {
    w_.Command3.set_handler([this] { ejecutar(); });
    w_.Command4.set_handler([this] { entrenar(TrainingStop::AtPassEnd); }, Access::Writes);
    w_.Command14.set_handler([this] { inicializar_pesos(); }, Access::Writes);
}

namespace {
bool inside(int k, int max) {
    return k >= 0 && k <= max;
}
}  // namespace

Cell Network::entrada(int i, int n) const { return frames_.entrada(i, n); }
bool Network::frame_exists(int n) const { return frames_.frame_exists(n); }
int Network::frame_length(int n) const { return frames_.frame_length(n); }
Cell Network::target(int n) const { return frames_.target(n); }
Cell Network::peso_entrada(int i, int j) const {
    return inside(i, kMaxIndex) && inside(j, kMaxIndex) ? state_->peso_entrada(i, j) : Cell{};
}
Cell Network::peso_oculta(int j) const {
    return inside(j, kMaxHidden) ? state_->pesos_oculta[static_cast<size_t>(j)] : Cell{};
}
Cell Network::salida_oculta(int j) const {
    return inside(j, kMaxHidden) ? state_->salidas_oculta[static_cast<size_t>(j)] : Cell{};
}
Cell Network::delta_oculta(int j) const {
    return inside(j, kMaxHidden) ? state_->deltas_oculta[static_cast<size_t>(j)] : Cell{};
}
const std::vector<double>& Network::historial_error() const {
    return state_->historial_error;
}

bool Network::fields_fit(std::initializer_list<BoundedField> fields) {
    return fields_within_arrays(w_, platform_, fields);
}

void Network::apply_field_defaults() {
    w_.Text1.default_if_never_set("3");
    w_.Text2.default_if_never_set("9");
    w_.Text3.default_if_never_set("8");
    w_.Text4.default_if_never_set("3");
}

std::optional<double> Network::bpntrama(std::string_view mode, int n) {
    if (n == 0) platform_.message(kBpntramaEs + format_general(n));
    if (n < 0 || n > kMaxIndex) {
        platform_.message(kFrameOutsideFirst + format_general(n) + kFrameOutsideLast, kErrorTitle, Icon::Exclamation);
        return std::nullopt;
    }
    apply_field_defaults();
    if (mode != "entrenamiento" && !load_all()) return std::nullopt;
    if (!fields_within_arrays(w_, platform_, {BoundedField::FrameSize, BoundedField::HiddenUnits})) return std::nullopt;

    const int inputs = loop_count(parse_leading(w_.Text2.text()));
    const int hidden = loop_count(parse_leading(w_.Text4.text()));
    std::array<double, kKernelSide> x{};
    std::array<double, kKernelSide * kKernelHidden> w_in{};
    std::array<double, kKernelHidden> w_out{};
    std::array<double, kKernelHidden> h{};
    double total = 0;
    for (int j = 1; j <= hidden; ++j) {
        w_out[static_cast<size_t>(j)] = state_->pesos_oculta[static_cast<size_t>(j)].number_or_zero();
        for (int i = 1; i <= inputs; ++i) {
            double xi = frames_.entrada(i, n).number_or_zero();
            double wij = state_->peso_entrada(i, j).number_or_zero();
            x[static_cast<size_t>(i)] = xi;
            w_in[static_cast<size_t>(i * kKernelHidden + j)] = wij;
            total += xi * wij;
        }
    }
    const double out = forward_frame(x.data(), w_in.data(), w_out.data(), inputs, hidden, h.data());
    for (int j = 1; j <= hidden; ++j)
        state_->salidas_oculta[static_cast<size_t>(j)] = Cell::number(h[static_cast<size_t>(j)]);

    if (warn_si() && total == 0) show_silent_hidden_layer(h.data(), hidden);
    if (w_.Text3.never_set()) platform_.message(kText3SinValor);
    if (out == 0) show_zero_output(n, out);
    return out;
}

void Network::show_silent_hidden_layer(const double* h, int hidden) {
    std::string text = std::string(kSalidasOculta) + "\r";
    for (int j = 1; j <= hidden; ++j) text += format_short(h[j]) + "\r";
    platform_.message(text);
}

void Network::show_zero_output(int frame, double out) {
    platform_.message(kSalidaDeLaTrama + format_short(frame) + kSalidaEs + format_short(out));
}

std::string Network::nombreTarget(double out) {
    DataSource& targets = w_.targets();
    targets.refresh();
    if (targets.record_count() == 0) {
        platform_.message(kNoTargets);
        return kNoTargets;
    }
    double best = 100000000;
    std::string name;
    for (targets.move_first(); !targets.eof(); targets.move_next()) {
        Value valor = targets.field("valor");
        if (is_null(valor)) continue;
        double distance = std::fabs(as_number(valor) - out);
        if (distance < best) {
            best = distance;
            name = as_text(targets.field("nombre"));
        }
    }
    return std::string(trim(name));
}

void Network::ejecutar() {
    double number = parse_leading(w_.Text5.text());
    if (number == 0) {
        platform_.message(kCualtramaNull);
        number = 1;
    }
    const double frame = std::nearbyint(number);
    if (frame < 0 || frame > kMaxIndex) {
        platform_.message(kRunFieldFirst + w_.Text5.text() + kRunFieldLast, kErrorTitle, Icon::Exclamation);
        return;
    }
    const int n = static_cast<int>(frame);
    // A frame the table does not hold would be computed from whatever the
    // arrays kept; an empty table is left to the loaders to report.
    QueryResult held = w_.bpn().database().query_bound(kTableAndFrame, {Value(std::int64_t{n})});
    if (as_number(held.rows[0][0]) != 0 && as_number(held.rows[0][1]) == 0) {
        platform_.message(kNoSuchFrame + format_short(n));
        return;
    }
    std::optional<double> out = bpntrama("ejecutar", n);
    if (!out) return;
    std::string name = nombreTarget(*out);
    platform_.message(kSalidaBpn + format_short(n) + kSalidaBpnEs + format_general(*out) + "\r" + name);
}

}  // namespace vorn::engine
