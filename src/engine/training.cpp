// The training run "E": online backpropagation frame after frame, pass
// after pass, until the mean error of a pass falls below the acceptable
// error or the pass limit is passed; one progress line per frame in
// Consultas, then the weights into BPNPESOS and the history into
// "test.csv". No transaction is held while the run computes; the weights
// are stored in one store phase at the end, and the history, written to a
// temporary file as the passes go, replaces "test.csv" only after the
// weights were stored. The arithmetic is the kernel's; this file loads it from the
// working arrays, reports, and writes the arrays back.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <string>

#include "engine/error_curve.h"
#include "engine/kernel.h"
#include "workset/limits.h"
#include "workset/working_set.h"
#include "engine/network.h"
#include "engine/network_state.h"
#include "engine/progress_line.h"
#include "engine/vector_state.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"
#include "shell/report_window.h"
#include "shell/session.h"
#include "shell/store_phase.h"

namespace vorn::engine {

namespace {

constexpr const char* kMaxinputDefault = "maxinput=0, pasado a 2000";
constexpr const char* kUmbralDefault = "umbral=0 , pasado a 0.025";
constexpr const char* kEtaDefault = "Eta es null pasado a 0.5";
constexpr const char* kEntrenando = "Entrenando:";
constexpr const char* kNuevosPesosSalida = "Nuevos Pesos Salida";
constexpr const char* kExitNuevosPesosEntrada = "Exit de nuevos_pesos_entrada\rtext2.text vacia";
constexpr const char* kExcedenMaxinput = "Las pasadas exceden el Maxinput";
constexpr const char* kProgressPass = "Pasada ";
constexpr const char* kProgressError = " - error medio";
constexpr const char* kHiddenUnitsFirst = "Numero de Unidades en capa oculta (Text4) dice ";
constexpr const char* kHiddenUnitsLast =
    ": la red necesita al menos 1 unidad oculta.\rCorrija el campo; no se entreno la red.";
constexpr const char* kErrorTitle = "Error";

// Drops the history of a run that ends without keeping it (a refusal or a
// failure on the way out), so no temporary file outlives the run.
class HistoryRun {
public:
    explicit HistoryRun(HistoryWriter* writer) : writer_(writer) {
        if (writer_ != nullptr) writer_->begin_history();
    }
    ~HistoryRun() {
        if (writer_ != nullptr && !done_) writer_->discard_history();
    }
    HistoryRun(const HistoryRun&) = delete;
    HistoryRun& operator=(const HistoryRun&) = delete;
    void add(double mean) {
        if (writer_ != nullptr) writer_->add_pass(mean);
    }
    void keep(bool weights_stored) {
        done_ = true;
        if (writer_ != nullptr) writer_->keep_history(weights_stored);
    }
    void discard() {
        done_ = true;
        if (writer_ != nullptr) writer_->discard_history();
    }

private:
    HistoryWriter* writer_;
    bool done_ = false;
};
constexpr const char* kStopped = "Entrenamiento detenido en la pasada ";
constexpr const char* kCurveTitle = "Entrenamiento de la red";
constexpr const char* kCurvePass = "Pasada";
constexpr const char* kCurveError = "Error medio";

// The pass text (at most "mm:" and a pass count) and seven numbers with
// their tabs.
constexpr int kMaxLineText = 32 + 7 * (1 + kMaxNumberText);

constexpr double kDefaultPassLimit = 2000;
constexpr double kDefaultUmbral = 0.025;
constexpr double kDefaultEta = 0.5;

// The first column of a pass's lines: the elapsed minutes as "mm:" (what
// the long time format leaves after its last five characters are cut to
// three) followed by the pass count.
std::string pass_text(std::chrono::system_clock::duration elapsed, long long pass) {
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    const long long minutes = seconds < 0 ? 0 : seconds / 60 % 60;
    std::string text;
    text.push_back(static_cast<char>('0' + minutes / 10));
    text.push_back(static_cast<char>('0' + minutes % 10));
    text.push_back(':');
    append_whole_short(text, pass);
    return text;
}

}  // namespace

double Network::entrenar(TrainingStop stop) {
    // A never-set field gets its default of 3 units when the tables load.
    if (!w_.Text4.never_set() && parse_leading(w_.Text4.text()) < 1) {
        platform_.message(kHiddenUnitsFirst + w_.Text4.text() + kHiddenUnitsLast, kErrorTitle, Icon::Exclamation);
        return 1;
    }
    double pass_limit = parse_leading(w_.Text7.text());
    if (pass_limit == 0) {
        platform_.message(kMaxinputDefault);
        pass_limit = kDefaultPassLimit;
    }
    double umbral = parse_leading(w_.Text6.text());
    if (umbral == 0) {
        platform_.message(kUmbralDefault);
        umbral = kDefaultUmbral;
    }

    const auto start = platform_.now();
    ReportWindow& consultas = reports_.get();
    consultas.clear();
    consultas.add_line(kEntrenando);
    consultas.refresh();

    // Reloads frames, weights and targets, and fills in never-set fields.
    if (!bpntrama("vez sub0", 1)) return 1;
    if (!fields_within_arrays(w_, platform_, {BoundedField::FrameCount})) return 1;
    // Nothing is read from here to the store phase: no snapshot is held
    // while the run computes, so another program may write meanwhile.
    end_load_phase(w_.pesos().database());
    // The curve is named before the history starts, so that a caller that
    // runs the training as part of something larger (an experiment) can
    // name it after itself when the history begins.
    ErrorCurve curve(consultas.Curva);
    consultas.Curva.set_title(kCurveTitle);
    consultas.Curva.set_axis_titles(kCurvePass, kCurveError);
    consultas.Curva.set_line_names({});
    consultas.Curva.set_error_curve(true);
    HistoryRun history_file(history_writer_);

    const bool warn = warn_si();
    const double frames_number = parse_leading(w_.Text3.text());
    const double size_number = parse_leading(w_.Text2.text());
    const int frames = loop_count(frames_number);
    KernelNet& net = state_->kernel;
    net.inputs = loop_count(size_number);
    net.hidden = loop_count(parse_leading(w_.Text4.text()));
    for (int n = 1; n <= frames; ++n) {
        for (int i = 1; i <= net.inputs; ++i) net.input(i, n) = frames_.entrada(i, n).number_or_zero();
        net.t[static_cast<size_t>(n)] = frames_.target(n).number_or_zero();
    }
    for (int j = 1; j <= net.hidden; ++j) {
        for (int i = 1; i <= net.inputs; ++i) net.weight_in(i, j) = state_->peso_entrada(i, j).number_or_zero();
        net.w_out[static_cast<size_t>(j)] = state_->pesos_oculta[static_cast<size_t>(j)].number_or_zero();
    }

    // The passes the limit allows, for the progress bar.
    const long long passes_allowed =
        pass_limit < 0 ? 0 : pass_limit >= 9e18 ? LLONG_MAX : static_cast<long long>(pass_limit) + 1;
    bool stopped = false;

    std::vector<double>& history = state_->historial_error;
    size_t history_index = 1;
    long long pass = 0;
    double mean = 1;
    bool trained = false;
    bool eta_checked = false;
    double eta = 0;
    while (pass <= pass_limit) {
        ++pass;
        const std::string first_column = pass_text(platform_.now() - start, pass);
        consultas.clear();
        double accumulated = 0;
        for (int n = 1; n <= frames; ++n) {
            const double total = warn ? input_product_total(net, n) : 1;
            if (!eta_checked) {
                eta = parse_leading(w_.Text8.text());
            }
            clear_upper_vector_state();
            const FrameStep step = train_frame(net, n, eta == 0 ? kDefaultEta : eta);
            trained = true;
            accumulated += std::fabs(step.error);

            if (warn && total == 0) show_silent_hidden_layer(net.h.data(), net.hidden);
            if (step.out == 0) show_zero_output(n, step.out);
            if (!eta_checked) {
                if (eta == 0) {
                    platform_.message(kEtaDefault);
                    w_.Text8.set_text(format_general(kDefaultEta));
                    eta = parse_leading(w_.Text8.text());
                }
                eta_checked = true;
            }
            if (step.out_weight_sum == 0) {
                std::string text = std::string(kNuevosPesosSalida) + "\r";
                for (int j = 1; j <= net.hidden; ++j) text += format_short(net.w_out[static_cast<size_t>(j)]) + "\r";
                platform_.message(text);
            }
            if (size_number == 0 && warn) platform_.message(kExitNuevosPesosEntrada);

            // The frame's line: the pass text, then out, n, target, dO, e,
            // e minus the acceptable error and the running mean error.
            char text[kMaxLineText];
            char* p = std::copy(first_column.begin(), first_column.end(), text);
            const double values[] = {step.out,   net.t[static_cast<size_t>(n)], step.delta_out,
                                     step.error, step.error - umbral,           accumulated / frames_number};
            *p++ = '\t';
            p = put_cut_short(p, values[0]);
            *p++ = '\t';
            p = put_whole_short(p, n);
            for (size_t k = 1; k < std::size(values); ++k) {
                *p++ = '\t';
                p = put_cut_short(p, values[k]);
            }
            consultas.add_line(std::string(text, p));
        }
        consultas.refresh();
        mean = frames_number > 0.0001 ? accumulated / frames_number : 1;
        // The window keeps the model's cells; the file gets every pass.
        if (history_index < history.size()) history[history_index] = mean;
        ++history_index;
        history_file.add(mean);
        {
            std::string progress = kProgressPass;
            progress += format_int(pass);
            progress += kProgressError;
            append_cut_short(progress, mean);
            session_.report_progress(Progress{pass, passes_allowed, std::move(progress)});
        }
        curve.add(pass, mean);
        if (mean < umbral) break;
        // A stop ends the run here as the limit would, unless this was the
        // last pass anyway.
        if (stop != TrainingStop::Never && pass <= pass_limit && platform_.stop_requested()) {
            stopped = true;
            break;
        }
    }
    curve.finish(pass, mean);
    if (stopped && stop == TrainingStop::Abandon) {
        history_file.discard();
        return mean;
    }
    if (warn && pass > pass_limit) platform_.message(kExcedenMaxinput);

    if (trained) {
        for (int i = 1; i <= net.inputs; ++i) {
            for (int j = 1; j <= net.hidden; ++j) state_->peso_entrada(i, j) = Cell::number(net.weight_in(i, j));
        }
        for (int j = 1; j <= net.hidden; ++j) {
            const auto k = static_cast<size_t>(j);
            state_->pesos_oculta[k] = Cell::number(net.w_out[k]);
            state_->salidas_oculta[k] = Cell::number(net.h[k]);
            state_->deltas_oculta[k] = Cell::number(net.delta[k]);
        }
    }
    const Stored stored = store_weights();
    if (stored == Stored::No) {
        history_file.discard();
    } else {
        history_file.keep(stored == Stored::Yes);
    }
    if (stopped) platform_.message(kStopped + format_int(pass));
    return mean;
}

}  // namespace vorn::engine
