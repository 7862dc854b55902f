#pragma once

// The pop-up sweep that Form1's Timer1 runs once a second, and its rule for
// one window, examine(): whatever hears of a single window can put it through
// the same rule, with the same counting and captions.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/MenuBar.h"
#include "app/Toolkit.h"
#include "winsys/WindowSystem.h"

namespace popquell {

// A visible pop-up with a caption and a system menu, and nothing else:
// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU.
inline constexpr std::int32_t kPopupStyle = static_cast<std::int32_t>(0x96C80000u);

// "hh:mm:ss    dddd mmm d yyyy", with the clock's locale names.
std::string timeCaption(Clock& clock);

class Sweep {
public:
    // The counter and the two items are Form1's.
    Sweep(WindowSystem& ws, FormWindow& window, Clock& clock, std::int32_t& totalClose, MenuItem& totalMenu,
          MenuItem& timemenu);
    Sweep(const Sweep&) = delete;
    Sweep& operator=(const Sweep&) = delete;

    // Every top-level window below the topmost, once each, in the Z order of
    // the moment the tick began.
    void run();
    // The same walk by steps: begin() takes the list, and each step()
    // examines its windows until the list ends (true) or `more` says stop,
    // one window at least.
    void begin();
    bool step(const std::function<bool()>& more);
    // A pop-up is counted, hidden and asked to close; a browser frame with a
    // menu bar gets the time and our bar.
    void examine(WindowHandle h);
    // Takes our bar off every other window, the topmost too: it dies with
    // the main window, and they would be left showing a dead menu.
    void takeBarOff();

private:
    void close(WindowHandle h);
    bool ours(MenuHandle m) const;

    WindowSystem& ws_;
    FormWindow& window_;
    Clock& clock_;
    std::int32_t& totalClose_;
    MenuItem& totalMenu_;
    MenuItem& timemenu_;
    std::vector<WindowHandle> windows_;  // the walk's list
    std::size_t next_ = 0;
    // Every bar the sweep has put on a window. Our bar dies with any window
    // that shows it and the main window makes a new one; the frames left
    // showing an old one are known by it, and get the new one.
    std::vector<MenuHandle> bars_;
};

}  // namespace popquell
