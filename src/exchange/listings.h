// The six browses of the main window: the rows of BPN ("BD1") and
// BPNPESOS ("BD2"), and the working arrays entradas ("Bent"), pesosEntrada
// ("Bpes"), targets ("Btar") and pesosOculta ("Bpoc"), as lines of the
// report window's list.
#pragma once

namespace vorn {
class MainWindow;
class ReportWindows;
namespace engine {
class Network;
}
}  // namespace vorn

namespace vorn::exchange {

class Listings {
public:
    Listings(MainWindow& window, engine::Network& network, ReportWindows& reports);
    void connect();

    void browse_bpn();      // "BD1"
    void browse_pesos();    // "BD2"
    void browse_entradas(); // "Bent"
    void browse_pesos_entrada();  // "Bpes"
    void browse_targets();  // "Btar"
    void browse_pesos_oculta();   // "Bpoc"

private:
    MainWindow& w_;
    engine::Network& network_;
    ReportWindows& reports_;
};

}  // namespace vorn::exchange
