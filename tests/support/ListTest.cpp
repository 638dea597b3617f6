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
  TValues forward, backward;
  const TListItem* prev = nullptr;
  for (const TListItem* item = List.First; item != nullptr; prev = item, item = item->Next) {
    EXPECT_EQ(item->Prev, prev);
    forward.push_back(item->Data);
  }
  EXPECT_EQ(List.Last, prev);
  for (const TListItem* item = List.Last; item != nullptr; item = item->Prev) backward.insert(backward.begin(), item->Data);
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(List.Count, static_cast<std::int32_t>(forward.size()));
  return forward;
}

void Add(TkxIntList& List, const TValues& AValues) {
  for (std::intptr_t v : AValues) {
    const int position = List.Add(v);
    EXPECT_EQ(position, List.Count - 1);
  }
}

// Items with the given identifiers, each holding its position as Data.
void AddIds(TkxObjList& List, std::initializer_list<std::int32_t> Ids) {
  for (std::int32_t id : Ids) {
    TListItem* item = List.NewItem();
    item->Id = id;
    item->Data = List.Count;
    List.InsertItem(List.Count, item);
  }
}

}  // namespace

TEST(Lists, InsertAtAClampedPositionAndReachEveryItemFromEitherEnd) {
  struct { int Index, Position; TValues After; } const cases[] = {
      {-5, 0, {9, 1, 2, 3}}, {1, 1, {1, 9, 2, 3}}, {2, 2, {1, 2, 9, 3}}, {3, 3, {1, 2, 3, 9}}, {6, 3, {1, 2, 3, 9}},
  };
  for (const auto& c : cases) {
    TkxIntList list(u"");
    Add(list, {1, 2, 3});
    EXPECT_EQ(list.Insert(c.Index, 9), c.Position) << c.Index;
    EXPECT_EQ(Values(list), c.After) << c.Index;
  }
  const std::intptr_t handle = std::intptr_t{0x7FFF12345678};  // pointer-sized, never cut to 32 bits
  TkxIntList list(u"\r\n");
  Add(list, {10, handle, 10, 30, 40});
  EXPECT_EQ(list.IndexOf(10), 0);
  EXPECT_EQ(list.IndexOf(handle), 1);
  EXPECT_EQ(list.IndexOf(11), -1);
  for (int i = -1; i <= 5; ++i) {
    EXPECT_EQ(list.InRange(i), i >= 0 && i < 5) << i;
    if (list.InRange(i)) EXPECT_EQ(list.ItemAt(i)->Data, Values(list)[static_cast<std::size_t>(i)]) << i;
    else EXPECT_EQ(list.ItemAt(i), nullptr) << i;
  }
}

TEST(Lists, DeleteUnlinksFirstMiddleLastAndOnly) {
  struct { TValues Before; int Position; TValues After; } const cases[] = {
      {{1, 2, 3}, 0, {2, 3}}, {{1, 2, 3}, 1, {1, 3}}, {{1, 2, 3}, 2, {1, 2}}, {{1}, 0, {}},
  };
  for (const auto& c : cases) {
    TkxIntList list(u"");
    Add(list, c.Before);
    EXPECT_TRUE(list.DeleteItem(list.ItemAt(c.Position)));
    EXPECT_EQ(Values(list), c.After) << c.Position;
  }
  TkxIntList list(u"");
  Add(list, {1});
  EXPECT_FALSE(list.DeleteItem(nullptr));
  EXPECT_EQ(list.Count, 1);
}

TEST(Lists, IdentifierLookupsTakeTheFirstMatch) {
  TkxObjList list(u"\r\n");
  AddIds(list, {3, 5, 7, 5});
  EXPECT_EQ(list.IndexOfId(5), 1);
  EXPECT_EQ(list.FindById(5), list.ItemAt(1));
  EXPECT_EQ(list.IndexOfId(4), -1);
  EXPECT_EQ(list.IdAt(2), 7);
  EXPECT_EQ(list.IdAt(4), 0);
  EXPECT_TRUE(list.DeleteById(5));
  EXPECT_EQ(Values(list), (TValues{0, 2, 3}));
  EXPECT_FALSE(list.DeleteById(42));
  EXPECT_EQ(list.Count, 3);

  struct { std::initializer_list<std::int32_t> Ids; std::int32_t Next; } const next[] = {
      {{}, 1}, {{3, 7}, 8}, {{7, 3}, 8}, {{-4, 0}, 1}, {{-100, 2}, 3},
  };
  for (const auto& c : next) {
    TkxObjList ids(u"");
    AddIds(ids, c.Ids);
    EXPECT_EQ(ids.NextId(), c.Next) << ids.Count;
  }
}

TEST(Lists, ObjectsAreReplacedOrAppendedAndNeverFreedUnlessAsked) {
  int destroyed = 0;
  TProbeObject a(destroyed), b(destroyed);
  {
    TkxObjList list(u"\r\n");
    AddIds(list, {5, 5});
    list.SetObject(5, &a);
    list.SetObject(5, &b);
    list.SetObject(9, &a);
    EXPECT_EQ(list.Count, 3);
    EXPECT_EQ(list.ObjectAt(0), &b);
    EXPECT_EQ(list.ObjectAt(1), nullptr);
    EXPECT_EQ(list.ObjectAt(2), &a);
    EXPECT_EQ(list.IdAt(2), 9);
    EXPECT_EQ(list.ObjectAt(3), nullptr);
    EXPECT_EQ(list.ObjectAt(-1), nullptr);
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

TEST(Lists, MatchesCompareTheFieldOfTheirKind) {
  int destroyed = 0;
  TProbeObject one(destroyed);
  TListItem item;
  item.Id = 4, item.FirstText = u"Name", item.SecondText = u"Second", item.Data = 77, item.Object = &one;
  struct { int Kind; std::int32_t Id; std::u16string First, Second; std::intptr_t Data; TkxObject* Object; bool Match; } const
      cases[] = {
          {0, 4, u"", u"", 0, nullptr, true},          {0, 5, u"Name", u"Second", 77, &one, false},
          {1, 0, u"NAME", u"", 0, nullptr, true},      {1, 4, u"Names", u"Second", 77, &one, false},
          {2, 0, u"", u"sECOND", 0, nullptr, true},    {2, 4, u"Name", u"Name", 77, &one, false},
          {3, 0, u"", u"", 77, nullptr, true},         {3, 4, u"Name", u"Second", 78, &one, false},
          {9, 0, u"", u"", 0, &one, true},          {9, 4, u"Name", u"Second", 77, nullptr, false},
      };
  TkxObjList list(u"");
  for (const auto& c : cases) {
    TListItem probe;
    probe.Id = c.Id, probe.FirstText = c.First, probe.SecondText = c.Second, probe.Data = c.Data, probe.Object = c.Object;
    EXPECT_EQ(list.ItemMatches(&item, &probe, c.Kind), c.Match) << "kind " << c.Kind;
  }
}
