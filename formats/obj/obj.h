// OBJ: Wavefront text models with an MTL material file beside them.
//
// ReadObj reads one OBJ file into one mesh (positions, optional per-position
// colours, the file's normals when it has any, triangles fanned from the
// faces); materials, texture coordinates and groups are not used. It runs
// ReadRawObj (first half of the progress) and CompileObj (second half).
// WriteObj writes every mesh of a model into one OBJ file with one normal per
// triangle, plus "<name>.mtl" when the model has materials; the MTL file is
// removed again when the write does not succeed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/colour32.h"
#include "core/grow_array.h"
#include "core/progress_monitor.h"
#include "core/status.h"
#include "core/vec3.h"
#include "formats/textio/pod_buffer.h"

namespace torvane {

struct ImportedModel;

// Index of a face corner element: 1-based as in the file after negative
// indices are resolved; kObjAbsent when the file gave none (or 0), and
// kObjBadIndex when it named an element that cannot exist.
inline constexpr int32_t kObjAbsent = -1;
inline constexpr int32_t kObjBadIndex = INT32_MIN;

struct ObjCorner {
  int32_t position = kObjAbsent;
  int32_t texCoord = kObjAbsent;
  int32_t normal = kObjAbsent;
};

// A named "o", "g" or "s" range over faces [firstFace, lastFace]; lastFace is
// firstFace - 1 when the range holds no face.
struct ObjRange {
  std::string name;  // UTF-8, at most 260 UTF-16 units
  int64_t firstFace = 0;
  int64_t lastFace = -1;
};

// The file as read, before triangles are made.
struct RawObj {
  PodBuffer<Vec3> positions;
  PodBuffer<Colour32> colours;  // empty, or one per position once any has a colour
  PodBuffer<Vec3> normals;
  PodBuffer<float> texCoords;      // u, v pairs
  PodBuffer<ObjCorner> corners;    // every face's corners, face after face
  PodBuffer<uint32_t> faceStarts;  // first corner of each face
  uint32_t faceCount = 0;
  std::vector<ObjRange> objects;    // "o"
  std::vector<ObjRange> groups;     // "g"
  std::vector<ObjRange> smoothing;  // "s"
  bool outOfMemory = false;         // reading stopped: a line or an array could not grow
  bool skipNormals = false;         // "vn" lines are passed over (their normals are not wanted)
};

// Colour of a position that has no colour tokens in a file where others do:
// the program's default object colour.
inline constexpr Colour32 kObjUncolouredPosition = 0xFFDCDCDCu;

LoadResult ReadRawObj(const std::string& path, ProgressMonitor& monitor, RawObj& raw);
// Turns the raw data into one mesh of `model` (none when there are no
// positions). Failed when a face names a position that does not exist, or
// (failure reason kFailureOutOfMemory) when the mesh cannot be allocated.
LoadResult CompileObj(RawObj& raw, ProgressMonitor& monitor, ImportedModel& model);

LoadResult ReadObj(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
int WriteObj(const std::string& path, ProgressMonitor& monitor, ImportedModel& model);
// The same with the MTL file named by the caller: a save that writes the OBJ
// to a temporary file first still writes (and names in "mtllib") the MTL
// file that belongs beside the final OBJ path.
int WriteObjFiles(const std::string& objPath, const std::string& mtlPath, ProgressMonitor& monitor,
                  ImportedModel& model);

// "dir/model.obj" -> "dir/model.mtl" (the extension is replaced, or added
// when the file name has none).
std::string MtlPathFor(const std::string& objPath);

}  // namespace torvane
