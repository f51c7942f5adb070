#include "package/ZLibOpen.h"

#include <zlib.h>

#include <climits>
#include <new>

namespace orvane {

struct ZInflater::State {
  z_stream stream{};
  bool ready = false;
  bool ended = false;
  int lastError = Z_OK;
};

ZInflater::ZInflater() : state_(new State) {
  state_->ready = inflateInit(&state_->stream) == Z_OK;
  if (!state_->ready)
    state_->lastError = Z_MEM_ERROR;
}

ZInflater::~ZInflater() {
  if (state_->ready)
    inflateEnd(&state_->stream);
  delete state_;
}

void ZInflater::SetInput(const uint8_t* data, size_t size) {
  // zlib counts in 32 bits; callers feed pieces far below that.
  state_->stream.next_in = const_cast<Bytef*>(data);
  state_->stream.avail_in = static_cast<uInt>(size > UINT_MAX ? UINT_MAX : size);
}

size_t ZInflater::InputLeft() const {
  return state_->stream.avail_in;
}

ZInflater::Status ZInflater::Inflate(uint8_t* out, size_t capacity, size_t* produced) {
  *produced = 0;
  if (!state_->ready)
    return Status::kError;
  if (state_->ended)
    return Status::kEnd;
  z_stream& stream = state_->stream;
  stream.next_out = out;
  stream.avail_out = static_cast<uInt>(capacity > UINT_MAX ? UINT_MAX : capacity);
  const int result = inflate(&stream, Z_NO_FLUSH);
  *produced = static_cast<size_t>(stream.next_out - out);
  switch (result) {
    case Z_STREAM_END:
      state_->ended = true;
      return Status::kEnd;
    case Z_OK:
      return stream.avail_out == 0 ? Status::kOutputFull : Status::kNeedInput;
    case Z_BUF_ERROR:
      // No progress was possible: the input is used up (or the output full).
      if (stream.avail_out == 0)
        return Status::kOutputFull;
      return Status::kNeedInput;
    case Z_NEED_DICT:
      state_->lastError = Z_DATA_ERROR;
      stream.msg = const_cast<char*>("stream needs a preset dictionary");
      return Status::kError;
    default:
      state_->lastError = result;
      return Status::kError;
  }
}

std::string ZInflater::ErrorText() const {
  if (state_->stream.msg != nullptr)
    return state_->stream.msg;
  switch (state_->lastError) {
    case Z_MEM_ERROR:
      return "insufficient memory";
    case Z_DATA_ERROR:
      return "data error";
    default:
      return "zlib error " + std::to_string(state_->lastError);
  }
}

}  // namespace orvane
