// ZLibOpen: a streaming zlib inflater for the package's compressed entries.
//
// An entry can be far larger than the memory a 32-bit launcher can spare, so
// it is never inflated whole: the caller feeds the compressed bytes in
// pieces and takes the output in buffers of its own size. The stream is the
// zlib-wrapped format (RFC 1950). The object owns zlib's state and frees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane {

class ZInflater {
 public:
  enum class Status {
    kNeedInput,   // every input byte is used and the stream goes on
    kOutputFull,  // the output buffer is full; call again with a new one
    kEnd,         // the stream is complete
    kError,       // corrupt data (or no memory); ErrorText() says what
  };

  ZInflater();
  ~ZInflater();
  ZInflater(const ZInflater&) = delete;
  ZInflater& operator=(const ZInflater&) = delete;

  // The next piece of compressed input. The bytes must stay valid until
  // Inflate has returned kNeedInput (or the stream has ended).
  void SetInput(const uint8_t* data, size_t size);
  // Inflates into `out` (up to `capacity` bytes); `produced` receives the
  // number of bytes written there.
  Status Inflate(uint8_t* out, size_t capacity, size_t* produced);
  // Input bytes of the last SetInput that Inflate has not used yet.
  size_t InputLeft() const;
  // zlib's message for the last error, or a short description.
  std::string ErrorText() const;

 private:
  struct State;
  State* state_;
};

}  // namespace orvane
