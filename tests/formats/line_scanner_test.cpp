// Whole-line scanning: every line-ending form, endings split across reads,
// lines longer than the buffer, and files using only "\r".
#include <gtest/gtest.h>

#include "formats/textio/line_scanner.h"
#include "stl_test_support.h"

namespace torvane {
namespace {

std::vector<std::string> Lines(const std::string& bytes) {
  test::TempFolder folder;
  test::WriteFile(folder.File("t.txt"), bytes);
  FileHandle file;
  EXPECT_TRUE(file.OpenRead(folder.File("t.txt")));
  LineScanner scanner(file);
  std::vector<std::string> out;
  std::string_view line;
  while (scanner.Next(line))
    out.emplace_back(line);
  return out;
}

TEST(LineScanner, EndingsLongLinesAndBufferEdges) {
  EXPECT_EQ(Lines(""), std::vector<std::string>{});
  EXPECT_EQ(Lines("a\nb\r\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(Lines("\n\r\n\r"), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(Lines("x\n"), (std::vector<std::string>{"x"}));

  // "\r" as the last byte of the first 1 MiB read and "\n" as the first of the next.
  const size_t buffer = 1 << 20;
  std::string edge(buffer - 1, 'a');
  edge += "\r\nnext\n";
  auto lines = Lines(edge);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), buffer - 1);
  EXPECT_EQ(lines[1], "next");

  // A line of 3 MiB arrives whole, between short ones.
  std::string huge = "head\n" + std::string(3 * buffer, 'z') + "\rtail";
  lines = Lines(huge);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].size(), 3 * buffer);
  EXPECT_EQ(lines[2], "tail");

  // Many short lines ending in "\r" only (the other ending is never present).
  std::string returns;
  for (int i = 0; i < 200000; ++i)
    returns += std::to_string(i) + "\r";
  lines = Lines(returns);
  ASSERT_EQ(lines.size(), 200000u);
  EXPECT_EQ(lines[199999], "199999");
}

}  // namespace
}  // namespace torvane
