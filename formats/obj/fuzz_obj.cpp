// libFuzzer target: any bytes read as a .obj file, and whatever loads turned
// into document objects, must end in a clean result.
#include <unistd.h>

#include <cstdint>

#include "core/document.h"
#include "core/null_progress.h"
#include "formats/imported_model.h"
#include "formats/model_file.h"
#include "formats/obj/obj.h"
#include "formats/textio/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane;
  const std::string path = WriteFuzzInput(data, size, ".obj");
  NullProgress progress;
  ImportedModel model;
  if (ReadObj(path, progress, model) == kLoaded) {
    Document document;
    ConvertModelToDocument(model, document, progress, false);
  }
  ::unlink(path.c_str());
  return 0;
}
