// The output files a run holds open, at most a limit of them: to open one more, the one
// written least recently is closed, and it is opened again when it is next written. A
// file made and not written yet counts as used less than any written one (the one made
// last goes first), so that making many files up front closes only files made, and the
// first ones made stay open. Both the pump's thread and the writer thread use them; a
// file being written is never closed for room.
#pragma once

#include "platform/Platform.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

class TOpenFiles {
 public:
  // What an owner holds while its file is closed (or was never opened).
  static constexpr std::uint32_t None = std::numeric_limits<std::uint32_t>::max();

  explicit TOpenFiles(std::int64_t Limit) : FLimit(Limit < 1 ? 1 : Limit) {}
  // Whatever is still open closes quietly: the run has failed.
  ~TOpenFiles() = default;
  TOpenFiles(const TOpenFiles&) = delete;
  TOpenFiles& operator=(const TOpenFiles&) = delete;

  // Makes a file with Make (which answers it or raises) after making room; Slot, the
  // owner's, names it from now on, and is None again once it is closed for room.
  template <class TMake>
  void Make(std::uint32_t& Slot, TMake&& Make_) {
    platform::THeld held(FLock);
    const std::uint32_t slot = Room();
    Hold(slot, Slot, Make_(), false);
  }
  // The file of Slot for a write, until Done: the most recently used, opened again with
  // Reopen (none: "File Write Error!") where it was closed for room.
  template <class TOpen>
  [[nodiscard]] const platform::TFile& Use(std::uint32_t& Slot, TOpen&& Reopen) {
    platform::THeld held(FLock);
    if (Slot == None) {
      const std::uint32_t slot = Room();
      platform::TFile file = Reopen();
      if (!file) WriteError();
      Hold(slot, Slot, std::move(file), true);
    } else {
      Unlink(Slot);
      Link(Slot, true);
    }
    FWriting.push_back(Slot);
    return Entry(Slot).File;
  }
  void Done(std::uint32_t Slot);
  // Closes Slot's file, where it has one; raises "File Write Error!" when that fails.
  void Close(std::uint32_t& Slot);
  // Closes every file, the least recently used first; raises as Close does.
  void CloseAll();

 private:
  // One per open file, with the list of them from the most recently used on.
  struct TEntry {
    platform::TFile File;
    std::uint32_t* Owner = nullptr;
    std::uint32_t Newer = None;
    std::uint32_t Older = None;
  };
  static constexpr int ChunkBits = 10;

  [[noreturn]] static void WriteError();
  // Entries are kept in chunks, so that a file stays where it is while it is written.
  TEntry& Entry(std::uint32_t Slot) { return FChunks[Slot >> ChunkBits][Slot & ((1u << ChunkBits) - 1)]; }
  // With the lock held: a free entry, where the limit is reached the least recently
  // used one's, its file closed.
  [[nodiscard]] std::uint32_t Room();
  // With the lock held: puts File into entry Slot for its Owner.
  void Hold(std::uint32_t Slot, std::uint32_t& Owner, platform::TFile File, bool Written);
  // At the most recently used end, or with Written false at the other.
  void Link(std::uint32_t Slot, bool Written);
  void Unlink(std::uint32_t Slot);
  void CloseEntry(std::uint32_t Slot);

  const std::int64_t FLimit;
  platform::TLock FLock;
  std::vector<std::unique_ptr<TEntry[]>> FChunks;
  std::uint32_t FEntries = 0;
  std::vector<std::uint32_t> FFree;
  std::vector<std::uint32_t> FWriting;  // one per thread at most
  std::uint32_t FNewest = None;
  std::uint32_t FOldest = None;
  std::int64_t FOpen = 0;
};
