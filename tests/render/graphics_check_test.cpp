// Multisampling is asked for on graphics hardware and left out on renderers
// that rasterise on the processor, unless the environment says otherwise.
#include "render/graphics_check.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace torvane {
namespace {

TEST(GraphicsCheck, SoftwareRenderersByNameAndTheSampleCountWithItsOverride) {
  for (const char* name :
       {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Software Rasterizer", "Mesa X11 swrast"})
    EXPECT_TRUE(IsSoftwareRenderer(name)) << name;
  for (const char* name :
       {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "NVIDIA GeForce RTX 3060/PCIe/SSE2",
        "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6)", ""})
    EXPECT_FALSE(IsSoftwareRenderer(name)) << name;

  EXPECT_EQ(ChooseSampleCount(false, nullptr), kHardwareSampleCount);
  EXPECT_EQ(ChooseSampleCount(true, nullptr), 0);
  // The override wins both ways.
  EXPECT_EQ(ChooseSampleCount(false, "0"), 0);
  EXPECT_EQ(ChooseSampleCount(false, "OFF"), 0);
  EXPECT_EQ(ChooseSampleCount(true, "4"), 4);
  EXPECT_EQ(ChooseSampleCount(true, "99"), kMaximumSampleCount);
  EXPECT_EQ(ChooseSampleCount(false, "-2"), 0);
  // Text that is no count is no override.
  EXPECT_EQ(ChooseSampleCount(true, "lots"), 0);
  EXPECT_EQ(ChooseSampleCount(false, "4x"), kHardwareSampleCount);
  EXPECT_EQ(ChooseSampleCount(false, ""), kHardwareSampleCount);
  // The views on this machine follow its renderer.
  const std::string renderer = OpenGLRendererName();
  ASSERT_FALSE(renderer.empty());  // the tests run with an OpenGL 3.3 renderer
  int expected = ChooseSampleCount(IsSoftwareRenderer(renderer), std::getenv(kMultisampleVariable));
  EXPECT_EQ(ViewSurfaceFormat().samples(), expected) << renderer;
}

}  // namespace
}  // namespace torvane
