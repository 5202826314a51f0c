// WriteStlBinary and WriteStlAscii.
//
// Binary: an 80-byte header (model name, "COLOR=" with the first mesh's
// default colour, "MATERIAL=" with its material), the facet count and the
// records. ASCII: "solid name", seven lines per facet in "%e" form with a
// three-digit exponent on every platform, "endsolid"; "\r\n" line ends.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "formats/stl/stl.h"
#include "formats/text_utils.h"
#include "formats/textio/output_buffer.h"
#include "formats/textio/utf8_text.h"
#include "platform/file_handle.h"

namespace torvane {
namespace {

constexpr size_t kProgressStep = 100;
constexpr size_t kBinaryBlockFacets = 8000;  // a multiple of the progress step
constexpr std::string_view kDefaultHeaderName = "Torvane 3D Modeling Software";
constexpr std::string_view kFiveSpaces = "     ";

// The name as it may stand in a binary header: no line breaks, single
// spaces, no spaces at either end, and never "solid " at the start, so that
// no reader takes the file for ASCII.
std::string HeaderName(const ImportedModel& model) {
  const std::optional<std::string> modelName = model.properties.Get("ModelName");
  if (!modelName) return std::string(kDefaultHeaderName);
  std::string collapsed;
  for (char c : *modelName) {
    if (c == '\r' || c == '\n') continue;
    if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ') continue;
    collapsed.push_back(c);
  }
  std::string name(TrimSpaces(collapsed));
  if (name.starts_with("solid ")) name.insert(0, kFiveSpaces);
  return name;
}

void AppendU32(std::string& out, uint32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  out.append(bytes, 4);
}

// Writes `text` in "%e" form (six decimals) with an exponent of at least
// three digits, as 1.000000e+000.
char* FormatE(char* out, char* end, float value) {
  const auto [last, error] =
      std::to_chars(out, end, static_cast<double>(value), std::chars_format::scientific, 6);
  if (error != std::errc()) return out;
  char* e = std::find(out, last, 'e');
  if (e == last || e + 2 > last) return last;  // inf, nan
  const ptrdiff_t digits = last - (e + 2);
  if (digits >= 3) return last;
  const ptrdiff_t pad = 3 - digits;
  std::memmove(e + 2 + pad, e + 2, static_cast<size_t>(digits));
  std::memset(e + 2, '0', static_cast<size_t>(pad));
  return last + pad;
}

void AppendTriple(OutputBuffer& out, std::string_view prefix, const float v[3]) {
  char text[128];
  char* p = text;
  char* end = text + sizeof(text);
  std::memcpy(p, prefix.data(), prefix.size());
  p += prefix.size();
  for (int i = 0; i < 3; ++i) {
    *p++ = ' ';
    p = FormatE(p, end, v[i]);
  }
  *p++ = '\r';
  *p++ = '\n';
  out.Text(std::string_view(text, static_cast<size_t>(p - text)));
}

}  // namespace

std::string StlBinaryHeader(const ImportedModel& model) {
  std::string fields;
  if (!model.meshes.empty()) {
    const ImportedMesh& first = model.meshes.front();
    if (first.metadata.Has("ObjectDefaultColor")) {
      fields.append("COLOR=");
      AppendU32(fields, static_cast<uint32_t>(first.metadata.GetInt("ObjectDefaultColor")));
    }
    for (const MaterialRef& ref : first.materialRefs) {
      const ImportedMaterial* material = FindMaterial(model, ref.materialId);
      if (!material) continue;
      fields.append("MATERIAL=");
      if (material->hasDiffuse) AppendU32(fields, material->diffuse);
      if (material->hasSpecular) AppendU32(fields, material->specular);
      if (material->hasAmbient) AppendU32(fields, material->ambient);
      break;
    }
  }
  // The name gives way to the colour fields: the facet count must stay at
  // byte 80.
  const size_t nameBudget = kStlHeaderSize - 1 - fields.size();
  std::string header(CutToBytes(HeaderName(model), nameBudget));
  header.push_back(' ');
  header.append(fields);
  header.resize(kStlHeaderSize, ' ');
  return header;
}

int WriteStlBinary(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  StlFacetArray facets;
  const int prepared = PrepareStlFacets(monitor, model, facets);
  if (prepared != kStatusDone) return prepared;
  monitor.SetText("Write Binary file", 0);
  FileHandle file;
  if (!file.OpenWrite(path)) return kStatusFailed;
  const std::string header = StlBinaryHeader(model);
  const size_t count = facets.count();
  if (count > UINT32_MAX) return kStatusFailed;
  OutputBuffer out(file);
  out.Text(header);
  out.U32(static_cast<uint32_t>(count));
  char text[64];
  for (size_t block = 0; block < count; block += kBinaryBlockFacets) {
    const size_t end = std::min(count, block + kBinaryBlockFacets);
    for (size_t i = block; i < end; i += kProgressStep) {
      if (monitor.IsCancelled()) return kStatusCancelled;
      std::snprintf(text, sizeof(text), "Write Binary file : %d facets", static_cast<int>(i));
      monitor.SetText(text, 0);
      monitor.SetFraction(static_cast<double>(i) / static_cast<double>(count));
    }
    out.Bytes(facets.data() + block, (end - block) * sizeof(StlFacet));
    if (!out.ok()) return kStatusFailed;
  }
  if (!out.Finish()) return kStatusFailed;
  file.Close();
  return kStatusDone;
}

int WriteStlAscii(const std::string& path, ProgressMonitor& monitor, ImportedModel& model) {
  StlFacetArray facets;
  const int prepared = PrepareStlFacets(monitor, model, facets);
  if (prepared != kStatusDone) return prepared;
  monitor.SetText("Write ASCII file", 0);
  FileHandle file;
  if (!file.OpenWrite(path)) return kStatusFailed;

  // A line break inside the name would end the "solid" line early.
  std::string name(TrimSpaces(model.properties.GetOr("ModelName", "")));
  std::replace_if(
      name.begin(), name.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  OutputBuffer out(file);
  out.Text("solid ");
  out.Text(name);
  out.Text("\r\n");

  const size_t count = facets.count();
  char text[64];
  for (size_t i = 0; i < count; ++i) {
    if (i % kProgressStep == 0) {
      if (monitor.IsCancelled()) return kStatusCancelled;
      std::snprintf(text, sizeof(text), "Write ASCII file : %i facets", static_cast<int>(i));
      monitor.SetText(text, 0);
      monitor.SetFraction(static_cast<double>(i) / static_cast<double>(count));
    }
    // Records are packed: copy the numbers out before pointing at them.
    float normal[3];
    float vertices[3][3];
    std::memcpy(normal, &facets[i].normal, sizeof(normal));
    std::memcpy(vertices, &facets[i].vertex, sizeof(vertices));
    AppendTriple(out, "  facet normal", normal);
    out.Text("    outer loop\r\n");
    for (int v = 0; v < 3; ++v)
      AppendTriple(out, "      vertex", vertices[v]);
    out.Text("    endloop\r\n  endfacet\r\n");
    if (!out.ok()) return kStatusFailed;
  }
  out.Text("endsolid\r\n");
  if (!out.Finish()) return kStatusFailed;
  file.Close();
  return kStatusDone;
}

}  // namespace torvane
