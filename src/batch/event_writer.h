// What the batch driver prints: one event per thing a person would have
// seen or done (a message box, an input box, a question, a field's text,
// the report list, a table row, a printout, the program's end, a script
// error). In json format each event is one JSON object on its own line; in
// text format one readable line, and for list and print a header line
// followed by the lines themselves, indented by two blanks.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "shell/platform.h"
#include "shell/record_store.h"

namespace vorn::batch {

enum class OutputFormat { Text, Json };

class EventWriter {
public:
    EventWriter(std::ostream& out, OutputFormat format) : out_(out), format_(format) {}

    void message(std::string_view text, std::string_view title, Icon icon);
    // answer is nullopt when the input box was cancelled.
    void input(std::string_view prompt, std::string_view title, std::string_view default_text,
               const std::optional<std::string>& answer, bool defaulted);
    void question(std::string_view text, std::string_view title, Answer answer, bool defaulted);
    void value(std::string_view control, std::string_view text);
    void list(const std::vector<std::string>& lines);
    void row(std::string_view table, const std::vector<std::string>& columns, const std::vector<Value>& values);
    void print(const std::vector<std::string>& lines);
    void beep();
    void exit(int code);
    void error(int line, std::string_view text);

    int errors() const { return errors_; }

private:
    void lines_event(std::string_view event, const std::vector<std::string>& lines);
    void end_event(const std::string& text);

    std::ostream& out_;
    OutputFormat format_;
    int errors_ = 0;
};

const char* answer_name(Answer answer);

}  // namespace vorn::batch
