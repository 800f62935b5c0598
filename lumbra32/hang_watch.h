#pragma once
// When a plug-in that seems to hang is offered to be stopped, and when one that was asked to stop
// is ended. Portable: the caller feeds it the time, signs of life and what is on screen, and
// acts on what it answers.
#include <cstdint>
#include <optional>
#include <string_view>

namespace lumbra {

struct HangLimits {
    // Silence after which a caller with a window is asked whether to stop the plug-in.
    uint32_t askAfterMs = 10000;
    // Silence after which the plug-in of a caller without a window is stopped unasked; 0: never.
    uint32_t stopAfterMs = 0;
    // How long a plug-in asked to stop may go on processing before it is ended.
    uint32_t graceMs = 5000;
};

// The limit a caller sets in the environment, given in whole seconds (at most a day), in
// milliseconds. Nothing for an empty, malformed or zero value.
std::optional<uint32_t> LimitFromText(std::string_view seconds);

class HangWatch {
public:
    enum class Action {
        None,
        Ask,     // show the question
        Dismiss, // take the question away: the plug-in came back to life
        Stop,    // ask the plug-in to stop (the limit was reached)
        End,     // end the plug-in: it was asked to stop and goes on processing
    };

    // `canAsk`: the caller has a window to own the question.
    HangWatch(const HangLimits& limits, bool canAsk, uint32_t nowMs);

    // Progress reported, or a tile asked for.
    void Alive(uint32_t nowMs);
    // Esc, the question answered "stop", or the limit: the plug-in is asked to stop.
    void StopRequested(uint32_t nowMs);
    // The question answered "wait": silence is counted afresh.
    void KeepWaiting(uint32_t nowMs);
    bool Asking() const { return asking_; }
    bool Stopping() const { return stopping_; }

    // What to do now. `pluginWindow`: a window of the plug-in's own is on screen; a plug-in in
    // its own dialog is busy with the user, never hung.
    Action Tick(uint32_t nowMs, bool pluginWindow);

private:
    HangLimits limits_;
    bool canAsk_;
    uint32_t quietSince_;
    uint32_t stopSince_ = 0;
    bool asking_ = false;
    bool stopping_ = false;
    bool revived_ = false;
};

} // namespace lumbra
