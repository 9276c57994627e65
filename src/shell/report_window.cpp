#include "shell/report_window.h"

#include "shell/platform.h"

namespace vorn {

ReportWindow::ReportWindow(Platform& platform)
    : Form("Consultas", "Consultas", false),
      Frame3D1(*this, "Frame3D1", ""),
      LabelEncabezado(*this, "LabelEncabezado", ""),
      List1(*this, "List1"),
      Curva(*this, "Curva"),
      GroupPush3D1(*this, "GroupPush3D1", "Cerrar"),
      GroupPush3D2(*this, "GroupPush3D2", "Imprimir"),
      menu(*this, "menuconsultas", "Archivo"),
      cerrar(*this, "cerrar", "Cerrar", &menu),
      imprimir(*this, "imprimir", "Imprimir", &menu),
      platform_(platform) {
    // An empty heading takes no room above the list, in any front end.
    LabelEncabezado.set_visible(false);
    LabelEncabezado.observe([this](Change) { LabelEncabezado.set_visible(!LabelEncabezado.caption().empty()); });
    cerrar.set_handler([this] { hide(); });
    GroupPush3D1.set_handler([this] { hide(); });
    GroupPush3D2.set_handler([this] {
        GroupPush3D2.set_pressed(true);
        platform_.print_form_image(*this);
        GroupPush3D2.set_pressed(false);
    });
    // "Imprimir" has no action: the image button is how the list is printed.

    menu.set_tooltip("Cerrar la ventana");
    cerrar.set_tooltip("Oculta la ventana; sus líneas quedan");
    imprimir.set_tooltip("Sin acción");
    GroupPush3D1.set_tooltip("Oculta la ventana; sus líneas quedan");
    GroupPush3D2.set_tooltip("Imprime una imagen de la ventana tal como se ve");
    Curva.set_tooltip("Error medio de cada pasada del último entrenamiento");
    LabelEncabezado.set_tooltip("Qué muestra cada columna de la lista");
}

ReportWindows::ReportWindows(Platform& platform, HandlerBoundary* boundary)
    : platform_(platform), boundary_(boundary) {}

ReportWindows::~ReportWindows() = default;

ReportWindow& ReportWindows::get() {
    if (!window_) {
        window_ = std::make_unique<ReportWindow>(platform_);
        window_->set_boundary(boundary_);
        for (auto& observer : observers_) observer(*window_);
    }
    return *window_;
}

}  // namespace vorn
