#include "platform/FaultInjection.h"

#include "platform/Platform.h"

#include <atomic>
#include <utility>

namespace platform {
namespace {

std::atomic<std::int64_t> readBudget{-1};
std::atomic<std::int64_t> writeBudget{-1};
// Set by a test before the reads it waits for, and taken by the one thread that reads.
std::function<void()> readEvent;
std::atomic<unsigned> refused{RefuseNothing};
// Set by a test before the run it concerns, read by that run's thread.
std::function<bool(std::u16string_view, std::u16string_view)> moveFault;
std::atomic<std::int64_t> changeBudget{-1};

// Takes count bytes from the budget; the bytes that fit before it runs out. One step
// that either takes or retries, so that a reader and a writer thread share it exactly.
std::size_t Consume(std::atomic<std::int64_t>& budget, std::size_t count) {
  std::int64_t left = budget.load();
  std::size_t allowed;
  do {
    if (left < 0) return count;
    allowed = static_cast<std::uint64_t>(left) < count ? static_cast<std::size_t>(left) : count;
  } while (!budget.compare_exchange_weak(left, left - static_cast<std::int64_t>(allowed)));
  return allowed;
}

}  // namespace

void InjectReadFault(std::int64_t afterBytes, std::function<void()> instead) {
  readEvent = std::move(instead);
  readBudget.store(afterBytes);
}
void InjectWriteFault(std::int64_t afterBytes) { writeBudget.store(afterBytes); }
void InjectKill(std::int64_t afterChanges) { changeBudget.store(afterChanges); }
void InjectRefusal(unsigned refusals) { refused.store(refusals); }
void InjectMoveFault(std::function<bool(std::u16string_view, std::u16string_view)> refuse) {
  moveFault = std::move(refuse);
}

namespace fault {

bool AllowRead(std::size_t count) {
  if (readBudget.load() < 0) return true;
  if (Consume(readBudget, count) == count) return true;
  if (readEvent) {
    readBudget.store(-1);
    std::exchange(readEvent, nullptr)();
    return true;
  }
  readBudget.store(0);
  return false;
}

std::size_t AllowWrite(std::size_t count) { return AllowChange() ? Consume(writeBudget, count) : 0; }

bool Refuses(unsigned refusal) { return (refused.load() & refusal) != 0; }

bool AllowMove(std::u16string_view from, std::u16string_view to) {
  return AllowChange() && (!moveFault || !moveFault(from, to));
}

bool AllowChange() { return Consume(changeBudget, 1) == 1; }

}  // namespace fault
}  // namespace platform
