#include "support/UkxList.h"
#include "support/UkxListSuper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Counts its own destruction, to tell whether a list freed it.
class TProbeObject : public TkxObject {
 public:
  explicit TProbeObject(int& destroyed) : destroyed_(destroyed) {}
  ~TProbeObject() override { ++destroyed_; }

 private:
  int& destroyed_;
};

// The Data values from First to Last, after checking the links both ways.
std::vector<std::intptr_t> Values(const TkxListSuper& list) {
  std::vector<std::intptr_t> forward;
  const TListItem* prev = nullptr;
  for (const TListItem* item = list.First; item != nullptr; item = item->Next) {
    EXPECT_EQ(item->Prev, prev);
    forward.push_back(item->Data);
    prev = item;
  }
  EXPECT_EQ(list.Last, prev);
  std::vector<std::intptr_t> backward;
  for (const TListItem* item = list.Last; item != nullptr; item = item->Prev) backward.insert(backward.begin(), item->Data);
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(static_cast<std::size_t>(list.Count), forward.size());
  EXPECT_EQ(list.First == nullptr, list.Count == 0);
  EXPECT_EQ(list.Last == nullptr, list.Count == 0);
  return forward;
}

void AddValues(TkxIntList& list, const std::vector<std::intptr_t>& values) {
  for (std::intptr_t v : values) list.Add(v);
}

// A list of items with the given Ids (Data = position, to tell equal Ids apart).
void AddIds(TkxListSuper& list, std::initializer_list<std::int32_t> ids) {
  for (std::int32_t id : ids) {
    TListItem* item = list.NewItem();
    item->Id = id;
    item->Data = list.Count;
    list.InsertItem(list.Count, item);
  }
}

}  // namespace

TEST(Lists, NewListIsEmptyAndKeepsSeparator) {
  TkxIntList list(u"\r\n");
  EXPECT_EQ(list.Separator, u"\r\n");
  EXPECT_EQ(list.Low(), 0);
  EXPECT_EQ(list.High(), -1);
  EXPECT_FALSE(list.InRange(0));
  EXPECT_TRUE(Values(list).empty());
  TListItem* item = list.NewItem();
  EXPECT_EQ(item->Prev, nullptr);
  EXPECT_EQ(item->Next, nullptr);
  EXPECT_EQ(item->Id, 0);
  EXPECT_TRUE(item->FirstText.empty());
  EXPECT_TRUE(item->SecondText.empty());
  EXPECT_EQ(item->Data, 0);
  EXPECT_EQ(item->Object, nullptr);
  delete item;
}

TEST(Lists, AddReturnsSuccessivePositionsAndIndexOfFindsFirst) {
  TkxIntList list(u"\r\n");
  EXPECT_EQ(list.Add(10), 0);
  EXPECT_EQ(list.Add(20), 1);
  EXPECT_EQ(list.Add(10), 2);
  EXPECT_EQ(list.IndexOf(10), 0);
  EXPECT_EQ(list.IndexOf(20), 1);
  EXPECT_EQ(list.IndexOf(30), -1);
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{10, 20, 10}));
}

TEST(Lists, DataHoldsPointerSizedValues) {
  // Window handles are pointer-sized on 64-bit Windows; none may be cut to 32 bits.
  const std::intptr_t low = 5;
  const std::intptr_t high = (std::intptr_t{1} << (sizeof(std::intptr_t) * 8 - 2)) | low;
  TkxIntList list(u"");
  AddValues(list, {low, high});
  EXPECT_EQ(list.IndexOf(high), 1);
  EXPECT_EQ(list.IndexOf(low), 0);
  EXPECT_EQ(list.ItemAt(1)->Data, high);
}

TEST(Lists, InsertClampsThePosition) {
  struct Case {
    int index;
    int expectedPosition;
    std::vector<std::intptr_t> expected;
  };
  const Case cases[] = {
      {-5, 0, {9, 1, 2, 3}}, {0, 0, {9, 1, 2, 3}}, {1, 1, {1, 9, 2, 3}}, {2, 2, {1, 2, 9, 3}},
      {3, 3, {1, 2, 3, 9}},  {6, 3, {1, 2, 3, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    TkxIntList list(u"");
    AddValues(list, {1, 2, 3});
    EXPECT_EQ(list.Insert(c.index, 9), c.expectedPosition);
    EXPECT_EQ(Values(list), c.expected);
  }
  TkxIntList empty(u"");
  EXPECT_EQ(empty.Insert(4, 7), 0);
  EXPECT_EQ(Values(empty), (std::vector<std::intptr_t>{7}));
}

TEST(Lists, ItemAtReachesEveryPositionFromEitherEnd) {
  for (int size = 0; size <= 7; ++size) {
    TkxIntList list(u"");
    for (int i = 0; i < size; ++i) list.Add(100 + i);
    for (int i = -2; i <= size + 1; ++i) {
      SCOPED_TRACE(testing::Message() << size << " " << i);
      TListItem* item = list.ItemAt(i);
      if (i < 0 || i >= size) {
        EXPECT_EQ(item, nullptr);
        EXPECT_FALSE(list.InRange(i));
      } else {
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->Data, 100 + i);
        EXPECT_TRUE(list.InRange(i));
      }
    }
  }
}

TEST(Lists, DeleteItemUnlinksFirstMiddleLastAndOnly) {
  struct Case {
    std::vector<std::intptr_t> start;
    int position;
    std::vector<std::intptr_t> expected;
  };
  const Case cases[] = {
      {{1, 2, 3}, 0, {2, 3}}, {{1, 2, 3}, 1, {1, 3}}, {{1, 2, 3}, 2, {1, 2}}, {{1}, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    TkxIntList list(u"");
    AddValues(list, c.start);
    EXPECT_TRUE(list.DeleteItem(list.ItemAt(c.position)));
    EXPECT_EQ(Values(list), c.expected);
  }
  TkxIntList list(u"");
  list.Add(1);
  EXPECT_FALSE(list.DeleteItem(nullptr));
  EXPECT_EQ(list.Count, 1);
}

TEST(Lists, IdLookupsTakeTheFirstMatch) {
  TkxObjList list(u"\r\n");
  AddIds(list, {3, 5, 7, 5});
  EXPECT_EQ(list.IndexOfId(5), 1);
  EXPECT_EQ(list.FindById(5), list.ItemAt(1));
  EXPECT_EQ(list.IndexOfId(4), -1);
  EXPECT_EQ(list.FindById(4), nullptr);
  EXPECT_EQ(list.IdAt(2), 7);
  EXPECT_EQ(list.IdAt(-1), 0);
  EXPECT_EQ(list.IdAt(4), 0);

  EXPECT_TRUE(list.DeleteById(5));
  EXPECT_EQ(Values(list), (std::vector<std::intptr_t>{0, 2, 3}));
  EXPECT_EQ(list.IndexOfId(5), 2);
  EXPECT_FALSE(list.DeleteById(42));
  EXPECT_EQ(list.Count, 3);
}

TEST(Lists, NextIdIsOneAboveTheLargestNonNegativeId) {
  struct Case {
    std::initializer_list<std::int32_t> ids;
    std::int32_t expected;
  };
  const Case cases[] = {
      {{}, 1}, {{3, 7}, 8}, {{7, 3}, 8}, {{-4, 0}, 1}, {{-100, 2}, 3}, {{0}, 1},
  };
  for (const Case& c : cases) {
    TkxObjList list(u"");
    AddIds(list, c.ids);
    EXPECT_EQ(list.NextId(), c.expected) << list.Count;
  }
}

TEST(Lists, SetObjectReplacesTheFirstMatchOrAppends) {
  int destroyed = 0;
  TProbeObject a(destroyed), b(destroyed), c(destroyed);
  TkxObjList list(u"\r\n");
  AddIds(list, {5, 5});
  list.SetObject(5, &a);
  EXPECT_EQ(list.Count, 2);
  EXPECT_EQ(list.ObjectAt(0), &a);
  EXPECT_EQ(list.ObjectAt(1), nullptr);
  list.SetObject(5, &b);
  EXPECT_EQ(list.ObjectAt(0), &b);
  list.SetObject(9, &c);
  EXPECT_EQ(list.Count, 3);
  EXPECT_EQ(list.IdAt(2), 9);
  EXPECT_EQ(list.ObjectAt(2), &c);
  EXPECT_EQ(list.ObjectAt(3), nullptr);
  EXPECT_EQ(list.ObjectAt(-1), nullptr);
  EXPECT_TRUE(list.DeleteById(9));  // the object stays alive
  EXPECT_EQ(destroyed, 0);
}

TEST(Lists, ClearKeepsObjectsAliveUnlessToldToFreeThem) {
  int destroyed = 0;
  TProbeObject kept(destroyed);
  {
    TkxObjList list(u"");
    list.SetObject(1, &kept);
    list.Clear();
    EXPECT_TRUE(Values(list).empty());
    list.SetObject(2, &kept);
  }  // the destructor clears too
  EXPECT_EQ(destroyed, 0);

  TkxObjList owning(u"");
  owning.SetObject(1, new TProbeObject(destroyed));
  owning.SetObject(2, nullptr);
  owning.SetObject(3, new TProbeObject(destroyed));
  owning.ClearItems(true);
  EXPECT_EQ(destroyed, 2);
  EXPECT_TRUE(Values(owning).empty());
  owning.SetObject(4, nullptr);  // usable again after clearing
  EXPECT_EQ(owning.IndexOfId(4), 0);
}

TEST(Lists, ItemMatchesComparesTheFieldOfItsKind) {
  int destroyed = 0;
  TProbeObject one(destroyed), other(destroyed);
  TListItem item;
  item.Id = 4;
  item.FirstText = u"Name";
  item.SecondText = u"Second";
  item.Data = 77;
  item.Object = &one;
  struct Case {
    int kind;
    TListItem probe;
    bool expected;
  };
  auto probe = [](std::int32_t id, std::u16string first, std::u16string second, std::intptr_t data, TkxObject* object) {
    TListItem p;
    p.Id = id;
    p.FirstText = std::move(first);
    p.SecondText = std::move(second);
    p.Data = data;
    p.Object = object;
    return p;
  };
  const Case cases[] = {
      {0, probe(4, u"x", u"x", 0, nullptr), true},
      {0, probe(5, u"Name", u"Second", 77, &one), false},
      {1, probe(0, u"NAME", u"", 0, nullptr), true},
      {1, probe(4, u"Names", u"Second", 77, &one), false},
      {2, probe(0, u"", u"sECOND", 0, nullptr), true},
      {2, probe(4, u"Name", u"Name", 77, &one), false},
      {3, probe(0, u"", u"", 77, nullptr), true},
      {3, probe(4, u"Name", u"Second", 78, &one), false},
      {4, probe(0, u"", u"", 0, &one), true},
      {-1, probe(0, u"", u"", 0, &one), true},
      {99, probe(4, u"Name", u"Second", 77, &other), false},
  };
  TkxObjList list(u"");
  for (const Case& c : cases) {
    EXPECT_EQ(list.ItemMatches(&item, &c.probe, c.kind), c.expected) << "kind " << c.kind;
  }
}

TEST(Lists, IndexOfMatchFindsByTextWithoutRegardToCase) {
  TkxObjList list(u"");
  for (const char16_t* name : {u"alpha", u"Beta", u"BETA"}) {
    TListItem* item = list.NewItem();
    item->FirstText = name;
    item->SecondText = std::u16string(name) + u"2";
    list.InsertItem(list.Count, item);
  }
  TListItem probe;
  probe.FirstText = u"bEtA";
  EXPECT_EQ(list.IndexOfMatch(&probe, 1), 1);
  probe.SecondText = u"ALPHA2";
  EXPECT_EQ(list.IndexOfMatch(&probe, 2), 0);
  probe.FirstText = u"gamma";
  EXPECT_EQ(list.IndexOfMatch(&probe, 1), -1);
}
