#include "shell/default_database.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <system_error>
#include <thread>

#include "shell/record_store.h"

namespace vorn {
namespace fs = std::filesystem;

namespace {

// The user's texts; %1 is the path, %2 the folder or the reason.
constexpr std::string_view kNotADatabase =
    "El archivo %1 no es una base de datos de la mesa de trabajo.\rNo se modifico el archivo.";
constexpr std::string_view kEmptyFile =
    "El archivo %1 esta vacio: no es una base de datos de la mesa de trabajo.\rNo se modifico el archivo.";
constexpr std::string_view kIsAFolder =
    "%1 es una carpeta, no una base de datos de la mesa de trabajo.\rNo se abrio ninguna base de datos.";
constexpr std::string_view kNotAFile =
    "%1 no es un archivo comun (ni una base de datos de la mesa de trabajo).\rNo se abrio ninguna base de datos.";
constexpr std::string_view kUnreadable = "No se puede leer el archivo %1:\r%2\rNo se modifico el archivo.";
constexpr std::string_view kCannotOpen = "No se pudo abrir la base de datos %1:\r%2";
constexpr std::string_view kMissingFolder = "No existe la carpeta %2.\rNo se creo la base de datos %1.";
constexpr std::string_view kCannotCreate = "No se pudo crear la base de datos %1:\r%2\rNo se creo ningun archivo.";
constexpr std::string_view kDamaged =
    "El archivo %1 es una base de datos dañada.\rNo se modifico el archivo.\rDetalle: %2";
constexpr std::string_view kMissingTables =
    "El archivo %1 no es una base de datos de la mesa de trabajo: le faltan las tablas %2.\r"
    "No se modifico el archivo.";
constexpr std::string_view kCannotAddTables =
    "No se pudieron agregar las tablas nuevas a la base de datos %1:\r%2";
constexpr std::string_view kHotJournalReadOnly =
    "La base de datos %1 es de solo lectura y quedo una operacion a medio escribir en %2, que solo se puede "
    "deshacer escribiendo en ella.\rNo se abrio la base de datos. No se modifico el archivo.";
constexpr std::string_view kWalWithoutIndex =
    "La base de datos %1 es de solo lectura y tiene datos guardados en %2 que no se pueden leer sin escribir "
    "(falta su indice, el archivo terminado en -shm).\rNo se abrio la base de datos, para no mostrar datos "
    "viejos. No se modifico el archivo.";
constexpr std::string_view kCannotCopyForLook =
    "No se pudo revisar la base de datos %1: quedo una operacion a medio escribir y no se pudo copiar en la "
    "carpeta temporal %2 para revisarla.\rNo se modifico el archivo.";

// Every table of a workbench database; compared without case.
const std::vector<std::string_view> kWorkbenchTables = {
    "BPN",    "BPNPESOS", "BPNTargets", "bpnoriginal", "bpnpesosoriginal", "xor",    "merval",
    "PasadasBPN", "AccionesXmes", "Mercap", "INDICES", "series", "GA", "borrar", "borrar2", "sumas",
    "converge", "GATargets"};

// Tables added by later work; see later_tables() in the header.
// Each logged experiment's training curve, deleted with its log row; the
// frames and weights from before the last start-up experiment, and the
// checksums of what that experiment left.
const std::vector<std::string_view> kLaterTables = {
    "CREATE TABLE IF NOT EXISTS PasadasBPNCurva (curva_de INTEGER, pasada INTEGER, error REAL)",
    "CREATE INDEX IF NOT EXISTS PasadasBPNCurva_de ON PasadasBPNCurva (curva_de)",
    "CREATE TRIGGER IF NOT EXISTS PasadasBPN_borra_curva AFTER DELETE ON PasadasBPN "
    "BEGIN DELETE FROM PasadasBPNCurva WHERE curva_de = old.rowid; END",
    "CREATE TABLE IF NOT EXISTS bpnanterior (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL, nombre TEXT)",
    "CREATE TABLE IF NOT EXISTS bpnpesosanterior (capa INTEGER, fila INTEGER, columna INTEGER, valor REAL)",
    "CREATE TABLE IF NOT EXISTS SumasArranque (tabla TEXT, suma TEXT)",
    "CREATE TABLE IF NOT EXISTS Estudios (estudio INTEGER, fecha TEXT, parametros TEXT, semilla INTEGER, "
    "metodo TEXT, media_regla REAL, media_azar REAL, media_canasta REAL, anios_ganados INTEGER, p_canasta REAL, "
    "p_azar REAL)",
    "CREATE TABLE IF NOT EXISTS EstudioAnios (estudio INTEGER, anio INTEGER, cadena TEXT, descrip TEXT, "
    "entrenamiento REAL, prueba REAL, operaciones INTEGER, canasta REAL, accion REAL, azar REAL, pvalor REAL)",
};

// A later table that comes with its rows: its script creates and fills it,
// so it runs once, when the table is missing, never over a user's copy.
constexpr std::string_view kHistoryTable = "AccionesHistoricas";

// Every SQLite 3 file starts with these 16 bytes, the terminating zero
// included.
constexpr std::array<char, 16> kSqliteHeader = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                                'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};

// A database being built is named ga7.mdb.nuevo-PID until it is complete.
constexpr const char* kBuildingInfix = ".nuevo-";

// The files SQLite keeps beside a database while it is open.
constexpr std::array<std::string_view, 3> kSideSuffixes = {"-wal", "-shm", "-journal"};
constexpr size_t kWal = 0, kShm = 1, kJournal = 2;

std::string fill(std::string_view text, const std::string& first, const std::string& second = "") {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == '1' || text[i + 1] == '2')) {
            out += text[i + 1] == '1' ? first : second;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

OpenResult refused(std::string message) {
    OpenResult result;
    result.error = std::move(message);
    return result;
}

fs::path with_suffix(const fs::path& path, std::string_view suffix) {
    return fs::path(path.string() + std::string(suffix));
}

// Removes a file this code made; anything that is not a plain file (a
// folder someone put there) is left alone.
void remove_quietly(const fs::path& path) {
    std::error_code ec;
    if (fs::symlink_status(path, ec).type() == fs::file_type::regular) fs::remove(path, ec);
}

// Flushes a file or a folder to the disk; failures only cost durability,
// never correctness, so they are not reported.
void sync_quietly(const fs::path& path, bool folder) {
    int fd = ::open(path.c_str(), folder ? (O_RDONLY | O_DIRECTORY) : O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

enum class Header { Sqlite, Other, Empty, Unreadable };

// Reads at most the first 20 bytes; never opens the file for writing.
// wal tells whether the file says it is in WAL mode.
Header read_header(const fs::path& path, std::string& reason, bool& wal) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::strerror(errno);
        return Header::Unreadable;
    }
    std::array<char, 20> bytes{};
    in.read(bytes.data(), bytes.size());
    if (in.bad()) {
        reason = std::strerror(errno);
        return Header::Unreadable;
    }
    std::streamsize got = in.gcount();
    if (got == 0) return Header::Empty;
    if (got < static_cast<std::streamsize>(kSqliteHeader.size()) ||
        !std::equal(kSqliteHeader.begin(), kSqliteHeader.end(), bytes.begin()))
        return Header::Other;
    wal = got == static_cast<std::streamsize>(bytes.size()) && (bytes[18] == 2 || bytes[19] == 2);
    return Header::Sqlite;
}

// Writable for this program and meant to be: a file or folder with no
// write permission bit is taken as read-only even for a user (root) whom
// the system would let write.
bool writable(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
}

fs::path folder_of(const fs::path& path) {
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// What lies beside a database before this program opens it.
struct SideFiles {
    std::array<bool, kSideSuffixes.size()> present{};
    // A -wal that is not empty may hold committed rows the file lacks.
    bool wal_has_content = false;
    // A rollback journal SQLite would play back before any read: a killed
    // writer's half-done transaction.
    bool hot_journal = false;

    bool any() const { return std::find(present.begin(), present.end(), true) != present.end(); }
};

SideFiles look_beside(const fs::path& path) {
    SideFiles side;
    for (size_t i = 0; i < kSideSuffixes.size(); ++i) {
        std::error_code ec;
        side.present[i] = fs::exists(with_suffix(path, kSideSuffixes[i]), ec) || ec;
    }
    std::error_code ec;
    const auto wal_size = fs::file_size(with_suffix(path, kSideSuffixes[kWal]), ec);
    side.wal_has_content = side.present[kWal] && (ec || wal_size > 0);
    // SQLite's own test: a journal is hot when its first byte is not zero
    // (a committed one is deleted, truncated or has its header zeroed).
    std::ifstream journal(with_suffix(path, kSideSuffixes[kJournal]), std::ios::binary);
    char first = 0;
    side.hot_journal = journal && journal.get(first) && first != 0;
    return side;
}

// Removes the side files named by `which` that were not there before this
// program opened the file: what a refused look or a failed open made.
void remove_made_side_files(const fs::path& path, const SideFiles& before, std::initializer_list<size_t> which) {
    for (size_t i : which)
        if (!before.present[i]) remove_quietly(with_suffix(path, kSideSuffixes[i]));
}

std::string inspect_once(const fs::path& file, Database::OpenMode mode, const fs::path& named);

// What a read-only look finds wrong with the SQLite file `file`: empty when
// it is a sound workbench database, else the Spanish refusal, which names
// the file as `named`.
std::string inspect(const fs::path& file, Database::OpenMode mode, const fs::path& named) {
    // Another program changing the schema or holding a lock while we look
    // (two workbenches started at once, the first adding its tables) is a
    // passing state: the look is tried again before it counts.
    constexpr int kLooks = 20;
    for (int attempt = 1;; ++attempt) {
        try {
            return inspect_once(file, mode, named);
        } catch (const EngineError& e) {
            const bool passing = e.code() == SQLITE_SCHEMA || e.code() == SQLITE_BUSY || e.code() == SQLITE_LOCKED;
            if (!passing || attempt >= kLooks) return fill(kCannotOpen, named.string(), engine_failure_text(e));
            // A look of the file alone cannot see a writer; the next one
            // takes the usual locks.
            if (mode == Database::OpenMode::Immutable && file == named) mode = Database::OpenMode::Inspect;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
}

// One look; an engine failure other than damage is thrown to inspect().
std::string inspect_once(const fs::path& file, Database::OpenMode mode, const fs::path& named) {
    try {
        Database look(file.string(), mode);
        QueryResult check = look.query_bound("PRAGMA quick_check", {});
        if (check.rows.empty() || as_text(check.rows.front().front()) != "ok") {
            return fill(kDamaged, named.string(),
                        check.rows.empty() ? std::string("quick_check") : as_text(check.rows.front().front()));
        }
        std::string missing;
        for (std::string_view table : kWorkbenchTables) {
            if (!look.table_exists(table)) missing += (missing.empty() ? "" : ", ") + std::string(table);
        }
        if (!missing.empty()) return fill(kMissingTables, named.string(), missing);
    } catch (const EngineError& e) {
        if (e.code() == SQLITE_CORRUPT || e.code() == SQLITE_NOTADB) return fill(kDamaged, named.string(), e.what());
        throw;
    }
    return "";
}

std::string inspect(const fs::path& path, Database::OpenMode mode) { return inspect(path, mode, path); }

// The look at a file with a hot journal. SQLite can read it only after
// writing it back, so the look is made on a copy rolled back in the
// system's temporary folder: the file itself is only read, and SQLite
// recovers it only once it is known to be ours.
std::string inspect_recovered(const fs::path& path) {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    std::string folder = (temp / "vorn2-revision-XXXXXX").string();
    if (ec || ::mkdtemp(folder.data()) == nullptr) return fill(kCannotCopyForLook, path.string(), temp.string());
    const fs::path copy = fs::path(folder) / "revision.mdb";
    std::string problem;
    fs::copy_file(path, copy, ec);
    if (!ec) fs::copy_file(with_suffix(path, kSideSuffixes[kJournal]), with_suffix(copy, kSideSuffixes[kJournal]), ec);
    if (ec) {
        problem = fill(kCannotCopyForLook, path.string(), folder);
    } else {
        try {
            // Opening for writing plays the journal back.
            Database recover(copy.string(), Database::OpenMode::Existing);
        } catch (const EngineError& e) {
            problem = e.code() == SQLITE_CORRUPT || e.code() == SQLITE_NOTADB
                          ? fill(kDamaged, path.string(), e.what())
                          : fill(kCannotOpen, path.string(), engine_failure_text(e));
        }
        // Nothing else opens the copy: it cannot change while it is read.
        if (problem.empty()) problem = inspect(copy, Database::OpenMode::Immutable, path);
    }
    fs::remove_all(folder, ec);
    return problem;
}

// A database this program may not write to: shown as its last commit left
// it, without writing a byte beside it or in it.
OpenResult open_read_only(const fs::path& path, const SideFiles& side) {
    if (side.hot_journal)
        return refused(fill(kHotJournalReadOnly, path.string(), with_suffix(path, kSideSuffixes[kJournal]).string()));
    // Without a -wal to read, the file holds every committed row and an
    // immutable open makes no side file at all. Committed rows in a -wal are
    // read through the -shm that exists; SQLite would have to make one.
    Database::OpenMode mode = Database::OpenMode::Immutable;
    if (side.wal_has_content) {
        if (!side.present[kShm])
            return refused(fill(kWalWithoutIndex, path.string(), with_suffix(path, kSideSuffixes[kWal]).string()));
        mode = Database::OpenMode::Inspect;
    }
    if (std::string problem = inspect(path, mode); !problem.empty()) return refused(std::move(problem));
    OpenResult result;
    try {
        result.db = std::make_unique<Database>(path.string(), mode);
    } catch (const EngineError& e) {
        return refused(fill(kCannotOpen, path.string(), engine_failure_text(e)));
    }
    result.read_only = true;
    return result;
}

// Opens a file already known to be SQLite: a read-only look first, then
// the real open. A refused file is left as it was found, side files
// included; so is one whose open fails (a full disk, say).
OpenResult open_existing(const fs::path& path, bool wal) {
    const SideFiles side = look_beside(path);
    if (!(writable(path) && writable(folder_of(path)))) return open_read_only(path, side);

    // A file in WAL mode without side files is fully in the main file; an
    // immutable look then makes no side file at all.
    std::string problem =
        side.hot_journal ? inspect_recovered(path)
                         : inspect(path, wal && !side.any() ? Database::OpenMode::Immutable : Database::OpenMode::Inspect);
    // Another program that began writing while we looked at the file alone
    // can make that look fail: look again, this time with its locks.
    if (!problem.empty() && !side.hot_journal && !side.any() && look_beside(path).any())
        problem = inspect(path, Database::OpenMode::Inspect);
    if (!problem.empty()) {
        remove_made_side_files(path, side, {kWal, kShm, kJournal});
        return refused(std::move(problem));
    }

    // A journal of ours may hold a half-done write that SQLite still has to
    // play back; only the WAL's files are taken away.
    auto failed = [&](OpenResult& result, std::string_view text, const EngineError& e) {
        result.db.reset();
        remove_made_side_files(path, side, {kWal, kShm});
        return refused(fill(text, path.string(), engine_failure_text(e)));
    };
    OpenResult result;
    try {
        result.db = std::make_unique<Database>(path.string(), Database::OpenMode::Existing);
    } catch (const EngineError& e) {
        return failed(result, kCannotOpen, e);
    }
    try {
        // All or none, so that a failure leaves nothing in the -wal.
        // The write lock first: a second program opening the same file at
        // the same moment then waits for this one instead of failing.
        result.db->execute_script("BEGIN IMMEDIATE");
        for (std::string_view statement : kLaterTables) result.db->execute_script(statement);
        // Looked for under the write lock: two programs opening an older
        // file at once add the rows only once.
        if (!result.db->table_exists(kHistoryTable)) result.db->execute_script(embedded_history_data());
        result.db->commit();
    } catch (const EngineError& e) {
        if (result.db->in_transaction()) sqlite3_exec(result.db->handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        return failed(result, kCannotAddTables, e);
    }
    return result;
}

// Builds the default database in `temp`: schema and sample rows in one
// transaction, then the connection is closed so the file is complete on
// its own (no -wal beside it).
void build_default_database(const fs::path& temp) {
    Database db(temp.string());
    db.begin();
    try {
        db.execute_script(embedded_schema());
        db.execute_script(embedded_sample_data());
        db.execute_script(embedded_history_data());
        for (std::string_view statement : kLaterTables) db.execute_script(statement);
    } catch (...) {
        // The destructor would commit what was written; a half-built file
        // is thrown away by the caller either way, but never committed.
        try {
            db.execute_script("ROLLBACK");
        } catch (const EngineError&) {
        }
        throw;
    }
    db.commit();
}

void remove_with_side_files(const fs::path& path) {
    remove_quietly(path);
    for (auto suffix : kSideSuffixes) remove_quietly(with_suffix(path, suffix));
}

// Creates `path` from the compiled-in scripts. The database is built under
// a temporary name in the same folder and only then given its name, so a
// failure or a killed process never leaves a half-built ga7.mdb behind.
OpenResult create_default(const fs::path& path) {
    fs::path folder = path.parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        return refused(fill(kMissingFolder, path.string(), folder.string()));

    fs::path temp = with_suffix(path, kBuildingInfix + std::to_string(::getpid()));
    // A leftover of a process with our id that was killed mid-build.
    remove_with_side_files(temp);
    try {
        build_default_database(temp);
    } catch (const std::exception& e) {
        remove_with_side_files(temp);
        return refused(fill(kCannotCreate, path.string(), e.what()));
    }
    sync_quietly(temp, false);

    // A hard link gives the name only if it is still free: a file that
    // appeared meanwhile is never replaced.
    fs::create_hard_link(temp, path, ec);
    if (ec == std::errc::file_exists) {
        remove_with_side_files(temp);
        return open_workbench_database(path);
    }
    if (ec) {
        // File systems without hard links: a rename, after a last check.
        std::error_code exists_ec;
        if (fs::exists(path, exists_ec)) {
            remove_with_side_files(temp);
            return open_workbench_database(path);
        }
        ec.clear();
        fs::rename(temp, path, ec);
        if (ec) {
            remove_with_side_files(temp);
            return refused(fill(kCannotCreate, path.string(), ec.message()));
        }
    } else {
        remove_quietly(temp);
    }
    sync_quietly(folder.empty() ? fs::path(".") : folder, true);

    OpenResult result = open_workbench_database(path);
    result.created = result.db != nullptr;
    return result;
}

}  // namespace

const std::vector<std::string_view>& workbench_tables() { return kWorkbenchTables; }

const std::vector<std::string_view>& later_tables() { return kLaterTables; }

void remove_stale_temporaries(const fs::path& folder, std::string_view prefix) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) return;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return;
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        size_t end = prefix.size();
        long long pid = 0;
        while (end < name.size() && name[end] >= '0' && name[end] <= '9' && pid < 1000000000) {
            pid = pid * 10 + (name[end] - '0');
            ++end;
        }
        if (end == prefix.size() || pid <= 0 || pid >= 1000000000) continue;
        const std::string_view rest = std::string_view(name).substr(end);
        if (!rest.empty() && rest != "-wal" && rest != "-shm" && rest != "-journal") continue;
        // Still running (or running under another user): not ours to take.
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        remove_quietly(it->path());
    }
}

OpenResult open_workbench_database(const fs::path& path) {
    // Leftovers of a creation that was killed, beside the database.
    if (writable(folder_of(path))) remove_stale_temporaries(folder_of(path), path.filename().string() + kBuildingInfix);
    std::error_code ec;
    fs::file_status link_status = fs::symlink_status(path, ec);
    if (ec && link_status.type() != fs::file_type::not_found)
        return refused(fill(kUnreadable, path.string(), ec.message()));
    if (link_status.type() == fs::file_type::not_found) return create_default(path);

    // A link is judged by what it points to; a dangling one is not a file.
    fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::directory) return refused(fill(kIsAFolder, path.string()));
    if (status.type() != fs::file_type::regular) return refused(fill(kNotAFile, path.string()));

    std::string reason;
    bool wal = false;
    switch (read_header(path, reason, wal)) {
        case Header::Sqlite:
            return open_existing(path, wal);
        case Header::Empty:
            return refused(fill(kEmptyFile, path.string()));
        case Header::Other:
            return refused(fill(kNotADatabase, path.string()));
        case Header::Unreadable:
            return refused(fill(kUnreadable, path.string(), reason));
    }
    return refused(fill(kNotADatabase, path.string()));
}

}  // namespace vorn
