#include "exchange/pattern_files.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "exchange/listings.h"
#include "shell/main_window.h"
#include "shell/number_text.h"
#include "shell/platform.h"
#include "shell/record_store.h"

namespace vorn::exchange {

namespace {

constexpr const char* kPatternFile = "bpn.csv";
constexpr const char* kHistoryFile = "test.csv";
constexpr const char* kLastFile = "last.csv";
constexpr const char* kDeleteFrames = "delete bpn.* from bpn";

constexpr const char* kNoLines = "No hay lineas para pasar";
constexpr const char* kHabia = "Habia:";
constexpr const char* kQuedan = "Quedan:";

constexpr const char* kFileTitle = "Error";
constexpr const char* kCannotCreate = "No se pudo crear el archivo ";
constexpr const char* kCannotRead = "No se pudo leer el archivo ";
constexpr const char* kNothingExported = ".\rNo se exporto ninguna trama.";
constexpr const char* kHistoryNotWritten = ".\rLos pesos entrenados si quedaron guardados.";
constexpr const char* kBpnUnchanged = "\rLa tabla BPN no se cambio.";
constexpr const char* kLineWord = ", linea ";
constexpr const char* kMissingSeparators = ": tiene menos de tres \";\" (se espera capa;fila;columna;valor).";
constexpr const char* kValueNotNumber = ": el valor \"";
constexpr const char* kValueNotNumberEnd = "\" no es un numero.";
constexpr const char* kLastMissing = ".\rTodavia no hay ningun resultado guardado.";
constexpr const char* kLastEmpty = "El archivo last.csv esta vacio.";

// Writes the whole text to a temporary file beside the target, then
// renames it over the target: readers see the old file or the new one.
bool write_whole_file(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}

std::optional<std::string> read_whole_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return content;
}

// Lines ended by CR LF, LF or CR; a final line break ends the last line
// and adds no empty one.
std::vector<std::string> split_lines(const std::string& content) {
    std::vector<std::string> lines;
    std::string line;
    bool pending = false;
    for (size_t k = 0; k < content.size(); ++k) {
        char c = content[k];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            pending = false;
            if (c == '\r' && k + 1 < content.size() && content[k + 1] == '\n') ++k;
        } else {
            line.push_back(c);
            pending = true;
        }
    }
    if (pending) lines.push_back(line);
    return lines;
}

std::string general_or_empty(const Value& value) {
    return is_null(value) ? std::string() : format_general(as_number(value));
}

Value whole_or_real(double x) {
    if (x == static_cast<double>(static_cast<std::int64_t>(x)) && x > -9e15 && x < 9e15) {
        return Value(static_cast<std::int64_t>(x));
    }
    return Value(x);
}

}  // namespace

std::optional<std::string> parse_pattern_line(const std::string& line, PatternRow& row) {
    const size_t p1 = line.find(';');
    const size_t p2 = p1 == std::string::npos ? p1 : line.find(';', p1 + 1);
    const size_t p3 = p2 == std::string::npos ? p2 : line.find(';', p2 + 1);
    if (p3 == std::string::npos) return std::string(kMissingSeparators);
    row.capa = parse_leading(std::string_view(line).substr(0, p1), '.');
    row.fila = parse_leading(std::string_view(line).substr(p1 + 1, p2 - p1 - 1), '.');
    row.columna = parse_leading(std::string_view(line).substr(p2 + 1, p3 - p2 - 1), '.');
    std::string_view value = trim(std::string_view(line).substr(p3 + 1));
    if (value.empty()) {
        row.valor.reset();
        return std::nullopt;
    }
    double number = 0;
    if (!parse_number_strict(value, number)) return kValueNotNumber + std::string(value) + kValueNotNumberEnd;
    row.valor = number;
    return std::nullopt;
}

PatternFiles::PatternFiles(MainWindow& window, Platform& platform, Listings& listings, std::filesystem::path dir)
    : w_(window), platform_(platform), listings_(listings), dir_(std::move(dir)) {}

void PatternFiles::connect() {
    w_.Command6.set_handler([this] { exportar(); });
    w_.Command16.set_handler([this] { importar(); });
    w_.Command48.set_handler([this] { ver_last_csv(); });
}

void PatternFiles::exportar() {
    DataSource& bpn = w_.bpn();
    bpn.refresh();
    if (bpn.record_count() == 0) return;
    std::string content;
    for (bpn.move_first(); !bpn.eof(); bpn.move_next()) {
        content += general_or_empty(bpn.field("capa")) + ";" + general_or_empty(bpn.field("fila")) + ";" +
                   general_or_empty(bpn.field("columna")) + ";" + general_or_empty(bpn.field("valor")) + "\r\n";
    }
    bpn.move_first();
    const std::filesystem::path path = dir_ / kPatternFile;
    if (!write_whole_file(path, content)) {
        platform_.message(kCannotCreate + path.lexically_normal().string() + kNothingExported, kFileTitle, Icon::Exclamation);
        return;
    }
    std::optional<std::string> written = read_whole_file(path);
    if (!written) {
        platform_.message(kCannotRead + path.lexically_normal().string() + ".", kFileTitle, Icon::Exclamation);
        return;
    }
    std::string shown;
    for (const std::string& line : split_lines(*written)) shown += line + "\r";
    platform_.message(shown);
}

void PatternFiles::importar() {
    const std::filesystem::path path = dir_ / kPatternFile;
    std::optional<std::string> content = read_whole_file(path);
    if (!content) {
        platform_.message(kCannotRead + path.lexically_normal().string() + "." + kBpnUnchanged, kFileTitle, Icon::Exclamation);
        return;
    }
    const std::vector<std::string> lines = split_lines(*content);
    if (lines.empty()) {
        platform_.message(kNoLines);
        return;
    }
    std::vector<PatternRow> rows(lines.size());
    for (size_t k = 0; k < lines.size(); ++k) {
        if (auto problem = parse_pattern_line(lines[k], rows[k])) {
            platform_.message(std::string(kPatternFile) + kLineWord + format_int(static_cast<long long>(k + 1)) +
                                  *problem + kBpnUnchanged,
                              kFileTitle, Icon::Exclamation);
            return;
        }
    }

    DataSource& bpn = w_.bpn();
    bpn.refresh();
    const long before = bpn.record_count();
    {
        Database::Savepoint all_or_nothing(bpn.database());
        bpn.database().execute(kDeleteFrames);
        bpn.refresh();
        for (const PatternRow& row : rows) {
            bpn.add_new();
            bpn.set("capa", whole_or_real(row.capa));
            bpn.set("fila", whole_or_real(row.fila));
            bpn.set("columna", whole_or_real(row.columna));
            bpn.set("valor", row.valor ? Value(*row.valor) : Value());
            bpn.update();
        }
        all_or_nothing.release();
    }
    bpn.refresh();
    const long after = bpn.record_count();
    platform_.message(kHabia + format_int(before) + "\r" + kQuedan + format_int(after));
    listings_.browse_bpn();
}

void PatternFiles::write_training_history(const std::vector<double>& history, int count) {
    std::string content;
    for (int i = 1; i <= count && static_cast<size_t>(i) < history.size(); ++i) {
        const double value = history[static_cast<size_t>(i)];
        if (!(value < 0)) content.push_back(' ');
        content += format_general(value);
        content += " \r\n";
    }
    const std::filesystem::path path = dir_ / kHistoryFile;
    if (!write_whole_file(path, content)) {
        platform_.message(kCannotCreate + path.lexically_normal().string() + kHistoryNotWritten, kFileTitle, Icon::Exclamation);
    }
}

void PatternFiles::write_last_csv(const std::string& description) {
    const std::filesystem::path path = dir_ / kLastFile;
    if (!write_whole_file(path, description + "\r\n")) {
        platform_.message(kCannotCreate + path.lexically_normal().string() + ".", kFileTitle, Icon::Exclamation);
    }
}

void PatternFiles::ver_last_csv() {
    const std::filesystem::path path = dir_ / kLastFile;
    std::optional<std::string> content = read_whole_file(path);
    if (!content) {
        platform_.message(kCannotRead + path.lexically_normal().string() + kLastMissing, kFileTitle, Icon::Exclamation);
        return;
    }
    if (content->empty()) {
        platform_.message(kLastEmpty, kFileTitle, Icon::Exclamation);
        return;
    }
    platform_.message(content->substr(0, content->find_first_of("\r\n")));
}

}  // namespace vorn::exchange
