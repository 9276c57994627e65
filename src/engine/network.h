// The network of the main window: its working arrays, the four loaders
// that fill them from BPN, BPNPESOS and BPNTargets, the forward pass and
// execution ("X"), training ("E"), and the weights ("P.Ini" and
// guardar_valores). The numerical kernel lives in kernel.h, free of forms
// and tables; the handlers here load, run the kernel and store.
//
// The working arrays have fixed bounds (positions and frames 0..100,
// hidden units 0..3). Nothing ever indexes outside them: a table row or a
// parameter field that would is refused with a message naming it, and the
// operation stops with the tables and arrays as they were.
#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workset/cell.h"
#include "workset/limits.h"
#include "workset/table_rows.h"

namespace vorn {
class MainWindow;
class Platform;
class ReportWindows;
class Session;
}  // namespace vorn

namespace vorn::workset {
class WorkingSet;
struct TableRow;
}  // namespace vorn::workset

namespace vorn::engine {

// The working set's cells and bounds, as the network names them.
using workset::Cell;
using workset::kMaxHidden;
using workset::kMaxIndex;
using workset::sigmoide;
using workset::BoundedField;
using workset::fields_within_arrays;
using workset::Load;
using workset::loop_count;

// What a stop request does to a training run. AtPassEnd ends it at the end
// of the current pass as the pass limit would (weights and history of the
// passes made kept); Abandon ends it there too but keeps nothing (no
// weights stored, the history dropped, nothing said), for a caller that
// throws the whole run away; Never trains to the end.
enum class TrainingStop { AtPassEnd, Abandon, Never };

// Where training writes its error history ("test.csv"), pass by pass as
// the run goes, so that memory stays flat however many passes it makes.
// The new history replaces the old file only when the run keeps it (after
// the weights were stored); a discarded one leaves the old file as it was.
class HistoryWriter {
public:
    virtual ~HistoryWriter() = default;
    // Starts a new history (dropping any one not kept).
    virtual void begin_history() = 0;
    virtual void add_pass(double mean_error) = 0;
    // The history becomes "test.csv"; on failure says so, telling whether
    // the weights were stored.
    virtual void keep_history(bool weights_stored) = 0;
    virtual void discard_history() = 0;
};


class Network {
public:
    // `frames` is the working set the network trains and executes on.
    Network(MainWindow& window, Platform& platform, ReportWindows& reports, Session& session,
            workset::WorkingSet& frames);
    ~Network();
    Network(const Network&) = delete;
    Network& operator=(const Network&) = delete;

    void set_history_writer(HistoryWriter* writer) { history_writer_ = writer; }
    // Gives the buttons "X", "E" and "P.Ini" their handlers.
    void connect();

    // The loaders. fijarEntradas and fijarTarget are the working set's;
    // fijarEntradas also corrects the frame-size and frame-count fields.
    // Each returns what it found: Refused after saying why (a row outside
    // the arrays' bounds, a value that is not finite), Empty for an empty
    // table (the arrays are then simply kept, as the caller may go on),
    // Loaded otherwise.
    Load fijarEntradas();
    Load fijarEntradaPesos();
    Load fijarPesosOculta();
    Load fijarTarget();

    // False, after naming the first row, when BPN holds a frame or target
    // value that is not a finite number (an infinity written by another
    // tool), for operations that compute on the table without loading it.
    bool frames_are_finite();

    // entradas(i, n): element i of frame n as loaded; Empty outside the
    // bounds. The others likewise.
    Cell entrada(int i, int n) const;
    Cell target(int n) const;
    // Frame n exists when the last input load found a pattern row of it;
    // its length is its largest fila. Cells past a frame's length (and all
    // cells of a frame that does not exist) read as empty.
    bool frame_exists(int n) const;
    int frame_length(int n) const;
    Cell peso_entrada(int i, int j) const;
    Cell peso_oculta(int j) const;
    Cell salida_oculta(int j) const;
    Cell delta_oculta(int j) const;
    // historialError: index 1 .. passes of the last run (index 0 unused).
    const std::vector<double>& historial_error() const;

    // True when every named field fits the arrays; otherwise says which
    // does not (for operations that walk the arrays by those fields).
    bool fields_fit(std::initializer_list<BoundedField> fields);

    // The forward pass. Any mode but "entrenamiento" reloads the tables
    // first. nullopt when a loader or a bound refused the pass (after
    // saying why).
    std::optional<double> bpntrama(std::string_view mode, int frame);
    std::string nombreTarget(double out);
    void ejecutar();  // "X"
    // "E": the mean error of the last pass; 1 when no pass ran (the run was
    // refused or the pass limit is below 0). The "E" button's run takes
    // AtPassEnd: a stop request ends it at the end of the current pass as
    // the pass limit would (weights stored, the history of the passes made)
    // and says at which pass. Callers whose own loop honours the stop (an
    // experiment, which abandons itself whole on a stop: Abandon) choose.
    double entrenar(TrainingStop stop = TrainingStop::Never);
    void inicializar_pesos();  // "P.Ini"
    void guardar_valores();

private:
    struct State;
    enum class Stored { Yes, Skipped, No };

    // guardar_valores' work: Skipped when the fields stopped it before any
    // write (after saying so), No when the store was declined or refused.
    Stored store_weights();

    // Never-set fields (still showing their own names) get their defaults.
    void apply_field_defaults();
    // The four loaders in order; false at the first that refused.
    bool load_all();
    // The weight loaders' work on rows already read.
    Load load_input_weights(const std::vector<workset::TableRow>& rows);
    Load load_hidden_weights(const std::vector<workset::TableRow>& rows);
    // The warning field says exactly "SI".
    bool warn_si() const;
    // The forward pass's own messages: a hidden layer that saw only zero
    // products (shown with SI), and an output of exactly 0.
    void show_silent_hidden_layer(const double* h, int hidden);
    void show_zero_output(int frame, double out);

    MainWindow& w_;
    Platform& platform_;
    ReportWindows& reports_;
    Session& session_;
    workset::WorkingSet& frames_;
    HistoryWriter* history_writer_ = nullptr;
    std::unique_ptr<State> state_;
};

}  // namespace vorn::engine
