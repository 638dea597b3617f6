#include "support/UkxListSuper.h"

#include "support/UkxFunctions.h"

#include <algorithm>
#include <utility>

TkxListSuper::TkxListSuper(std::u16string separator) : Separator(std::move(separator)) { Clear(); }

TkxListSuper::~TkxListSuper() { Clear(); }

void TkxListSuper::Update() {}

void TkxListSuper::Clear() { ClearItems(false); }

void TkxListSuper::ClearItems(bool FreeObjects) {
  TListItem* item = First;
  while (item != nullptr) {
    TListItem* next = item->Next;
    if (FreeObjects) FreeAndClear(item->Object);
    delete item;
    item = next;
  }
  Count = 0;
  First = nullptr;
  Last = nullptr;
}

int TkxListSuper::Low() const { return 0; }

int TkxListSuper::High() const { return Count - 1; }

bool TkxListSuper::InRange(int Index) const { return Index >= Low() && Index <= High(); }

TListItem* TkxListSuper::ItemAt(int Index) const {
  if (!InRange(Index)) return nullptr;
  TListItem* item;
  if (Index < Count / 2) {
    item = First;
    for (int i = 0; i < Index; ++i) item = item->Next;
  } else {
    item = Last;
    for (int i = High(); i > Index; --i) item = item->Prev;
  }
  return item;
}

TListItem* TkxListSuper::FindById(std::int32_t Id) const {
  for (TListItem* item = First; item != nullptr; item = item->Next) {
    if (item->Id == Id) return item;
  }
  return nullptr;
}

void TkxListSuper::AppendItem(TListItem* Item) {
  Item->Prev = Last;
  Item->Next = nullptr;
  (Last != nullptr ? Last->Next : First) = Item;
  Last = Item;
  ++Count;
}

TListItem* TkxListSuper::NewItem() const { return new TListItem(); }

bool TkxListSuper::DeleteItem(TListItem* Item) {
  if (Item == nullptr) return false;
  if (Item == First) {
    First = Item->Next;
  } else {
    Item->Prev->Next = Item->Next;
  }
  if (Item == Last) {
    Last = Item->Prev;
  } else {
    Item->Next->Prev = Item->Prev;
  }
  delete Item;
  --Count;
  return true;
}

bool TkxListSuper::DeleteById(std::int32_t Id) { return DeleteItem(FindById(Id)); }

int TkxListSuper::IndexOfId(std::int32_t Id) const {
  int index = 0;
  for (const TListItem* item = First; item != nullptr; item = item->Next, ++index) {
    if (item->Id == Id) return index;
  }
  return -1;
}

std::int32_t TkxListSuper::NextId() const {
  std::int32_t largest = 0;
  for (const TListItem* item = First; item != nullptr; item = item->Next) {
    if (item->Id > largest) largest = item->Id;
  }
  // Widened so that the largest Id wraps instead of overflowing.
  return static_cast<std::int32_t>(static_cast<std::int64_t>(largest) + 1);
}

std::int32_t TkxListSuper::IdAt(int Index) const {
  const TListItem* item = ItemAt(Index);
  return item == nullptr ? 0 : item->Id;
}
