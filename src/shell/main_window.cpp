#include "shell/main_window.h"

#include <utility>

#include "shell/platform.h"
#include "shell/record_store.h"

namespace vorn {

namespace {
constexpr const char* kSinAccion = "Sin acción";
}  // namespace

MainWindow::MainWindow(Database& db)
    : Form("vorn2", "Red", true),
      Text1(*this, "Text1", "Text1"),
      Text2(*this, "Text2", "Text2"),
      Text3(*this, "Text3", "Text3"),
      Text4(*this, "Text4", "Text4"),
      Text5(*this, "Text5", "6"),
      Text6(*this, "Text6", "Text6"),
      Text7(*this, "Text7", "Text7"),
      Text8(*this, "Text8", "Text8"),
      Text9(*this, "Text9", "NO"),
      Text10(*this, "Text10", "Text10"),
      Text11(*this, "Text11", "Text11"),
      Text12(*this, "Text12", "Text12"),
      Label2(*this, "Label2", "Tamaño de Tramas"),
      Label3(*this, "Label3", "Numero de Tramas"),
      Label4(*this, "Label4", "Numero de Unidades en capa oculta"),
      Label5(*this, "Label5", "Ejecutar Trama"),
      Label6(*this, "Label6", "Error Minimo Aceptable"),
      Label7(*this, "Label7", "Terminar Training luego de pasadas"),
      Label8(*this, "Label8", "Velocidad de Aprendizaje"),
      Label9(*this, "Label9", "Aviso antes de cambiar tramas y Tablas Vacias"),
      Command1(*this, "Command1", "Ayuda"),
      Command2(*this, "Command2", "BD1"),
      Command3(*this, "Command3", "X", true),
      Command4(*this, "Command4", "E", true),
      Command5(*this, "Command5", "Salir"),
      Command6(*this, "Command6", "Exp"),
      Command7(*this, "Command7", "Bent"),
      Command8(*this, "Command8", "Bpes"),
      Command9(*this, "Command9", "Btar"),
      Command10(*this, "Command10", "Bpoc"),
      Command11(*this, "Command11", "BD2"),
      Command12(*this, "Command12", "Command12"),
      Command13(*this, "Command13", "Ex1"),
      Command14(*this, "Command14", "P.Ini"),
      Command15(*this, "Command15", "xor"),
      Command16(*this, "Command16", "Imp"),
      Command17(*this, "Command17", "2Data"),
      Command18(*this, "Command18", "MAV"),
      Command19(*this, "Command19", "*"),
      Command20(*this, "Command20", "/"),
      Command21(*this, "Command21", "-"),
      Command22(*this, "Command22", "+"),
      Command23(*this, "Command23", "%"),
      Command24(*this, "Command24", "+/-"),
      Command25(*this, "Command25", "Sig"),
      Command26(*this, "Command26", "01"),
      Command27(*this, "Command27", "1-1"),
      Command28(*this, "Command28", ".9.1"),
      Command29(*this, "Command29", "TnH"),
      Command30(*this, "Command30", "PAR-"),
      Command31(*this, "Command31", "eee"),
      Command32(*this, "Command32", "Rnd"),
      Command33(*this, "Command33", "Xall"),
      Command34(*this, "Command34", "Info"),
      Command35(*this, "Command35", "Z"),
      Command36(*this, "Command36", "Tanh(z)"),
      Command37(*this, "Command37", "Apl"),
      Command38(*this, "Command38", "Merval"),
      Command39(*this, "Command39", "%Ac"),
      Command40(*this, "Command40", "PAR+"),
      Command41(*this, "Command41", "Command41"),
      Command42(*this, "Command42", "BD4"),
      Command43(*this, "Command43", "§"),
      Command44(*this, "Command44", "Command44"),
      Command45(*this, "Command45", "Command45"),
      Command46(*this, "Command46", "GA"),
      Command47(*this, "Command47", "Ins"),
      Command48(*this, "Command48", "Ver last.csv"),
      CommandDetener(*this, "CommandDetener", "Detener"),
      Combo1(*this, "Combo1", "Combo1"),
      Timer1(*this, "Timer1", 1),
      Data1(*this, "Data1", "1 BPN", db, "BPN"),
      Data2(*this, "Data2", "2 BPN Pesos", db, "BPNPESOS"),
      Data3(*this, "Data3", "3 BPNTargets", db, "BPNTargets"),
      Data4(*this, "Data4", "4 PasadasBPN", db, "PasadasBPN"),
      Data5(*this, "Data5", "5 AccionesXmes", db, "AccionesXmes"),
      Data6(*this, "Data6", "Data6", db, "Mercap"),
      Frame3D1(*this, "Frame3D1", ""),
      Option3D1(*this, "Option3D1", "Opcion 1", &Frame3D1),
      Option3D2(*this, "Option3D2", "Opcion 2", &Frame3D1),
      Option3D3(*this, "Option3D3", "Opcion 3", &Frame3D1),
      GroupPush3D1(*this, "GroupPush3D1", ""),
      GroupPush3D3(*this, "GroupPush3D3", ""),
      Shape1(*this, "Shape1", "#c0c0c0"),
      Shape2(*this, "Shape2", "#c0c0c0"),
      Shape3(*this, "Shape3", "#c0c0c0"),
      Shape4(*this, "Shape4", "#c0c0c0"),
      Shape5(*this, "Shape5", "#c0c0c0"),
      executar(*this, "executar", "Red"),
      execute(*this, "execute", "Ejecutar", &executar),
      cambiarparams(*this, "cambiarparams", "Cambiar Params", &executar),
      bpnentrenar(*this, "bpnentrenar", "Entrenar", &executar),
      pasardatosatexto(*this, "pasardatosatexto", "Exportar Tramas", &executar),
      importartramas(*this, "importartramas", "Importar Tramas", &executar),
      restaurartramas(*this, "restaurartramas", "Restaurar tramas anteriores", &executar),
      salida(*this, "salida", "Salir", &executar),
      examina(*this, "examina", "Examinar"),
      entrada(*this, "entrada", "Entradas", &examina),
      pesoentradas(*this, "pesoentradas", "Pesos Entradas", &examina),
      pesosoculta(*this, "pesosoculta", "Pesos Oculta", &examina),
      target(*this, "target", "Targets", &examina),
      data1bpn(*this, "data1bpn", "Tabla", &examina),
      menutramas(*this, "menutramas", "Tramas"),
      menuexportar(*this, "menuexportar", "Exportar", &menutramas),
      menuimportar(*this, "menuimportar", "Importar", &menutramas),
      guardartramasentabla(*this, "guardartramasentabla", "Guardar Tramas en Tabla", &menutramas),
      menucalcular(*this, "menucalcular", "Calcular"),
      menucalcularmovingaverage(*this, "menucalcularmovingaverage", "Moving Average", &menucalcular),
      menusumartramas(*this, "menusumartramas", "Sumar Tramas", &menucalcular),
      menurestartramas(*this, "menurestartramas", "Restar Tramas", &menucalcular),
      menumultiplicartramas(*this, "menumultiplicartramas", "Multiplicar Tramas", &menucalcular),
      menudividirtramas(*this, "menudividirtramas", "Dividir Tramas", &menucalcular),
      menuborrartramas(*this, "menuborrartramas", "Borrar Tramas", &menucalcular),
      menuporcentajecambioentramas(*this, "menuporcentajecambioentramas", "Porcentaje cambio en tramas",
                                   &menucalcular),
      menutendenciaentramas(*this, "menutendenciaentramas", "Tendencia en tramas", &menucalcular),
      menuparticionartrama(*this, "menuparticionartrama", "Particionar Trama", &menucalcular),
      menusigmoidedetrama(*this, "menusigmoidedetrama", "Sigmoide de trama", &menucalcular),
      menubinariodetrama(*this, "menubinariodetrama", "Binario de Trama", &menucalcular),
      menubipolardetrama(*this, "menubipolardetrama", "Bipolar de Trama", &menucalcular),
      menucuasibinariodetrama(*this, "menucuasibinariodetrama", "Cuasi Binario de Trama", &menucalcular),
      menuayuda(*this, "menuayuda", "Ayuda"),
      ayuda(*this, "ayuda", "Ayuda", &menuayuda),
      acercade(*this, "acercade", "Acerca de", &menuayuda) {
    ayuda.set_shortcut("F1");
    menuayuda.set_tooltip("Gu\xC3\xAD" "a del programa y datos de esta versi\xC3\xB3n");
    ayuda.set_tooltip("Gu\xC3\xAD" "a de las ventanas, las corridas largas, la b\xC3\xBAsqueda, el estudio y los archivos");
    acercade.set_tooltip("Versi\xC3\xB3n, licencia y origen de los datos de mercado");
    restaurartramas.set_tooltip(
        "Volver a poner en BPN y BPNPESOS las tramas y los pesos que reemplaz\xC3\xB3 el \xC3\xBAltimo experimento de "
        "arranque");
    for (TextField* hidden : {&Text1, &Text10, &Text11, &Text12}) hidden->set_visible(false);
    for (Button* hidden : {&Command1, &Command12, &Command17, &Command31}) hidden->set_visible(false);

    describe_controls();

    // A menu item runs exactly its button's operation, whatever that
    // button's handler is when the item is chosen; its tooltip says which.
    auto runs = [](MenuItem& item, Button& button) {
        item.set_handler([&button] { button.run(); });
        item.set_tooltip(button.tooltip() + " (como «" + button.caption() + "»)");
    };
    runs(execute, Command3);
    runs(cambiarparams, Command6);
    runs(bpnentrenar, Command4);
    runs(pasardatosatexto, Command6);
    runs(importartramas, Command16);
    runs(salida, Command5);
    runs(entrada, Command7);
    runs(pesoentradas, Command8);
    runs(pesosoculta, Command10);
    runs(target, Command9);
    runs(data1bpn, Command2);
    runs(menuexportar, Command6);
    runs(menuimportar, Command16);
    runs(guardartramasentabla, Command17);
    runs(menucalcularmovingaverage, Command18);
    runs(menusumartramas, Command22);
    runs(menurestartramas, Command21);
    runs(menumultiplicartramas, Command19);
    runs(menudividirtramas, Command20);
    runs(menuparticionartrama, Command30);
    runs(menubinariodetrama, Command26);
    runs(menubipolardetrama, Command27);
    runs(menucuasibinariodetrama, Command28);
    // "Borrar Tramas", "Porcentaje cambio en tramas", "Tendencia en tramas"
    // and "Sigmoide de trama" do nothing, and neither do "Ayuda",
    // "Command12" and "eee": they keep no handler.

    Command5.set_handler([] { throw EndProgram{0}; });
    Command37.set_handler([this] { Frame3D1.set_visible(!Frame3D1.visible()); });
}

// What each button and menu does, in a few words for a newcomer who cannot
// read "P.Ini" or ".9.1"; controls without an operation say so.
void MainWindow::describe_controls() {
    const std::pair<Control*, const char*> tips[] = {
        {&Command1, kSinAccion},
        {&Command2, "Lista las filas de la tabla BPN (las tramas)"},
        {&Command3, "Ejecuta la red sobre la trama de «Ejecutar Trama» y nombra su salida"},
        {&Command4, "Entrena la red con las tramas (Escape o «Detener» la detienen al final de la pasada)"},
        {&Command5, "Termina el programa (durante una ejecución, la detiene y luego termina)"},
        {&Command6, "Exporta las tramas al archivo bpn.csv"},
        {&Command7, "Lista la matriz de entradas de la red"},
        {&Command8, "Lista los pesos de las entradas a la capa oculta"},
        {&Command9, "Lista los targets de las tramas"},
        {&Command10, "Lista los pesos de la capa oculta a la salida"},
        {&Command11, "Lista las filas de la tabla BPNPESOS (los pesos guardados)"},
        {&Command12, kSinAccion},
        {&Command13, "Restaura las tablas de tramas, pesos y targets desde sus copias guardadas"},
        {&Command14, "Inicializa los pesos de la red con valores al azar"},
        {&Command15, "Carga el conjunto de ejemplo del o exclusivo"},
        {&Command16, "Importa las tramas desde el archivo bpn.csv"},
        {&Command17, "Guarda las tramas en una tabla nueva"},
        {&Command18, "Media móvil de una trama"},
        {&Command19, "Multiplica dos tramas"},
        {&Command20, "Divide dos tramas"},
        {&Command21, "Resta dos tramas"},
        {&Command22, "Suma dos tramas"},
        {&Command23, "Convierte una trama en la razón de cada valor al anterior"},
        {&Command24, "Convierte una trama en su tendencia (sube o baja)"},
        {&Command25, "Aplica la sigmoide a una trama"},
        {&Command26, "Codifica una trama en binario (0 y 1)"},
        {&Command27, "Codifica una trama en bipolar (-1 y 1)"},
        {&Command28, "Codifica una trama en cuasi binario (0,1 y 0,9)"},
        {&Command29, "Aplica la tangente hiperbólica a una trama"},
        {&Command30, "Particiona una trama en ventanas"},
        {&Command31, kSinAccion},
        {&Command32, "Agrega una trama de valores al azar"},
        {&Command33, "Borra todas las tramas (pide confirmación)"},
        {&Command34, "Fija los parámetros de un experimento y detecta las tramas"},
        {&Command35, "Normaliza una trama (puntaje z)"},
        {&Command36, "Normaliza una trama y le aplica la tangente hiperbólica"},
        {&Command37, "Muestra u oculta el marco de opciones"},
        {&Command38, "Carga la tabla merval en las tramas"},
        {&Command39, "Convierte una trama en la razón acumulada desde el primer valor"},
        {&Command40, "Particiona una trama y luego invierte la numeración de las tramas"},
        {&Command41, "Un experimento al azar, registrado en PasadasBPN"},
        {&Command42, "Lista el registro de experimentos de menor a mayor error"},
        {&Command43, "Desvío estándar de una trama"},
        {&Command44, "Un experimento con la cadena de bits del campo oculto Text10"},
        {&Command45, "Depura el registro de experimentos y repite experimentos"},
        {&Command46, "Muestra la ventana del algoritmo genético"},
        {&Command47, "Inserta una trama tomada de AccionesXmes al azar"},
        {&Command48, "Muestra la primera línea de last.csv"},
        {&CommandDetener, "Detiene el entrenamiento o la búsqueda en curso al final de la pasada (también Escape)"},
        {&Combo1, "Conjunto de datos con que se arman las tramas"},
        {&Option3D1, kSinAccion},
        {&Option3D2, kSinAccion},
        {&Option3D3, kSinAccion},
        {&GroupPush3D1, kSinAccion},
        {&GroupPush3D3, kSinAccion},
        {&executar, "Ejecutar, entrenar, exportar, importar y salir"},
        {&examina, "Listas de la red y de la tabla de tramas"},
        {&menutramas, "Exportar, importar y guardar las tramas"},
        {&menucalcular, "Operaciones entre tramas y conversiones"},
        {&menuborrartramas, kSinAccion},
        {&menuporcentajecambioentramas, kSinAccion},
        {&menutendenciaentramas, kSinAccion},
        {&menusigmoidedetrama, kSinAccion},
    };
    for (const auto& [control, tip] : tips) control->set_tooltip(tip);
}

DataSource& MainWindow::bpn() { return Data1.source(); }
DataSource& MainWindow::pesos() { return Data2.source(); }
DataSource& MainWindow::targets() { return Data3.source(); }
DataSource& MainWindow::pasadas() { return Data4.source(); }
DataSource& MainWindow::acciones() { return Data5.source(); }
DataSource& MainWindow::mercap() { return Data6.source(); }

}  // namespace vorn
