// FBX import against a fake converter that plays every kind of peer: good
// messages in one piece or byte by byte, sizes beyond what arrives, counts
// that run past the message, garbage, silence, a peer that never connects
// or never exits, a non-zero exit. Every outcome is a clean Failed (or
// Cancelled), no meshes are kept, and neither the socket nor the process
// outlives the import.
#include <unistd.h>

#include "format_test_support.h"
#include "formats/fbx/fbx.h"
#include "relay_test_support.h"

#ifdef TORVANE_FAKE_MODELRELAY

namespace torvane {
namespace {

using namespace relay_test;

Block WithNormals(Block b) {
  for (size_t k = 0; k < b.indices.size(); ++k)
    b.normals.push_back({0, 0, float(k)});
  return b;
}

const std::string kValue = Header(1, 7);
const std::string kGood =
    kValue + Meshes(BlockBytes(kTetrahedron) + BlockBytes(WithNormals(kTetrahedron)));

class RelayProtocol : public ::testing::Test {
 protected:
  LoadResult Run(const std::string& mode, int exitCode, const std::string& bytes,
                 ProgressMonitor& monitor, ImportedModel& model,
                 const RelayLimits& limits = {300, 300}) {
    test::WriteFile(fbxPath_, FakeScript(mode, exitCode, bytes));
    const LoadResult result =
        ReadFbxThrough(TORVANE_FAKE_MODELRELAY, fbxPath_, monitor, model, limits);
    EXPECT_TRUE(runtime_.Empty()) << "the socket outlived the import";
    EXPECT_TRUE(NoChildLeft()) << "the converter outlived the import";
    EXPECT_TRUE(result == kLoaded || model.meshes.empty());
    return result;
  }

  RuntimeFolderScope runtime_;
  test::TempFolder files_;
  std::string fbxPath_ = files_.File("model.fbx");
};

TEST_F(RelayProtocol, WellFormedMessagesGiveTheirMeshesInOrder) {
  for (const char* mode : {"send", "trickle"}) {
    SCOPED_TRACE(mode);
    ImportedModel model;
    NullProgress monitor;
    ASSERT_EQ(Run(mode, 0, kGood, monitor, model), kLoaded);
    ASSERT_EQ(model.meshes.size(), 2u);
    const ImportedMesh& first = model.meshes.front();
    EXPECT_EQ(test::Values(first.indices), kTetrahedron.indices);
    ASSERT_EQ(first.positions.length(), 4u);
    EXPECT_TRUE(test::Near(first.positions[3], Vec3{0, 0, 1}, 0));
    EXPECT_EQ(first.normals.length(), 0u);
    ASSERT_EQ(model.meshes.back().normals.length(), 12u);
    EXPECT_TRUE(test::Near(model.meshes.back().normals[11], Vec3{0, 0, 11}, 0));
  }
  // The socket was "ovalis.modelrelay.PID-TID" in a folder only we can use,
  // and the converter ran in a process group of its own.
  const std::string seen = test::ReadFile(fbxPath_ + ".seen");
  EXPECT_TRUE(seen.starts_with(runtime_.path() + "/torvane-relay-")) << seen;
  EXPECT_TRUE(seen.ends_with("/ovalis.modelrelay." + std::to_string(getpid()) + "-" +
                             std::to_string(gettid()) + "\n700\nown group\n"))
      << seen;
}

TEST_F(RelayProtocol, EveryBrokenPeerFailsCleanly) {
  Block outOfRange = kTetrahedron, oddIndices = kTetrahedron,
        fewNormals = WithNormals(kTetrahedron);
  outOfRange.indices[5] = 4;
  oddIndices.indices.pop_back();
  fewNormals.normals.pop_back();
  std::string pastEnd = BlockBytes(kTetrahedron);
  pastEnd[0] = 5;  // five positions claimed, four sent
  const std::tuple<const char*, const char*, int, std::string> cases[] = {
      {"good messages, non-zero exit", "send", 3, kGood},
      {"size beyond what arrives", "send", 0, kValue + Meshes(BlockBytes(kTetrahedron), 100)},
      {"size beyond, then silence", "send-stay", 0, kValue + Meshes(BlockBytes(kTetrahedron), 100)},
      {"a size near 4 GiB", "send", 0, kValue + Header(2, 0xFFFFFFF0u) + std::string(64, '\0')},
      {"size below the blocks' start", "send", 0, kValue + Header(2, 12) + U32(0)},
      {"counts run past the message", "send", 0, kValue + Meshes(pastEnd)},
      {"a block header cut short", "send", 0, kValue + Meshes(BlockBytes(kTetrahedron) + U32(1))},
      {"index beyond the positions", "send", 0, kValue + Meshes(BlockBytes(outOfRange))},
      {"index count not whole triangles", "send", 0, kValue + Meshes(BlockBytes(oddIndices))},
      {"normals neither 0 nor per corner", "send", 0, kValue + Meshes(BlockBytes(fewNormals))},
      {"meshes without the value first", "send", 0, Meshes(BlockBytes(kTetrahedron))},
      {"a second value instead of meshes", "send", 0, kValue + kValue},
      {"garbage", "send", 0, "this is not what a converter sends"},
      {"nothing at all", "send", 0, ""},
      {"the value only, then silence", "send-stay", 0, kValue},
      {"everything, then no exit", "send-hang", 0, kGood},
      {"never connects, exits 0", "no-connect", 0, ""},
  };
  for (const auto& [name, mode, exitCode, bytes] : cases) {
    SCOPED_TRACE(name);
    ImportedModel model;
    NullProgress monitor;
    EXPECT_EQ(Run(mode, exitCode, bytes, monitor, model), kFailed);
  }
}

TEST_F(RelayProtocol, CancelStopsAConverterThatNeverConnectsOrGoesSilent) {
  for (const char* mode : {"no-connect-stay", "send-stay", "send-hang"}) {
    SCOPED_TRACE(mode);
    ImportedModel model;
    CancellingSleeps monitor(5);
    // Limits far beyond the five waits: only Cancel can end these.
    EXPECT_EQ(Run(mode, 0, mode == std::string("send-hang") ? kGood : kValue, monitor, model,
                  RelayLimits{60000, 60000}),
              kCancelled);
  }
}

TEST_F(RelayProtocol, AMissingOrUnstartableConverterFails) {
  NullProgress monitor;
  test::WriteFile(fbxPath_, FakeScript("send", 0, kGood));
  // Missing, a folder, a file that cannot run.
  for (const std::string& converter : {files_.File("none"), files_.path(), fbxPath_}) {
    ImportedModel model;
    EXPECT_EQ(ReadFbxThrough(converter, fbxPath_, monitor, model), kFailed);
    EXPECT_TRUE(runtime_.Empty());
  }
}

}  // namespace
}  // namespace torvane

#endif
