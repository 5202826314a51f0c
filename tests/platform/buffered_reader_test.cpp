#include "platform/buffered_reader.h"

#include "platform_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace torvane {
namespace {

class BufferedReaderTest : public test::PlatformTest {
 protected:
  std::vector<std::string> AllLines(const std::string& content, bool whole = false) {
    BufferedReader reader;
    EXPECT_TRUE(reader.Open(Write(content)));
    std::vector<std::string> lines;
    std::string line;
    while (whole ? reader.ReadWholeLine(line) : reader.ReadLine(line))
      lines.push_back(line);
    EXPECT_TRUE(line.empty());
    return lines;
  }
};

using Lines = std::vector<std::string>;

TEST_F(BufferedReaderTest, LineEndingsEmptyLinesAndLastLine) {
  EXPECT_EQ(AllLines("a\nb\r\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(AllLines("\n\r\n\r\rx\n"), (Lines{"", "", "", "", "x"}));
  EXPECT_EQ(AllLines("a\n\rb"), (Lines{"a", "", "b"}));  // "\n\r" is two endings
  EXPECT_EQ(AllLines("last\r"), (Lines{"last"}));
  EXPECT_EQ(AllLines(""), Lines{});
}

TEST_F(BufferedReaderTest, CarriageReturnAtTheEndOfTheBufferSwallowsTheNextLineFeed) {
  // "\r" is byte 8192, the last of the first fill; its "\n" comes with the next.
  std::string content(kReaderBufferSize - 1, 'a');
  content += "\r\nnext\n";
  const Lines cut = AllLines(content);
  ASSERT_EQ(cut.size(), 2u);
  EXPECT_EQ(cut[0], std::string(kMaxLineLength, 'a'));
  EXPECT_EQ(cut[1], "next");
  const Lines whole = AllLines(content, true);
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_EQ(whole[0].size(), kReaderBufferSize - 1);
  EXPECT_EQ(whole[1], "next");

  // A lone "\r" there ends the line and the next one starts with the refill.
  std::string lone(kReaderBufferSize - 1, 'b');
  lone += "\rx";
  EXPECT_EQ(AllLines(lone, true), (Lines{std::string(kReaderBufferSize - 1, 'b'), "x"}));
  // And a file that ends with that "\r".
  EXPECT_EQ(AllLines(std::string(kReaderBufferSize - 1, 'c') + "\r", true).size(), 1u);
}

TEST_F(BufferedReaderTest, LongLinesAreCutOrKeptWhole) {
  std::string longLine;
  for (int i = 0; i < 20000; ++i)
    longLine += static_cast<char>('a' + i % 26);
  const Lines cut = AllLines(longLine + "\nshort\n" + std::string(259, 'z') + "\n");
  ASSERT_EQ(cut.size(), 3u);
  EXPECT_EQ(cut[0], longLine.substr(0, 259));
  EXPECT_EQ(cut[1], "short");  // the rest of the long line was dropped
  EXPECT_EQ(cut[2], std::string(259, 'z'));
  const Lines whole = AllLines(longLine + "\r\nshort", true);
  ASSERT_EQ(whole.size(), 2u);
  EXPECT_TRUE(whole[0] == longLine) << whole[0].size();
  EXPECT_EQ(whole[1], "short");
}

TEST_F(BufferedReaderTest, ReadBytesBufferedDirectAndShortAtEnd) {
  std::string content;
  for (int i = 0; i < 20000; ++i)
    content += static_cast<char>(i * 7);
  BufferedReader reader;
  ASSERT_TRUE(reader.Open(Write(content)));
  EXPECT_EQ(reader.FileSize(), content.size());

  // A large read on an empty buffer goes straight to the file.
  std::vector<char> block(1000);
  ASSERT_EQ(reader.ReadBytes(block.data(), block.size()), 1000u);
  EXPECT_EQ(std::string(block.data(), 1000), content.substr(0, 1000));
  EXPECT_EQ(reader.File().Position(), 1000);

  // Small reads fill the buffer; a line read in between shares it.
  char small[4];
  ASSERT_EQ(reader.ReadBytes(small, 4), 4u);
  EXPECT_EQ(std::string(small, 4), content.substr(1000, 4));
  EXPECT_EQ(reader.Tell(), 1004);
  EXPECT_GT(reader.File().Position(), 1004);

  // A read that spans the rest of the buffer and beyond.
  std::vector<char> span(10000);
  ASSERT_EQ(reader.ReadBytes(span.data(), span.size()), span.size());
  EXPECT_EQ(std::string(span.data(), span.size()), content.substr(1004, 10000));

  // Short only at the end of the file.
  std::vector<char> rest(20000);
  EXPECT_EQ(reader.ReadBytes(rest.data(), rest.size()), content.size() - 11004);
  EXPECT_EQ(std::string(rest.data(), content.size() - 11004), content.substr(11004));
  EXPECT_EQ(reader.ReadBytes(small, 4), 0u);
  EXPECT_TRUE(reader.AtEnd());
}

TEST_F(BufferedReaderTest, MixedLinesAndBytes) {
  BufferedReader reader;
  ASSERT_TRUE(reader.Open(Write("solid x\r\n\x01\x02\x03\x04tail")));
  std::string line;
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "solid x");
  EXPECT_EQ(reader.Tell(), 9);
  char bytes[4];
  ASSERT_EQ(reader.ReadBytes(bytes, 4), 4u);
  EXPECT_EQ(std::string(bytes, 4), "\x01\x02\x03\x04");
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "tail");
  EXPECT_FALSE(reader.ReadLine(line));
}

TEST_F(BufferedReaderTest, OpenFailuresAndRetryBudget) {
  BufferedReader reader;
  EXPECT_FALSE(reader.Open(Path("missing")));
  EXPECT_FALSE(reader.Open(dir_));

  const std::string path = Write("x");
  FileHandle writer;
  ASSERT_TRUE(writer.OpenWrite(path));  // exclusive until closed
  RecordSleeps();
  EXPECT_FALSE(reader.Open(path, true));
  EXPECT_EQ(sleeps_, (std::vector<uint32_t>{24, 48, 96, 192, 384, 768}));
  sleeps_.clear();
  EXPECT_FALSE(reader.Open(path, false));
  EXPECT_TRUE(sleeps_.empty());
  writer.Close();
  EXPECT_TRUE(reader.Open(path, true));
}

}  // namespace
}  // namespace torvane
