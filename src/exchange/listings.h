// The six browses of the main window: the rows of BPN ("BD1") and
// BPNPESOS ("BD2"), and the working arrays entradas ("Bent"), pesosEntrada
// ("Bpes"), targets ("Btar") and pesosOculta ("Bpoc"), as lines of the
// report window's list. They read only: no table or array changes.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "workset/working_set.h"

namespace vorn {
class DataSource;
class MainWindow;
class ReportWindows;
}  // namespace vorn

namespace vorn::exchange {

// The network's weight cells, read by "Bpes" and "Bpoc": pesosEntrada(i, j)
// and pesosOculta(j), empty outside the arrays.
struct WeightCells {
    std::function<workset::Cell(int, int)> entrada;
    std::function<workset::Cell(int)> oculta;
};

class Listings {
public:
    Listings(MainWindow& window, workset::WorkingSet& frames, WeightCells weights, ReportWindows& reports);
    void connect();

    void browse_bpn();            // "BD1"
    void browse_pesos();          // "BD2"
    void browse_entradas();       // "Bent"
    void browse_pesos_entrada();  // "Bpes"
    void browse_targets();        // "Btar"
    void browse_pesos_oculta();   // "Bpoc"

private:
    // Lists every row of the data source; an empty source leaves the list
    // empty and hidden and the window as it was.
    void browse_table(DataSource& source, const std::function<std::string(const DataSource&)>& line_of);
    // Lists short(i) + short(j) + short(cell(i, j)) for i = 1..rows and,
    // inside, j = 1..columns, skipping null cells (an empty cell lists as
    // 0). A one-index array (rows absent) lists short(j) + short(cell(0, j)).
    void browse_array(std::optional<int> rows, int columns, const std::function<workset::Cell(int, int)>& cell);

    MainWindow& w_;
    workset::WorkingSet& frames_;
    WeightCells weights_;
    ReportWindows& reports_;
};

}  // namespace vorn::exchange
