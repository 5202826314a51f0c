// MakePlaneRuns and BallPassesRun: see plane_runs.h.
//
// For planes n_i . p = w_i, a point o and the mean normal m, a ball centre
// c = o + u has n_i . c - w_i = (n_i . o - w_i) + m . u + (n_i - m) . u,
// which lies within [eMin + m . u - spread |u|, eMax + m . u + spread |u|].
// Consecutive nodes of a path mostly come from neighbouring faces with
// similar normals, so the range is narrow and decides most balls far from
// the run's planes.
#include "solid/plane_runs.h"

#include <algorithm>
#include <cmath>

namespace torvane::bsp {
namespace {

bool Finite(const CsgPlane& p) {
  return std::isfinite(p.nx) && std::isfinite(p.ny) && std::isfinite(p.nz) && std::isfinite(p.w);
}

}  // namespace

bool BoundPlanes(std::span<const CsgPlane> planes, uint32_t side, PlaneRun& run) {
  run = PlaneRun{};
  if (planes.size() < 2) return false;
  for (const CsgPlane& p : planes)
    if (!Finite(p)) return false;
  for (size_t group = 0; group < 2; ++group) {
    PlaneBound& bound = run.bounds[group];
    double count = 0;
    for (size_t k = group; k < planes.size(); k += 2) {
      const CsgPlane& p = planes[k];
      bound.mx += p.nx;
      bound.my += p.ny;
      bound.mz += p.nz;
      bound.ox += double(p.w) * p.nx;
      bound.oy += double(p.w) * p.ny;
      bound.oz += double(p.w) * p.nz;
      ++count;
    }
    bound.mx /= count;
    bound.my /= count;
    bound.mz /= count;
    bound.ox /= count;
    bound.oy /= count;
    bound.oz /= count;
    bound.eMin = INFINITY;
    bound.eMax = -INFINITY;
    for (size_t k = group; k < planes.size(); k += 2) {
      const CsgPlane& p = planes[k];
      const double e =
          double(p.nx) * bound.ox + double(p.ny) * bound.oy + double(p.nz) * bound.oz - p.w;
      bound.eMin = std::min(bound.eMin, e);
      bound.eMax = std::max(bound.eMax, e);
      const double dx = p.nx - bound.mx, dy = p.ny - bound.my, dz = p.nz - bound.mz;
      bound.spread = std::max(bound.spread, std::sqrt(dx * dx + dy * dy + dz * dz));
      bound.scaleMax =
          std::max(bound.scaleMax, double(std::fabs(p.nx)) + std::fabs(p.ny) + std::fabs(p.nz));
      bound.wAbsMax = std::max(bound.wAbsMax, double(std::fabs(p.w)));
    }
    bound.spread *= 1.000001;
    bound.spreadSquared = bound.spread * bound.spread;
    bound.oAbs = std::fabs(bound.ox) + std::fabs(bound.oy) + std::fabs(bound.oz);
    bound.reachBase = kCsgPlaneTolerance + 2e-6 * bound.wAbsMax;
  }
  run.length = static_cast<uint32_t>(planes.size());
  run.side = side;
  return true;
}

PlaneRun MakePlaneRun(const CsgTree& tree, uint32_t start, uint32_t maxLength,
                      std::vector<CsgPlane>& planes) {
  const std::vector<CsgNode>& nodes = tree.nodes;
  const bool back = nodes[start].back != kNoCsgNode;
  if (!back && nodes[start].front == kNoCsgNode) return PlaneRun{};
  planes.clear();
  uint32_t last = start;
  for (;;) {
    planes.push_back(nodes[last].plane);
    if (planes.size() == maxLength) break;
    const uint32_t next = back ? nodes[last].back : nodes[last].front;
    if (next == kNoCsgNode || next >= nodes.size()) break;
    last = next;
  }
  PlaneRun run;
  if (!BoundPlanes(planes, back ? kCsgBack : kCsgFront, run)) return PlaneRun{};
  run.last = last;
  return run;
}

std::vector<PlaneRun> MakePlaneRuns(const CsgTree& tree, uint32_t maxLength) {
  std::vector<PlaneRun> runs(tree.nodes.size());
  std::vector<CsgPlane> planes;
  for (uint32_t start = 0; start < tree.nodes.size(); ++start)
    runs[start] = MakePlaneRun(tree, start, maxLength, planes);
  return runs;
}

namespace {

// `cAbs` is |cx| + |cy| + |cz| of the ball's centre.
bool BallPassesBound(const PlaneBound& b, uint32_t side, const CsgBall& ball, double cAbs) {
  const double ux = ball.cx - b.ox, uy = ball.cy - b.oy, uz = ball.cz - b.oz;
  const double along = b.mx * ux + b.my * uy + b.mz * uz;
  // The classification's rounding is far below 1e-6 of the magnitudes in
  // its sum, and its reach is widened by the same share.
  const double rounding = 1e-6 * (b.scaleMax * (cAbs + b.oAbs) + b.wAbsMax) + 1e-30;
  const double reach = (b.reachBase + b.scaleMax * ball.reach) * 1.000001;
  // What is left for spread * |u|, the most the planes' normals can turn
  // the distance away from the mean normal's.
  const double room =
      side == kCsgBack ? -reach - rounding - b.eMax - along : b.eMin + along - rounding - reach;
  return room > 0 && b.spreadSquared * (ux * ux + uy * uy + uz * uz) < room * room;
}

}  // namespace

bool BallPassesRun(const PlaneRun& run, const CsgBall& ball) {
  if (!(ball.reach < INFINITY)) return false;
  const double cAbs = double(std::fabs(ball.cx)) + std::fabs(ball.cy) + std::fabs(ball.cz);
  return BallPassesBound(run.bounds[0], run.side, ball, cAbs) &&
         BallPassesBound(run.bounds[1], run.side, ball, cAbs);
}

}  // namespace torvane::bsp
