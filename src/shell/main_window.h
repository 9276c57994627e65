// vorn2, the main window ("Red"): the network's parameter fields, the six
// data sources on ga7.mdb, one button per operation and four menus that
// repeat the most used buttons. The form only holds controls and the few
// behaviours that belong to the window itself ("Salir", "Apl", the menus
// that run buttons); the operations are wired in by the workbench.
#pragma once

#include "shell/controls.h"
#include "shell/form.h"

namespace vorn {

class Database;

class MainWindow : public Form {
public:
    explicit MainWindow(Database& db);

    // Parameter and status fields, with their design texts.
    TextField Text1;   // status; hidden
    TextField Text2;   // frame size
    TextField Text3;   // frame count
    TextField Text4;   // hidden units
    TextField Text5;   // frame to execute
    TextField Text6;   // acceptable error
    TextField Text7;   // pass limit
    TextField Text8;   // learning rate
    TextField Text9;   // warning switch "SI"/"NO"
    TextField Text10;  // experiment bit string; hidden
    TextField Text11;  // experiment result; hidden
    TextField Text12;  // experiment counter; hidden
    Label Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9;

    Button Command1;
    Button Command2;
    Button Command3;
    Button Command4;
    Button Command5;
    Button Command6;
    Button Command7;
    Button Command8;
    Button Command9;
    Button Command10;
    Button Command11;
    Button Command12;
    Button Command13;
    Button Command14;
    Button Command15;
    Button Command16;
    Button Command17;
    Button Command18;
    Button Command19;
    Button Command20;
    Button Command21;
    Button Command22;
    Button Command23;
    Button Command24;
    Button Command25;
    Button Command26;
    Button Command27;
    Button Command28;
    Button Command29;
    Button Command30;
    Button Command31;
    Button Command32;
    Button Command33;
    Button Command34;
    Button Command35;
    Button Command36;
    Button Command37;
    Button Command38;
    Button Command39;
    Button Command40;
    Button Command41;
    Button Command42;
    Button Command43;
    Button Command44;
    Button Command45;
    Button Command46;
    Button Command47;
    Button Command48;
    // Stops the running training or search at the end of its pass (the
    // front end takes it, and Escape, while a handler runs).
    Button CommandDetener;
    ComboBox Combo1;
    Timer Timer1;
    DataControl Data1, Data2, Data3, Data4, Data5, Data6;
    Frame3D Frame3D1;
    OptionButton Option3D1, Option3D2, Option3D3;
    PushButton3D GroupPush3D1, GroupPush3D3;
    Shape Shape1, Shape2, Shape3, Shape4, Shape5;

    // Menu "Red".
    MenuItem executar, execute, cambiarparams, bpnentrenar, pasardatosatexto, importartramas, restaurartramas, salida;
    // Menu "Examinar".
    MenuItem examina, entrada, pesoentradas, pesosoculta, target, data1bpn;
    // Menu "Tramas".
    MenuItem menutramas, menuexportar, menuimportar, guardartramasentabla;
    // Menu "Calcular".
    MenuItem menucalcular, menucalcularmovingaverage, menusumartramas, menurestartramas,
        menumultiplicartramas, menudividirtramas, menuborrartramas, menuporcentajecambioentramas,
        menutendenciaentramas, menuparticionartrama, menusigmoidedetrama, menubinariodetrama,
        menubipolardetrama, menucuasibinariodetrama;
    // Menu "Ayuda": the guide (F1) and what the program is.
    MenuItem menuayuda, ayuda, acercade;

    // The data sources by their plain roles.
    DataSource& bpn();
    DataSource& pesos();
    DataSource& targets();
    DataSource& pasadas();
    DataSource& acciones();
    DataSource& mercap();

private:
    void describe_controls();
};

}  // namespace vorn
