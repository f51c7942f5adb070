// EntryCodec: zlib at level 9 for the builder, streaming inflation for the
// inspector (which never holds a whole entry in memory).
#include "EntryCodec.h"

#include <algorithm>
#include <optional>
#include <vector>

#include <zlib.h>

namespace orvane::stubpack {
namespace {

constexpr size_t kChunk = 64 * 1024;

// A zlib stream of `bytes`, or nothing when zlib fails (it does not for
// in-memory input of this size, but an empty result must not be stored).
std::optional<std::string> Deflate(std::string_view bytes) {
  z_stream stream{};
  if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK)
    return std::nullopt;
  std::string out(deflateBound(&stream, static_cast<uLong>(bytes.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  stream.avail_in = static_cast<uInt>(bytes.size());
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  const size_t produced = static_cast<size_t>(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END)
    return std::nullopt;
  out.resize(produced);
  return out;
}

}  // namespace

std::string EntryHeaderText(const pack::EntryHeader& header, std::string_view data) {
  pack::EntryHeader checked = header;
  checked.hasCrc = true;
  checked.crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  return pack::MakeEntryHeader(checked);
}

EncodedEntry EncodeEntry(const pack::EntryHeader& entryHeader, std::string_view data,
                         bool compress) {
  const std::string header = EntryHeaderText(entryHeader, data);
  EncodedEntry entry;
  entry.payload.reserve(header.size() + 1 + data.size());
  entry.payload.append(header);
  entry.payload.push_back('\0');
  entry.payload.append(data);
  if (compress) {
    std::optional<std::string> deflated = Deflate(entry.payload);
    if (deflated && deflated->size() < entry.payload.size()) {
      entry.payload = std::move(*deflated);
      entry.length = static_cast<int32_t>(entry.payload.size());
      return entry;
    }
  }
  entry.length = -static_cast<int32_t>(entry.payload.size());
  return entry;
}

bool FitEntry(const pack::EntryHeader& header, std::string_view data, bool compress,
              uint64_t budget, size_t& taken, EncodedEntry& entry) {
  const uint64_t overhead = 4 + EntryHeaderText(header, {}).size() + 1;
  EncodedEntry whole = EncodeEntry(header, data, compress);
  if (whole.StoredSize() <= budget) {
    taken = data.size();
    entry = std::move(whole);
    return true;
  }
  if (data.empty() || budget < overhead + 1)
    return false;
  // A compressed entry is never longer than the stored one, so what fits
  // stored fits: the search starts there and grows towards the whole.
  size_t low = static_cast<size_t>(std::min<uint64_t>(budget - overhead, data.size()));
  std::optional<EncodedEntry> lowEntry;
  if (compress) {
    size_t high = data.size();
    uint64_t highSize = whole.StoredSize();
    for (int round = 0; round < 6; ++round) {
      const size_t margin = std::max<size_t>(4096, high / 256);
      if (high - low <= margin)
        break;
      // Guess from the ratio seen at `high`, aiming a little below the budget.
      const double perByte = static_cast<double>(highSize) / static_cast<double>(high + overhead);
      double guess = static_cast<double>(budget) / perByte * 0.995 - static_cast<double>(overhead);
      size_t next = guess <= static_cast<double>(low) || guess >= static_cast<double>(high)
                        ? low + (high - low) / 2
                        : static_cast<size_t>(guess);
      next = std::clamp(next, low + 1, high - 1);
      EncodedEntry trial = EncodeEntry(header, data.substr(0, next), true);
      if (trial.StoredSize() <= budget) {
        low = next;
        lowEntry = std::move(trial);
      } else {
        high = next;
        highSize = trial.StoredSize();
      }
    }
  }
  taken = low;
  entry = lowEntry ? std::move(*lowEntry) : EncodeEntry(header, data.substr(0, low), compress);
  return true;
}

InflateOutcome InflateFrom(const pack::ByteSource& source, uint64_t offset, uint64_t length,
                           const std::function<void(const uint8_t*, size_t)>& sink) {
  InflateOutcome outcome;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) {
    outcome.error = "zlib cannot start";
    return outcome;
  }
  std::vector<uint8_t> in(kChunk);
  std::vector<uint8_t> out(kChunk);
  uint64_t read = 0;
  int result = Z_OK;
  while (result != Z_STREAM_END) {
    if (stream.avail_in == 0 && read < length) {
      const size_t count = static_cast<size_t>(std::min<uint64_t>(kChunk, length - read));
      if (!source.ReadAt(offset + read, in.data(), count)) {
        outcome.error = "the payload cannot be read";
        break;
      }
      read += count;
      stream.next_in = in.data();
      stream.avail_in = static_cast<uInt>(count);
    }
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    result = inflate(&stream, Z_NO_FLUSH);
    const size_t produced = out.size() - stream.avail_out;
    if (produced != 0) {
      outcome.produced += produced;
      sink(out.data(), produced);
    }
    if (result == Z_BUF_ERROR && stream.avail_in == 0 && read == length) {
      outcome.error = "the zlib stream ends before its end marker";
      break;
    }
    if (result != Z_OK && result != Z_STREAM_END) {
      outcome.error = std::string("zlib: ") + (stream.msg != nullptr ? stream.msg : zError(result));
      break;
    }
  }
  outcome.ok = result == Z_STREAM_END;
  outcome.consumed = read - stream.avail_in;
  inflateEnd(&stream);
  return outcome;
}

}  // namespace orvane::stubpack
