// Internal to the platform layer: the test seam behind InjectReadFault and InjectWriteFault.
#pragma once

#include <cstddef>

namespace platform::fault {

// True when a read of count bytes may go ahead.
bool AllowRead(std::size_t count);
// How many of count bytes a write may put down; fewer than count means the write fails.
std::size_t AllowWrite(std::size_t count);

}  // namespace platform::fault
