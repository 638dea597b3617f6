// The platform's seams for tests: faults and refusals injected into the file operations of
// platform/Platform.h, as the system or another program would cause them. Only tests and
// the seams' implementation include this header; the product never sets them off.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace platform {

// A seam for tests: after the given number of further bytes read (or written)
// through ReadBytes or ReadBytesAt (or WriteBytes), every later call fails. -1 switches
// a fault off. With instead given, the first read past the budget calls it, once, on the
// reading thread, and goes ahead, as do all later reads: another program's doing at a
// moment of the test's choosing.
void InjectReadFault(std::int64_t afterBytes, std::function<void()> instead = {});
void InjectWriteFault(std::int64_t afterBytes);
// What the system refuses from now on (an or of Refusal): hard links as on FAT, locks
// as on NFS without its lock manager.
enum Refusal : unsigned { RefuseNothing = 0, RefuseHardLinks = 1, RefuseLocks = 2 };
void InjectRefusal(unsigned refusals);
// Every move for which refuse answers true fails, as when another program holds a
// name; an empty function lets every move go ahead.
void InjectMoveFault(std::function<bool(std::u16string_view from, std::u16string_view to)> refuse);
// After the given number of further changes to the file system (files made, written,
// moved, linked or removed, folders made or removed), every later change fails and
// changes nothing: on disk, the process was killed there. -1 switches it off.
void InjectKill(std::int64_t afterChanges);

}  // namespace platform
