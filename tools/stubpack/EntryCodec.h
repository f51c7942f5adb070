// EntryCodec: the stored form of a file entry and its decoding.
//
// A stored entry is a signed 32-bit length L and |L| payload bytes. The
// entry itself is its header text, one zero byte and the file's bytes; it is
// stored as a zlib stream (L > 0) when that is smaller, else as it is (L <= 0).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "package/PackFormat.h"

namespace orvane::stubpack {

struct EncodedEntry {
  int32_t length = 0;  // > 0: the payload is a zlib stream; <= 0: stored as it is
  std::string payload;
  bool Compressed() const { return length > 0; }
  // Bytes the entry takes in a volume: the length field and the payload.
  uint64_t StoredSize() const { return 4 + payload.size(); }
};

// The entry of `header` (written with the CRC-32 of `data` as its check
// value) and `data`; with `compress`, deflated at level 9 when the zlib
// stream is shorter than the entry itself. The entry must be shorter than
// 2 GiB.
EncodedEntry EncodeEntry(const pack::EntryHeader& header, std::string_view data, bool compress);

// The longest start of `data` whose entry takes at most `budget` bytes in a
// volume: its length goes to `taken` and its entry to `entry`. False when
// not even one byte of data fits (an empty `data` fits when its entry does).
// With compression the search is close, not exact: it may leave a little of
// the budget unused.
bool FitEntry(const pack::EntryHeader& header, std::string_view data, bool compress,
              uint64_t budget, size_t& taken, EncodedEntry& entry);

// The header text of an entry of `header` and `data`: with the CRC-32 of
// `data`; every entry of a file has a header of the same length.
std::string EntryHeaderText(const pack::EntryHeader& header, std::string_view data);

struct InflateOutcome {
  bool ok = false;
  std::string error;      // zlib's message, or what else went wrong
  uint64_t consumed = 0;  // payload bytes used by the stream
  uint64_t produced = 0;  // inflated bytes
};
// Inflates the zlib stream in `length` bytes at `offset` of `source`, handing
// every piece of output to `sink`. A stream that ends before its end marker,
// or data zlib rejects, is a failure.
InflateOutcome InflateFrom(const pack::ByteSource& source, uint64_t offset, uint64_t length,
                           const std::function<void(const uint8_t*, size_t)>& sink);

}  // namespace orvane::stubpack
