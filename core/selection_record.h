// SelectionRecord: one selected thing inside a scene object: the whole
// object (type 0) or a face, triangle, edge or vertex found by picking. The
// first three indices are the picked element's vertex indices, the last three
// the corner numbers of the picked triangle.
#pragma once

#include <array>
#include <cstdint>
#include <deque>

#include "core/vec3.h"

namespace torvane {

enum SelectionElement : uint32_t {
  kSelectObject = 0,
  kSelectFace = 1,
  kSelectTriangle = 2,
  kSelectEdge = 3,
  kSelectVertex = 4,
};

struct SelectionRecord {
  Vec3 pickPoint;       // written by picking
  Vec3 pickPointOther;  // written by picking
  uint32_t elementType = kSelectObject;
  double distance = 0.0;  // pick distance
  uint32_t ownerId = 0xFFFFFFFFu;
  bool flag = false;
  std::array<uint32_t, 6> indices{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu,
                                  0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  Vec3 extra;
  bool flagB = false;
  bool flagC = false;
};

// The records of one object. The head is the front: new records are pushed
// with push_front, and walking "in list order" means front to back.
using SelectionRecords = std::deque<SelectionRecord>;

inline void PushSelectionRecord(SelectionRecords& records, const SelectionRecord& record) {
  records.push_front(record);
}

}  // namespace torvane
