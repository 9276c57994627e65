// Where each form's widgets go. A layout only arranges the widgets its
// binder makes; anything a layout does not name still gets its widget at
// the end (Binder::place_rest), hidden when its control is.
#pragma once

class QWidget;

namespace vorn {
namespace ga {
class GaWindow;
}
class Form;
class MainWindow;
class ReportWindow;
}  // namespace vorn

namespace vorn::qt {

class Binder;

// vorn2: the parameter fields grouped in their shapes, the buttons in
// groups by what they work on, the data controls, the option frame.
void lay_out_main_window(MainWindow& form, Binder& binder, QWidget& central);
// Consultas: the list in its frame, the two 3-D buttons below it.
void lay_out_report_window(ReportWindow& form, Binder& binder, QWidget& central);
// GABPN: the run's fields beside the strategy box and the 3-D buttons,
// the table buttons, the progress label, the curve of the pass's totals.
void lay_out_ga_window(ga::GaWindow& form, Binder& binder, QWidget& central);
// Any other form: fields and labels in a grid, then buttons, lists, the rest.
void lay_out_generic(Form& form, Binder& binder, QWidget& central);

}  // namespace vorn::qt
