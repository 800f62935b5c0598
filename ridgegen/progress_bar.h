#pragma once
// A progress bar on a terminal for renders that take a while.
#include <cstdint>
#include <functional>
#include <ostream>

namespace rw {

class ProgressBar {
public:
    // Seconds since some fixed moment.
    using Clock = std::function<double()>;

    // Draws on `out` only when it is a terminal, and only once a second has passed: a quick
    // render shows nothing.
    ProgressBar(std::ostream& out, bool terminal, Clock clock = SteadyClock());
    ~ProgressBar() { Finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Show(int32_t percent);
    // Clears the bar, if one is drawn, so that what is written next starts on a clean line.
    void Finish();

    static Clock SteadyClock();

private:
    std::ostream& out_;
    bool terminal_;
    Clock clock_;
    double started_;
    int32_t shown_ = -1; // the percentage drawn last, -1 while nothing is drawn
};

} // namespace rw
