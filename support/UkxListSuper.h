// Doubly linked lists of uniform items; positions are 0-based and -1 is "not found".
#pragma once

#include "support/UkxObject.h"

#include <cstdint>
#include <string>

// One item, allocated and released by its list.
struct TListItem {
  TListItem* Prev = nullptr;
  TListItem* Next = nullptr;
  std::int32_t Id = 0;
  TkxObject* Object = nullptr;  // not owned
};

// The items and the operations every list shares. A list owns its items, never
// the objects they refer to (unless ClearItems is told to free them).
class TkxListSuper : public TkxObject {
 public:
  explicit TkxListSuper(std::u16string separator);
  ~TkxListSuper() override;
  TkxListSuper(const TkxListSuper&) = delete;
  TkxListSuper& operator=(const TkxListSuper&) = delete;

  // A hook for derived lists; the base does nothing.
  virtual void Update();

  void Clear();
  void ClearItems(bool FreeObjects);
  int Low() const;
  int High() const;
  bool InRange(int Index) const;
  TListItem* ItemAt(int Index) const;
  TListItem* FindById(std::int32_t Id) const;
  void AppendItem(TListItem* Item);
  TListItem* NewItem() const;
  // Unlinks and releases an item of this list; false for null.
  bool DeleteItem(TListItem* Item);
  bool DeleteById(std::int32_t Id);
  int IndexOfId(std::int32_t Id) const;
  // One more than the largest non-negative Id; 1 when there is none.
  std::int32_t NextId() const;
  // Id at Index, or 0 when Index is out of range.
  std::int32_t IdAt(int Index) const;

  std::int32_t Count = 0;
  TListItem* First = nullptr;
  TListItem* Last = nullptr;
  std::u16string Separator;
};
