#include "shell/sql_dialect.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "shell/number_text.h"

namespace vorn {

namespace {

// A lexical piece of a statement: a word, a quoted text (kept whole, so a
// rewrite never reaches inside it), blanks, or one other character.
struct Token {
    enum class Kind { Word, Quoted, Blank, Other } kind;
    std::string text;
};

bool is_word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '*'; }

std::vector<Token> tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < sql.size()) {
        char c = sql[i];
        if (c == '\'' || c == '"' || c == '[' || c == '`') {
            char close = c == '[' ? ']' : c;
            size_t j = i + 1;
            while (j < sql.size()) {
                if (sql[j] == close) {
                    // A doubled quote stands for one quote inside the text.
                    if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            size_t end = j < sql.size() ? j + 1 : sql.size();
            tokens.push_back({Token::Kind::Quoted, std::string(sql.substr(i, end - i))});
            i = end;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            size_t j = i;
            while (j < sql.size() && std::isspace(static_cast<unsigned char>(sql[j]))) ++j;
            tokens.push_back({Token::Kind::Blank, std::string(sql.substr(i, j - i))});
            i = j;
        } else if (is_word_char(c)) {
            size_t j = i;
            while (j < sql.size() && is_word_char(sql[j])) ++j;
            tokens.push_back({Token::Kind::Word, std::string(sql.substr(i, j - i))});
            i = j;
        } else {
            tokens.push_back({Token::Kind::Other, std::string(1, c)});
            ++i;
        }
    }
    return tokens;
}

// Indices of the tokens that are not blanks.
std::vector<size_t> significant(const std::vector<Token>& tokens) {
    std::vector<size_t> out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::Kind::Blank) out.push_back(i);
    }
    return out;
}

bool is_word(const Token& token, std::string_view word) {
    return token.kind == Token::Kind::Word && lower(token.text) == word;
}

// "t.*" gives t.
bool star_of(const Token& token, std::string& table) {
    if (token.kind != Token::Kind::Word) return false;
    const std::string& t = token.text;
    if (t.size() < 3 || t.compare(t.size() - 2, 2, ".*") != 0) return false;
    table = t.substr(0, t.size() - 2);
    return is_plain_identifier(table);
}

// "= null" -> "IS NULL", "<> null" -> "IS NOT NULL", outside quotes. In a
// statement only conditions are rewritten (after WHERE, ON, HAVING or WHEN),
// so "SET x = NULL" keeps assigning; a criteria text is a condition whole.
std::string rewrite_null_comparisons(const std::vector<Token>& tokens, bool in_condition) {
    std::string out;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (is_word(token, "where") || is_word(token, "on") || is_word(token, "having") || is_word(token, "when")) {
            in_condition = true;
        } else if (is_word(token, "set")) {
            in_condition = false;
        }
        if (!in_condition) {
            out += token.text;
            continue;
        }
        bool equals = token.kind == Token::Kind::Other && token.text == "=";
        bool differs = token.kind == Token::Kind::Other && token.text == "<" && i + 1 < tokens.size() &&
                       tokens[i + 1].kind == Token::Kind::Other && tokens[i + 1].text == ">";
        if (equals || differs) {
            size_t j = i + (differs ? 2 : 1);
            // "<=" and ">=" arrive as two tokens; only a lone "=" counts.
            bool part_of_other = equals && !out.empty() && (out.back() == '<' || out.back() == '>' || out.back() == '!');
            size_t k = j;
            while (k < tokens.size() && tokens[k].kind == Token::Kind::Blank) ++k;
            if (!part_of_other && k < tokens.size() && is_word(tokens[k], "null")) {
                while (!out.empty() && std::isspace(static_cast<unsigned char>(out.back()))) out.pop_back();
                out += differs ? " IS NOT NULL" : " IS NULL";
                i = k;
                continue;
            }
        }
        out += token.text;
    }
    return out;
}

}  // namespace

std::string translate_sql(std::string_view sql) {
    std::vector<Token> tokens = tokenize(sql);
    std::vector<size_t> sig = significant(tokens);
    std::string table;
    // DELETE t.* FROM t ...  ->  DELETE FROM t ...
    if (sig.size() >= 3 && is_word(tokens[sig[0]], "delete") && star_of(tokens[sig[1]], table) &&
        is_word(tokens[sig[2]], "from")) {
        std::vector<Token> rest(tokens.begin() + static_cast<long>(sig[2]), tokens.end());
        return "DELETE " + rewrite_null_comparisons(rest, false);
    }
    // SELECT t.* INTO n FROM t ...  ->  CREATE TABLE n AS SELECT t.* FROM t ...
    if (sig.size() >= 5 && is_word(tokens[sig[0]], "select") && star_of(tokens[sig[1]], table) &&
        is_word(tokens[sig[2]], "into") && is_word(tokens[sig[4]], "from")) {
        std::string target = tokens[sig[3]].text;
        std::vector<Token> rest(tokens.begin() + static_cast<long>(sig[4]), tokens.end());
        return "CREATE TABLE " + target + " AS SELECT " + tokens[sig[1]].text + " " + rewrite_null_comparisons(rest, false);
    }
    return rewrite_null_comparisons(tokens, false);
}

std::string translate_criteria(std::string_view criteria) { return rewrite_null_comparisons(tokenize(criteria), true); }

bool parse_table_select(std::string_view sql, std::string& table, std::string& rest) {
    std::vector<Token> tokens = tokenize(sql);
    std::vector<size_t> sig = significant(tokens);
    size_t k = 0;
    if (sig.size() < 4 || !is_word(tokens[sig[k]], "select")) return false;
    ++k;
    if (is_word(tokens[sig[k]], "all")) ++k;
    std::string star_table;
    if (k + 2 >= sig.size() || !star_of(tokens[sig[k]], star_table)) return false;
    if (!is_word(tokens[sig[k + 1]], "from")) return false;
    const Token& from_table = tokens[sig[k + 2]];
    if (from_table.kind != Token::Kind::Word || lower(from_table.text) != lower(star_table)) return false;
    // A join or a second table after the first one makes it a snapshot.
    size_t after = sig[k + 2] + 1;
    std::vector<Token> tail(tokens.begin() + static_cast<long>(after), tokens.end());
    std::vector<size_t> tail_sig = significant(tail);
    if (!tail_sig.empty()) {
        const Token& next = tail[tail_sig[0]];
        bool clause = is_word(next, "where") || is_word(next, "order") || (next.kind == Token::Kind::Other && next.text == ";");
        if (!clause) return false;
        for (size_t i : tail_sig) {
            if (is_word(tail[i], "join") || is_word(tail[i], "group") || is_word(tail[i], "union") ||
                is_word(tail[i], "limit") || is_word(tail[i], "having")) {
                return false;
            }
        }
    }
    table = from_table.text;
    rest = rewrite_null_comparisons(tail, false);
    return true;
}

bool is_plain_identifier(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0])) && name[0] != '_') return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    }
    return true;
}

std::string quote_identifier(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

namespace {

// dstdev('column', 'table'[, 'criteria']): the sample standard deviation of
// a column over the rows that meet the criteria (a WHERE clause, with or
// without the word WHERE); NULL with fewer than two numeric rows. The names
// are quoted as identifiers, never spliced in as SQL.
void dstdev_function(sqlite3_context* context, int argc, sqlite3_value** argv) {
    auto text_arg = [&](int i) -> std::string {
        const unsigned char* t = sqlite3_value_text(argv[i]);
        return t == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(t));
    };
    std::string column(trim(text_arg(0)));
    std::string table(trim(text_arg(1)));
    if (!is_plain_identifier(column) || !is_plain_identifier(table)) {
        sqlite3_result_error(context, "dstdev: nombre de columna o tabla no valido", -1);
        return;
    }
    std::string sql = "SELECT " + quote_identifier(column) + " FROM " + quote_identifier(table);
    if (argc > 2) {
        std::string criteria(trim(text_arg(2)));
        if (lower(criteria.substr(0, 5)) == "where") criteria = criteria.substr(5);
        if (!trim(criteria).empty()) sql += " WHERE " + translate_criteria(criteria);
    }
    sqlite3* db = sqlite3_context_db_handle(context);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        sqlite3_result_error(context, sqlite3_errmsg(db), -1);
        sqlite3_finalize(stmt);
        return;
    }
    // Welford's running mean and sum of squares: stable for large values.
    long n = 0;
    double mean = 0, m2 = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        int type = sqlite3_column_type(stmt, 0);
        if (type != SQLITE_INTEGER && type != SQLITE_FLOAT) continue;
        double x = sqlite3_column_double(stmt, 0);
        ++n;
        double delta = x - mean;
        mean += delta / static_cast<double>(n);
        m2 += delta * (x - mean);
    }
    if (rc != SQLITE_DONE) {
        sqlite3_result_error(context, sqlite3_errmsg(db), -1);
    } else if (n < 2) {
        sqlite3_result_null(context);
    } else {
        sqlite3_result_double(context, std::sqrt(m2 / static_cast<double>(n - 1)));
    }
    sqlite3_finalize(stmt);
}

}  // namespace

void register_dialect_functions(sqlite3* db) {
    // Deterministic: "select dstdev('valor','bpn') from bpn" passes constant
    // arguments, so SQLite evaluates it once per statement instead of once
    // per row of the table (a scan per row would make it quadratic).
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "dstdev", 2, flags, nullptr, dstdev_function, nullptr, nullptr);
    sqlite3_create_function(db, "dstdev", 3, flags, nullptr, dstdev_function, nullptr, nullptr);
}

}  // namespace vorn
