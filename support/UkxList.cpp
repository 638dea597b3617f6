#include "support/UkxList.h"

void TkxObjList::SetObject(std::int32_t Id, TkxObject* Object) {
  if (TListItem* found = FindById(Id)) {
    found->Object = Object;
    return;
  }
  TListItem* item = NewItem();
  item->Id = Id;
  item->Object = Object;
  AppendItem(item);
}

TkxObject* TkxObjList::ObjectAt(int Index) const {
  const TListItem* item = ItemAt(Index);
  return item == nullptr ? nullptr : item->Object;
}
