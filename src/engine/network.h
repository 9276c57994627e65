// The network of the main window: its working arrays, the four loaders
// that fill them from BPN, BPNPESOS and BPNTargets, the forward pass and
// execution ("X"), training ("E"), and the weights ("P.Ini" and
// guardar_valores). The numerical kernel lives in kernel.h, free of forms
// and tables.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn {
class MainWindow;
class Platform;
class ReportWindows;
class Workbench;
}  // namespace vorn

namespace vorn::engine {

// Bounds of the working arrays: positions and frames 0..100, hidden units
// 0..3.
constexpr int kMaxIndex = 100;
constexpr int kMaxHidden = 3;

// A cell of a working array: never loaded (empty), loaded from a NULL
// (null), or a number. Sums and the kernel read empty and null as 0.
struct Cell {
    enum class Kind : unsigned char { Empty, Null, Number };
    Kind kind = Kind::Empty;
    double value = 0;

    bool is_number() const { return kind == Kind::Number; }
    double number_or_zero() const { return kind == Kind::Number ? value : 0.0; }
};

// 1 / (1 + e^-x), exactly 0 at x <= -20 and exactly 1 at x >= 20.
double sigmoide(double x);

// Where training writes its error history ("test.csv").
class HistoryWriter {
public:
    virtual ~HistoryWriter() = default;
    // history[1 .. count] are the passes' mean errors (index 0 unused).
    virtual void write_training_history(const std::vector<double>& history, int count) = 0;
};

class Network {
public:
    Network(MainWindow& window, Platform& platform, ReportWindows& reports, Workbench& workbench);
    ~Network();

    void set_history_writer(HistoryWriter* writer) { history_writer_ = writer; }
    // Gives the buttons "X", "E" and "P.Ini" their handlers.
    void connect();

    // The loaders. fijarEntradas also corrects the frame-size and
    // frame-count fields. Each returns false when it refused the table
    // (a row outside the arrays' bounds) after saying so.
    bool fijarEntradas();
    bool fijarEntradaPesos();
    bool fijarPesosOculta();
    bool fijarTarget();

    // M(i, n): element i of frame n as loaded; Empty outside the bounds.
    Cell entrada(int i, int n) const;
    Cell target(int n) const;

    double bpntrama(std::string_view mode, int frame);
    std::string nombreTarget(double out);
    void ejecutar();            // "X"
    double entrenar();          // "E"; the mean error of the last pass
    void inicializar_pesos();   // "P.Ini"
    void guardar_valores();

private:
    struct State;
    MainWindow& w_;
    Platform& platform_;
    ReportWindows& reports_;
    Workbench& workbench_;
    HistoryWriter* history_writer_ = nullptr;
    State* state_;
};

}  // namespace vorn::engine
