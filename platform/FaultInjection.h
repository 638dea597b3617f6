// Internal to the platform layer: the test seams behind InjectReadFault, InjectWriteFault,
// InjectRefusal, InjectMoveFault and InjectKill.
#pragma once

#include "platform/TestSeams.h"

#include <cstddef>
#include <string_view>

namespace platform::fault {

// True when a read of count bytes may go ahead.
bool AllowRead(std::size_t count);
// How many of count bytes a write may put down; fewer than count means the write fails.
std::size_t AllowWrite(std::size_t count);
// True while the given Refusal is injected.
bool Refuses(unsigned refusal);
// True when a move may go ahead.
bool AllowMove(std::u16string_view from, std::u16string_view to);
// True when a change to the file system (a file made, written, moved, linked or removed,
// a folder made or removed) may go ahead.
bool AllowChange();

}  // namespace platform::fault
