// The Qt 6 Widgets front end: renders the workbench's forms, binds every
// widget to its control both ways, implements Platform with real dialogs,
// a printer (PDF when none is installed) and QTimer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "shell/session.h"

class QApplication;
class QTranslator;

namespace vorn::qt {

struct GuiOptions {
    std::optional<std::uint64_t> seed;  // reproducible random stream
    bool no_startup = false;            // start-up timers do not fire
};

// Makes Qt's own texts (dialog buttons, context menus) Spanish whatever the
// system's language, from the Qt translations installed with the system,
// and sets a Spanish locale for the widgets. Gives the installed
// translator, or null with why in `why_not` (the texts then stay English).
std::unique_ptr<QTranslator> install_spanish_translations(std::string& why_not);

// The program with its windows. It makes the Qt application first (unless
// one exists already, as in tests), so that a database refused afterwards
// can be told in a message box; the database itself is opened by whoever
// builds the session.
class GuiApp {
public:
    GuiApp(int argc, char** argv);
    ~GuiApp();
    GuiApp(const GuiApp&) = delete;
    GuiApp& operator=(const GuiApp&) = delete;

    // Tells the user why the database was refused (on standard error, and
    // in a message box where there is a screen); gives the exit code, 1.
    int refuse(const std::string& refusal);

    // Builds the session over the Qt Platform, shows its forms and runs the
    // event loop until the program ends. Gives the program's exit code.
    int run(const GuiOptions& options, const SessionBuilder& build);

private:
    // QApplication keeps a reference to its argument count.
    int argc_;
    std::unique_ptr<QApplication> own_app_;
    std::unique_ptr<QTranslator> spanish_;
};

}  // namespace vorn::qt
