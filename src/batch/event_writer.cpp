#include "batch/event_writer.h"

#include "batch/json.h"
#include "shell/number_text.h"

namespace vorn::batch {

namespace {

// Text format: a text between double quotes with the script language's own
// escapes, so an event stays on one line and reads back unambiguously.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const std::string_view escape = short_escape(c);
        if (escape.empty()) {
            out.push_back(c);
        } else {
            out += escape;
        }
    }
    out.push_back('"');
    return out;
}

// Text format: a line of a list or printout, tabs kept so columns line up,
// line breaks shown as escapes so one line stays one line.
std::string block_line(std::string_view text) {
    std::string out = "  ";
    for (char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string text_value(const Value& value) {
    if (is_null(value)) return "null";
    if (const auto* text = std::get_if<std::string>(&value)) return quoted(*text);
    return json_value(value);
}

std::string json_lines(const std::vector<std::string>& lines) {
    std::string out = "[";
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out.push_back(',');
        out += json_string(lines[i]);
    }
    out.push_back(']');
    return out;
}

}  // namespace

const char* answer_name(Answer answer) {
    switch (answer) {
        case Answer::Yes: return "yes";
        case Answer::No: return "no";
        case Answer::Cancel: break;
    }
    return "cancel";
}

void EventWriter::end_event(const std::string& text) {
    // Flushed per event: a reader on a pipe sees each event as it happens,
    // and nothing is lost if a long handler is interrupted.
    out_ << text << '\n' << std::flush;
}

void EventWriter::message(std::string_view text, std::string_view title, Icon icon) {
    if (format_ == OutputFormat::Json) {
        end_event("{\"event\":\"message\",\"title\":" + json_string(title) + ",\"icon\":" +
                  json_string(icon_name(icon)) + ",\"text\":" + json_string(text) + "}");
    } else {
        end_event("message title=" + quoted(title) + " icon=" + icon_name(icon) + " text=" + quoted(text));
    }
}

void EventWriter::input(std::string_view prompt, std::string_view title, std::string_view default_text,
                        const std::optional<std::string>& answer, bool defaulted) {
    if (format_ == OutputFormat::Json) {
        std::string event = "{\"event\":\"input\",\"title\":" + json_string(title) +
                            ",\"prompt\":" + json_string(prompt) + ",\"default\":" + json_string(default_text) +
                            ",\"answer\":" + (answer ? json_string(*answer) : std::string("null"));
        if (defaulted) event += ",\"defaulted\":true";
        end_event(event + "}");
    } else {
        std::string event = "input title=" + quoted(title) + " prompt=" + quoted(prompt) +
                            " default=" + quoted(default_text) +
                            " answer=" + (answer ? quoted(*answer) : std::string("cancel"));
        if (defaulted) event += " defaulted";
        end_event(event);
    }
}

void EventWriter::question(std::string_view text, std::string_view title, Answer answer, bool defaulted) {
    if (format_ == OutputFormat::Json) {
        std::string event = "{\"event\":\"question\",\"title\":" + json_string(title) +
                            ",\"text\":" + json_string(text) + ",\"answer\":" + json_string(answer_name(answer));
        if (defaulted) event += ",\"defaulted\":true";
        end_event(event + "}");
    } else {
        std::string event = "question title=" + quoted(title) + " text=" + quoted(text) +
                            " answer=" + answer_name(answer);
        if (defaulted) event += " defaulted";
        end_event(event);
    }
}

void EventWriter::value(std::string_view control, std::string_view text) {
    if (format_ == OutputFormat::Json) {
        end_event("{\"event\":\"value\",\"control\":" + json_string(control) + ",\"text\":" + json_string(text) +
                  "}");
    } else {
        end_event("value " + std::string(control) + " " + quoted(text));
    }
}

void EventWriter::lines_event(std::string_view event, const std::vector<std::string>& lines) {
    if (format_ == OutputFormat::Json) {
        end_event("{\"event\":\"" + std::string(event) + "\",\"lines\":" + json_lines(lines) + "}");
        return;
    }
    std::string block = std::string(event) + " " + format_int(static_cast<long long>(lines.size()));
    for (const auto& line : lines) {
        block += '\n';
        block += block_line(line);
    }
    end_event(block);
}

void EventWriter::list(const std::vector<std::string>& lines) { lines_event("list", lines); }

void EventWriter::print(const std::vector<std::string>& lines) { lines_event("print", lines); }

void EventWriter::row(std::string_view table, const std::vector<std::string>& columns,
                      const std::vector<Value>& values) {
    std::string event;
    if (format_ == OutputFormat::Json) {
        event = "{\"event\":\"row\",\"table\":" + json_string(table) + ",\"values\":{";
        for (size_t i = 0; i < columns.size() && i < values.size(); ++i) {
            if (i > 0) event.push_back(',');
            event += json_string(columns[i]) + ":" + json_value(values[i]);
        }
        event += "}}";
    } else {
        event = "row " + std::string(table);
        for (size_t i = 0; i < columns.size() && i < values.size(); ++i) {
            event += " " + columns[i] + "=" + text_value(values[i]);
        }
    }
    end_event(event);
}

void EventWriter::beep() { end_event(format_ == OutputFormat::Json ? "{\"event\":\"beep\"}" : "beep"); }

void EventWriter::exit(int code) {
    if (format_ == OutputFormat::Json) {
        end_event("{\"event\":\"exit\",\"code\":" + format_int(code) + "}");
    } else {
        end_event("exit " + format_int(code));
    }
}

void EventWriter::error(int line, std::string_view text) {
    ++errors_;
    if (format_ == OutputFormat::Json) {
        end_event("{\"event\":\"error\",\"line\":" + format_int(line) + ",\"text\":" + json_string(text) + "}");
    } else {
        end_event("error line " + format_int(line) + ": " + quoted(text));
    }
}

}  // namespace vorn::batch
