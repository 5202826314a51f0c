// libFuzzer target: feeds arbitrary bytes to the TVX reader through a file
// and, when they load, through the conversion into a document, as opening a
// file does. Any crash, overrun, hang or runaway allocation is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/document.h"
#include "core/null_progress.h"
#include "formats/imported_model.h"
#include "formats/model_file.h"
#include "formats/tvx/tvx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace torvane;
  static const std::string path = "/tmp/torvane_fuzz_tvx_" + std::to_string(::getpid()) + ".tvx";
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  NullProgress progress;
  ImportedModel model;
  if (ReadTvx(path, progress, model) == kLoaded) {
    Document document;
    ConvertModelToDocument(model, document, progress, /*restore=*/true);
  }
  return 0;
}
