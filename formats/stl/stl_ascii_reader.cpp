// ReadStlAscii: "solid name", then facets of seven lines each ("facet normal
// n n n", "outer loop", three "vertex x y z", "endloop", "endfacet"), then
// "endsolid".
//
// A facet whose lines do not follow that pattern is dropped and reading goes
// on; a file without "endsolid", or with a byte that text never holds before
// the first facet, is not ASCII STL (the binary reader gets its turn).
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "core/grow_array.h"
#include "formats/stl/stl.h"
#include "formats/text_utils.h"
#include "platform/buffered_reader.h"

namespace torvane {
namespace {

constexpr uint32_t kLinesPerCheck = 100;
constexpr uint32_t kFacetsPerReport = 1000;
constexpr size_t kChunkFacets = 65536;

enum class LineStatus { kLine, kEnd, kBinary, kCancelled };

bool IsByteOfText(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
         c == '+' || c == '-' || c == ' ' || c == '\t';
}

bool LooksLikeText(std::string_view line) {
  for (char c : line)
    if (!IsByteOfText(static_cast<unsigned char>(c))) return false;
  return true;
}

bool IsSeparator(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// Decimal conversion of one token; text that is no number reads as 0.
float TokenToFloat(std::string_view token) {
  const char* first = token.data();
  const char* last = first + token.size();
  if (first != last && *first == '+') {
    ++first;
    if (first != last && *first == '-') return 0.0f;  // "+-" is no number
  }
  double value = 0.0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) {
    char copy[kMaxLineLength + 1];
    const size_t length = static_cast<size_t>(last - first);
    std::memcpy(copy, first, length);
    copy[length] = '\0';
    value = std::strtod(copy, nullptr);
  } else if (error != std::errc()) {
    return 0.0f;
  }
  (void)end;
  // Beyond the float range (past the rounding midpoint) is infinity.
  constexpr double kFloatOverflow = 3.4028235677973366e38;
  if (std::fabs(value) >= kFloatOverflow) return value > 0 ? INFINITY : -INFINITY;
  return static_cast<float>(value);
}

// Three numbers following `keyword` (and, when given, `first` before it).
bool ParseThreeAfter(std::string_view line, std::string_view first, std::string_view keyword,
                     float out[3]) {
  size_t from = 0;
  if (!first.empty()) {
    const size_t at = line.find(first);
    if (at == std::string_view::npos) return false;
    from = at + first.size();
  }
  const size_t at = line.find(keyword, from);
  if (at == std::string_view::npos) return false;
  size_t pos = at + keyword.size();
  for (int i = 0; i < 3; ++i) {
    while (pos < line.size() && IsSeparator(line[pos]))
      ++pos;
    if (pos == line.size()) return false;
    const size_t start = pos;
    while (pos < line.size() && !IsSeparator(line[pos]))
      ++pos;
    out[i] = TokenToFloat(line.substr(start, pos - start));
  }
  return true;
}

// Facets in fixed-size chunks, so that growing never copies what was read.
class FacetChunks {
 public:
  bool Add(const StlFacet& facet) {
    if (count_ % kChunkFacets == 0) {
      if (!MemoryGuardAllows(kChunkFacets * sizeof(StlFacet))) return false;
      std::unique_ptr<StlFacet[]> chunk(new (std::nothrow) StlFacet[kChunkFacets]);
      if (!chunk) return false;
      chunks_.push_back(std::move(chunk));
    }
    chunks_.back()[count_ % kChunkFacets] = facet;
    ++count_;
    return true;
  }
  size_t count() const { return count_; }
  const StlFacet& operator[](size_t i) const { return chunks_[i / kChunkFacets][i % kChunkFacets]; }
  // Frees the chunk holding facet i once it is no longer needed.
  void ReleaseChunkOf(size_t i) { chunks_[i / kChunkFacets].reset(); }

 private:
  std::vector<std::unique_ptr<StlFacet[]>> chunks_;
  size_t count_ = 0;
};

class AsciiParser {
 public:
  explicit AsciiParser(ProgressMonitor& monitor) : monitor_(monitor) {}

  // A file that reports no size has no lines either; this also keeps
  // endless devices from being read as text forever.
  bool Open(const std::string& path) { return reader_.Open(path, true) && reader_.FileSize() > 0; }

  // The first line must begin with "solid "; the rest names the model.
  bool ReadSolidLine(ImportedModel& model) {
    if (!reader_.ReadLine(buffer_)) return false;
    const std::string_view line = TrimLeadingSpaces(buffer_);
    if (line.substr(0, 6) != "solid ") return false;
    std::string_view rest = line.substr(6);
    while (!rest.empty() && rest.front() == ' ')
      rest.remove_prefix(1);
    model.properties.Set("ModelName", ValidUtf8(TrimSpaces(rest)));
    return true;
  }

  LoadResult ReadFacets(FacetChunks& facets) {
    std::string_view line;
    for (;;) {
      LineStatus status = Next(line, facets.count());
      if (status != LineStatus::kLine) return Stop(status);
      if (line.find("endsolid") != std::string_view::npos) return kLoaded;

      // Parsed into aligned numbers first: facet records are packed.
      float normal[3];
      float vertices[3][3];
      if (!ParseThreeAfter(line, "facet", "normal", normal)) continue;
      if ((status = Next(line, facets.count())) != LineStatus::kLine) return Stop(status);
      if (line.find("outer loop") == std::string_view::npos) continue;
      bool complete = true;
      for (int v = 0; v < 3 && complete; ++v) {
        if ((status = Next(line, facets.count())) != LineStatus::kLine) return Stop(status);
        complete = ParseThreeAfter(line, {}, "vertex", vertices[v]);
      }
      if (!complete) continue;
      if ((status = Next(line, facets.count())) != LineStatus::kLine) return Stop(status);
      if (line.find("endloop") == std::string_view::npos) continue;
      if ((status = Next(line, facets.count())) != LineStatus::kLine) return Stop(status);
      if (line.find("endfacet") == std::string_view::npos) continue;
      StlFacet facet;
      std::memcpy(&facet.normal, normal, sizeof(normal));
      std::memcpy(&facet.vertex, vertices, sizeof(vertices));
      facet.attribute = 0;
      if (!facets.Add(facet)) return kFailed;
    }
  }

 private:
  static LoadResult Stop(LineStatus status) {
    return status == LineStatus::kCancelled ? kCancelled : kFailed;
  }

  LineStatus Next(std::string_view& line, size_t facetCount) {
    if (!reader_.ReadLine(buffer_)) return LineStatus::kEnd;
    line = TrimLeadingSpaces(buffer_);
    if (facetCount == 0 && !LooksLikeText(line)) return LineStatus::kBinary;
    if (++lineCounter_ == kLinesPerCheck) {
      if (monitor_.IsCancelled()) return LineStatus::kCancelled;
      char text[64];
      std::snprintf(text, sizeof(text), "Loading as ASCII: %d facets",
                    static_cast<int>(facetCount));
      monitor_.SetText(text, 0);
      lineCounter_ = 1;
    }
    return LineStatus::kLine;
  }

  ProgressMonitor& monitor_;
  BufferedReader reader_;
  std::string buffer_;
  uint32_t lineCounter_ = 1;
};

// Copies the facets into one array of exactly their count.
LoadResult CompileFacets(ProgressMonitor& monitor, FacetChunks& chunks, StlFacetArray& facets) {
  const size_t total = chunks.count();
  if (!facets.Allocate(total)) return kFailed;
  uint32_t counter = 1;
  char text[128];
  for (size_t i = 0; i < total; ++i) {
    facets[i] = chunks[i];
    if (i % kChunkFacets == kChunkFacets - 1) chunks.ReleaseChunkOf(i);
    if (++counter == kFacetsPerReport) {
      if (monitor.IsCancelled()) return kCancelled;
      const int percent =
          static_cast<int>(static_cast<double>(i) / static_cast<double>(total) * 100.0);
      std::snprintf(text, sizeof(text), "Loading as ASCII: Compiling facets [%i%%: %i / %u]",
                    percent, static_cast<int>(i), static_cast<unsigned>(total));
      monitor.SetText(text, 0);
      counter = 1;
    }
  }
  std::snprintf(text, sizeof(text), "Loading as ASCII: Compiling facets [100%%: %u / %u]",
                static_cast<unsigned>(total), static_cast<unsigned>(total));
  monitor.SetText(text, 0);
  monitor.SetFraction(1.0);
  return kLoaded;
}

LoadResult ParseAscii(const std::string& path, ProgressMonitor& monitor, ImportedModel& model,
                      StlFacetArray& facets) {
  AsciiParser parser(monitor);
  if (!parser.Open(path)) return kFailed;
  monitor.BeginIndeterminate();
  FacetChunks chunks;
  LoadResult result = parser.ReadSolidLine(model) ? parser.ReadFacets(chunks) : kFailed;
  monitor.EndIndeterminate();
  if (result != kLoaded) return result;
  monitor.SetFraction(0.5);
  result = CompileFacets(monitor, chunks, facets);
  if (result != kLoaded) return result;
  AppendMesh(model);
  return kLoaded;
}

}  // namespace

LoadResult ReadStlAscii(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  return ParseAndBuildStl(path, monitor, model, ParseAscii, kFileTypeStlAscii);
}

}  // namespace torvane
