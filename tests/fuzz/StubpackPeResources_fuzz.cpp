// Fuzz target of the builder's PE resource code, which `stubpack inspect`
// runs on any file and `build` on the launcher it is given: any bytes as an
// image and as an .ico file. Reading must not crash or read outside the
// input; a rewrite that succeeds must give an image whose resources read
// back as written, and a refused rewrite must leave the image as it was.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PeResources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane::stubpack;
  const std::string input(reinterpret_cast<const char*>(data), size);

  ResourceSummary summary;
  std::string error;
  ReadResourceSummary(input, summary, error);

  std::vector<IconImage> icons;
  ParseIcoFile(input, icons, error);

  Branding branding;
  branding.version = true;
  branding.versionNumbers = {1, 2, 3, 4};
  branding.versionText = "1.2.3.4";
  branding.productName = "Fuzz";
  std::string image = input;
  if (ApplyBranding(image, branding, error)) {
    ResourceSummary branded;
    if (!ReadResourceSummary(image, branded, error) || !branded.hasVersion ||
        branded.fileVersion != branding.versionNumbers)
      __builtin_trap();
  } else if (image != input) {
    __builtin_trap();
  }
  return 0;
}
