// The window-system contract on the simulated desktop.

#include "tests/contract/WindowSystemContract.h"
#include "tests/sim/SimulatedDesktop.h"

namespace popquell::contract {
namespace {

struct SimulatedDesk {
    sim::SimulatedDesktop desk;

    WindowSystem& ws() { return desk; }
    WindowHandle create(const std::string& cls, std::int32_t style, int menuItems) {
        const MenuHandle menu =
            menuItems < 0 ? 0 : desk.createMenu(std::vector<std::string>(static_cast<std::size_t>(menuItems), "Item"));
        return desk.create(cls, style, menu);
    }
    void destroy(WindowHandle h) { desk.destroy(h); }
    void raise(WindowHandle h) { desk.raise(h); }
    void hold() {}  // its owners act only when pumped
    void pump() { desk.pumpMessages(); }
    void foreground(WindowHandle h) { desk.setForeground(h); }
    bool maximized(WindowHandle h) { return desk.maximized(h); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Simulated, WindowSystemContract, SimulatedDesk);

}  // namespace
}  // namespace popquell::contract
