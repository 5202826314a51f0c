#include "app/caption.h"

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(Caption, ShowsFileNameAndModifiedMark) {
  EXPECT_EQ(BuildCaption("/home/u/Documents/Untitled.stl", false),
            "Torvane by Ovalis Software - Untitled.stl");
  EXPECT_EQ(BuildCaption("/home/u/model.tvx", true), "Torvane by Ovalis Software - model.tvx*");
  EXPECT_EQ(BuildCaption("", true), "Torvane by Ovalis Software");
}

}  // namespace
}  // namespace torvane
