// Platform: the one seam between the workbench and the outside world.
// The Qt front end implements it with real dialogs, a printer and a timer;
// the batch driver from a script; tests with scripted answers. The core
// receives it by reference and never reaches past it.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class Form;

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Answer { Yes, No, Cancel };

const char* icon_name(Icon icon);

// A date and time of day in local time.
struct LocalTime {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0;
    double second = 0;
    // The time of day as a fraction of a day, 0 <= f < 1.
    double day_fraction() const { return (hour * 3600.0 + minute * 60.0 + second) / 86400.0; }
};

LocalTime to_local_time(std::chrono::system_clock::time_point when);

// Where a computation draws its random numbers. The Platform is one (the
// user's stream, seeded by --seed); a computation that runs apart from the
// user, on a worker thread, gets a StreamSource of its own.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // Uniform in [0, 1).
    virtual double random() = 0;
    // Takes the next seed of the seed sequence: never repeats a stream.
    virtual void reseed() = 0;
};

class Platform : public RandomSource {
public:

    // A modal message box. A message with no title has title "" and no icon.
    virtual void message(std::string_view text, std::string_view title = "", Icon icon = Icon::None) = 0;
    // An input box; nullopt when the user cancels. Callers treat an empty
    // answer like a cancel.
    virtual std::optional<std::string> input(std::string_view prompt, std::string_view title,
                                             std::string_view default_text) = 0;
    // A Yes/No/Cancel question; preferred is its default button, the
    // answer Enter gives (and a script that queued none).
    virtual Answer question(std::string_view text, std::string_view title, Icon icon, Answer preferred) = 0;

    virtual void print_lines(const std::vector<std::string>& lines) = 0;
    virtual void print_form_image(const Form& form) = 0;

    virtual std::chrono::system_clock::time_point now() = 0;
    virtual void beep() = 0;
    // The front end's part of ending the program (close windows, leave the
    // event loop). The core then unwinds the running handler.
    virtual void end_program(int code) = 0;
    // True once the user asked the running handler to stop ("Detener",
    // Escape, "Salir" or closing the window during a run). Long handlers
    // poll it at the end of each pass, generation or experiment and end as
    // their own limit would end them.
    virtual bool stop_requested() { return stop_requested_; }
    // The front end's report of such a request. The handler boundary
    // clears it when a user-started handler starts and when it returns, so
    // a request never outlives the run it was meant for.
    virtual void request_stop() { stop_requested_ = true; }
    virtual void clear_stop_request() { stop_requested_ = false; }

    // While this program holds the write lock no dialog may be open: the
    // store phase holds back the messages its writes would show and, once
    // the lock is gone, shows them (show = true, after a commit) or drops
    // them (after a rollback, as what they reported was undone). A platform
    // that shows nothing by itself needs neither.
    virtual void hold_messages() {}
    virtual void release_messages(bool /*show*/) {}

    // A long text the user reads at leisure (the guide, "Acerca de"), in
    // Markdown; it waits for nothing. Where a front end has no reader for
    // it, it is a message.
    virtual void show_document(std::string_view title, std::string_view markdown) {
        message(markdown, title, Icon::Information);
    }

    // A message that only informs: no icon, no answer, no failure. During
    // a long run (a LongRun scope) a front end may collect it in a list the
    // user opens when he likes, instead of stopping the run until a box is
    // dismissed; elsewhere, and on platforms that do not, it is a message.
    virtual void note(std::string_view text) { message(text, "", Icon::None); }
    // A long run (the hundred experiments, a genetic search) begins or
    // ends; scopes nest. Its result is told after the scope ends.
    virtual void begin_long_run() {}
    virtual void end_long_run() {}

private:
    bool stop_requested_ = false;
};

// The random stream every Platform uses: a Mersenne twister whose reseed
// takes the next value of a seed sequence. The sequence starts from a fixed
// seed (--seed N) or from the clock mixed with a counter.
class RandomStream {
public:
    explicit RandomStream(std::uint64_t seed);
    static std::uint64_t seed_from_clock();
    double uniform();
    void reseed();

private:
    // MT19937-64, drawing exactly what std::mt19937_64 draws, but seeding
    // and twisting its state one word at a time as words are drawn: the
    // genetic search reseeds before every roulette draw, and a reseed
    // followed by one draw then costs about half the state instead of
    // seeding and regenerating all of it.
    class Twister {
    public:
        explicit Twister(std::uint64_t seed) { seed_with(seed); }
        void seed_with(std::uint64_t seed);
        std::uint64_t next();

    private:
        static constexpr std::size_t kWords = 312;
        static constexpr std::size_t kShift = 156;
        void seed_up_to(std::size_t word);
        std::uint64_t state_[kWords] = {};
        std::size_t seeded_ = 0;  // words set from the seed (all, after a first full round)
        std::size_t next_ = 0;    // the next word to twist and draw
    };
    std::uint64_t next_seed_;
    Twister engine_;
};

// The length of a long run, for Platform::note.
class LongRun {
public:
    explicit LongRun(Platform& platform) : platform_(platform) { platform_.begin_long_run(); }
    ~LongRun() { platform_.end_long_run(); }
    LongRun(const LongRun&) = delete;
    LongRun& operator=(const LongRun&) = delete;

private:
    Platform& platform_;
};

// A random source on a stream of its own, for work that must draw the same
// numbers whichever thread runs it and whatever else draws meanwhile.
class StreamSource final : public RandomSource {
public:
    explicit StreamSource(std::uint64_t seed) : stream_(seed) {}
    double random() override { return stream_.uniform(); }
    void reseed() override { stream_.reseed(); }

private:
    RandomStream stream_;
};

// Thrown to end the program from inside a handler ("Salir" and the GA
// window's end conditions); the handler boundary commits and lets it pass.
struct EndProgram {
    int code = 0;
};

}  // namespace vorn
