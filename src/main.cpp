// vorn2: the workbench with its windows, or, with --script, the batch
// driver that runs the same forms from a script without any window.
//
// This is the one place that knows both the workbench and its front ends:
// it opens the database once, and builds the workbench over the Platform
// of the front end the command line chose.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/workbench.h"
#include "batch/batch_platform.h"
#include "batch/command_line.h"
#include "batch/script_driver.h"
#include "qt/gui_app.h"
#include "shell/number_text.h"
#include "shell/record_store.h"

namespace {

// The Workbench over a front end's Platform, on the database opened at start.
vorn::SessionBuilder workbench_on(vorn::Database& db) {
    return [&db](vorn::Platform& platform) { return std::make_unique<vorn::Workbench>(db, platform); };
}

int run_script(const vorn::batch::CommandLine& options) {
    vorn::batch::InterruptGuard ctrl_c;
    // The script is looked at before the database: a script that cannot be
    // read leaves a missing database uncreated.
    vorn::batch::ScriptSource script;
    if (!script.open(*options.script, std::cerr)) return 1;
    vorn::OpenedDatabase opened = vorn::open_database(options.db);
    if (!opened.db) return vorn::batch::refuse_database(std::cerr, opened.refusal, opened.open_failed);
    vorn::batch::BatchOptions batch;
    batch.seed = options.seed;
    batch.format = options.format;
    batch.no_startup = options.no_startup;
    return vorn::batch::run_script(script.stream(), std::cout, std::cerr, batch, workbench_on(*opened.db));
}

int run_windows(int argc, char** argv, const vorn::batch::CommandLine& options) {
    // The application comes first, so that a refusal can be shown in a box.
    vorn::qt::GuiApp app(argc, argv);
    vorn::OpenedDatabase opened = vorn::open_database(options.db);
    if (!opened.db) return app.refuse(opened.refusal);
    vorn::qt::GuiOptions gui;
    gui.seed = options.seed;
    gui.no_startup = options.no_startup;
    return app.run(gui, workbench_on(*opened.db));
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything reads or writes a number: the toolkit may change the
    // C locale later, the user's separator must not change with it.
    vorn::set_decimal_separator(vorn::separator_from_environment());

    std::vector<std::string> args(argv + 1, argv + argc);
    vorn::batch::CommandLineResult parsed = vorn::batch::parse_command_line(args);
    if (!parsed.options) {
        std::cerr << "vorn2: " << parsed.error << '\n' << vorn::batch::usage_text();
        return 2;
    }
    const vorn::batch::CommandLine& options = *parsed.options;
    if (options.help) {
        std::cout << vorn::batch::usage_text();
        return 0;
    }
    if (options.script) return run_script(options);
    return run_windows(argc, argv, options);
}
