// Text read in blocks: the block reader's lines for every ending form,
// endings split across reads, lines longer than a read and files using only
// "\r"; and the UTF-8 check of text in pieces
// gives the verdict of the whole text wherever the pieces are cut.

#include <random>

#include "format_test_support.h"
#include "formats/textio/text_block_reader.h"
#include "formats/textio/utf8_stream_check.h"

namespace torvane {
namespace {

constexpr size_t kBlock = 1 << 20;

// The lines of a file by the block reader.
std::vector<std::string> Lines(const std::string& bytes) {
  test::TempFolder folder;
  test::WriteFile(folder.File("t.txt"), bytes);
  FileHandle file;
  EXPECT_TRUE(file.OpenRead(folder.File("t.txt")));
  TextBlockReader blocks(file);
  const char* at = blocks.Limit();
  std::string_view line;
  std::vector<std::string> out;
  while (blocks.NextLine(at, line))
    out.emplace_back(line);
  return out;
}

using LineList = std::vector<std::string>;

TEST(LineReaders, EndingsLongLinesAndBlockEdges) {
  // Many short lines ending in "\r" only (the other ending is never present).
  std::string returns;
  LineList numbers;
  for (int i = 0; i < 200000; ++i) {
    numbers.push_back(std::to_string(i));
    returns += numbers.back() + "\r";
  }
  const std::string a(kBlock - 1, 'a'), z(3 * kBlock, 'z'), q(kBlock, 'q');
  const std::pair<std::string, LineList> kCases[] = {
      {"", {}},
      {"a\nb\r\nc\rd", {"a", "b", "c", "d"}},
      {"\n\r\n\r", {"", "", ""}},
      {"\n\r\n\r\n\n\r\r", {"", "", "", "", "", ""}},
      {"last line without ending", {"last line without ending"}},
      {"ends with return\r", {"ends with return"}},
      // "\r" as the last byte of a block and its "\n" as the first of the next.
      {a + "\r\nnext\n", {a, "next"}},
      {a + "\r\rnext", {a, "", "next"}},
      // Lines longer than a block arrive whole; the last one has no ending.
      {"head\n" + z + "\rtail" + q, {"head", z, "tail" + q}},
      {returns, numbers},
  };
  for (const auto& [bytes, lines] : kCases)
    EXPECT_EQ(Lines(bytes), lines) << bytes.substr(0, 20);
}

TEST(TextBlockReader, TokensAndLineEndsInPlace) {
  test::TempFolder folder;
  // A token and the rest of its line sit across the first block's edge.
  std::string bytes = std::string(kBlock - 3, ' ') + "\n12 34 rest\r\n\r\n\t \n56";
  test::WriteFile(folder.File("t.txt"), bytes);
  FileHandle file;
  ASSERT_TRUE(file.OpenRead(folder.File("t.txt")));
  TextBlockReader blocks(file);
  const char* at = blocks.Limit();
  ASSERT_TRUE(blocks.SkipBlank(at));
  EXPECT_EQ(std::string(at, 2), "12");
  blocks.PassLine(at);
  ASSERT_TRUE(blocks.SkipBlank(at));
  EXPECT_EQ(std::string(at, 2), "56");
  EXPECT_EQ(at[2], '\n');  // the file's last line ends at a line ending too
  blocks.PassLine(at);
  EXPECT_FALSE(blocks.SkipBlank(at));
}

TEST(Utf8StreamCheck, PiecesGiveTheVerdictOfTheWhole) {
  std::mt19937 random(17);
  const std::string pieces[] = {"a",        "\xC3\xA9",     "\xE2\x82\xAC", "\xF0\x9F\x98\x80",
                                "\xC0\xAF", "\xED\xA0\x80", "\x80",         "\xF4\x90\x80\x80",
                                "\xE2\x82", "\xF0\x9F"};
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 12);
    // Mostly valid characters, sometimes a broken one.
    for (int i = 0; i < count; ++i)
      text += pieces[random() % 100 < 90 ? random() % 4 : 4 + random() % 6];
    Utf8StreamCheck check;
    size_t at = 0;
    bool fed = true;
    while (at < text.size()) {
      const size_t n = std::min<size_t>(text.size() - at, 1 + random() % 5);
      fed = check.Feed(text.data() + at, n) && fed;
      at += n;
    }
    ASSERT_EQ(fed && check.Finish(), IsValidUtf8(text)) << round;
  }
}

}  // namespace
}  // namespace torvane
