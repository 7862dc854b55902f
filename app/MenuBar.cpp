#include "app/MenuBar.h"

namespace popquell {

void MenuItem::SetCaption(const std::string& text) {
    // The sweep writes the time once for every browser frame it meets; the
    // bar is redrawn only when the text changes.
    if (text == caption_) return;
    caption_ = text;
    if (visible_) bar_.menu_.setItemText(id_, caption_);
}

void MenuItem::SetVisible(bool on) {
    if (on == visible_) return;
    visible_ = on;
    if (on) bar_.menu_.insertItem(bar_.positionOf(*this), id_, caption_);
    else bar_.menu_.removeItem(id_);
}

MenuItem& MenuBar::add(int id, const std::string& caption, bool visible) {
    items_.push_back(std::unique_ptr<MenuItem>(new MenuItem(*this, id, caption, false)));
    MenuItem& item = *items_.back();
    item.SetVisible(visible);
    return item;
}

void MenuBar::keepAlive() {
    if (!menu_.lost()) return;
    menu_.renew();
    int position = 0;
    for (const auto& item : items_)
        if (item->visible_) menu_.insertItem(position++, item->id_, item->caption_);
    // Attached only once filled, so that the main window's bar gets its height.
    menu_.attach();
}

// Where a shown item goes: after the visible items that precede it.
int MenuBar::positionOf(const MenuItem& item) const {
    int position = 0;
    for (const auto& other : items_) {
        if (other.get() == &item) break;
        if (other->visible_) ++position;
    }
    return position;
}

}  // namespace popquell
