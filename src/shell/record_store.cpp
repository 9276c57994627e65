#include "shell/record_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <unordered_set>

#include "shell/number_text.h"
#include "shell/sql_dialect.h"

namespace vorn {

namespace {

constexpr int kNoCurrentRecord = 3021;  // the engine code for "no current record"
constexpr const char* kNoCurrentRecordText = "No hay registro actual.";
constexpr const char* kReadOnlyText = "No se puede actualizar: el origen de datos es de solo lectura.";
constexpr int kBusyTimeoutMs = 2000;

// Reads column i of a stepped statement as a Value.
Value column_value(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
        case SQLITE_INTEGER: return Value(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
        case SQLITE_FLOAT: return Value(sqlite3_column_double(stmt, i));
        case SQLITE_NULL: return Value();
        default: {
            const unsigned char* text = sqlite3_column_text(stmt, i);
            int bytes = sqlite3_column_bytes(stmt, i);
            return Value(std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(bytes)));
        }
    }
}

void bind_value(sqlite3* db, sqlite3_stmt* stmt, int index, const Value& value) {
    int rc = SQLITE_OK;
    if (is_null(value)) {
        rc = sqlite3_bind_null(stmt, index);
    } else if (auto* i = std::get_if<std::int64_t>(&value)) {
        rc = sqlite3_bind_int64(stmt, index, *i);
    } else if (auto* d = std::get_if<double>(&value)) {
        rc = sqlite3_bind_double(stmt, index, *d);
    } else {
        const std::string& s = std::get<std::string>(value);
        rc = sqlite3_bind_text(stmt, index, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
    check_sqlite(db, rc);
}

// Steps a prepared statement to its end, collecting rows.
QueryResult run_statement(sqlite3* db, sqlite3_stmt* stmt) {
    QueryResult result;
    int columns = sqlite3_column_count(stmt);
    for (int i = 0; i < columns; ++i) result.columns.emplace_back(sqlite3_column_name(stmt, i));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        std::vector<Value> row;
        row.reserve(static_cast<size_t>(columns));
        for (int i = 0; i < columns; ++i) row.push_back(column_value(stmt, i));
        result.rows.push_back(std::move(row));
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) check_sqlite(db, rc);
    return result;
}

// A statement prepared for one use (statements built from data vary, so
// caching them would only grow the cache).
class OneShot {
public:
    OneShot(Database& database, std::string_view sql) {
        database.begin_pending();
        sqlite3* db = database.handle();
        const char* tail = nullptr;
        int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, &tail);
        check_sqlite(db, rc);
        if (stmt_ == nullptr) throw EngineError("Instruccion SQL vacia.", SQLITE_MISUSE);
        if (tail != nullptr && !trim(std::string_view(tail)).empty() && trim(std::string_view(tail)) != ";") {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw EngineError("Se esperaba una sola instruccion SQL.", SQLITE_MISUSE);
        }
    }
    ~OneShot() { sqlite3_finalize(stmt_); }
    OneShot(const OneShot&) = delete;
    OneShot& operator=(const OneShot&) = delete;
    sqlite3_stmt* get() { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace

bool is_numeric(const Value& v) {
    return std::holds_alternative<std::int64_t>(v) || std::holds_alternative<double>(v);
}

double as_number(const Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* s = std::get_if<std::string>(&v)) return parse_leading(*s, '.');
    return 0;
}

std::string as_text(const Value& v) {
    if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) return format_general(*d, '.');
    if (auto* s = std::get_if<std::string>(&v)) return *s;
    return "";
}

void check_sqlite(sqlite3* db, int rc) {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
    std::string text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw EngineError(text, rc & 0xff, true);
}

std::string engine_failure_text(const EngineError& error) {
    const std::string_view what = error.what();
    if (!error.from_engine()) return std::string(what);
    std::string lead;
    switch (error.code()) {
        case SQLITE_FULL: lead = "El disco esta lleno o la base de datos llego a su tamaño maximo."; break;
        case SQLITE_READONLY: lead = "La base de datos es de solo lectura."; break;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: lead = "La base de datos esta dañada."; break;
        case SQLITE_IOERR: lead = "Error de lectura o escritura en el disco."; break;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: lead = "La base de datos esta bloqueada por otro programa."; break;
        case SQLITE_CANTOPEN: lead = "No se pudo abrir el archivo de la base de datos."; break;
        case SQLITE_PERM:
        case SQLITE_AUTH: lead = "No hay permiso para usar la base de datos."; break;
        case SQLITE_NOMEM: lead = "No hay memoria suficiente."; break;
        case SQLITE_TOOBIG: lead = "Un dato es demasiado grande para la base de datos."; break;
        case SQLITE_CONSTRAINT: lead = "Un dato no cumple una regla de la tabla."; break;
        default:
            if (what.find("no such table") != std::string_view::npos) {
                lead = "Falta una tabla en la base de datos.";
            } else if (what.find("no such column") != std::string_view::npos) {
                lead = "Falta un campo en una tabla de la base de datos.";
            } else {
                lead = "La base de datos no pudo hacer la operacion.";
            }
    }
    if (dynamic_cast<const CommitError*>(&error) != nullptr) {
        lead = "No se guardaron los cambios de esta operacion: " + lead;
    }
    return lead + "\rDetalle: " + std::string(what);
}

// ---------------------------------------------------------------- Database

namespace {

// "file:" URI of a path, for the open modes that need URI parameters.
std::string file_uri(const std::string& path, std::string_view parameters) {
    std::string uri = "file:";
    const char* hex = "0123456789ABCDEF";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7f) {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?" + std::string(parameters);
}

}  // namespace

Database::Database(const std::string& path, OpenMode mode) : path_(path) {
    int flags = SQLITE_OPEN_NOMUTEX;
    std::string name = path;
    switch (mode) {
        case OpenMode::Create: flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE; break;
        case OpenMode::Existing: flags |= SQLITE_OPEN_READWRITE; break;
        case OpenMode::Immutable:
            flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
            name = file_uri(path, "mode=ro&immutable=1");
            break;
        case OpenMode::Inspect: {
            flags |= SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
            // Left to itself SQLite opens an existing -shm for writing
            // (readers mark it), even on a connection that only reads.
            std::error_code ec;
            const bool shm = std::filesystem::exists(path + "-shm", ec);
            name = file_uri(path, shm ? "mode=ro&readonly_shm=1" : "mode=ro");
            break;
        }
    }
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
        sqlite3_close(db_);
        db_ = nullptr;
        throw EngineError(text, rc & 0xff, true);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db_, 0);
    register_dialect_functions(db_);
    if (mode == OpenMode::Immutable || mode == OpenMode::Inspect) {
        // The last connection to close would otherwise try to checkpoint the
        // -wal into the file and delete it.
        sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        return;
    }
    try {
        execute_script("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    } catch (const EngineError&) {
        sqlite3_close(db_);
        db_ = nullptr;
        throw;
    }
}

Database::~Database() {
    for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
    if (db_ != nullptr) {
        if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
    }
}

void Database::execute(std::string_view sql) {
    std::string translated = translate_sql(sql);
    OneShot stmt(*this, translated);
    run_statement(db_, stmt.get());
}

QueryResult Database::query(std::string_view sql) {
    std::string translated = translate_sql(sql);
    OneShot stmt(*this, translated);
    return run_statement(db_, stmt.get());
}

QueryResult Database::query_bound(std::string_view sql, const std::vector<Value>& params) {
    sqlite3_stmt* stmt = cached(sql);
    for (size_t i = 0; i < params.size(); ++i) bind_value(db_, stmt, static_cast<int>(i) + 1, params[i]);
    QueryResult result = run_statement(db_, stmt);
    sqlite3_clear_bindings(stmt);
    return result;
}

void Database::execute_bound(std::string_view sql, const std::vector<Value>& params) { query_bound(sql, params); }

void Database::execute_script(std::string_view sql) {
    // A caller that begins, commits or rolls back says itself what the
    // transaction is; anything else belongs to the one a report left.
    const std::string_view first = trim(sql).substr(0, 8);
    const std::string word = lower(first.substr(0, first.find_first_of(" \t\r\n;")));
    if (word == "begin" || word == "commit" || word == "end" || word == "rollback") {
        pending_ = Pending::None;
    } else {
        begin_pending();
    }
    std::string text(sql);
    char* error = nullptr;
    int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error != nullptr ? error : sqlite3_errstr(rc);
        sqlite3_free(error);
        throw EngineError(message, rc & 0xff, true);
    }
}

bool Database::table_exists(std::string_view name) {
    auto result = query_bound("SELECT 1 FROM sqlite_master WHERE type IN ('table','view') AND name = ? COLLATE NOCASE",
                              {Value(std::string(name))});
    return !result.rows.empty();
}

std::vector<std::string> Database::table_columns(std::string_view name) {
    std::vector<std::string> columns;
    if (!table_exists(name)) return columns;
    OneShot stmt(*this, "SELECT * FROM " + quote_identifier(name) + " LIMIT 0");
    int count = sqlite3_column_count(stmt.get());
    for (int i = 0; i < count; ++i) columns.emplace_back(sqlite3_column_name(stmt.get(), i));
    return columns;
}

void Database::begin() {
    pending_ = Pending::None;
    if (in_transaction()) return;
    execute_script("BEGIN");
}

void Database::commit() {
    pending_ = Pending::None;
    if (!in_transaction()) return;
    execute_script("COMMIT");
}

void Database::commit_and_continue() {
    if (savepoint_depth_ > 0) return;
    pending_ = Pending::None;
    if (!in_transaction()) return;
    execute_script("COMMIT");
    execute_script("BEGIN");
}

void Database::begin_pending() {
    if (pending_ == Pending::None) return;
    const Pending kind = pending_;
    // Cleared first: statements the taker runs (or a front end's repaint
    // while it asks) must not begin it again.
    pending_ = Pending::None;
    if (in_transaction()) return;
    if (kind == Pending::Reading) {
        execute_script("BEGIN");
    } else if (write_lock_taker_) {
        write_lock_taker_();
    } else {
        execute_script("BEGIN IMMEDIATE");
    }
}

void Database::commit_before_report() {
    if (!in_transaction() || savepoint_depth_ > 0) return;
    const bool writing = holds_write_lock();
    try {
        execute_script("COMMIT");
    } catch (const EngineError& error) {
        // A commit that failed may leave the transaction open (a lock) or
        // not (a full disk); either way none of it is stored.
        if (in_transaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        try {
            refresh_all_sources();
        } catch (const EngineError&) {
        }
        throw CommitError(error);
    }
    pending_ = writing ? Pending::Writing : Pending::Reading;
}

void Database::set_busy_timeout(int milliseconds) { sqlite3_busy_timeout(db_, milliseconds); }

bool Database::read_only() const { return sqlite3_db_readonly(db_, "main") == 1; }

bool Database::in_transaction() const { return sqlite3_get_autocommit(db_) == 0; }

bool Database::holds_write_lock() const { return sqlite3_txn_state(db_, "main") == SQLITE_TXN_WRITE; }

sqlite3_stmt* Database::cached(std::string_view sqlite_sql) {
    begin_pending();
    std::string key(sqlite_sql);
    auto found = cache_.find(key);
    if (found != cache_.end()) {
        sqlite3_reset(found->second);
        return found->second;
    }
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, key.c_str(), static_cast<int>(key.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                                nullptr);
    check_sqlite(db_, rc);
    if (stmt == nullptr) throw EngineError("Instruccion SQL vacia.", SQLITE_MISUSE);
    cache_.emplace(std::move(key), stmt);
    return stmt;
}

void Database::forget_statements() {
    for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
    cache_.clear();
}

std::int64_t Database::change_stamp() const { return sqlite3_total_changes64(db_); }

void Database::register_source(DataSource* source) { sources_.push_back(source); }

void Database::unregister_source(DataSource* source) {
    sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void Database::refresh_all_sources() {
    // Every source is refreshed even when one fails (its table dropped, say),
    // so none keeps a stale keyset; the first failure is reported after.
    std::exception_ptr first_failure;
    for (DataSource* source : sources_) {
        try {
            source->refresh();
        } catch (const EngineError&) {
            if (!first_failure) first_failure = std::current_exception();
        }
    }
    if (first_failure) std::rethrow_exception(first_failure);
}

Database::Savepoint::Savepoint(Database& db) : db_(db) {
    name_ = "vorn_sp" + std::to_string(++db_.savepoint_counter_);
    db_.execute_script("SAVEPOINT " + name_);
    ++db_.savepoint_depth_;
}

Database::Savepoint::~Savepoint() {
    if (done_) return;
    --db_.savepoint_depth_;
    // Errors are not thrown from a destructor: a rollback that fails leaves
    // the outer transaction to fail at commit, which the boundary reports.
    sqlite3_exec(db_.db_, ("ROLLBACK TO " + name_ + "; RELEASE " + name_).c_str(), nullptr, nullptr, nullptr);
    try {
        db_.refresh_all_sources();
    } catch (const EngineError&) {
    }
}

void Database::Savepoint::release() {
    if (done_) return;
    db_.execute_script("RELEASE " + name_);
    done_ = true;
    --db_.savepoint_depth_;
}

// -------------------------------------------------------------- DataSource

DataSource::DataSource(Database& db, std::string record_source)
    : db_(db), record_source_(std::move(record_source)) {
    db_.register_source(this);
}

DataSource::~DataSource() { db_.unregister_source(this); }

void DataSource::set_record_source(std::string record_source) {
    record_source_ = std::move(record_source);
    opened_ = false;
    keyset_.clear();
    snapshot_.clear();
    columns_.clear();
    position_ = Position::Eof;
}

std::string DataSource::keyset_query(const std::vector<std::string>& columns) {
    std::string source(trim(record_source_));
    std::string table, rest;
    if (is_plain_identifier(source)) {
        table = source;
    } else if (!parse_table_select(source, table, rest)) {
        table_.reset();
        return "";
    }
    table_ = table;
    const std::string quoted = quote_identifier(table);
    std::string select = "SELECT " + quoted + ".rowid";
    for (const std::string& column : columns) select += ", " + quoted + "." + quote_identifier(column);
    return select + " FROM " + quoted + rest;
}

QueryResult DataSource::refresh_and_read(const std::vector<std::string>& columns) {
    pending_ = Pending::None;
    pending_values_.clear();
    on_deleted_ = false;
    no_match_ = false;
    row_cache_rowid_ = -1;
    keyset_.clear();
    snapshot_.clear();
    columns_.clear();
    opened_ = true;

    QueryResult result;
    try {
        std::string sql = keyset_query(columns);
        if (!sql.empty()) {
            result = db_.query_bound(sql, {});
            keyset_.reserve(result.rows.size());
            for (const auto& row : result.rows) keyset_.push_back(std::get<std::int64_t>(row[0]));
            load_columns();
        } else {
            QueryResult all = db_.query(trim(record_source_));
            columns_ = std::move(all.columns);
            snapshot_ = std::move(all.rows);
            result.columns.push_back("rowid");
            for (const std::string& column : columns) result.columns.push_back(column);
            for (const auto& row : snapshot_) {
                std::vector<Value> picked{Value()};
                for (const std::string& column : columns) picked.push_back(row[static_cast<size_t>(column_index(column))]);
                result.rows.push_back(std::move(picked));
            }
        }
    } catch (...) {
        // A failed refresh leaves an empty cursor rather than stale rows.
        keyset_.clear();
        snapshot_.clear();
        position_ = Position::Eof;
        throw;
    }
    index_ = 0;
    position_ = record_count() > 0 ? Position::Row : Position::Eof;
    return result;
}

void DataSource::refresh() { refresh_and_read({}); }

void DataSource::load_columns() {
    std::string sql = "SELECT * FROM " + quote_identifier(*table_) + " WHERE rowid = ?";
    sqlite3_stmt* stmt = db_.cached(sql);
    int count = sqlite3_column_count(stmt);
    columns_.clear();
    for (int i = 0; i < count; ++i) columns_.emplace_back(sqlite3_column_name(stmt, i));
}

void DataSource::ensure_open() const {
    if (!opened_) const_cast<DataSource*>(this)->refresh();
}

long DataSource::record_count() const {
    ensure_open();
    return static_cast<long>(table_ ? keyset_.size() : snapshot_.size());
}

void DataSource::move_first() {
    ensure_open();
    cancel_update();
    on_deleted_ = false;
    index_ = 0;
    position_ = record_count() > 0 ? Position::Row : Position::Eof;
}

void DataSource::move_last() {
    ensure_open();
    cancel_update();
    on_deleted_ = false;
    long count = record_count();
    index_ = count > 0 ? count - 1 : 0;
    position_ = count > 0 ? Position::Row : Position::Eof;
}

void DataSource::move_next() {
    ensure_open();
    cancel_update();
    long count = record_count();
    if (on_deleted_) {
        // The row after a deleted one now stands at the deleted one's index.
        on_deleted_ = false;
    } else if (position_ == Position::Bof) {
        index_ = 0;
    } else if (position_ == Position::Row) {
        ++index_;
    } else {
        return;
    }
    position_ = index_ < count ? Position::Row : Position::Eof;
    if (position_ == Position::Eof) index_ = count;
}

void DataSource::move_previous() {
    ensure_open();
    cancel_update();
    on_deleted_ = false;
    long count = record_count();
    if (position_ == Position::Eof) {
        index_ = count;
    } else if (position_ == Position::Bof) {
        return;
    }
    --index_;
    position_ = index_ >= 0 && count > 0 ? Position::Row : Position::Bof;
    if (position_ == Position::Bof) index_ = -1;
}

bool DataSource::eof() const {
    ensure_open();
    return position_ == Position::Eof || record_count() == 0;
}

bool DataSource::bof() const {
    ensure_open();
    return position_ == Position::Bof || record_count() == 0;
}

void DataSource::find_first(std::string_view criteria) {
    ensure_open();
    cancel_update();
    if (!table_) throw EngineError("No se puede buscar en un origen de datos de solo lectura.", SQLITE_MISUSE);
    std::string sql = "SELECT rowid FROM " + quote_identifier(*table_) + " WHERE " + translate_criteria(criteria);
    OneShot stmt(db_, sql);
    std::unordered_set<std::int64_t> matches;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) matches.insert(sqlite3_column_int64(stmt.get(), 0));
    if (rc != SQLITE_DONE) check_sqlite(db_.handle(), rc);
    for (size_t i = 0; i < keyset_.size(); ++i) {
        if (matches.count(keyset_[i]) != 0) {
            index_ = static_cast<long>(i);
            position_ = Position::Row;
            on_deleted_ = false;
            no_match_ = false;
            return;
        }
    }
    no_match_ = true;
}

void DataSource::require_row() const {
    ensure_open();
    if (position_ != Position::Row || on_deleted_ || index_ < 0 || index_ >= record_count()) {
        throw EngineError(kNoCurrentRecordText, kNoCurrentRecord);
    }
}

const std::vector<Value>& DataSource::current_row() const {
    require_row();
    if (!table_) return snapshot_[static_cast<size_t>(index_)];
    std::int64_t rowid = keyset_[static_cast<size_t>(index_)];
    std::int64_t stamp = db_.change_stamp();
    if (rowid == row_cache_rowid_ && stamp == row_cache_stamp_) return row_cache_;
    std::string sql = "SELECT * FROM " + quote_identifier(*table_) + " WHERE rowid = ?";
    sqlite3_stmt* stmt = db_.cached(sql);
    check_sqlite(db_.handle(), sqlite3_bind_int64(stmt, 1, rowid));
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) {
        sqlite3_reset(stmt);
        if (rc != SQLITE_DONE) check_sqlite(db_.handle(), rc);
        // The row was deleted behind the cursor's back.
        throw EngineError(kNoCurrentRecordText, kNoCurrentRecord);
    }
    int count = sqlite3_column_count(stmt);
    row_cache_.clear();
    for (int i = 0; i < count; ++i) row_cache_.push_back(column_value(stmt, i));
    sqlite3_reset(stmt);
    row_cache_rowid_ = rowid;
    row_cache_stamp_ = stamp;
    return row_cache_;
}

int DataSource::column_index(std::string_view name) const {
    ensure_open();
    const std::string_view wanted = trim(name);
    auto same = [wanted](const std::string& column) {
        return column.size() == wanted.size() &&
               std::equal(column.begin(), column.end(), wanted.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (same(columns_[i])) return static_cast<int>(i);
    }
    throw EngineError("Elemento no encontrado en esta coleccion: " + std::string(name), SQLITE_ERROR);
}

Value DataSource::field(std::string_view name) const {
    int index = column_index(name);
    if (pending_ != Pending::None) {
        auto found = pending_values_.find(columns_[static_cast<size_t>(index)]);
        if (found != pending_values_.end()) return found->second;
        if (pending_ == Pending::Add) return Value();
    }
    return current_row()[static_cast<size_t>(index)];
}

Value DataSource::field(int index) const {
    ensure_open();
    if (index < 0 || index >= field_count()) {
        throw EngineError("Elemento no encontrado en esta coleccion: " + std::to_string(index), SQLITE_ERROR);
    }
    return field(std::string_view(columns_[static_cast<size_t>(index)]));
}

std::string DataSource::field_name(int index) const {
    ensure_open();
    if (index < 0 || index >= field_count()) {
        throw EngineError("Elemento no encontrado en esta coleccion: " + std::to_string(index), SQLITE_ERROR);
    }
    return columns_[static_cast<size_t>(index)];
}

int DataSource::field_count() const {
    ensure_open();
    return static_cast<int>(columns_.size());
}

void DataSource::add_new() {
    ensure_open();
    if (!table_) throw EngineError(kReadOnlyText, SQLITE_READONLY);
    pending_ = Pending::Add;
    pending_values_.clear();
}

void DataSource::edit() {
    if (!table_) {
        ensure_open();
        if (!table_) throw EngineError(kReadOnlyText, SQLITE_READONLY);
    }
    require_row();
    pending_ = Pending::Edit;
    pending_values_.clear();
}

void DataSource::set(std::string_view field, const Value& value) {
    if (pending_ == Pending::None) {
        throw EngineError("Actualizar o CancelarActualizacion sin AgregarNuevo o Editar.", SQLITE_MISUSE);
    }
    int index = column_index(field);
    pending_values_[columns_[static_cast<size_t>(index)]] = value;
}

void DataSource::update() {
    if (pending_ == Pending::None) {
        throw EngineError("Actualizar o CancelarActualizacion sin AgregarNuevo o Editar.", SQLITE_MISUSE);
    }
    std::string table = quote_identifier(*table_);
    std::vector<Value> params;
    std::string sql;
    if (pending_ == Pending::Add) {
        if (pending_values_.empty()) {
            sql = "INSERT INTO " + table + " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (const auto& [name, value] : pending_values_) {
                names += (names.empty() ? "" : ", ") + quote_identifier(name);
                marks += marks.empty() ? "?" : ", ?";
                params.push_back(value);
            }
            sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
        }
        db_.execute_bound(sql, params);
        keyset_.push_back(sqlite3_last_insert_rowid(db_.handle()));
        // The cursor keeps its place; one that stood past the end stays there.
        if (position_ == Position::Eof) index_ = static_cast<long>(keyset_.size());
    } else {
        if (!pending_values_.empty()) {
            std::string sets;
            for (const auto& [name, value] : pending_values_) {
                sets += (sets.empty() ? "" : ", ") + quote_identifier(name) + " = ?";
                params.push_back(value);
            }
            params.push_back(Value(keyset_[static_cast<size_t>(index_)]));
            db_.execute_bound("UPDATE " + table + " SET " + sets + " WHERE rowid = ?", params);
            if (sqlite3_changes(db_.handle()) == 0) {
                pending_ = Pending::None;
                pending_values_.clear();
                throw EngineError(kNoCurrentRecordText, kNoCurrentRecord);
            }
        }
    }
    pending_ = Pending::None;
    pending_values_.clear();
}

void DataSource::cancel_update() {
    pending_ = Pending::None;
    pending_values_.clear();
}

void DataSource::delete_current() {
    if (!table_) {
        ensure_open();
        if (!table_) throw EngineError(kReadOnlyText, SQLITE_READONLY);
    }
    require_row();
    cancel_update();
    std::int64_t rowid = keyset_[static_cast<size_t>(index_)];
    db_.execute_bound("DELETE FROM " + quote_identifier(*table_) + " WHERE rowid = ?", {Value(rowid)});
    keyset_.erase(keyset_.begin() + index_);
    on_deleted_ = true;
}

}  // namespace vorn
