// Runs of node planes along one side of a tree path, each with a bound that
// tells at once when a polygon's ball lies on that side of every plane of the
// run, so the clip can pass the whole run in one test.
//
// Input: a tree. Output: for every node, the run that starts there (up to
// `maxLength` nodes, each the previous one's back child, or front child
// where the first node has no back child).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "solid/bsp.h"

namespace torvane::bsp {

// The bound of one set of planes.
struct PlaneBound {
  double ox = 0, oy = 0, oz = 0;  // a point near the planes
  double mx = 0, my = 0, mz = 0;  // the mean of their normals
  double spread = 0;              // the largest |n - mean|
  double eMin = 0, eMax = 0;      // range of n . o - w
  double scaleMax = 0;            // the largest |nx| + |ny| + |nz|
  double wAbsMax = 0;             // the largest |w|
  double oAbs = 0;                // |ox| + |oy| + |oz|
  double reachBase = 0;           // the tolerance, widened for the largest |w|
  double spreadSquared = 0;
};

// A tree built from a list takes each child's plane from the head of a list
// that every level reverses, so the planes of a path alternate between the
// two ends of the input: the even and the odd nodes of a run are bounded
// apart.
struct PlaneRun {
  PlaneBound bounds[2];
  uint32_t last = kNoCsgNode;  // the run's last node
  uint32_t length = 0;         // 0 or 1: no run worth testing
  uint32_t side = kCsgBack;    // kCsgBack or kCsgFront
};

// The run of `planes` (consecutive nodes of a path, at least 2) on `side`;
// false when there are too few or one is not finite.
bool BoundPlanes(std::span<const CsgPlane> planes, uint32_t side, PlaneRun& run);

std::vector<PlaneRun> MakePlaneRuns(const CsgTree& tree, uint32_t maxLength);

// The run that starts at node `start` (length 0 when there is none);
// `planes` is scratch space.
PlaneRun MakePlaneRun(const CsgTree& tree, uint32_t start, uint32_t maxLength,
                      std::vector<CsgPlane>& planes);

// True when the ball lies beyond the tolerance on the run's side of every
// plane of the run, so that each node would send the polygon, whole, that
// way. The bound covers the rounding of the single-precision classification.
bool BallPassesRun(const PlaneRun& run, const CsgBall& ball);

}  // namespace torvane::bsp
