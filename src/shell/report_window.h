// Consultas: the one report window. Listings and progress lines of every
// operation go to its list. It is created hidden the first time an
// operation needs it (ReportWindows::get) and lives until the program ends;
// closing it only hides it, and its lines stay.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "shell/controls.h"
#include "shell/form.h"

namespace vorn {

class Platform;

class ReportWindow : public Form {
public:
    explicit ReportWindow(Platform& platform);

    // The operations other windows call. A listing whose lines are
    // indexed (double-clicked by number) names its columns in the heading,
    // never in a line of its own; clearing the list clears it too.
    void clear() {
        List1.clear();
        LabelEncabezado.set_caption("");
    }
    void set_heading(std::string columns) { LabelEncabezado.set_caption(std::move(columns)); }
    void add_line(std::string line) { List1.add_line(std::move(line)); }
    void hide_list() { List1.set_visible(false); }
    void show_list() { List1.set_visible(true); }
    void refresh() { List1.refresh(); }

    Frame3D Frame3D1;
    Label LabelEncabezado;  // column titles over the list, tab-separated as its lines; shown only when set
    ListBox List1;
    Plot Curva;  // the curve beside the list (training error, an experiment's curve)
    PushButton3D GroupPush3D1;  // hides the window
    PushButton3D GroupPush3D2;  // prints an image of the window
    MenuItem menu;
    MenuItem cerrar;
    MenuItem imprimir;

private:
    Platform& platform_;
};

// Owner of the single Consultas instance, created on first use.
class ReportWindows {
public:
    ReportWindows(Platform& platform, HandlerBoundary* boundary);
    ~ReportWindows();
    ReportWindow& get();
    bool exists() const { return window_ != nullptr; }
    // Front ends learn here when the window comes into being.
    void on_created(std::function<void(ReportWindow&)> observer) { observers_.push_back(std::move(observer)); }

private:
    Platform& platform_;
    HandlerBoundary* boundary_;
    std::unique_ptr<ReportWindow> window_;
    std::vector<std::function<void(ReportWindow&)>> observers_;
};

}  // namespace vorn
