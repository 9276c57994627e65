#include "batch/batch_platform.h"

#include <csignal>

#include "shell/controls.h"
#include "shell/form.h"

namespace vorn::batch {

namespace {

// Written by the signal handler, so a plain flag of the one type a handler
// may write.
volatile std::sig_atomic_t g_interrupted = 0;
struct sigaction g_previous {};

void on_interrupt(int) { g_interrupted = 1; }

}  // namespace

InterruptGuard::InterruptGuard() {
    g_interrupted = 0;
    struct sigaction action {};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    // The handler runs once; the next Ctrl-C finds the default again.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &g_previous);
}

InterruptGuard::~InterruptGuard() { sigaction(SIGINT, &g_previous, nullptr); }

bool interrupted() { return g_interrupted != 0; }

void set_interrupted(bool value) { g_interrupted = value ? 1 : 0; }

bool BatchPlatform::stop_requested() { return Platform::stop_requested() || interrupted(); }

void BatchPlatform::message(std::string_view text, std::string_view title, Icon icon) {
    events_.message(text, title, icon);
}

std::optional<std::string> BatchPlatform::input(std::string_view prompt, std::string_view title,
                                                std::string_view default_text) {
    bool defaulted = answers_.empty();
    std::optional<std::string> answer;
    if (defaulted) {
        answer = std::string(default_text);
    } else {
        answer = std::move(answers_.front());
        answers_.pop_front();
    }
    events_.input(prompt, title, default_text, answer, defaulted);
    return answer;
}

Answer BatchPlatform::question(std::string_view text, std::string_view title, Icon, Answer preferred) {
    bool defaulted = replies_.empty();
    Answer answer = preferred;
    if (!defaulted) {
        answer = replies_.front();
        replies_.pop_front();
    }
    events_.question(text, title, answer, defaulted);
    return answer;
}

void BatchPlatform::print_lines(const std::vector<std::string>& lines) { events_.print(lines); }

void BatchPlatform::print_form_image(const Form& form) {
    std::vector<std::string> lines;
    bool has_list = false;
    for (const Control* control : form.controls()) {
        const auto* list = dynamic_cast<const ListBox*>(control);
        if (list == nullptr || !list->visible()) continue;
        has_list = true;
        lines.insert(lines.end(), list->lines().begin(), list->lines().end());
    }
    if (!has_list) lines.push_back(form.caption());
    events_.print(lines);
}

std::chrono::system_clock::time_point BatchPlatform::now() { return std::chrono::system_clock::now(); }

double BatchPlatform::random() { return stream_.uniform(); }

void BatchPlatform::reseed() { stream_.reseed(); }

}  // namespace vorn::batch
