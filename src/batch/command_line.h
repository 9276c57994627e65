// The program's command line:
//   vorn2 [--db PATH] [--seed N] [--script FILE|-] [--format text|json]
//         [--no-startup] [--help]
// Each option with a value takes it as the next argument or after '='
// (--db=ga7.mdb). A repeated option keeps its last value.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "batch/event_writer.h"

namespace vorn::batch {

struct CommandLine {
    std::filesystem::path db = "ga7.mdb";
    std::optional<std::uint64_t> seed;
    std::optional<std::string> script;  // "-" reads standard input
    OutputFormat format = OutputFormat::Text;
    bool no_startup = false;
    bool help = false;
};

struct CommandLineResult {
    std::optional<CommandLine> options;  // nullopt when the line is wrong
    std::string error;                   // Spanish, for the user
};

// args are the arguments after the program name.
CommandLineResult parse_command_line(const std::vector<std::string>& args);

// The Spanish usage text shown by --help and after a wrong command line.
const char* usage_text();

}  // namespace vorn::batch
