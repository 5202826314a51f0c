// The unit tables of the primitive shapes, computed in single precision
// exactly as the shapes have always been generated (angles stepped by the
// float constants below), so that every run produces the same vertices.
#include "core/primitive_tables.h"

#include <cmath>

namespace torvane {
namespace {

constexpr float kPi = 3.14159265f;

void AddTriangle(PrimitiveTable& table, uint32_t a, uint32_t b, uint32_t c) {
  table.cornerIndices.push_back(a);
  table.cornerIndices.push_back(b);
  table.cornerIndices.push_back(c);
}

PrimitiveTable MakeCube() {
  PrimitiveTable table;
  // Bit 0 of the index picks +x, bit 1 +z, bit 2 +y.
  for (uint32_t i = 0; i < 8; ++i) {
    table.positions.push_back(
        Vec3{(i & 1) ? 0.5f : -0.5f, (i & 4) ? 0.5f : -0.5f, (i & 2) ? 0.5f : -0.5f});
  }
  static constexpr uint32_t kTriangles[12][3] = {
      {0, 4, 5}, {5, 1, 0},  // -Z
      {1, 5, 7}, {7, 3, 1},  // +X
      {3, 7, 6}, {6, 2, 3},  // +Z
      {2, 6, 4}, {4, 0, 2},  // -X
      {4, 6, 7}, {7, 5, 4},  // +Y
      {2, 0, 1}, {1, 3, 2},  // -Y
  };
  for (const auto& t : kTriangles)
    AddTriangle(table, t[0], t[1], t[2]);
  table.cornerCapacity = static_cast<uint32_t>(table.cornerIndices.size());
  return table;
}

constexpr uint32_t kSphereBands = 16;
constexpr uint32_t kSphereSegments = 16;
constexpr uint32_t kSphereCornerCapacity = 1503;

PrimitiveTable MakeSphere() {
  PrimitiveTable table;
  table.positions.push_back(Vec3{0.0f, 1.0f, 0.0f});
  for (uint32_t i = 1; i < kSphereBands; ++i) {
    const float t = static_cast<float>(i) * kPi * 0.0625f;
    for (uint32_t j = 0; j < kSphereSegments; ++j) {
      const float a = static_cast<float>(j) * 2.0f * kPi * 0.0625f;
      table.positions.push_back(
          Vec3{std::cos(a) * std::sin(t), std::cos(t), std::sin(a) * std::sin(t)});
    }
  }
  const uint32_t bottom = static_cast<uint32_t>(table.positions.size());
  table.positions.push_back(Vec3{0.0f, -1.0f, 0.0f});

  // Vertex j of ring r (r = 0 is the ring next to the top pole).
  auto ring = [](uint32_t r, uint32_t j) { return 1 + kSphereSegments * r + j; };
  for (uint32_t band = 0; band < kSphereBands; ++band) {
    for (uint32_t j = 0; j < kSphereSegments; ++j) {
      const uint32_t next = (j + 1) % kSphereSegments;
      if (band == 0) {
        AddTriangle(table, ring(0, j), 0, ring(0, next));
      } else if (band == kSphereBands - 1) {
        AddTriangle(table, ring(band - 1, j), ring(band - 1, next), bottom);
      } else {
        AddTriangle(table, ring(band - 1, j), ring(band - 1, next), ring(band, j));
        AddTriangle(table, ring(band, j), ring(band - 1, next), ring(band, next));
      }
    }
  }
  table.cornerCapacity = kSphereCornerCapacity;
  return table;
}

PrimitiveTable MakeIcosahedron() {
  PrimitiveTable table;
  const float b = 0.4636476f;     // atan(0.5)
  const float step = 1.2566371f;  // 2 pi / 5
  table.positions.push_back(Vec3{0.0f, 0.0f, -1.0f});
  for (int k = 0; k < 5; ++k) {
    const float a = static_cast<float>(k) * step;
    table.positions.push_back(
        Vec3{std::cos(a) * std::cos(b), std::sin(a) * std::cos(b), -std::sin(b)});
  }
  for (int k = 0; k < 5; ++k) {
    const float a = 0.62831855f + static_cast<float>(k) * step;
    table.positions.push_back(
        Vec3{std::cos(a) * std::cos(b), std::sin(a) * std::cos(b), std::sin(b)});
  }
  table.positions.push_back(Vec3{0.0f, 0.0f, 1.0f});
  static constexpr uint32_t kTriangles[20][3] = {
      {0, 2, 1},  {0, 3, 2},   {0, 4, 3},   {0, 5, 4}, {0, 1, 5},  {11, 6, 7}, {11, 7, 8},
      {11, 8, 9}, {11, 9, 10}, {11, 10, 6}, {1, 2, 6}, {2, 3, 7},  {3, 4, 8},  {4, 5, 9},
      {5, 1, 10}, {6, 2, 7},   {7, 3, 8},   {8, 4, 9}, {9, 5, 10}, {10, 1, 6},
  };
  for (const auto& t : kTriangles)
    AddTriangle(table, t[0], t[1], t[2]);
  table.cornerCapacity = static_cast<uint32_t>(table.cornerIndices.size());
  return table;
}

constexpr uint32_t kTorusSteps = 20;

PrimitiveTable MakeTorus() {
  PrimitiveTable table;
  const float step = 0.31415927f;  // pi / 10, accumulated by addition
  float u = 0.0f;
  for (uint32_t i = 0; i < kTorusSteps; ++i) {
    float v = 0.0f;
    for (uint32_t j = 0; j < kTorusSteps; ++j) {
      const float r = 0.4f + 0.1f * std::cos(v);
      table.positions.push_back(Vec3{std::cos(u) * r, std::sin(u) * r, std::sin(-v) * 0.1f});
      v += step;
    }
    u += step;
  }
  for (uint32_t i = 0; i < kTorusSteps; ++i) {
    const uint32_t i2 = (i + 1) % kTorusSteps;
    for (uint32_t j = 0; j < kTorusSteps; ++j) {
      const uint32_t j2 = (j + 1) % kTorusSteps;
      const uint32_t a = kTorusSteps * i + j;
      const uint32_t b = kTorusSteps * i + j2;
      const uint32_t c = kTorusSteps * i2 + j;
      const uint32_t d = kTorusSteps * i2 + j2;
      AddTriangle(table, a, b, c);
      AddTriangle(table, b, d, c);
    }
  }
  table.cornerCapacity = static_cast<uint32_t>(table.cornerIndices.size());
  return table;
}

// A table that cannot be built for lack of memory is tried again on the next
// call: a static whose initialiser throws stays uninitialised.
template <PrimitiveTable (*Make)()>
const PrimitiveTable* BuildOnce() noexcept {
  try {
    static const PrimitiveTable table = Make();
    return &table;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

const PrimitiveTable* UnitCubeTable() noexcept {
  return BuildOnce<MakeCube>();
}

const PrimitiveTable* UnitSphereTable() noexcept {
  return BuildOnce<MakeSphere>();
}

const PrimitiveTable* UnitIcosahedronTable() noexcept {
  return BuildOnce<MakeIcosahedron>();
}

const PrimitiveTable* UnitTorusTable() noexcept {
  return BuildOnce<MakeTorus>();
}

}  // namespace torvane
