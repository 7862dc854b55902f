#include "tests/sim/SimulatedDesktop.h"

#include <algorithm>
#include <stdexcept>

namespace popquell::sim {

// A menu bar as MenuBar sees it: edits go straight into the shared menu
// object, so every window showing it sees them.
class SimulatedDesktop::MenuAdapter : public NativeMenu {
public:
    MenuAdapter(SimulatedDesktop& desk, MenuHandle m, WindowHandle owner) : desk_(desk), m_(m), owner_(owner) {}

    void insertItem(int position, int id, const std::string& text) override {
        if (auto* items = get())
            items->insert(items->begin() + std::clamp<std::ptrdiff_t>(position, 0, std::ssize(*items)), Item{id, text});
    }
    void removeItem(int id) override {
        if (auto* items = get()) std::erase_if(*items, [id](const Item& i) { return i.id == id; });
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
    std::vector<Item>* get() {
        const auto it = desk_.menus_.find(m_);
        return it == desk_.menus_.end() ? nullptr : &it->second;
    }
    SimulatedDesktop& desk_;
    MenuHandle m_;
    WindowHandle owner_;
};

SimulatedDesktop::SimulatedDesktop() = default;
SimulatedDesktop::~SimulatedDesktop() = default;

WindowHandle SimulatedDesktop::create(const std::string& className, std::int32_t style, int menuItems, WindowHandle h) {
    while (h == 0 && (used_.contains(nextWindow_) || nextWindow_ == kDesktop)) ++nextWindow_;
    if (h == 0) h = nextWindow_++;
    if (h == kDesktop || exists(h)) throw std::logic_error("create: handle " + std::to_string(h) + " is taken");
    const auto items = std::vector<std::string>(static_cast<std::size_t>(std::max(menuItems, 0)), "Item");
    windows_[h] = Window{className, style, menuItems < 0 ? 0 : createMenu(items), false, {}};
    z_.insert(z_.begin(), h);
    used_.insert(h);
    return h;
}

void SimulatedDesktop::destroy(WindowHandle h) {
    if (!exists(h)) return;
    menus_.erase(windows_[h].menu);  // even one that other windows show too
    std::erase(z_, h);
    windows_.erase(h);
    if (foreground_ == h) foreground_ = 0;
}

void SimulatedDesktop::place(WindowHandle h, std::ptrdiff_t at) {
    std::erase(z_, h);
    z_.insert(z_.begin() + std::min(at, std::ssize(z_)), h);
}

void SimulatedDesktop::placeBelow(WindowHandle h, WindowHandle above) {
    if (!exists(h) || !exists(above) || h == above) return;
    std::erase(z_, h);
    place(h, std::find(z_.begin(), z_.end(), above) - z_.begin() + 1);
}

void SimulatedDesktop::hide(WindowHandle h) {
    if (auto* w = find(h)) w->style &= ~kWsVisible;
    if (foreground_ == h) foreground_ = 0;
}

MenuHandle SimulatedDesktop::createMenu(std::vector<std::string> captions) {
    const MenuHandle m = nextMenu_++;
    auto& items = menus_[m];
    for (auto& caption : captions) items.push_back(Item{static_cast<int>(items.size()) + 1, std::move(caption)});
    return m;
}

std::vector<std::string> SimulatedDesktop::menuCaptions(MenuHandle m) const {
    std::vector<std::string> out;
    if (const auto it = menus_.find(m); it != menus_.end())
        for (const auto& item : it->second) out.push_back(item.text);
    return out;
}

NativeMenu& SimulatedDesktop::nativeMenu(WindowHandle owner) {
    return *adapters_.emplace_back(std::make_unique<MenuAdapter>(*this, menuOf(owner), owner));
}

void SimulatedDesktop::pump() {
    for (const WindowHandle h : std::vector(z_)) pump(h);
}

void SimulatedDesktop::pump(WindowHandle h) {
    for (Window* w = find(h); w && !w->queue.empty(); w = find(h)) {
        const int msg = w->queue.front();
        w->queue.pop_front();
        if (msg == kSwHide) hide(h);
        else if (msg != kClose) w->style |= kWsVisible;
        else if (!w->refusesClose) destroy(h);
    }
}

void SimulatedDesktop::call(const char* name, WindowHandle h, std::int64_t a, std::int64_t b) {
    if (inHook_) return;
    const Op op{name, h, a, b};
    log.push_back(op);
    if (!beforeCall) return;
    inHook_ = true;
    struct Reset { bool& flag; ~Reset() { flag = false; } } reset{inHook_};
    beforeCall(op);
}

int SimulatedDesktop::count(const std::string& name, WindowHandle h) const {
    return static_cast<int>(
        std::count_if(log.begin(), log.end(), [&](const Op& op) { return op.name == name && (h == 0 || op.h == h); }));
}

int SimulatedDesktop::post(const char* name, WindowHandle h, int msg, std::int64_t a, std::int64_t b) {
    call(name, h, a, b);
    auto* w = find(h);
    if (!w) return 0;
    if (msg != kIgnored) w->queue.push_back(msg);
    return 1;
}

// Cut to the buffer, with room for the terminating null, as user32 does.
int SimulatedDesktop::GetClassNameW(WindowHandle h, char16_t* buffer, int maxCount) {
    call("GetClassNameW", h, maxCount);
    const auto* w = find(h);
    if (!w || buffer == nullptr || maxCount <= 0) return 0;
    const int n = static_cast<int>(std::min<std::size_t>(w->className.size(), std::size_t(maxCount) - 1));
    std::copy_n(w->className.begin(), n, buffer);
    buffer[n] = u'\0';
    return n;
}

int SimulatedDesktop::SetMenu(WindowHandle h, MenuHandle menu) {
    call("SetMenu", h, menu);
    auto* w = find(h);
    if (!w || (menu != 0 && !menuExists(menu))) return 0;
    w->menu = menu;
    return 1;
}

int SimulatedDesktop::ShowWindow(WindowHandle h, int cmdShow) {
    call("ShowWindow", h, cmdShow);
    auto* w = find(h);
    if (!w) return 0;
    const int wasVisible = (w->style & kWsVisible) != 0 ? 1 : 0;  // as user32 answers
    if (cmdShow == kSwHide) return hide(h), wasVisible;
    w->style |= kWsVisible;
    if (cmdShow == kSwShowMaximized) {
        w->style |= kWsMaximize;
        raise(h);
        foreground_ = h;
    }
    return wasVisible;
}

}  // namespace popquell::sim
