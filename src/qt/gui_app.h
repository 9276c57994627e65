// The Qt 6 Widgets front end: renders the workbench's forms, binds every
// widget to its control both ways, implements Platform with real dialogs,
// a printer (PDF when none is installed) and QTimer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace vorn::qt {

struct GuiOptions {
    std::filesystem::path db = "ga7.mdb";
    std::optional<std::uint64_t> seed;  // reproducible random stream
    bool no_startup = false;            // start-up timers do not fire
};

// Opens (or creates) the database, shows the main window and runs the event
// loop. Returns the program's exit code (1 when the database is refused).
int run_gui(int argc, char** argv, const GuiOptions& options);

}  // namespace vorn::qt
