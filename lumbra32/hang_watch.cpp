#include "lumbra32/hang_watch.h"

namespace lumbra {

std::optional<uint32_t> LimitFromText(std::string_view seconds) {
    constexpr uint32_t kDay = 24 * 60 * 60;
    uint32_t value = 0;
    if (seconds.empty() || seconds.size() > 6) {
        return std::nullopt;
    }
    for (char c : seconds) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value == 0 || value > kDay) {
        return std::nullopt;
    }
    return value * 1000;
}

HangWatch::HangWatch(const HangLimits& limits, bool canAsk, uint32_t nowMs)
    : limits_(limits), canAsk_(canAsk), quietSince_(nowMs) {}

void HangWatch::Alive(uint32_t nowMs) {
    quietSince_ = nowMs;
    revived_ = true;
}

void HangWatch::StopRequested(uint32_t nowMs) {
    if (!stopping_) {
        stopping_ = true;
        stopSince_ = nowMs;
    }
    asking_ = false;
}

void HangWatch::KeepWaiting(uint32_t nowMs) {
    asking_ = false;
    quietSince_ = nowMs;
}

HangWatch::Action HangWatch::Tick(uint32_t nowMs, bool pluginWindow) {
    bool revived = revived_ || pluginWindow;
    revived_ = false;
    if (pluginWindow) {
        quietSince_ = nowMs;
    }
    if (stopping_) {
        // Only a plug-in that is processing is ended: one showing its own window is left to
        // its user, and its time to stop starts again when the window goes.
        if (pluginWindow) {
            stopSince_ = nowMs;
            return Action::None;
        }
        return nowMs - stopSince_ >= limits_.graceMs ? Action::End : Action::None;
    }
    if (asking_) {
        if (revived) {
            asking_ = false;
            return Action::Dismiss;
        }
        return Action::None;
    }
    uint32_t quiet = nowMs - quietSince_;
    if (canAsk_ && quiet >= limits_.askAfterMs) {
        asking_ = true;
        return Action::Ask;
    }
    if (!canAsk_ && limits_.stopAfterMs != 0 && quiet >= limits_.stopAfterMs) {
        StopRequested(nowMs);
        return Action::Stop;
    }
    return Action::None;
}

} // namespace lumbra
