// The Platform of a batch run: dialogs answered from the script's queues,
// everything shown turned into events. An input box or a question with
// nothing queued takes its default (the default text; Yes) and says so in
// its event, as a person pressing Enter would.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "batch/event_writer.h"
#include "shell/platform.h"

namespace vorn::batch {

// While one exists, the first Ctrl-C (SIGINT) does not kill the program:
// it asks the running handler to stop at the end of its pass, generation
// or experiment, and the driver ends the script after that line. A second
// Ctrl-C kills the program as usual, for a handler that never polls.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// True once Ctrl-C was pressed under an InterruptGuard.
bool interrupted();
// For tests: as if Ctrl-C had been pressed, or to forget that it was.
void set_interrupted(bool value);

class BatchPlatform : public Platform {
public:
    BatchPlatform(EventWriter& events, std::uint64_t seed) : events_(events), stream_(seed) {}

    // nullopt queues a cancel.
    void queue_answer(std::optional<std::string> answer) { answers_.push_back(std::move(answer)); }
    void queue_reply(Answer reply) { replies_.push_back(reply); }

    void message(std::string_view text, std::string_view title, Icon icon) override;
    std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                     std::string_view default_text) override;
    Answer question(std::string_view text, std::string_view title, Icon icon, Answer preferred) override;
    void print_lines(const std::vector<std::string>& lines) override;
    // A form's image is what it shows: the lines of its visible lists, or
    // its caption when it has none.
    void print_form_image(const Form& form) override;
    std::chrono::system_clock::time_point now() override;
    double random() override;
    void reseed() override;
    void beep() override { events_.beep(); }
    void end_program(int code) override { ended_ = code; }
    // A script cannot press "Detener" in the middle of a handler; the
    // person running it can press Ctrl-C (see InterruptGuard), which stops
    // the running handler as "Detener" would.
    bool stop_requested() override;

    std::optional<int> ended() const { return ended_; }

private:
    EventWriter& events_;
    RandomStream stream_;
    std::deque<std::optional<std::string>> answers_;
    std::deque<Answer> replies_;
    std::optional<int> ended_;
};

}  // namespace vorn::batch
