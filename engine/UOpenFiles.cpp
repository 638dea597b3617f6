#include "engine/UOpenFiles.h"

#include "support/UkxException.h"
#include "support/UkxTexts.h"

#include <algorithm>

void TOpenFiles::WriteError() { throw TkxException(FileWriteErrorText); }

std::uint32_t TOpenFiles::Room() {
  if (FOpen >= FLimit) {
    // The least recently used that no thread writes: with a limit of one, both threads hold one.
    std::uint32_t least = FOldest;
    while (least != None && std::find(FWriting.begin(), FWriting.end(), least) != FWriting.end()) {
      least = Entry(least).Newer;
    }
    if (least != None) {
      CloseEntry(least);
      return least;
    }
  }
  if (!FFree.empty()) {
    const std::uint32_t free = FFree.back();
    FFree.pop_back();
    return free;
  }
  if ((FEntries >> ChunkBits) == FChunks.size()) FChunks.push_back(std::make_unique<TEntry[]>(1u << ChunkBits));
  return FEntries++;
}

void TOpenFiles::Hold(std::uint32_t Slot, std::uint32_t& Owner, platform::TFile File, bool Written) {
  TEntry& entry = Entry(Slot);
  entry.File = std::move(File);
  entry.Owner = &Owner;
  Owner = Slot;
  Link(Slot, Written);
}

void TOpenFiles::Link(std::uint32_t Slot, bool Written) {
  TEntry& entry = Entry(Slot);
  std::uint32_t& end = Written ? FNewest : FOldest;
  entry.Older = Written ? FNewest : None;
  entry.Newer = Written ? None : FOldest;
  if (end != None) (Written ? Entry(end).Newer : Entry(end).Older) = Slot;
  if (FNewest == None) FNewest = FOldest = Slot;
  end = Slot;
  ++FOpen;
}

void TOpenFiles::Unlink(std::uint32_t Slot) {
  TEntry& entry = Entry(Slot);
  (entry.Newer != None ? Entry(entry.Newer).Older : FNewest) = entry.Older;
  (entry.Older != None ? Entry(entry.Older).Newer : FOldest) = entry.Newer;
  --FOpen;
}

// Leaves the entry free for the caller.
void TOpenFiles::CloseEntry(std::uint32_t Slot) {
  TEntry& entry = Entry(Slot);
  Unlink(Slot);
  *entry.Owner = None;
  entry.Owner = nullptr;
  if (!entry.File.Close()) WriteError();
}

void TOpenFiles::Done(std::uint32_t Slot) {
  platform::THeld held(FLock);
  FWriting.erase(std::find(FWriting.begin(), FWriting.end(), Slot));
}

void TOpenFiles::Close(std::uint32_t& Slot) {
  if (Slot == None) return;
  platform::THeld held(FLock);
  const std::uint32_t slot = Slot;
  FFree.push_back(slot);
  CloseEntry(slot);
}

void TOpenFiles::CloseAll() {
  platform::THeld held(FLock);
  while (FOldest != None) {
    FFree.push_back(FOldest);
    CloseEntry(FOldest);
  }
}
