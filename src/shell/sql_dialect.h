// The workbench's SQL dialect. The statements the workbench quotes are kept
// verbatim in the code; the few shapes that are not SQLite's grammar are
// rewritten here, and only here:
//   DELETE t.* FROM t ...          ->  DELETE FROM t ...
//   SELECT t.* INTO n FROM t ...   ->  CREATE TABLE n AS SELECT t.* FROM t ...
//   = null / <> null               ->  IS NULL / IS NOT NULL
// Text inside quotes is never touched. dstdev('column','table'[,'criteria'])
// is a registered SQL function (sample standard deviation, NULL with fewer
// than two rows).
#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace vorn {

std::string translate_sql(std::string_view sql);
// Translates a criteria text (a WHERE clause without WHERE).
std::string translate_criteria(std::string_view criteria);

// If sql is "SELECT [ALL] t.* FROM t <rest>" over one table, gives t and
// <rest> (already translated); otherwise false.
bool parse_table_select(std::string_view sql, std::string& table, std::string& rest);

// True for a plain identifier: a letter or underscore, then letters, digits
// and underscores.
bool is_plain_identifier(std::string_view name);
// "name" with embedded quotes doubled.
std::string quote_identifier(std::string_view name);

void register_dialect_functions(sqlite3* db);

}  // namespace vorn
