// The steps of reading a 3MF package, shared by Read3mf and its tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/colour32.h"
#include "core/progress_monitor.h"
#include "core/status.h"
#include "formats/xml/xml.h"
#include "formats/xml/xml_events.h"
#include "formats/zip/zip.h"

namespace torvane {

struct ImportedModel;

// The namespace of a model part's core elements, written into every package
// and assumed for a model that names none.
inline constexpr char kCoreNamespace[] =
    "http://schemas.microsoft.com/3dmanufacturing/core/2015/02";

// "#RRGGBB" or "#RRGGBBAA" (the "#" optional): starts as opaque black and
// stops at the first missing or malformed pair.
Colour32 Parse3mfColour(std::string_view text);

// The entry names to try as the model part, best first: the target of the
// root relationships' 3D model relationship (given the relationships XML, or
// empty), then every non-empty ".model" entry in archive order.
std::vector<std::string> ModelPartCandidates(const std::vector<ZipEntry>& entries,
                                             std::string_view relationshipsXml);

// Turns the model XML into meshes, materials and properties of `model`:
// from a parsed tree, or from the text as it streams (pieces of up to
// `blockSize` bytes), which never holds more than a piece of the text.
LoadResult Walk3mfModel(const XmlDocument& document, ProgressMonitor& monitor,
                        ImportedModel& model);
LoadResult Stream3mfModel(XmlPull& text, ProgressMonitor& monitor, ImportedModel& model,
                          size_t blockSize = size_t{1} << 20);

// Applies build item transforms (the load step gives the triangles their
// face normals). Failed when a triangle names a vertex its object does not
// have.
LoadResult Arrange3mfModel(ProgressMonitor& monitor, ImportedModel& model);

}  // namespace torvane
