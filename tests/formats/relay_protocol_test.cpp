// FBX import against a fake converter that plays every kind of peer: good
// messages in one piece or byte by byte, sizes beyond what arrives, counts
// that run past the message, garbage, silence, a peer that never connects
// or never exits, a non-zero exit. Every outcome is a clean Failed (or
// Cancelled), no meshes are kept, and neither the socket nor the process
// outlives the import.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "formats/fbx/fbx.h"
#include "formats/fbx/relay_messages.h"
#include "formats/imported_model.h"
#include "relay_test_support.h"

#ifdef TORVANE_FAKE_MODELRELAY

namespace torvane {
namespace {

using test::Block;
using test::BlockBytes;
using test::Header;
using test::Meshes;
using test::U32;

const Block kTetrahedron{
    {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3}, {}, 4};

Block WithNormals(Block b) {
  for (size_t k = 0; k < b.indices.size(); ++k)
    b.normals.push_back({0, 0, float(k)});
  b.texCoords = 0;
  return b;
}

const std::string kGood =
    Header(1, 7) + Meshes(BlockBytes(kTetrahedron) + BlockBytes(WithNormals(kTetrahedron)));

struct RelayCase {
  const char* name;
  const char* mode;
  int exitCode;
  std::string bytes;
  LoadResult expected;
};

constexpr RelayLimits kShortLimits{300, 300};

class RelayProtocol : public ::testing::Test {
 protected:
  LoadResult Run(const std::string& mode, int exitCode, const std::string& bytes,
                 ProgressMonitor& monitor, ImportedModel& model,
                 const RelayLimits& limits = kShortLimits) {
    fbxPath_ = files_.File("model.fbx");
    test::WriteFile(fbxPath_, mode + " " + std::to_string(exitCode) + "\n" + bytes);
    const LoadResult result =
        ReadFbxThrough(TORVANE_FAKE_MODELRELAY, fbxPath_, monitor, model, limits);
    EXPECT_EQ(runtime_.folder().EntryCount(), 0u) << "the socket outlived the import";
    EXPECT_TRUE(test::NoChildLeft()) << "the converter outlived the import";
    return result;
  }
  std::string Seen() const { return test::ReadFile(fbxPath_ + ".seen"); }

  test::RuntimeFolderScope runtime_;
  test::TempFolder files_;
  std::string fbxPath_;
};

TEST_F(RelayProtocol, WellFormedMessagesGiveTheirMeshesInOrder) {
  for (const char* mode : {"send", "trickle"}) {
    SCOPED_TRACE(mode);
    ImportedModel model;
    NullProgress monitor;
    ASSERT_EQ(Run(mode, 0, kGood, monitor, model), kLoaded);
    ASSERT_EQ(model.meshes.size(), 2u);
    const ImportedMesh& first = model.meshes.front();
    EXPECT_EQ(test::Indices(first), kTetrahedron.indices);
    ASSERT_EQ(first.positions.length(), 4u);
    EXPECT_TRUE(test::Near(first.positions[3], Vec3{0, 0, 1}, 0));
    EXPECT_EQ(first.normals.length(), 0u);
    const ImportedMesh& second = model.meshes.back();
    ASSERT_EQ(second.normals.length(), 12u);
    EXPECT_TRUE(test::Near(second.normals[11], Vec3{0, 0, 11}, 0));
  }
  // The socket was "ovalis.modelrelay.PID-TID" in a folder only we can use.
  const std::string seen = Seen();
  EXPECT_NE(seen.find(runtime_.folder().path() + "/torvane-relay-"), std::string::npos) << seen;
  EXPECT_NE(seen.find("/ovalis.modelrelay." + std::to_string(getpid()) + "-" +
                      std::to_string(gettid()) + "\n700\n"),
            std::string::npos)
      << seen;
}

TEST_F(RelayProtocol, EveryBrokenPeerFailsCleanly) {
  const std::string value = Header(1, 7);
  Block outOfRange = kTetrahedron;
  outOfRange.indices[5] = 4;
  Block oddIndices = kTetrahedron;
  oddIndices.indices.pop_back();
  Block fewNormals = WithNormals(kTetrahedron);
  fewNormals.normals.pop_back();
  std::string pastEnd = BlockBytes(kTetrahedron);
  pastEnd[0] = 5;  // five positions claimed, four sent
  const RelayCase cases[] = {
      {"good messages, non-zero exit", "send", 3, kGood, kFailed},
      {"size beyond what arrives, hang-up", "send", 0,
       value + Meshes(BlockBytes(kTetrahedron), 100), kFailed},
      {"size beyond what arrives, then silence", "send-stay", 0,
       value + Meshes(BlockBytes(kTetrahedron), 100), kFailed},
      {"a size near 4 GiB", "send", 0, value + Header(2, 0xFFFFFFF0u) + std::string(64, '\0'),
       kFailed},
      {"size below the message's own start", "send", 0, value + Header(2, 12) + U32(0), kFailed},
      {"counts run past the message", "send", 0, value + Meshes(pastEnd), kFailed},
      {"a block header cut short", "send", 0, value + Meshes(BlockBytes(kTetrahedron) + U32(1)),
       kFailed},
      {"index beyond the positions", "send", 0, value + Meshes(BlockBytes(outOfRange)), kFailed},
      {"index count not whole triangles", "send", 0, value + Meshes(BlockBytes(oddIndices)),
       kFailed},
      {"normal count neither 0 nor the corners", "send", 0, value + Meshes(BlockBytes(fewNormals)),
       kFailed},
      {"meshes without the value first", "send", 0, Meshes(BlockBytes(kTetrahedron)), kFailed},
      {"a second value instead of meshes", "send", 0, value + value, kFailed},
      {"garbage", "send", 0, "this is not what a converter sends", kFailed},
      {"nothing at all", "send", 0, "", kFailed},
      {"the value only, then silence", "send-stay", 0, value, kFailed},
      {"everything, then no exit", "send-hang", 0, kGood, kFailed},
      {"never connects, exits 0", "no-connect", 0, "", kFailed},
  };
  for (const RelayCase& c : cases) {
    SCOPED_TRACE(c.name);
    ImportedModel model;
    NullProgress monitor;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(c.mode, c.exitCode, c.bytes, monitor, model), c.expected);
    EXPECT_TRUE(model.meshes.empty());
    // Limits of 300 ms: nobody waits on a broken peer for long.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST_F(RelayProtocol, CancelStopsAConverterThatNeverConnectsOrGoesSilent) {
  for (const char* mode : {"no-connect-stay", "send-stay", "send-hang"}) {
    SCOPED_TRACE(mode);
    ImportedModel model;
    test::CancellingSleeps monitor(5);
    // Limits far beyond the five waits: only Cancel can end these.
    EXPECT_EQ(Run(mode, 0, mode == std::string("send-hang") ? kGood : Header(1, 7), monitor, model,
                  RelayLimits{60000, 60000}),
              kCancelled);
    EXPECT_TRUE(model.meshes.empty());
  }
}

TEST_F(RelayProtocol, AMissingOrUnstartableConverterFails) {
  NullProgress monitor;
  test::WriteFile(files_.File("model.fbx"), "send 0\n" + kGood);
  // Missing, a folder, a file that cannot run.
  for (const std::string& converter :
       {files_.File("no-such-converter"), files_.path(), files_.File("model.fbx")}) {
    ImportedModel model;
    EXPECT_EQ(ReadFbxThrough(converter, files_.File("model.fbx"), monitor, model), kFailed);
    EXPECT_EQ(runtime_.folder().EntryCount(), 0u);
  }
}

// The reassembly itself, piece by piece: the message grows only with what
// arrives, whatever size the header claims.
TEST(RelayMessages, AClaimedSizeNeverReservesMoreThanArrived) {
  RelayStream stream;
  const std::string bytes = Header(1, 9) + Header(2, 0xFFFFFFF0u) + std::string(100, '\0');
  for (char c : bytes)
    ASSERT_EQ(FeedRelayStream(stream, reinterpret_cast<const uint8_t*>(&c), 1), FeedStatus::kMore);
  EXPECT_EQ(stream.relayValue, 9u);
  EXPECT_EQ(stream.message.size(), 108u);
  EXPECT_LE(stream.message.capacity(), 1024u);
}

}  // namespace
}  // namespace torvane

#endif
