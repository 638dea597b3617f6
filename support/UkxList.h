// The list view the window framework uses.
#pragma once

#include "support/UkxListSuper.h"

#include <cstdint>

// Objects keyed by an integer identifier; the objects are not owned.
class TkxObjList : public TkxListSuper {
 public:
  using TkxListSuper::TkxListSuper;
  // Replaces the object of the first item with Id, or appends a new item.
  void SetObject(std::int32_t Id, TkxObject* Object);
  // The object at Index, or null when Index is out of range.
  TkxObject* ObjectAt(int Index) const;
};
