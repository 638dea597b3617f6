// The record pump's run, a template over the way's router and the outputs: included
// where the ways are run, so that a way needs no more than its router.
#pragma once

#include "engine/URecordPump.h"
#include "engine/URouter.h"
#include "engine/USplitControl.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

template <class Outputs>
void TRecordPump::MoveTo(Outputs& Outputs_, TMade& Made, std::int64_t Key, TSplitControl& Control) {
  for (; Made.Count <= Key; ++Made.Count) {
    if (Control.Cancelled()) throw TSplitCancelled();
    Outputs_.Start(Made.Count);
    WriteHeader(Outputs_.Sink(Made.Count));
  }
  Made.Current = Key;
}

template <class Router, class Outputs>
void TRecordPump::PutWholeRecords(Router& Router_, Outputs& Outputs_, TMade& Made, TSplitControl& Control) {
  if constexpr (Router::InTurn) {
    // Each record to its own output, in one tight loop.
    std::size_t ends[Batch];
    for (std::size_t found; (found = FRecords.WholeRecords(ends, Batch)) != 0;) {
      const char* data = FReader.Data();
      std::size_t start = 0;
      for (std::size_t k = 0; k < found; ++k) {
        Outputs_.PutInTurn(Router_.Next(0), data + start, ends[k] - start);
        start = ends[k];
      }
      FReader.Consume(start);
    }
  } else if constexpr (Router::ReadsKey) {
    // Each record to the output of its key, a new key's output made as it first comes:
    // the keys of a batch first, so that their lookups overlap, then the copies.
    std::size_t ends[Batch];
    std::int64_t keys[Batch];
    for (std::size_t found; (found = FRecords.WholeRecords(ends, Batch)) != 0;) {
      const char* data = FReader.Data();
      std::size_t start = 0;
      for (std::size_t k = 0; k < found; ++k) {
        keys[k] = Router_.NextOf(std::string_view(data + start, ends[k] - start));
        start = ends[k];
      }
      start = 0;
      for (std::size_t k = 0; k < found; ++k) {
        if (keys[k] >= Made.Count) MoveTo(Outputs_, Made, keys[k], Control);
        Outputs_.Put(keys[k], data + start, ends[k] - start);
        start = ends[k];
      }
      FRecordsRead += static_cast<std::int64_t>(found);
      FReader.Consume(start);
    }
  } else {
    PutRunsOfRecords(Router_, Outputs_, Made, Control);
  }
}

template <class Router, class Outputs>
void TRecordPump::PutRunsOfRecords(Router& Router_, Outputs& Outputs_, TMade& Made, TSplitControl& Control) {
  // Runs of records go to their outputs, each run one write.
  const char* run = FReader.Data();
  std::size_t length = 0;
  std::size_t ends[Batch];
  for (;;) {
    // Plain lines that fit the output go in at once, where the router can tell ahead.
    const TRoom room = Router_.Room();
    if (room.Records > 0) {
      const TLineRun plain =
          FRecords.PlainRecords(static_cast<std::size_t>(std::min<std::int64_t>(room.Bytes, FBlock)), room.Records);
      if (plain.Lines > 0) {
        Router_.Add(plain.Lines, static_cast<std::int64_t>(plain.Bytes));
        length += plain.Bytes;
        FReader.Consume(plain.Bytes);
        FRecordsRead += plain.Lines;
        continue;
      }
    }
    // Any other record is asked for alone, found a batch at a time; where sizes decide,
    // one at a time, so that the line of one that fits nowhere is known.
    const std::int64_t before = FRecords.LinesPassed();
    const std::size_t found = FRecords.WholeRecords(ends, Router_.NeedsSize() ? 1 : Batch);
    if (found == 0) break;
    std::size_t start = 0;
    for (std::size_t k = 0; k < found; ++k) {
      const std::size_t size = ends[k] - start;
      const std::int64_t key = Router_.Next(static_cast<std::int64_t>(size));
      if (key != Made.Current) {
        Outputs_.Put(Made.Current, run, length);
        if (key == TRouter::TooLarge) {
          FReader.Consume(ends[k]);
          TooLarge(LineOf(before));
        }
        MoveTo(Outputs_, Made, key, Control);
        run = FReader.Data() + start;
        length = 0;
      }
      length += size;
      start = ends[k];
      ++FRecordsRead;
    }
    FReader.Consume(start);
  }
  Outputs_.Put(Made.Current, run, length);
}

template <class Router, class Outputs>
std::int64_t TRecordPump::Run(Router& Router_, Outputs& Outputs_, TSplitControl& Control, std::int64_t Done) {
  TMade made;
  // Outputs dealt in turn are all made first, with their headers; pieces in order start
  // with the first; pieces by value with their values.
  const std::int64_t first = Router::InTurn ? Router_.Known() - 1 : 0;
  if constexpr (!Router::ReadsKey) MoveTo(Outputs_, made, first, Control);
  made.Current = 0;
  for (;;) {
    PutWholeRecords(Router_, Outputs_, made, Control);
    if (Control.Cancelled()) throw TSplitCancelled();
    Control.BytesDone.store(Done + FReader.Position());
    // A record that crossed the block's end is mostly whole once the block is topped up.
    const std::size_t held = FReader.Available();
    const std::size_t now = FReader.Fill(held + 1);
    if (now > held) continue;
    if (now == 0 && !FMarkOnly) break;
    // The last record, or one longer than the block: the record reader moves it in pieces.
    const std::int64_t before = FRecords.LinesPassed();
    bool unclosed = false;
    std::int64_t key;
    if constexpr (Router::ReadsKey) {
      Look(Router_.KeySink(), unclosed);
      key = Router_.NextRead();
    } else {
      const std::int64_t size = Router_.NeedsSize() ? Measure(unclosed) : 0;
      // A record that runs into the end inside a quoted field fails the run as such, whatever its size.
      key = unclosed ? made.Current : Router_.Next(size);
    }
    if (key == TRouter::TooLarge) TooLarge(LineOf(before));
    MoveTo(Outputs_, made, key, Control);
    FRecords.MoveRecord(Outputs_.Sink(key));
    FMarkOnly = false;
    ++FRecordsRead;
  }
  // Outputs known ahead are made though they get no record; and a run makes one at least,
  // but by value, where a piece is a value's, none without a record.
  MoveTo(Outputs_, made, std::max<std::int64_t>(Router_.Known(), Router::ReadsKey ? 0 : 1) - 1, Control);
  Control.BytesDone.store(Done + FReader.Position());
  RaiseIfUnclosed(FRecords);
  return made.Count;
}
