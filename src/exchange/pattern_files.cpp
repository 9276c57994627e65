#include "exchange/pattern_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>
#include <variant>

#include "exchange/listings.h"
#include "shell/default_database.h"
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
constexpr const char* kHistoryWeightsNotStored = ".\rNo se guardaron los pesos.";
constexpr const char* kFieldNotFinite = ": el campo ";
constexpr const char* kFieldNotFiniteEnd = " no es un numero finito.";
constexpr const char* kNotRegular = ": no es un archivo comun.";
constexpr const char* kIsFolder = ": es una carpeta, no un archivo.";
constexpr const char* kTooBig = ": tiene mas de 64 MB.";
constexpr const char* kFileWord = "El archivo ";
constexpr const char* kUtf16 = " esta en UTF-16: guardelo como texto de 8 bits o UTF-8 y vuelva a intentarlo.";
constexpr const char* kNotFound = ": no existe.";
constexpr const char* kNoPermission = ": no hay permiso para leerlo.";

// A bad value is quoted up to this many characters, then an ellipsis.
constexpr size_t kQuotedChars = 40;
constexpr const char* kEllipsis = "\xE2\x80\xA6";

// Our temporary files are named after the file they replace, ".tmp-" and
// the process id: two workbenches in one folder never share one, and one
// whose process is gone is a leftover.
constexpr const char* kTempInfix = ".tmp-";

std::filesystem::path temporary_for(const std::filesystem::path& path) {
    std::filesystem::path temporary = path;
    temporary += kTempInfix + std::to_string(::getpid());
    return temporary;
}

// At most kQuotedChars characters of a value (UTF-8 sequences kept whole),
// then "…" when there was more.
std::string quoted_value(std::string_view value) {
    size_t chars = 0;
    size_t k = 0;
    while (k < value.size() && chars < kQuotedChars) {
        ++k;
        while (k < value.size() && (static_cast<unsigned char>(value[k]) & 0xC0) == 0x80) ++k;
        ++chars;
    }
    if (k >= value.size()) return std::string(value);
    return std::string(value.substr(0, k)) + kEllipsis;
}

// The text of a file the workbench reads, or why it cannot be read (the
// Spanish words that follow the file's name). Never blocks on a FIFO or a
// device and never reads more than the limit.
std::variant<std::string, std::string> read_text_file(const std::filesystem::path& path, std::uintmax_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) return std::variant<std::string, std::string>(std::in_place_index<1>, kNotFound);
        if (error == EACCES) return std::variant<std::string, std::string>(std::in_place_index<1>, kNoPermission);
        if (error == EISDIR) return std::variant<std::string, std::string>(std::in_place_index<1>, kIsFolder);
        return std::variant<std::string, std::string>(std::in_place_index<1>, std::string(": ") + std::strerror(error) + ".");
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, std::string(": ") + std::strerror(errno) + ".");
    }
    if (S_ISDIR(st.st_mode)) return std::variant<std::string, std::string>(std::in_place_index<1>, kIsFolder);
    if (!S_ISREG(st.st_mode)) return std::variant<std::string, std::string>(std::in_place_index<1>, kNotRegular);
    if (static_cast<std::uintmax_t>(st.st_size) > limit)
        return std::variant<std::string, std::string>(std::in_place_index<1>, kTooBig);
    // A plain file never blocks; reading back to blocking mode is not needed.
    std::string content;
    content.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::variant<std::string, std::string>(std::in_place_index<1>, std::string(": ") + std::strerror(errno) + ".");
        }
        if (got == 0) break;
        content.append(buffer, static_cast<size_t>(got));
        // A file that grows while it is read is judged by what it became.
        if (content.size() > limit) return std::variant<std::string, std::string>(std::in_place_index<1>, kTooBig);
    }
    return std::variant<std::string, std::string>(std::in_place_index<0>, std::move(content));
}

std::optional<std::string> read_whole_file(const std::filesystem::path& path) {
    auto read = read_text_file(path, kMaxPatternFileBytes);
    if (read.index() != 0) return std::nullopt;
    return std::get<0>(std::move(read));
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

// False when the field's leading number has more whole digits than a
// double can hold (it would read as 0 or as infinity).
bool leading_number_fits(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] == '0') ++i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        ++digits;
        ++i;
    }
    return digits <= 308;
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

bool write_whole_file(const std::filesystem::path& path, const std::string& content) {
    const std::filesystem::path temporary = temporary_for(path);
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


std::optional<std::string> parse_pattern_line(const std::string& line, PatternRow& row) {
    const size_t p1 = line.find(';');
    const size_t p2 = p1 == std::string::npos ? p1 : line.find(';', p1 + 1);
    const size_t p3 = p2 == std::string::npos ? p2 : line.find(';', p2 + 1);
    if (p3 == std::string::npos) return std::string(kMissingSeparators);
    const std::string_view texts[] = {std::string_view(line).substr(0, p1),
                                      std::string_view(line).substr(p1 + 1, p2 - p1 - 1),
                                      std::string_view(line).substr(p2 + 1, p3 - p2 - 1)};
    const char* names[] = {"capa", "fila", "columna"};
    double* numbers[] = {&row.capa, &row.fila, &row.columna};
    for (size_t k = 0; k < 3; ++k) {
        if (!leading_number_fits(texts[k])) return kFieldNotFinite + std::string(names[k]) + kFieldNotFiniteEnd;
        *numbers[k] = parse_leading(texts[k], '.');
    }
    std::string_view value = trim(std::string_view(line).substr(p3 + 1));
    if (value.empty()) {
        row.valor.reset();
        return std::nullopt;
    }
    double number = 0;
    if (!parse_number_strict(value, number)) return kValueNotNumber + quoted_value(value) + kValueNotNumberEnd;
    row.valor = number;
    return std::nullopt;
}

PatternFiles::PatternFiles(MainWindow& window, Platform& platform, Listings& listings, std::filesystem::path dir)
    : w_(window), platform_(platform), listings_(listings), dir_(std::move(dir)) {
    for (const char* name : {kPatternFile, kHistoryFile, kLastFile}) {
        remove_stale_temporaries(dir_, std::string(name) + kTempInfix);
    }
}

PatternFiles::~PatternFiles() { drop_history_file(); }

void PatternFiles::connect() {
    w_.Command6.set_handler([this] { exportar(); });
    w_.Command16.set_handler([this] { importar(); }, Access::Writes);
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
    auto read = read_text_file(path, kMaxPatternFileBytes);
    if (read.index() != 0) {
        platform_.message(kCannotRead + path.lexically_normal().string() + std::get<1>(read) + kBpnUnchanged, kFileTitle,
                          Icon::Exclamation);
        return;
    }
    std::string_view content = std::get<0>(read);
    if (content.size() >= 2 && ((content[0] == '\xFF' && content[1] == '\xFE') || (content[0] == '\xFE' && content[1] == '\xFF'))) {
        platform_.message(kFileWord + path.lexically_normal().string() + kUtf16 + kBpnUnchanged, kFileTitle,
                          Icon::Exclamation);
        return;
    }
    // A UTF-8 mark is not part of the first field.
    if (content.substr(0, 3) == "\xEF\xBB\xBF") content.remove_prefix(3);
    const std::vector<std::string> lines = split_lines(std::string(content));
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

void PatternFiles::begin_history() {
    discard_history();
    history_temp_ = temporary_for(dir_ / kHistoryFile);
    history_out_.open(history_temp_, std::ios::binary | std::ios::trunc);
}

void PatternFiles::add_pass(double mean_error) {
    if (!history_out_.is_open()) return;
    std::string line;
    if (!(mean_error < 0)) line.push_back(' ');
    line += format_general(mean_error);
    line += " \r\n";
    history_out_.write(line.data(), static_cast<std::streamsize>(line.size()));
}

void PatternFiles::keep_history(bool weights_stored) {
    const std::filesystem::path path = dir_ / kHistoryFile;
    bool written = history_out_.is_open();
    if (written) {
        history_out_.flush();
        written = static_cast<bool>(history_out_);
        history_out_.close();
        written = written && !history_out_.fail();
    }
    std::error_code ec;
    if (written) std::filesystem::rename(history_temp_, path, ec);
    if (!written || ec) {
        std::error_code ignored;
        if (!history_temp_.empty()) std::filesystem::remove(history_temp_, ignored);
        history_temp_.clear();
        platform_.message(kCannotCreate + path.lexically_normal().string() +
                              (weights_stored ? kHistoryNotWritten : kHistoryWeightsNotStored),
                          kFileTitle, Icon::Exclamation);
        return;
    }
    history_temp_.clear();
}

void PatternFiles::discard_history() { drop_history_file(); }

void PatternFiles::drop_history_file() {
    if (history_out_.is_open()) history_out_.close();
    if (!history_temp_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(history_temp_, ignored);
        history_temp_.clear();
    }
}

void PatternFiles::write_training_history(const std::vector<double>& history, int count) {
    begin_history();
    for (int i = 1; i <= count && static_cast<size_t>(i) < history.size(); ++i) add_pass(history[static_cast<size_t>(i)]);
    keep_history(true);
}

void PatternFiles::hold_last_step() {
    holding_last_ = true;
    held_last_.reset();
}

void PatternFiles::release_last_step(bool write) {
    holding_last_ = false;
    std::optional<std::string> held = std::move(held_last_);
    held_last_.reset();
    if (write && held) write_last_csv(*held);
}

void PatternFiles::write_last_csv(const std::string& description) {
    if (holding_last_) {
        held_last_ = description;
        return;
    }
    const std::filesystem::path path = dir_ / kLastFile;
    if (!write_whole_file(path, description + "\r\n")) {
        platform_.message(kCannotCreate + path.lexically_normal().string() + ".", kFileTitle, Icon::Exclamation);
    }
}

void PatternFiles::ver_last_csv() {
    const std::filesystem::path path = dir_ / kLastFile;
    std::optional<std::string> content = read_whole_file(path);
    if (!content) {
        // Missing, or anything that is not a plain text file of a sane size.
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
