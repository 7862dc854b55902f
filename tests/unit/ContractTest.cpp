// The window-system contract on the simulated desktop.

#include "tests/contract/WindowSystemContract.h"
#include "tests/sim/SimulatedDesktop.h"

namespace popquell::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Simulated, WindowSystemContract, sim::SimulatedDesktop);
}  // namespace popquell::contract
