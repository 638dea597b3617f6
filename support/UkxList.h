// The two list views the window framework uses.
#pragma once

#include "support/UkxListSuper.h"

#include <cstdint>

// A list of pointer-sized values (window handles in the message registry).
class TkxIntList : public TkxListSuper {
 public:
  using TkxListSuper::TkxListSuper;
  // Appends; returns the new item's position.
  int Add(std::intptr_t Value);
  // Inserts at the clamped Index; returns the position used.
  int Insert(int Index, std::intptr_t Value);
  // Position of the first item holding Value, or -1.
  int IndexOf(std::intptr_t Value) const;
};

// Objects keyed by an integer identifier; the objects are not owned.
class TkxObjList : public TkxListSuper {
 public:
  using TkxListSuper::TkxListSuper;
  // Replaces the object of the first item with Id, or appends a new item.
  void SetObject(std::int32_t Id, TkxObject* Object);
  // The object at Index, or null when Index is out of range.
  TkxObject* ObjectAt(int Index) const;
};
