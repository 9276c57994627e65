// Platform for the Qt front end: real message, input and question boxes,
// the default printer (or a PDF file in the working directory when no
// printer is installed), the system clock and the workbench's random
// stream. It works under the offscreen platform too, where tests answer
// its dialogs programmatically.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <map>
#include <optional>
#include <string>

#include <QPointer>

#include "shell/platform.h"

class QPrinter;
class QScreen;
class QString;
class QWidget;

namespace vorn::qt {

class MessageLog;

struct PrintSettings {
    // Where a print goes as a PDF file when no printer is installed.
    std::filesystem::path pdf_folder = ".";
    // Print to a PDF file even when a printer exists (tests).
    bool always_pdf = false;
};

class QtPlatform : public Platform {
public:
    // With a seed the random stream is reproducible; otherwise it starts
    // from the clock.
    explicit QtPlatform(std::optional<std::uint64_t> seed = std::nullopt, PrintSettings print = {});
    ~QtPlatform() override;

    // How to find the window of a form, for printing its image.
    void set_form_widgets(std::function<QWidget*(const Form&)> lookup) { form_widgets_ = std::move(lookup); }
    // Which window a dialog belongs to (opens over, on that window's
    // screen); without it, the active window.
    void set_dialog_parent(std::function<QWidget*()> lookup) { dialog_parent_ = std::move(lookup); }
    // Where the notes of a long run go instead of boxes.
    void set_message_log(MessageLog* log) { log_ = log; }
    // Whether the program is ending after the running handler (closed or
    // "Salir" during a run): nothing is then shown that would wait for
    // the user; messages go to the log, questions take their default.
    void set_ending(std::function<bool()> ending) { ending_ = std::move(ending); }

    void message(std::string_view text, std::string_view title = "", Icon icon = Icon::None) override;
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view default_text) override;
    Answer question(std::string_view text, std::string_view title, Icon icon, Answer preferred) override;
    void print_lines(const std::vector<std::string>& lines) override;
    void print_form_image(const Form& form) override;
    std::chrono::system_clock::time_point now() override;
    double random() override;
    void reseed() override;
    void beep() override;
    void end_program(int code) override;
    void note(std::string_view text) override;
    // In a window of its own that blocks nothing; the same title shows
    // again in the same window.
    void show_document(std::string_view title, std::string_view markdown) override;
    // The window a document was last shown in, or null.
    QWidget* document_window(std::string_view title) const;
    void begin_long_run() override { ++long_runs_; }
    void end_long_run() override { --long_runs_; }

private:
    // A printer ready for a document named for its content; pdf_file is
    // set when it prints to a file.
    std::unique_ptr<QPrinter> open_printer(const std::string& document, QString& pdf_file);
    // Tells the user where a print to a file went.
    void report_printed(const QString& pdf_file);
    QWidget* dialog_parent() const;

    RandomStream stream_;
    PrintSettings print_;
    std::function<QWidget*(const Form&)> form_widgets_;
    std::function<QWidget*()> dialog_parent_;
    MessageLog* log_ = nullptr;
    std::map<std::string, QPointer<QWidget>> documents_;
    std::function<bool()> ending_;
    int long_runs_ = 0;
};

// True when a text shown in a plain message box would stand taller than
// half of the screen: such a text is shown in a box of its own whose text
// area scrolls and whose button stays on the screen.
bool too_tall_for_a_message_box(const QString& text, const QScreen* screen);

// The program's texts with their line breaks as Qt shows them ("\r" and
// "\r\n" become "\n").
QString shown_text(std::string_view text);

}  // namespace vorn::qt
