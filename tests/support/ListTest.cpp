// The lists as the framework uses them: handles by value, control wrappers by identifier.
#include "support/UkxList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using TValues = std::vector<std::intptr_t>;

// Counts its own destruction, to tell whether a list freed it.
struct TProbeObject : TkxObject {
  explicit TProbeObject(int& ADestroyed) : Destroyed(ADestroyed) {}
  ~TProbeObject() override { ++Destroyed; }
  int& Destroyed;
};

// The Data values from First to Last, after checking the links both ways and Count.
TValues Values(const TkxListSuper& List) {
  TValues forward;
  const TListItem* prev = nullptr;
  for (const TListItem* item = List.First; item != nullptr; prev = item, item = item->Next) {
    EXPECT_EQ(item->Prev, prev);
    forward.push_back(item->Data);
  }
  EXPECT_EQ(List.Last, prev);
  EXPECT_EQ(List.Count, static_cast<std::int32_t>(forward.size()));
  return forward;
}

void Fill(TkxIntList& List, const TValues& AValues) {
  for (std::intptr_t v : AValues) {
    const int position = List.Add(v);
    EXPECT_EQ(position, List.Count - 1);
  }
}

}  // namespace

// Insert at a clamped position (-1: delete at that position instead).
TEST(Lists, InsertAndDeleteKeepTheLinksFromEitherEnd) {
  struct { TValues Before; int Index, Position; TValues After; } const cases[] = {
      {{1, 2, 3}, -5, 0, {9, 1, 2, 3}}, {{1, 2, 3}, 1, 1, {1, 9, 2, 3}}, {{1, 2, 3}, 6, 3, {1, 2, 3, 9}},
      {{1, 2, 3}, 0, -1, {2, 3}},       {{1, 2, 3}, 1, -1, {1, 3}},       {{1, 2, 3}, 2, -1, {1, 2}},
      {{1}, 0, -1, {}},
  };
  for (const auto& c : cases) {
    TkxIntList list(u"");
    Fill(list, c.Before);
    if (c.Position >= 0) EXPECT_EQ(list.Insert(c.Index, 9), c.Position) << c.Index;
    else EXPECT_TRUE(list.DeleteItem(list.ItemAt(c.Index))) << c.Index;
    EXPECT_EQ(Values(list), c.After) << c.Index;
  }
  const std::intptr_t handle = std::intptr_t{0x7FFF12345678};  // pointer-sized, never cut to 32 bits
  TkxIntList list(u"\r\n");
  Fill(list, {10, handle, 10});
  EXPECT_FALSE(list.DeleteItem(nullptr));
  EXPECT_EQ(list.IndexOf(10), 0);
  EXPECT_EQ(list.IndexOf(handle), 1);
  EXPECT_EQ(list.IndexOf(11), -1);
  for (int i = -1; i <= 3; ++i) EXPECT_EQ(list.ItemAt(i) != nullptr, i >= 0 && i < 3) << i;
}

TEST(Lists, ObjectsByIdentifierAreReplacedOrAppendedAndFreedOnlyWhenAsked) {
  struct { std::initializer_list<std::int32_t> Ids; std::int32_t Next; } const next[] = {
      {{}, 1}, {{3, 7}, 8}, {{7, 3}, 8}, {{-4, 0}, 1}, {{-100, 2}, 3},
  };
  for (const auto& c : next) {
    TkxObjList ids(u"");
    for (std::int32_t id : c.Ids) ids.SetObject(id, nullptr);
    EXPECT_EQ(ids.NextId(), c.Next) << ids.Count;
  }
  int destroyed = 0;
  TProbeObject a(destroyed), b(destroyed);
  {
    TkxObjList list(u"\r\n");
    list.SetObject(3, nullptr);
    list.SetObject(5, &a);
    list.SetObject(5, &b);
    list.SetObject(9, &a);
    EXPECT_EQ(list.Count, 3);
    EXPECT_EQ(list.IndexOfId(5), 1);
    EXPECT_EQ(list.IndexOfId(4), -1);
    EXPECT_EQ(list.ObjectAt(1), &b);
    EXPECT_EQ(list.ObjectAt(2), &a);
    EXPECT_EQ(list.IdAt(2), 9);
    EXPECT_EQ(list.ObjectAt(3), nullptr);
    EXPECT_EQ(list.ObjectAt(-1), nullptr);
    EXPECT_TRUE(list.DeleteById(5));
    EXPECT_FALSE(list.DeleteById(42));
    EXPECT_EQ(list.IndexOfId(9), 1);
    list.Clear();
    EXPECT_TRUE(Values(list).empty());
    list.SetObject(1, &a);
  }  // the destructor clears too
  EXPECT_EQ(destroyed, 0);
  TkxObjList owning(u"");
  owning.SetObject(1, new TProbeObject(destroyed));
  owning.SetObject(2, nullptr);
  owning.ClearItems(true);
  EXPECT_EQ(destroyed, 1);
}
