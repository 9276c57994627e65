// One line of a batch script, parsed. The parser knows nothing of forms or
// tables: it checks the line's shape and hands back what it says, or a text
// that tells the script's author what is wrong with it.
//
//   set FORM.CONTROL TEXT     click FORM.CONTROL     get FORM.CONTROL | FORM
//   answer [TEXT]             reply yes|no|cancel    list
//   dump TABLE                sql STATEMENT
//   activate FORM.LIST N      (double-clicks line N of a list, from 1)
//
// TEXT is the rest of the line after one blank, taken as it is, or a
// double-quoted string with the escapes \" \\ \r \n \t. Blank lines and
// lines whose first non-blank character is '#' are skipped.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/platform.h"

namespace vorn::batch {

enum class Verb { Set, Click, Answer, Reply, Get, List, Dump, Sql, Activate };

struct ScriptCommand {
    Verb verb = Verb::List;
    // set, click, get: the control as the script names it (get FORM
    // alone leaves control empty).
    std::string form, control;
    // set: the new text; answer: the answer, nullopt for a cancel.
    std::optional<std::string> text;
    // reply: the queued answer.
    Answer reply = Answer::Yes;
    // dump: the table name; sql: the statement, verbatim.
    std::string argument;
    // activate: the line, counted from 1.
    long line = 0;
};

struct ParsedLine {
    enum class Kind { Skip, Command, Error };
    Kind kind = Kind::Skip;
    ScriptCommand command;
    std::string error;  // for Kind::Error
};

// Parses one line, without its line break (a trailing '\r' of a CRLF file
// is the caller's to drop).
ParsedLine parse_script_line(std::string_view line);

// Decodes TEXT as the script language defines it; false with a reason in
// error when a quoted string is malformed.
bool decode_text(std::string_view raw, std::string& out, std::string& error);

}  // namespace vorn::batch
