// What every benchmark needs from the outside world: a Platform that shows
// nothing (dialogs take their queued answer, else their default) and a
// scratch folder removed afterwards.
#pragma once

#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "shell/platform.h"

namespace vorn::bench {

class QuietPlatform : public Platform {
public:
    std::deque<std::string> answers;
    long messages = 0;

    void message(std::string_view, std::string_view, Icon) override { ++messages; }
    std::optional<std::string> input(std::string_view, std::string_view, std::string_view default_text) override {
        if (answers.empty()) return std::string(default_text);
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    Answer question(std::string_view, std::string_view, Icon, Answer preferred) override { return preferred; }
    void print_lines(const std::vector<std::string>&) override {}
    void print_form_image(const Form&) override {}
    std::chrono::system_clock::time_point now() override { return std::chrono::system_clock::now(); }
    double random() override { return stream_.uniform(); }
    void reseed() override { stream_.reseed(); }
    void beep() override {}
    void end_program(int) override {}

private:
    RandomStream stream_{7};
};

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) {
        std::random_device rd;
        path_ = std::filesystem::temp_directory_path() / (prefix + std::to_string(rd()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace vorn::bench
