#include "platform/buffered_reader.h"

#include "platform_test_support.h"

namespace torvane {
namespace {

class BufferedReaderTest : public test::PlatformTest {
 protected:
  std::vector<std::string> AllLines(const std::string& content) {
    BufferedReader reader;
    EXPECT_TRUE(reader.Open(Write(content)));
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line))
      lines.push_back(line);
    EXPECT_TRUE(line.empty());
    return lines;
  }
};

using Lines = std::vector<std::string>;

TEST_F(BufferedReaderTest, LinesEndAtEveryEndingAcrossRefillsAndAreCut) {
  // "\r" as the last byte of the first fill: its "\n" comes with the next.
  const std::string fill(kReaderBufferSize - 1, 'a'), cut(kMaxLineLength, 'a');
  std::string longLine;
  for (int i = 0; i < 20000; ++i)
    longLine += static_cast<char>('a' + i % 26);
  const std::string z(kMaxLineLength, 'z');
  const std::pair<std::string, Lines> kCases[] = {
      {"a\nb\r\nc\rd", {"a", "b", "c", "d"}},
      {"\n\r\n\r\rx\n", {"", "", "", "", "x"}},
      {"a\n\rb", {"a", "", "b"}},  // "\n\r" is two endings
      {"last\r", {"last"}},
      {"", {}},
      {fill + "\r\nnext\n", {cut, "next"}},
      {fill + "\rx", {cut, "x"}},
      {fill + "\r", {cut}},
      // The rest of a long line is dropped.
      {longLine + "\nshort\n" + z + "\n", {longLine.substr(0, kMaxLineLength), "short", z}},
  };
  for (const auto& [content, lines] : kCases)
    EXPECT_EQ(AllLines(content), lines) << content.substr(0, 20);
}

// Reads of bytes within the buffer, across its end and beyond, between
// lines; short only at the end of the file.
TEST_F(BufferedReaderTest, BytesAndLinesShareTheBuffer) {
  std::string bytes;
  for (int i = 0; i < 20000; ++i)
    bytes += static_cast<char>(i * 7);
  const std::string content = "solid x\r\n" + bytes + "mid\nend";
  BufferedReader reader;
  ASSERT_TRUE(reader.Open(Write(content)));
  EXPECT_EQ(reader.FileSize(), content.size());
  std::string line;
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "solid x");
  size_t at = 9;
  for (size_t n : {4, 10000, 9996}) {
    EXPECT_EQ(reader.Tell(), static_cast<int64_t>(at));
    std::vector<char> data(n);
    ASSERT_EQ(reader.ReadBytes(data.data(), n), n);
    EXPECT_EQ(std::string(data.data(), n), content.substr(at, n)) << at;
    at += n;
  }
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "mid");
  char rest[100];
  EXPECT_EQ(reader.ReadBytes(rest, sizeof(rest)), 3u);
  EXPECT_EQ(std::string(rest, 3), "end");
  EXPECT_EQ(reader.ReadBytes(rest, sizeof(rest)), 0u);
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
