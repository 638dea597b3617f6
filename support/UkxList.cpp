#include "support/UkxList.h"

int TkxIntList::Add(std::intptr_t Value) { return Insert(Count, Value); }

int TkxIntList::Insert(int Index, std::intptr_t Value) {
  TListItem* item = NewItem();
  item->Data = Value;
  return InsertItem(Index, item);
}

int TkxIntList::IndexOf(std::intptr_t Value) const {
  TListItem probe;
  probe.Data = Value;
  return IndexOfMatch(&probe, TMatch::Data);
}

void TkxObjList::SetObject(std::int32_t Id, TkxObject* Object) {
  if (TListItem* found = FindById(Id)) {
    found->Object = Object;
    return;
  }
  TListItem* item = NewItem();
  item->Id = Id;
  item->Object = Object;
  InsertItem(Count, item);
}

TkxObject* TkxObjList::ObjectAt(int Index) const {
  const TListItem* item = ItemAt(Index);
  return item == nullptr ? nullptr : item->Object;
}
