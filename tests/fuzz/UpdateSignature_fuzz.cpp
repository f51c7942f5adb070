// Fuzz target of the signed-update formats the agent reads from the network
// and from its own package: any bytes as a ".sig" file and as an update key.
// Strict DER has one encoding per value, so a signature that is read must
// be written back as exactly the input, and a key that is read must give
// back its own text; neither may crash or read outside the input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "package/UpdateSignature.h"
#include "util/UtilsText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvane;
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const std::string rs = pack::EcdsaSignatureFromDer(input);
  if (!rs.empty()) {
    if (rs.size() != 2 * pack::kP256ValueBytes || pack::EcdsaSignatureToDer(rs) != input)
      __builtin_trap();
  }

  const std::string xy = pack::ParseUpdateKey(input);
  if (!xy.empty()) {
    if (xy.size() != 2 * pack::kP256ValueBytes ||
        pack::ParseUpdateKey(pack::UpdateKeyText(xy)) != xy)
      __builtin_trap();
  }
  return 0;
}
