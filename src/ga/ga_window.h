// GABPN, the genetic-algorithm window ("Algoritmo Genetico"): the fields of
// a run, the strategy box, the progress label, the buttons, the menu, the
// start-up timer, the curve of the pass's total fitness and the data
// sources on the GA tables, the search method and the generations of a
// "Torneo" pass, and the fields of the walk-forward study. The form only holds controls and what belongs
// to the window itself (its start-up defaults, "Salir"); the operations
// are wired in by ga::GeneticSearch.
#pragma once

#include <string>
#include <vector>

#include "shell/controls.h"
#include "shell/form.h"

namespace vorn {
class Database;
}

namespace vorn::ga {

class GaWindow : public Form {
public:
    explicit GaWindow(Database& db);

    // What the start-up timer's first tick does: the fields' defaults, the
    // strategy box filled with the registered strategies, "Strat" chosen;
    // the timer stops itself.
    void set_defaults(const std::vector<std::string>& strategies);

    TextField Text3;  // population size N
    TextField Text4;  // chromosome length L
    TextField Text5;  // passes of a run
    TextField Text7;  // inverse operator "SI"/"NO"
    TextField Text1;  // seed with the winners "SI"/"NO"
    TextField Text6;  // current pass
    TextField Text8;  // minutes of the last run
    TextField Text9;  // result of the last run
    TextField Text2;  // free text; the main window's experiment answer
    Label Label1, Label2, Label3, Label4, Label6, Label7, Label8;
    Label Label5;  // progress of mate and markcross
    ComboBox Combo1;
    PushButton3D GroupPush3D1;  // run
    PushButton3D GroupPush3D2;  // inverse operator
    PushButton3D GroupPush3D3;  // print
    Button Command1, Command2, Command3, Command4, Command5, Command6, Command7, Command8;
    Button CommandValidar;
    Plot Curva;
    Timer Timer1;
    DataControl Data1, Data2, Data3, Data4, Data5, Data9;

    MenuItem menuregistros, menunuevos, menueliminar, menueliminartodo;
    MenuItem menuimprimir, menubuscar, menuverconsulta, menusalir;

    // The search method: "Clasico" (the roulette run, until the total
    // fitness repeats) or "Torneo" (tournaments with elitism for a fixed
    // number of generations, TextGeneraciones).
    Label LabelMetodo;
    ComboBox ComboMetodo;
    Label LabelGeneraciones;
    TextField TextGeneraciones;

    // The walk-forward study: the first and last test years, the training
    // years before each, the cost of a trade in percent (also Validar's),
    // the random rules of each year's p-value; its two buttons.
    Label LabelDesde, LabelHasta, LabelAnios, LabelCosto, LabelAzar;
    TextField TextDesde, TextHasta, TextAnios, TextCosto, TextAzar;
    Button CommandEstudio, CommandEstudios;

    DataSource& ga() { return Data1.source(); }
    DataSource& borrar() { return Data2.source(); }
    DataSource& sumas() { return Data3.source(); }
    DataSource& converge() { return Data4.source(); }
    DataSource& borrar2() { return Data5.source(); }
    DataSource& targets() { return Data9.source(); }
};

}  // namespace vorn::ga
