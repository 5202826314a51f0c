#include "core/grow_array.h"

#include <gtest/gtest.h>

#include "core/vec3.h"
#include "platform/available_memory.h"

namespace torvane {
namespace {

struct Corner {
  uint32_t vertexIndex = 0xFFFFFFFFu;
  float value = 0.0f;
};

TEST(GrowArray, GrowthKeepsOldElementsFillsNewSlotsAndDiscardDropsThem) {
  GrowArray<Corner> a;
  ASSERT_TRUE(a.ResizeKeep(3));
  a.MutableData()[0].vertexIndex = 7;
  a.MutableData()[2].vertexIndex = 9;
  ASSERT_TRUE(a.ResizeKeep(20));
  EXPECT_EQ(a[0].vertexIndex, 7u);
  EXPECT_EQ(a[2].vertexIndex, 9u);
  EXPECT_EQ(a[3].vertexIndex, 0xFFFFFFFFu);
  // Shrinking keeps the memory; growing again within it refills the slots.
  ASSERT_TRUE(a.ResizeKeep(1));
  EXPECT_EQ(a.capacity(), 20u);
  ASSERT_TRUE(a.ResizeKeep(3));
  EXPECT_EQ(a[0].vertexIndex, 7u);
  EXPECT_EQ(a[2].vertexIndex, 0xFFFFFFFFu);
  ASSERT_TRUE(a.ResizeDiscard(5));
  EXPECT_EQ(a.length(), 5u);
  EXPECT_EQ(a[0].vertexIndex, 0xFFFFFFFFu);
}

TEST(GrowArray, MemoryGuardRefusesLargeGrowthAndEmptiesTheArray) {
  GrowArray<Vec3> a;
  ASSERT_TRUE(a.ResizeKeep(10));
  SetAvailableMemoryOverride(3'000'000);
  // 200,000 x 12 bytes = 2.4 MB: above 1 MB and above half of 3 MB.
  EXPECT_FALSE(a.ResizeKeep(200'000));
  EXPECT_EQ(a.data(), nullptr);
  EXPECT_EQ(a.length() + a.capacity(), 0u);
  EXPECT_TRUE(a.ResizeKeep(1000)) << "small requests pass whatever the figure says";
  SetAvailableMemoryOverride(std::nullopt);
  EXPECT_TRUE(a.ResizeKeep(200'000));
}

TEST(GrowArray, CopiesShareUntilOneSideWrites) {
  GrowArray<Vec3> a;
  ASSERT_TRUE(a.ResizeKeep(4));
  a.MutableData()[0] = {1, 1, 1};
  GrowArray<Vec3> b = a;
  EXPECT_TRUE(a.SharesStorageWith(b));
  b.MutableData()[0] = {2, 2, 2};
  EXPECT_FALSE(a.SharesStorageWith(b));
  EXPECT_EQ(a[0].x, 1.0f);
  // Growing a shared array within its capacity must not write into the other copy.
  GrowArray<Vec3> c = a;
  ASSERT_TRUE(c.ResizeKeep(2));
  ASSERT_TRUE(c.ResizeKeep(4));
  c.MutableData()[3] = {5, 5, 5};
  EXPECT_EQ(a[3].x, 0.0f);
  GrowArray<Vec3> d = std::move(c);
  EXPECT_EQ(c.length(), 0u);
  EXPECT_EQ(d[3].x, 5.0f);
}

}  // namespace
}  // namespace torvane
