// CellGrid: the spatial hash that finds equal positions without comparing
// every pair. Space is cut into cubes whose edge is a power of two no
// smaller than 2^-20 (four times the equality tolerance); each occupied cell
// keeps the indices stored in it in increasing order.
//
// Cell numbers are computed in double precision from the float coordinates
// (exact, since the edge is a power of two), so two positions within the
// tolerance always lie in the same or in neighbouring cells, and the
// candidate cells of a query are found from its coordinate +/- twice the
// tolerance. Coordinates far from the origin stay exact: a cell number is a
// double, never narrowed to an integer type.
#pragma once

#include <cstdint>
#include <vector>

#include "core/grow_array.h"
#include "core/mesh_corner.h"
#include "core/vec3.h"

namespace torvane {

class CellGrid {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  // `positions` must outlive the grid; indices stored and queried refer to
  // it. `cellEdge` is rounded up to a power of two (at least 2^-20).
  // Allocation goes through the memory guard; check ok() after construction.
  CellGrid(const Vec3* positions, uint32_t count, double cellEdge);

  bool ok() const { return ok_; }

  // The lowest stored index whose position equals p by the program's rule
  // (PositionsEqual), or kNone. Indices must be stored in increasing order.
  uint32_t FindLowestEqual(const Vec3& p) const;

  // Stores index i (greater than every index stored before) in the cell of
  // its position. False when memory runs out. Positions with a component that
  // is not finite equal nothing and are never stored.
  bool Insert(uint32_t i);

  // A cell edge suited to the mesh: the median over a sample of triangles of
  // their shortest edge, so that a cell holds a few vertices on a surface.
  static double SuggestCellEdge(const Vec3* positions, uint32_t vertexCount,
                                const MeshCorner* corners, uint32_t cornerCount);

 private:
  struct Cell {
    double x, y, z;
  };
  struct Slot {
    uint32_t hash;
    uint32_t head;  // kNone: empty slot
    uint32_t tail;
  };

  Cell HomeCell(const Vec3& p) const;
  static uint32_t HashOf(const Cell& c);
  // Slot index holding cell c, or kNone.
  uint32_t Find(const Cell& c, uint32_t hash) const;
  bool Grow();

  const Vec3* positions_;
  double scale_;  // 1 / cell edge, a power of two
  GrowArray<uint32_t> next_;
  std::vector<Slot> slots_;
  uint32_t used_ = 0;
  bool ok_ = false;
};

}  // namespace torvane
