#include "ridgegen/progress_bar.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace rw {
namespace {

constexpr double kQuietSeconds = 1.0;
constexpr int kBarWidth = 40;

} // namespace

ProgressBar::ProgressBar(std::ostream& out, bool terminal, Clock clock)
    : out_(out), terminal_(terminal), clock_(std::move(clock)), started_(clock_()) {}

ProgressBar::Clock ProgressBar::SteadyClock() {
    return [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

void ProgressBar::Show(int32_t percent) {
    percent = std::clamp(percent, 0, 100);
    if (!terminal_ || percent == shown_) {
        return;
    }
    const double elapsed = clock_() - started_;
    if (elapsed < kQuietSeconds) {
        return;
    }
    const int filled = percent * kBarWidth / 100;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.0f s", elapsed);
    out_ << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), '-') << "] "
         << std::to_string(percent) << "%  " << seconds << std::flush;
    shown_ = percent;
}

void ProgressBar::Finish() {
    if (shown_ >= 0) {
        out_ << "\r" << std::string(kBarWidth + 20, ' ') << "\r" << std::flush;
        shown_ = -1;
    }
}

} // namespace rw
