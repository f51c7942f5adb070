// Registry: reads one registry value, named by a key path written as text,
// as a string. The launcher only ever reads the registry, and only this way.
#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Value `valueName` (empty: the key's default value) of the key named by
// `keyPath` (see SplitRegPath in RegPath.h), converted to text as
// ConvertRegValue does. An existing value replaces the default even when its
// text is empty. The default comes back when the key cannot be opened, the
// value is missing or longer than 10,240 bytes. `use64BitView` opens the key
// in the 64-bit registry view (KEY_WOW64_64KEY), which matters to a 32-bit
// process on 64-bit Windows.
std::string ReadRegString(std::string_view keyPath, std::string_view valueName,
                          std::string_view defaultValue, bool use64BitView = false);

}  // namespace orvane
