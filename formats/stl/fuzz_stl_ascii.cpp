// libFuzzer target: the ASCII STL reader.
#include "formats/stl/fuzz_stl_common.h"
#include "formats/stl/stl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return torvane::FuzzOneInput(torvane::ReadStlAscii, data, size);
}
