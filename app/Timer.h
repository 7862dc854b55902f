#pragma once

#include <functional>

#include "app/Toolkit.h"

namespace popquell {

// A form timer: a fixed interval and an enabled flag, which is all the
// handlers ever switch. The host delivers ticks through fire().
class Timer {
public:
    Timer(TimerHost& host, int id, int intervalMs, std::function<void()> onTick)
        : host_(host), id_(id), interval_(intervalMs), onTick_(std::move(onTick)) {}
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on) {
        if (on == enabled_) return;
        enabled_ = on;
        if (on) host_.startTimer(id_, interval_);
        else host_.stopTimer(id_);
    }
    int id() const { return id_; }

    // A modal message box inside a tick handler pumps messages, so the same
    // timer can come due again before its handler has returned. Such a tick
    // is dropped: a handler never runs inside itself. Ticks of a disabled
    // timer that were already queued are dropped too.
    void fire() {
        if (!enabled_ || running_) return;
        running_ = true;
        struct Reset { bool& flag; ~Reset() { flag = false; } } reset{running_};
        onTick_();
    }

private:
    TimerHost& host_;
    int id_;
    int interval_;
    std::function<void()> onTick_;
    bool enabled_ = false;
    bool running_ = false;
};

}  // namespace popquell
