// The record store: SQLite behind the workbench's data sources.
//
// A Database is one open ga7.mdb. Every statement text the workbench quotes
// goes through translate_sql(), which turns the few shapes that are not
// SQLite's own grammar into SQLite (see sql_dialect.h). Failures of the
// engine surface as EngineError, one exception type carrying the engine's
// text and result code; the handler boundary shows it and the form goes on.
//
// A DataSource is a record source (a table name or a SELECT text) and a
// keyset cursor: refresh() runs the query once and keeps the rowids in
// query order; field values are read by rowid when asked, so they are
// always current. A SELECT that is not "t.*" over one table gives a
// read-only snapshot instead.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vorn {

// A field value: null, a whole number, a real number or a text.
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

inline bool is_null(const Value& v) { return std::holds_alternative<std::monostate>(v); }
bool is_numeric(const Value& v);
// Null reads 0; a text reads as its leading number.
double as_number(const Value& v);
// Null reads ""; numbers in general form with "." (the form SQL and files
// use for data, never shown to users as is).
std::string as_text(const Value& v);

class EngineError : public std::runtime_error {
public:
    // from_engine: the text is SQLite's own (English); otherwise it is one
    // of the workbench's Spanish texts and is shown as it is.
    EngineError(const std::string& text, int code, bool from_engine = false)
        : std::runtime_error(text), code_(code), from_engine_(from_engine) {}
    int code() const { return code_; }
    bool from_engine() const { return from_engine_; }

private:
    int code_;
    bool from_engine_;
};

// A commit that failed: the work of the handler so far is not stored.
class CommitError : public EngineError {
public:
    explicit CommitError(const EngineError& cause) : EngineError(cause.what(), cause.code(), cause.from_engine()) {}
};

// What the user is told of an engine failure: a Spanish sentence for the
// kind of failure (full disk, read-only file, damaged file, missing table,
// I/O error, lock), then the engine's own text for detail. A failed commit
// says first that nothing of the operation was stored.
std::string engine_failure_text(const EngineError& error);

// The rows of a query, for reads that need no cursor (dump, statistics).
struct QueryResult {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
};

class DataSource;

class Database {
public:
    enum class OpenMode {
        // Read and write, creating the file when it is missing; WAL journal.
        Create,
        // Read and write an existing file; WAL journal.
        Existing,
        // Read only, and the file is promised not to change while open: no
        // lock, no side file, nothing ever written (a read-only database
        // whose -wal holds nothing, and a first look at a file in WAL mode
        // without side files).
        Immutable,
        // Read only with the usual locks; the journal mode is not touched.
        // A -shm that exists is only read, never written (SQLite then reads
        // the -wal itself); a missing one is created. For a first look at a
        // file that may not be ours, and a read-only database with
        // committed rows in its -wal.
        Inspect,
    };

    // Opens an SQLite file; throws EngineError when it cannot.
    explicit Database(const std::string& path, OpenMode mode = OpenMode::Create);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const std::string& path() const { return path_; }
    // True when the file was opened for reading only.
    bool read_only() const;
    // How long a statement waits for another program's lock before it
    // fails as locked (2 s unless changed).
    void set_busy_timeout(int milliseconds);

    // Runs a statement that returns no rows, in the workbench's dialect.
    void execute(std::string_view sql);
    // Runs a query in the workbench's dialect and returns every row.
    QueryResult query(std::string_view sql);
    // Runs SQLite's own SQL with bound parameters (no dialect), for code
    // that builds statements from names it has checked.
    QueryResult query_bound(std::string_view sql, const std::vector<Value>& params);
    void execute_bound(std::string_view sql, const std::vector<Value>& params);
    // Runs a script of several statements in SQLite's own SQL (schema and
    // sample data).
    void execute_script(std::string_view sql);

    bool table_exists(std::string_view name);
    // Column names of a table, in order; empty when the table is missing.
    std::vector<std::string> table_columns(std::string_view name);

    // One transaction around each handler: begin() when none is open,
    // commit() at the end, commit_and_continue() at the refresh points of
    // long runs (skipped inside a savepoint). Both also drop a transaction
    // that a report left to begin (see commit_before_report).
    void begin();
    void commit();
    void commit_and_continue();
    bool in_transaction() const;
    // True while this connection holds the write lock (a BEGIN IMMEDIATE,
    // or a transaction that has written).
    bool holds_write_lock() const;
    // True inside an all-or-nothing scope (a Savepoint not yet released).
    bool in_savepoint() const { return savepoint_depth_ > 0; }
    // Before anything is shown to the user (a message, a question, an
    // input box, a print): what the handler wrote so far is committed, so
    // that what is reported as done is stored, and no lock or snapshot is
    // held while the user looks. Inside a savepoint nothing is committed
    // (the savepoint's work is not done yet). A failed commit rolls back and
    // throws CommitError. The transaction goes on afterwards: it begins
    // again at the next statement, and when the one committed held the
    // write lock, that statement takes the write lock first (through the
    // write lock taker), so a writing handler's writes after a dialog wait
    // for another program as its first ones did, and no lock is taken for
    // a handler that ends with its report.
    void commit_before_report();

    // How the next statement takes the write lock after a report: BEGIN
    // IMMEDIATE, asking the user while it stays locked; it throws when the
    // lock is not taken. Without one the statement begins IMMEDIATE and
    // fails as locked after the busy timeout.
    void set_write_lock_taker(std::function<void()> taker) { write_lock_taker_ = std::move(taker); }
    // Begins the transaction a report left to begin, if any; every
    // statement of this connection calls it first.
    void begin_pending();

    // All-or-nothing scope inside the handler's transaction. Destroyed
    // without release(), it rolls back and refreshes every data source.
    class Savepoint {
    public:
        explicit Savepoint(Database& db);
        ~Savepoint();
        Savepoint(const Savepoint&) = delete;
        Savepoint& operator=(const Savepoint&) = delete;
        void release();

    private:
        Database& db_;
        std::string name_;
        bool done_ = false;
    };

    // While working copies (TEMP tables, which only this connection sees)
    // stand in for stored tables, what a store phase writes goes to them:
    // it needs no write lock and keeps other programs waiting for nothing.
    void set_writing_working_copies(bool on) { writing_working_copies_ = on; }
    bool writing_working_copies() const { return writing_working_copies_; }

    // A prepared statement kept for the life of the connection, keyed by
    // its (already translated) text. Reset before it is returned.
    sqlite3_stmt* cached(std::string_view sqlite_sql);
    // Finalizes every kept statement, so that the next use of a table name
    // is resolved again (after a TEMP table of the same name was created or
    // dropped, which a kept statement would not notice).
    void forget_statements();
    sqlite3* handle() { return db_; }
    // Counts writes made through this connection; cursors use it to know
    // whether a cached row is still current.
    std::int64_t change_stamp() const;

    void register_source(DataSource* source);
    void unregister_source(DataSource* source);
    void refresh_all_sources();

private:
    std::string path_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
    std::vector<DataSource*> sources_;
    int savepoint_depth_ = 0;
    int savepoint_counter_ = 0;
    bool writing_working_copies_ = false;
    // What commit_before_report() left to begin at the next statement.
    enum class Pending { None, Reading, Writing };
    Pending pending_ = Pending::None;
    std::function<void()> write_lock_taker_;
};

// Throws EngineError for a non-OK SQLite result, with the engine's text.
void check_sqlite(sqlite3* db, int rc);

class DataSource {
public:
    DataSource(Database& db, std::string record_source);
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    const std::string& record_source() const { return record_source_; }
    // Only keeps the text; the next refresh() runs it.
    void set_record_source(std::string record_source);
    // Re-runs the query; the cursor stands on the first record, or at EOF.
    void refresh();
    // Refreshes and reads the named columns of every record in cursor
    // order, with one statement instead of a lookup per record. Each row
    // starts with the record's rowid (null for a snapshot), then the
    // columns. The cursor stands on the first record afterwards.
    QueryResult refresh_and_read(const std::vector<std::string>& columns);

    void move_first();
    void move_last();
    void move_next();
    void move_previous();
    bool eof() const;
    bool bof() const;
    long record_count() const;

    // Stands on the first record, in cursor order, that meets the criteria
    // (a WHERE clause without WHERE). On a miss no_match() is true and the
    // cursor does not move.
    void find_first(std::string_view criteria);
    bool no_match() const { return no_match_; }

    void add_new();
    void edit();
    void set(std::string_view field, const Value& value);
    // Writes the pending new or edited record. A new record joins the end
    // of the keyset; the cursor stays where it stood before add_new().
    void update();
    void cancel_update();
    void delete_current();

    Value field(std::string_view name) const;
    Value field(int index) const;
    std::string field_name(int index) const;
    int field_count() const;

    Database& database() const { return db_; }
    bool read_only() const { return !table_.has_value(); }
    // The table a keyset cursor walks; empty for a snapshot.
    std::string table() const { return table_.value_or(""); }

private:
    enum class Position { Bof, Row, Eof };
    enum class Pending { None, Add, Edit };

    // The query that gives the keyset (and, with columns, their values);
    // empty for a snapshot. Sets table_.
    std::string keyset_query(const std::vector<std::string>& columns);
    void ensure_open() const;
    void load_columns();
    const std::vector<Value>& current_row() const;
    int column_index(std::string_view name) const;
    void require_row() const;

    Database& db_;
    std::string record_source_;
    bool opened_ = false;
    std::optional<std::string> table_;
    std::vector<std::string> columns_;
    std::vector<std::int64_t> keyset_;
    std::vector<std::vector<Value>> snapshot_;
    long index_ = 0;
    Position position_ = Position::Eof;
    bool on_deleted_ = false;
    bool no_match_ = false;
    Pending pending_ = Pending::None;
    std::map<std::string, Value> pending_values_;
    mutable std::vector<Value> row_cache_;
    mutable std::int64_t row_cache_rowid_ = -1;
    mutable std::int64_t row_cache_stamp_ = -1;
};

}  // namespace vorn
