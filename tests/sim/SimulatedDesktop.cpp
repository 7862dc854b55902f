#include "sim/SimulatedDesktop.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace popquell::sim {

// The main window's menu bar as MenuBar sees it: edits go straight into the
// shared menu object, so every window showing it sees them.
class SimulatedDesktop::MenuAdapter : public NativeMenu {
public:
    MenuAdapter(SimulatedDesktop& desk, MenuHandle m, WindowHandle owner)
        : desk_(desk), m_(m), owner_(owner) {}

    void insertItem(int position, int id, const std::string& text) override {
        if (auto* items = get()) {
            const auto at = std::clamp<std::ptrdiff_t>(position, 0, std::ssize(*items));
            items->insert(items->begin() + at, MenuItem{id, text});
        }
    }
    void removeItem(int id) override {
        if (auto* items = get()) std::erase_if(*items, [id](const MenuItem& i) { return i.id == id; });
    }
    void setItemText(int id, const std::string& text) override {
        if (auto* items = get())
            for (auto& item : *items)
                if (item.id == id) item.text = text;
    }
    bool lost() override { return !desk_.menuExists(m_); }
    void renew() override { m_ = desk_.createMenu(); }
    void attach() override { desk_.attachMenu(owner_, m_); }

private:
    std::vector<MenuItem>* get() {
        const auto it = desk_.menus_.find(m_);
        return it == desk_.menus_.end() ? nullptr : &it->second;
    }
    SimulatedDesktop& desk_;
    MenuHandle m_;
    WindowHandle owner_;
};

SimulatedDesktop::SimulatedDesktop() = default;
SimulatedDesktop::~SimulatedDesktop() = default;

// --- set-up and interference ---

WindowHandle SimulatedDesktop::create(const std::string& className, std::int32_t style,
                                      MenuHandle menu) {
    while (used_.contains(nextWindow_) || nextWindow_ == kDesktop) ++nextWindow_;
    return createWithHandle(nextWindow_++, className, style, menu);
}

WindowHandle SimulatedDesktop::createWithHandle(WindowHandle h, const std::string& className,
                                                std::int32_t style, MenuHandle menu) {
    if (h == 0 || h == kDesktop || exists(h))
        throw std::logic_error("createWithHandle: handle " + std::to_string(h) + " is taken");
    windows_[h] = Window{className, style, menu, false, {}};
    z_.insert(z_.begin(), h);
    used_.insert(h);
    return h;
}

void SimulatedDesktop::destroy(WindowHandle h) {
    if (!exists(h)) return;
    // Its menu bar goes with it, even one that other windows show too.
    menus_.erase(windows_[h].menu);
    unlink(h);
    windows_.erase(h);
    if (foreground_ == h) foreground_ = 0;
}

void SimulatedDesktop::unlink(WindowHandle h) { std::erase(z_, h); }

void SimulatedDesktop::raise(WindowHandle h) {
    if (!exists(h)) return;
    unlink(h);
    z_.insert(z_.begin(), h);
}

void SimulatedDesktop::lower(WindowHandle h) {
    if (!exists(h)) return;
    unlink(h);
    z_.push_back(h);
}

void SimulatedDesktop::placeBelow(WindowHandle h, WindowHandle above) {
    if (!exists(h) || !exists(above) || h == above) return;
    unlink(h);
    z_.insert(std::find(z_.begin(), z_.end(), above) + 1, h);
}

std::vector<WindowHandle> SimulatedDesktop::zOrder() const { return z_; }

bool SimulatedDesktop::exists(WindowHandle h) const { return find(h) != nullptr; }

void SimulatedDesktop::setStyle(WindowHandle h, std::int32_t style) {
    if (auto* w = find(h)) w->style = style;
}

std::int32_t SimulatedDesktop::style(WindowHandle h) const {
    const auto* w = find(h);
    return w ? w->style : 0;
}

void SimulatedDesktop::setForeground(WindowHandle h) { foreground_ = h; }

void SimulatedDesktop::setRefusesClose(WindowHandle h, bool refuses) {
    if (auto* w = find(h)) w->refusesClose = refuses;
}

void SimulatedDesktop::setClosesAtOnce(WindowHandle h) { closesAtOnce_.insert(h); }

bool SimulatedDesktop::maximized(WindowHandle h) const { return (style(h) & kWsMaximize) != 0; }

void SimulatedDesktop::hide(WindowHandle h) {
    if (auto* w = find(h)) w->style &= ~kWsVisible;
    if (foreground_ == h) foreground_ = 0;
}

SimulatedDesktop::Window* SimulatedDesktop::find(WindowHandle h) {
    const auto it = windows_.find(h);
    return it == windows_.end() ? nullptr : &it->second;
}

const SimulatedDesktop::Window* SimulatedDesktop::find(WindowHandle h) const {
    const auto it = windows_.find(h);
    return it == windows_.end() ? nullptr : &it->second;
}

// --- menus ---

MenuHandle SimulatedDesktop::createMenu(std::vector<std::string> captions) {
    const MenuHandle m = nextMenu_++;
    auto& items = menus_[m];
    for (auto& caption : captions)
        items.push_back(MenuItem{static_cast<int>(items.size()) + 1, std::move(caption)});
    return m;
}

void SimulatedDesktop::destroyMenu(MenuHandle m) { menus_.erase(m); }

bool SimulatedDesktop::menuExists(MenuHandle m) const { return menus_.contains(m); }

std::vector<std::string> SimulatedDesktop::menuCaptions(MenuHandle m) const {
    std::vector<std::string> out;
    if (const auto it = menus_.find(m); it != menus_.end())
        for (const auto& item : it->second) out.push_back(item.text);
    return out;
}

NativeMenu& SimulatedDesktop::nativeMenu(MenuHandle m) {
    auto& adapter = adapters_[m];
    if (!adapter) adapter = std::make_unique<MenuAdapter>(*this, m, 0);
    return *adapter;
}

NativeMenu& SimulatedDesktop::formMenu(WindowHandle owner) {
    formMenus_.push_back(std::make_unique<MenuAdapter>(*this, menuOf(owner), owner));
    return *formMenus_.back();
}

void SimulatedDesktop::attachMenu(WindowHandle h, MenuHandle m) {
    if (auto* w = find(h)) w->menu = m;
}

MenuHandle SimulatedDesktop::menuOf(WindowHandle h) const {
    const auto* w = find(h);
    return w ? w->menu : 0;
}

// --- message queues ---

void SimulatedDesktop::pumpMessages() {
    for (const WindowHandle h : zOrder()) pumpMessages(h);
}

void SimulatedDesktop::pumpMessages(WindowHandle h) {
    while (auto* w = find(h)) {
        if (w->queue.empty()) return;
        const Message msg = w->queue.front();
        w->queue.pop_front();
        if (!msg.isClose) {
            if (msg.cmdShow == kSwHide) hide(h);
            else w->style |= kWsVisible;
        } else if (!w->refusesClose) {
            destroy(h);
        }
    }
}

// --- the log ---

void SimulatedDesktop::call(const char* name, WindowHandle h, std::int64_t a, std::int64_t b) {
    if (inHook_) return;
    const Op op{name, h, a, b};
    log.push_back(op);
    if (!beforeCall) return;
    inHook_ = true;
    struct Reset { bool& flag; ~Reset() { flag = false; } } reset{inHook_};
    beforeCall(op);
}

int SimulatedDesktop::count(const std::string& name) const {
    return static_cast<int>(std::count_if(log.begin(), log.end(),
                                          [&](const Op& op) { return op.name == name; }));
}

int SimulatedDesktop::count(const std::string& name, WindowHandle h) const {
    return static_cast<int>(std::count_if(
        log.begin(), log.end(), [&](const Op& op) { return op.name == name && op.h == h; }));
}

// --- WindowSystem ---

WindowHandle SimulatedDesktop::GetDesktopWindow() {
    call("GetDesktopWindow", 0);
    return kDesktop;
}

WindowHandle SimulatedDesktop::GetWindow(WindowHandle h, int cmd) {
    call("GetWindow", h, cmd);
    if (h == kDesktop && cmd == kGwChild) return z_.empty() ? 0 : z_.front();
    if (cmd != kGwHwndNext || !exists(h)) return 0;
    const auto it = std::find(z_.begin(), z_.end(), h) + 1;
    return it == z_.end() ? 0 : *it;
}

std::int32_t SimulatedDesktop::GetWindowLongA(WindowHandle h, int index) {
    call("GetWindowLongA", h, index);
    if (index != kGwlStyle) return 0;
    if (h == kDesktop) return kWsPopup | kWsVisible | kWsClipSiblings | kWsClipChildren;
    return style(h);
}

// Class names are given in UTF-8 and read back in UTF-16, as the wide call
// gives them.
static std::u16string utf16(const std::string& utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < utf8.size(); ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        i += 1 + extra;
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

int SimulatedDesktop::GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) {
    call("GetClassNameW", h, maxCount);
    const auto* w = find(h);
    if ((!w && h != kDesktop) || buffer == nullptr || maxCount <= 0) return 0;
    const std::u16string name = utf16(w ? w->className : std::string(kDesktopClass));
    const std::size_t n = std::min(name.size(), static_cast<std::size_t>(maxCount - 1));
    std::copy_n(name.data(), n, buffer);
    buffer[n] = u'\0';
    return static_cast<int>(n);
}

WindowHandle SimulatedDesktop::GetForegroundWindow() {
    call("GetForegroundWindow", 0);
    return exists(foreground_) ? foreground_ : 0;
}

int SimulatedDesktop::IsWindow(WindowHandle h) {
    call("IsWindow", h);
    return h == kDesktop || exists(h) ? 1 : 0;
}

int SimulatedDesktop::IsWindowVisible(WindowHandle h) {
    call("IsWindowVisible", h);
    return h == kDesktop || (style(h) & kWsVisible) != 0 ? 1 : 0;
}

MenuHandle SimulatedDesktop::GetMenu(WindowHandle h) {
    call("GetMenu", h);
    return menuOf(h);
}

int SimulatedDesktop::GetMenuItemCount(MenuHandle menu) {
    call("GetMenuItemCount", menu);
    const auto it = menus_.find(menu);
    return it == menus_.end() ? -1 : static_cast<int>(it->second.size());
}

int SimulatedDesktop::SetMenu(WindowHandle h, MenuHandle menu) {
    call("SetMenu", h, menu);
    auto* w = find(h);
    if (!w || (menu != 0 && !menuExists(menu))) return 0;
    w->menu = menu;
    return 1;
}

int SimulatedDesktop::ShowWindowAsync(WindowHandle h, int cmdShow) {
    call("ShowWindowAsync", h, cmdShow);
    auto* w = find(h);
    if (!w) return 0;
    w->queue.push_back(Message{false, cmdShow});
    return 1;
}

int SimulatedDesktop::ShowWindow(WindowHandle h, int cmdShow) {
    call("ShowWindow", h, cmdShow);
    auto* w = find(h);
    if (!w) return 0;
    // Like user32: the result is whether the window was visible before.
    const int wasVisible = (w->style & kWsVisible) != 0 ? 1 : 0;
    if (cmdShow == kSwHide) {
        hide(h);
    } else if (cmdShow == kSwShowMaximized) {
        w->style = (w->style | kWsVisible | kWsMaximize) & ~kWsMinimize;
        raise(h);
        foreground_ = h;
    } else {
        w->style |= kWsVisible;
    }
    return wasVisible;
}

int SimulatedDesktop::PostMessageA(WindowHandle h, unsigned msg, std::intptr_t wParam,
                                   std::intptr_t) {
    call("PostMessageA", h, msg, wParam);
    auto* w = find(h);
    if (!w) return 0;
    // Only WM_CLOSE means anything to the simulated windows.
    if (msg == kWmClose) {
        w->queue.push_back(Message{true, 0});
        if (closesAtOnce_.contains(h)) pumpMessages(h);
    }
    return 1;
}

}  // namespace popquell::sim
