// The list as the framework uses it: a dialog's control wrappers by identifier.
#include "support/UkxList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// Counts its own destruction, to tell whether a list freed it.
struct TProbeObject : TkxObject {
  explicit TProbeObject(int& ADestroyed) : Destroyed(ADestroyed) {}
  ~TProbeObject() override { ++Destroyed; }
  int& Destroyed;
};

// The identifiers from First to Last, after checking the links both ways and Count.
std::vector<std::int32_t> Ids(const TkxListSuper& List) {
  std::vector<std::int32_t> forward;
  const TListItem* prev = nullptr;
  for (const TListItem* item = List.First; item != nullptr; prev = item, item = item->Next) {
    EXPECT_EQ(item->Prev, prev);
    forward.push_back(item->Id);
  }
  EXPECT_EQ(List.Last, prev);
  EXPECT_EQ(List.Count, static_cast<std::int32_t>(forward.size()));
  return forward;
}

}  // namespace

TEST(Lists, ObjectsByIdentifierAreReplacedAppendedDeletedAndFreedOnlyWhenAsked) {
  int destroyed = 0;
  TProbeObject a(destroyed), b(destroyed);
  for (std::int32_t gone : {3, 5, 9, 7}) {
    TkxObjList list(u"\r\n");
    EXPECT_EQ(list.NextId(), 1);
    list.SetObject(3, nullptr);
    list.SetObject(-4, &a);
    list.SetObject(5, &a);
    list.SetObject(5, &b);
    list.SetObject(9, &a);
    EXPECT_EQ(list.NextId(), 10);
    EXPECT_TRUE(list.IndexOfId(5) == 2 && list.IdAt(3) == 9 && list.IdAt(4) == 0);
    EXPECT_EQ((std::vector<TkxObject*>{list.ObjectAt(1), list.ObjectAt(2), list.ObjectAt(3), list.ObjectAt(4), list.ObjectAt(-1)}),
              (std::vector<TkxObject*>{&a, &b, &a, nullptr, nullptr}));
    EXPECT_EQ(list.DeleteById(gone), gone != 7);
    std::vector<std::int32_t> left{3, -4, 5, 9};
    left.erase(std::remove(left.begin(), left.end(), gone), left.end());
    EXPECT_EQ(Ids(list), left) << gone;
  }  // the destructor clears too
  EXPECT_EQ(destroyed, 0);
  TkxObjList owning(u"");
  owning.SetObject(1, new TProbeObject(destroyed));
  owning.SetObject(2, nullptr);
  owning.ClearItems(true);
  EXPECT_TRUE(destroyed == 1 && Ids(owning).empty());
}
