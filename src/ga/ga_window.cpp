#include "ga/ga_window.h"

#include "shell/record_store.h"

namespace vorn::ga {

namespace {
constexpr int kStartupMs = 1;
constexpr const char* kNoAction = "Sin acci\xC3\xB3n";
constexpr const char* kClasico = "Clasico";
constexpr const char* kTorneo = "Torneo";
constexpr const char* kDefaultGenerations = "50";
}  // namespace

GaWindow::GaWindow(Database& db)
    : Form("GABPN", "Algoritmo Genetico", false),
      Text3(*this, "Text3", "Text3"),
      Text4(*this, "Text4", "Text4"),
      Text5(*this, "Text5", "Text5"),
      Text7(*this, "Text7", "Text7"),
      Text1(*this, "Text1", "Text1"),
      Text6(*this, "Text6", "Text6"),
      Text8(*this, "Text8", "Text8"),
      Text9(*this, "Text9", "Text9"),
      Text2(*this, "Text2", "Text2"),
      Label1(*this, "Label1", "Poblacion Numero"),
      Label2(*this, "Label2", "Tama\xC3\xB1o Cadena"),
      Label3(*this, "Label3", "Pasadas:"),
      Label4(*this, "Label4", "Usar Operador Inverso"),
      Label6(*this, "Label6", "Usar Winers"),
      Label7(*this, "Label7", "Nro Pasada:"),
      Label8(*this, "Label8", "Minutos Transcurridos"),
      Label5(*this, "Label5", ""),
      Combo1(*this, "Combo1", "Combo1"),
      GroupPush3D1(*this, "GroupPush3D1", "Ejecutar"),
      GroupPush3D2(*this, "GroupPush3D2", "Inverso"),
      GroupPush3D3(*this, "GroupPush3D3", "Imprimir"),
      Command1(*this, "Command1", "FILL"),
      Command2(*this, "Command2", "BR1"),
      Command3(*this, "Command3", "BR2"),
      Command4(*this, "Command4", "BR3"),
      Command5(*this, "Command5", "BR4"),
      Command6(*this, "Command6", "Command6"),
      Command7(*this, "Command7", "VORN"),
      Command8(*this, "Command8", "BR9"),
      CommandValidar(*this, "CommandValidar", "Validar"),
      Curva(*this, "Curva"),
      Timer1(*this, "Timer1", kStartupMs),
      Data1(*this, "Data1", "GA", db, "GA"),
      Data2(*this, "Data2", "borrar", db, "borrar"),
      Data3(*this, "Data3", "sumas", db, "sumas"),
      Data4(*this, "Data4", "converge", db, "converge"),
      Data5(*this, "Data5", "borrar2", db, "borrar2"),
      Data9(*this, "Data9", "GATargets", db, "GATargets"),
      menuregistros(*this, "menuregistros", "&Registros"),
      menunuevos(*this, "menunuevos", "&Nuevos", &menuregistros),
      menueliminar(*this, "menueliminar", "&Eliminar", &menuregistros),
      menueliminartodo(*this, "menueliminartodo", "Eliminar &Todo", &menuregistros),
      menuimprimir(*this, "menuimprimir", "&Imprimir"),
      menubuscar(*this, "menubuscar", "&Buscar/Filtrar"),
      menuverconsulta(*this, "menuverconsulta", "&Ver Consulta"),
      menusalir(*this, "menusalir", "&Salir"),
      LabelMetodo(*this, "LabelMetodo", "M\xC3\xA9todo"),
      ComboMetodo(*this, "ComboMetodo", kClasico),
      LabelGeneraciones(*this, "LabelGeneraciones", "Generaciones"),
      TextGeneraciones(*this, "TextGeneraciones", kDefaultGenerations),
      LabelDesde(*this, "LabelDesde", "Desde"),
      LabelHasta(*this, "LabelHasta", "Hasta"),
      LabelAnios(*this, "LabelAnios", "A\xC3\xB1os"),
      LabelCosto(*this, "LabelCosto", "Costo %"),
      LabelAzar(*this, "LabelAzar", "Reglas al azar"),
      TextDesde(*this, "TextDesde", "2014"),
      TextHasta(*this, "TextHasta", "2021"),
      TextAnios(*this, "TextAnios", "2"),
      TextCosto(*this, "TextCosto", "0,5"),
      TextAzar(*this, "TextAzar", "1000"),
      CommandEstudio(*this, "CommandEstudio", "Estudio"),
      CommandEstudios(*this, "CommandEstudios", "Estudios") {
    ComboMetodo.add_item(kClasico);
    ComboMetodo.add_item(kTorneo);
    Timer1.set_handler([this] { set_defaults({}); });
    // The window object stays loaded; "Salir" only hides it.
    menusalir.set_handler([this] { hide(); });

    GroupPush3D1.set_tooltip("Buscar la mejor regla con el algoritmo gen\xC3\xA9tico");
    GroupPush3D2.set_tooltip("Usar el operador inverso al empezar la pr\xC3\xB3xima b\xC3\xBAsqueda");
    GroupPush3D3.set_tooltip("Imprimir la poblaci\xC3\xB3n");
    Command1.set_tooltip("Llenar la tabla series con un punto de prueba");
    Command2.set_tooltip("Listar la poblaci\xC3\xB3n (GA)");
    Command3.set_tooltip(kNoAction);
    Command4.set_tooltip("Listar el fitness total de cada generaci\xC3\xB3n");
    Command5.set_tooltip("Listar los cromosomas de la b\xC3\xBAsqueda");
    Command6.set_tooltip("Mostrar los cromosomas de la b\xC3\xBAsqueda con su fitness");
    Command7.set_tooltip("Probar el cromosoma 111111111111 en la red");
    Command8.set_tooltip("Listar los cromosomas de b\xC3\xBAsquedas anteriores");
    CommandValidar.set_tooltip("Probar las reglas halladas en 2018 y 2019");
    for (MenuItem* item : {&menuregistros, &menunuevos, &menueliminar, &menueliminartodo, &menuimprimir,
                           &menubuscar, &menuverconsulta}) {
        item->set_tooltip(kNoAction);
    }
    menusalir.set_tooltip("Ocultar esta ventana");
    ComboMetodo.set_tooltip(
        "Clasico: ruleta y cruce hasta que el fitness total se repite; Torneo: torneos de 3 con el mejor "
        "conservado, durante las generaciones indicadas");
    TextDesde.set_tooltip("Primer a\xC3\xB1o de prueba del estudio (desde 2012 + A\xC3\xB1os)");
    TextHasta.set_tooltip("\xC3\x9Altimo a\xC3\xB1o de prueba del estudio (hasta 2022)");
    TextAnios.set_tooltip("A\xC3\xB1os de entrenamiento antes de cada a\xC3\xB1o de prueba");
    TextCosto.set_tooltip("Costo de cada compra y de cada venta, en por ciento de lo operado");
    TextAzar.set_tooltip("Reglas al azar con que se mide la suerte de cada a\xC3\xB1o (al menos 20)");
    CommandEstudio.set_tooltip(
        "Estudio de a\xC3\xB1os sucesivos: buscar reglas en los a\xC3\xB1os anteriores y probarlas en el siguiente, "
        "con costos, contra la canasta y contra reglas al azar");
    CommandEstudios.set_tooltip("Listar los estudios guardados");
    TextGeneraciones.set_tooltip("Generaciones de cada pasada del m\xC3\xA9todo Torneo (de 1 a 10000)");
}

void GaWindow::set_defaults(const std::vector<std::string>& strategies) {
    Text3.set_text("10");
    Text4.set_text("40");
    Text5.set_text("1");
    Text7.set_text("NO");
    Text1.set_text("SI");
    Combo1.clear();
    for (const std::string& name : strategies) Combo1.add_item(name);
    Combo1.set_text("Strat");
    Timer1.set_interval(0);
}

}  // namespace vorn::ga
