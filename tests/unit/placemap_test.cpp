// The position map behind the statement plans and block caches.
#include <gtest/gtest.h>

#include <string>

#include "core/PlaceMap.h"

namespace nokari {
namespace {

TEST(PlaceMap, FindsWhatWasKeptAndKeepsTheFirst) {
  const std::string text(4096, 'x');
  PlaceMap<int> map;
  EXPECT_EQ(map.Find(text.data()), nullptr);
  EXPECT_EQ(map.Emplace(text.data(), 1), 1);
  EXPECT_EQ(map.Emplace(text.data(), 2), 1);  // Emplace never replaces
  EXPECT_EQ(map.Set(text.data() + 1, 3), 3);
  EXPECT_EQ(map.Set(text.data() + 1, 4), 4);  // Set does
  ASSERT_NE(map.Find(text.data()), nullptr);
  EXPECT_EQ(*map.Find(text.data()), 1);
  EXPECT_EQ(*map.Find(text.data() + 1), 4);
  EXPECT_EQ(map.Find(nullptr), nullptr);
}

// Many places share a slot of the front table: every one must still be
// found, whichever was looked up last.
TEST(PlaceMap, EveryPlaceIsFoundWhateverTheFrontHolds) {
  const std::string text(100000, 'x');
  PlaceMap<size_t> map;
  for (size_t i = 0; i < text.size(); i += 7) map.Emplace(text.data() + i, i);
  for (int round = 0; round < 2; ++round)
    for (size_t i = 0; i < text.size(); i += 7) {
      size_t* found = map.Find(text.data() + i);
      ASSERT_NE(found, nullptr) << i;
      EXPECT_EQ(*found, i);
      EXPECT_EQ(map.Find(text.data() + i + 1), nullptr);
    }
}

// Emptying or moving the map must take the front table with it: a stale
// front entry would point into freed entries.
TEST(PlaceMap, ClearAndMoveLeaveNoStaleEntries) {
  const std::string text(64, 'x');
  PlaceMap<std::string> map;
  map.Emplace(text.data(), "a");
  ASSERT_NE(map.Find(text.data()), nullptr);
  map.clear();
  EXPECT_EQ(map.Find(text.data()), nullptr);
  EXPECT_EQ(map.size(), 0u);

  map.Emplace(text.data() + 2, "b");
  PlaceMap<std::string> moved(std::move(map));
  EXPECT_EQ(map.Find(text.data() + 2), nullptr);
  ASSERT_NE(moved.Find(text.data() + 2), nullptr);
  EXPECT_EQ(*moved.Find(text.data() + 2), "b");

  PlaceMap<std::string> assigned;
  assigned.Emplace(text.data() + 3, "c");
  assigned = std::move(moved);
  EXPECT_EQ(assigned.Find(text.data() + 3), nullptr);
  EXPECT_EQ(*assigned.Find(text.data() + 2), "b");
}

}  // namespace
}  // namespace nokari
