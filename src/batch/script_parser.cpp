#include "batch/script_parser.h"

#include "shell/number_text.h"

namespace vorn::batch {

namespace {

// What a malformed script line is told, in the program's language; the
// commands themselves keep their English words.
constexpr const char* kUnknownEscape = "comillas mal cerradas: secuencia de escape desconocida \\";
constexpr const char* kMissingQuote = "comillas mal cerradas: falta la comilla de cierre";
constexpr const char* kTextAfterQuote = "comillas mal cerradas: hay texto despues de la comilla de cierre";
constexpr const char* kSetNeeds = "set necesita VENTANA.CONTROL y un texto";
constexpr const char* kNeedsTarget = " necesita VENTANA.CONTROL";
constexpr const char* kOnlyTarget = " lleva solo VENTANA.CONTROL";
constexpr const char* kActivateNeeds = "activate necesita VENTANA.CONTROL y un numero de linea desde 1";
constexpr const char* kReplyNeeds = "reply necesita yes, no o cancel";
constexpr const char* kListAlone = "list no lleva nada despues";
constexpr const char* kDumpNeeds = "dump necesita el nombre de una tabla";
constexpr const char* kSqlNeeds = "sql necesita una sentencia";
constexpr const char* kUnknownCommand = "orden desconocida: ";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Splits off the first word and the blanks after it; rest keeps the text
// exactly as written after those blanks.
std::string_view take_word(std::string_view& rest) {
    size_t end = 0;
    while (end < rest.size() && !is_blank(rest[end])) ++end;
    std::string_view word = rest.substr(0, end);
    rest.remove_prefix(end);
    return word;
}

void skip_blanks(std::string_view& rest) {
    while (!rest.empty() && is_blank(rest.front())) rest.remove_prefix(1);
}

ParsedLine fail(std::string error) {
    ParsedLine parsed;
    parsed.kind = ParsedLine::Kind::Error;
    parsed.error = std::move(error);
    return parsed;
}

ParsedLine command(ScriptCommand cmd) {
    ParsedLine parsed;
    parsed.kind = ParsedLine::Kind::Command;
    parsed.command = std::move(cmd);
    return parsed;
}

// FORM.CONTROL, split at the first dot; both parts must be there.
bool split_target(std::string_view target, ScriptCommand& cmd) {
    size_t dot = target.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == target.size()) return false;
    cmd.form = std::string(target.substr(0, dot));
    cmd.control = std::string(target.substr(dot + 1));
    return true;
}

// The TEXT of set and answer: after the word before it, exactly one blank
// separates it, so leading blanks of the text itself are kept (" 8").
std::string_view text_after_one_blank(std::string_view rest) {
    if (!rest.empty() && is_blank(rest.front())) rest.remove_prefix(1);
    return rest;
}

}  // namespace

bool decode_text(std::string_view raw, std::string& out, std::string& error) {
    out.clear();
    if (raw.empty() || raw.front() != '"') {
        out = std::string(raw);
        return true;
    }
    size_t i = 1;
    for (; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '"') break;
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i == raw.size()) break;
        switch (raw[i]) {
            case '"': out.push_back('"'); break;
            case '\\': out.push_back('\\'); break;
            case 'r': out.push_back('\r'); break;
            case 'n': out.push_back('\n'); break;
            case 't': out.push_back('\t'); break;
            default:
                error = std::string(kUnknownEscape) + raw[i];
                return false;
        }
    }
    if (i >= raw.size()) {
        error = kMissingQuote;
        return false;
    }
    if (!trim(raw.substr(i + 1)).empty()) {
        error = kTextAfterQuote;
        return false;
    }
    return true;
}

ParsedLine parse_script_line(std::string_view line) {
    std::string_view rest = line;
    skip_blanks(rest);
    if (rest.empty() || rest.front() == '#') return {};

    std::string_view word = take_word(rest);
    std::string verb = lower(word);
    ScriptCommand cmd;

    if (verb == "set") {
        cmd.verb = Verb::Set;
        skip_blanks(rest);
        std::string_view target = take_word(rest);
        if (!split_target(target, cmd)) return fail(kSetNeeds);
        std::string text, error;
        if (!decode_text(text_after_one_blank(rest), text, error)) return fail(error);
        cmd.text = std::move(text);
        return command(std::move(cmd));
    }

    if (verb == "click" || verb == "get") {
        cmd.verb = verb == "click" ? Verb::Click : Verb::Get;
        skip_blanks(rest);
        std::string_view target = take_word(rest);
        // get FORM alone asks for the window's caption.
        const bool form_only = verb == "get" && !target.empty() && target.find('.') == std::string_view::npos;
        if (form_only) {
            cmd.form = std::string(target);
        } else if (!split_target(target, cmd)) {
            return fail(verb + kNeedsTarget);
        }
        if (!trim(rest).empty()) return fail(verb + kOnlyTarget);
        return command(std::move(cmd));
    }

    if (verb == "activate") {
        cmd.verb = Verb::Activate;
        skip_blanks(rest);
        std::string_view target = take_word(rest);
        double number = 0;
        if (!split_target(target, cmd) || !parse_number_strict(rest, number) || number < 1 || number > 1e9 ||
            number != static_cast<double>(static_cast<long>(number))) {
            return fail(kActivateNeeds);
        }
        cmd.line = static_cast<long>(number);
        return command(std::move(cmd));
    }

    if (verb == "answer") {
        cmd.verb = Verb::Answer;
        // "answer" alone (or with only blanks after it) queues a cancel; an
        // empty quoted string queues an empty answer.
        if (trim(rest).empty()) return command(std::move(cmd));
        std::string text, error;
        if (!decode_text(text_after_one_blank(rest), text, error)) return fail(error);
        cmd.text = std::move(text);
        return command(std::move(cmd));
    }

    if (verb == "reply") {
        cmd.verb = Verb::Reply;
        std::string word = lower(trim(rest));
        if (word == "yes") {
            cmd.reply = Answer::Yes;
        } else if (word == "no") {
            cmd.reply = Answer::No;
        } else if (word == "cancel") {
            cmd.reply = Answer::Cancel;
        } else {
            return fail(kReplyNeeds);
        }
        return command(std::move(cmd));
    }

    if (verb == "list") {
        cmd.verb = Verb::List;
        if (!trim(rest).empty()) return fail(kListAlone);
        return command(std::move(cmd));
    }

    if (verb == "dump") {
        cmd.verb = Verb::Dump;
        cmd.argument = std::string(trim(rest));
        if (cmd.argument.empty()) return fail(kDumpNeeds);
        return command(std::move(cmd));
    }

    if (verb == "sql") {
        cmd.verb = Verb::Sql;
        cmd.argument = std::string(trim(rest));
        if (cmd.argument.empty()) return fail(kSqlNeeds);
        return command(std::move(cmd));
    }

    return fail(kUnknownCommand + std::string(word));
}

}  // namespace vorn::batch
