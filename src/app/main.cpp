// vorn2: the workbench with its windows, or, with --script, the batch
// driver that runs the same forms from a script without any window.
#include <iostream>
#include <string>
#include <vector>

#include "batch/command_line.h"
#include "batch/script_driver.h"
#include "qt/gui_app.h"
#include "shell/number_text.h"

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

    if (options.script) {
        vorn::batch::BatchOptions batch;
        batch.db = options.db;
        batch.seed = options.seed;
        batch.format = options.format;
        batch.no_startup = options.no_startup;
        return vorn::batch::run_script_file(*options.script, std::cout, std::cerr, batch);
    }

    vorn::qt::GuiOptions gui;
    gui.db = options.db;
    gui.seed = options.seed;
    gui.no_startup = options.no_startup;
    return vorn::qt::run_gui(argc, argv, gui);
}
