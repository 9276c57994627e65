#include "batch/command_line.h"

#include <charconv>

namespace vorn::batch {

namespace {

constexpr const char* kUsage =
    "Uso: vorn2 [--db RUTA] [--seed N] [--script ARCHIVO|-] [--format text|json] [--no-startup] [--help]\n"
    "  --db RUTA           base de datos a abrir (por defecto ga7.mdb en la carpeta actual;\n"
    "                      se crea con los datos de ejemplo si no existe)\n"
    "  --seed N            semilla de los numeros aleatorios (entero de 0 a 18446744073709551615)\n"
    "  --script ARCHIVO    ejecuta un guion sin ventanas; \"-\" lo lee de la entrada estandar\n"
    "  --format text|json  formato de los eventos que imprime el guion (por defecto text)\n"
    "  --no-startup        no dispara los temporizadores de inicio\n"
    "  --help              muestra esta ayuda\n";

constexpr const char* kUnknownOption = "opcion desconocida: ";
constexpr const char* kMissingValue = "falta el valor de ";
constexpr const char* kBadValue = "valor no valido para ";
constexpr const char* kUnexpectedArgument = "argumento inesperado: ";

bool parse_seed(const std::string& text, std::uint64_t& seed) {
    if (text.empty()) return false;
    auto result = std::from_chars(text.data(), text.data() + text.size(), seed, 10);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

CommandLineResult wrong(std::string error) {
    CommandLineResult result;
    result.error = std::move(error);
    return result;
}

}  // namespace

const char* usage_text() { return kUsage; }

CommandLineResult parse_command_line(const std::vector<std::string>& args) {
    CommandLine options;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inline_value;
        if (name.rfind("--", 0) == 0) {
            size_t equals = name.find('=');
            if (equals != std::string::npos) {
                inline_value = name.substr(equals + 1);
                name.resize(equals);
            }
        }

        bool takes_value = name == "--db" || name == "--seed" || name == "--script" || name == "--format";
        if (!takes_value) {
            if (inline_value) return wrong(kUnknownOption + args[i]);
            if (name == "--no-startup") {
                options.no_startup = true;
            } else if (name == "--help" || name == "-h") {
                options.help = true;
            } else if (name.rfind('-', 0) == 0 && name != "-") {
                return wrong(kUnknownOption + name);
            } else {
                return wrong(kUnexpectedArgument + name);
            }
            continue;
        }

        std::string value;
        if (inline_value) {
            value = *inline_value;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return wrong(kMissingValue + name);
        }

        if (name == "--db") {
            if (value.empty()) return wrong(kBadValue + name + ": \"\"");
            options.db = value;
        } else if (name == "--seed") {
            std::uint64_t seed = 0;
            if (!parse_seed(value, seed)) return wrong(kBadValue + name + ": " + value);
            options.seed = seed;
        } else if (name == "--script") {
            if (value.empty()) return wrong(kBadValue + name + ": \"\"");
            options.script = value;
        } else {
            if (value == "text") {
                options.format = OutputFormat::Text;
            } else if (value == "json") {
                options.format = OutputFormat::Json;
            } else {
                return wrong(kBadValue + name + ": " + value);
            }
        }
    }
    CommandLineResult result;
    result.options = std::move(options);
    return result;
}

}  // namespace vorn::batch
