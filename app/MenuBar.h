#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/Toolkit.h"

namespace popquell {

class MenuBar;

// One top-level item of the main window's menu bar. A hidden item is not in
// the window-system menu at all, so the bar's item count is that of the
// visible items; other windows that show the bar see the same items.
class MenuItem {
public:
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& text);
    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    int id() const { return id_; }

private:
    friend class MenuBar;
    MenuItem(MenuBar& bar, int id, std::string caption, bool visible)
        : bar_(bar), id_(id), caption_(std::move(caption)), visible_(visible) {}

    MenuBar& bar_;
    int id_;
    std::string caption_;
    bool visible_;
};

class MenuBar {
public:
    explicit MenuBar(NativeMenu& menu) : menu_(menu) {}
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    // Appends an item at design time.
    MenuItem& add(int id, const std::string& caption, bool visible);
    // Makes the bar afresh, with the items that are shown, when a window
    // that showed it took it along.
    void keepAlive();

private:
    friend class MenuItem;
    int positionOf(const MenuItem& item) const;

    NativeMenu& menu_;
    std::vector<std::unique_ptr<MenuItem>> items_;
};

}  // namespace popquell
