// ParallelEncoder: worker threads that compress pieces, taken in order.
#include "ParallelEncoder.h"

#include <algorithm>
#include <cstring>

#include <zlib.h>

namespace orvane::stubpack {

PieceBuffer::PieceBuffer(const pack::EntryHeader& header, size_t dataSize)
    : prefix_(EntryHeaderText(header, {}).size() + 1) {
  bytes_.resize(prefix_ + dataSize);
}

// Builds entries in a PieceBuffer (a friend, so the buffer keeps its room
// private to everyone else).
class PieceEncoding {
 public:
  static EncodedPiece Encode(const pack::EntryHeader& header, PieceBuffer piece, bool compress,
                             bool keepData, size_t tag) {
    EncodedPiece result;
    result.header = header;
    result.tag = tag;
    result.dataSize = piece.bytes_.size() - piece.prefix_;
    const std::string text = EntryHeaderText(header, piece.DataView());
    if (text.size() + 1 != piece.prefix_) {
      // Cannot happen (every header of one entry has the same length); the
      // plain encoding is right whatever the length.
      result.entry = EncodeEntry(header, piece.DataView(), compress);
      if (keepData)
        result.data.assign(piece.DataView());
      return result;
    }
    std::memcpy(&piece.bytes_[0], text.data(), text.size());
    piece.bytes_[text.size()] = '\0';
    if (compress && DeflateShorter(piece.bytes_, result.entry.payload)) {
      result.entry.length = static_cast<int32_t>(result.entry.payload.size());
      if (keepData)
        result.data.assign(piece.DataView());
      return result;
    }
    result.entry.payload = std::move(piece.bytes_);
    result.entry.length = -static_cast<int32_t>(result.entry.payload.size());
    if (keepData)
      result.data = result.entry.payload.substr(piece.prefix_);
    return result;
  }

 private:
  // The zlib stream (level 9) of `in` into `out` when it is shorter than
  // `in`. The output grows as needed and stops at that length, so an
  // incompressible piece never holds a second copy of its size; zlib's
  // bytes do not depend on how its output space is handed out.
  static bool DeflateShorter(const std::string& in, std::string& out) {
    if (in.size() < 2)
      return false;
    z_stream stream{};
    if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK)
      return false;
    const size_t limit = in.size() - 1;
    out.resize(std::min(limit, std::max<size_t>(64 * 1024, in.size() / 4)));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    int status = Z_OK;
    for (;;) {
      status = deflate(&stream, Z_FINISH);
      if (status != Z_OK || stream.avail_out != 0 || out.size() == limit)
        break;
      const size_t used = out.size();
      out.resize(std::min(limit, used * 2));
      stream.next_out = reinterpret_cast<Bytef*>(&out[used]);
      stream.avail_out = static_cast<uInt>(out.size() - used);
    }
    const size_t produced = static_cast<size_t>(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) {
      out.clear();
      out.shrink_to_fit();
      return false;
    }
    out.resize(produced);
    return true;
  }
};

EncodedPiece EncodePiece(const pack::EntryHeader& header, PieceBuffer piece, bool compress,
                         bool keepData, size_t tag) {
  return PieceEncoding::Encode(header, std::move(piece), compress, keepData, tag);
}

ParallelEncoder::ParallelEncoder(unsigned workers, size_t maxInFlight, bool compress, bool keepData)
    : compress_(compress), keepData_(keepData), maxInFlight_(std::max<size_t>(1, maxInFlight)) {
#ifdef ORVANE_STUBPACK_THREADS
  if (workers > 1) {
    threads_.reserve(workers);
    for (unsigned i = 0; i < workers; ++i)
      threads_.emplace_back([this] { Work(); });
  }
#else
  (void)workers;
#endif
}

#ifdef ORVANE_STUBPACK_THREADS
ParallelEncoder::~ParallelEncoder() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  queued_.notify_all();
  for (std::thread& thread : threads_)
    thread.join();
}

size_t ParallelEncoder::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slots_.size();
}

void ParallelEncoder::Submit(const pack::EntryHeader& header, PieceBuffer piece, size_t tag) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = slots_.emplace_back();
    slot.header = header;
    slot.piece = std::move(piece);
    slot.tag = tag;
  }
  queued_.notify_one();
}

EncodedPiece ParallelEncoder::TakeNext() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (threads_.empty()) {
    // One job: the caller's thread encodes.
    Slot slot = std::move(slots_.front());
    slots_.pop_front();
    lock.unlock();
    return EncodePiece(slot.header, std::move(slot.piece), compress_, keepData_, slot.tag);
  }
  done_.wait(lock, [this] { return slots_.front().done; });
  EncodedPiece result = std::move(slots_.front().result);
  slots_.pop_front();
  --started_;
  return result;
}

#else
ParallelEncoder::~ParallelEncoder() = default;

size_t ParallelEncoder::Pending() const {
  return slots_.size();
}

void ParallelEncoder::Submit(const pack::EntryHeader& header, PieceBuffer piece, size_t tag) {
  Slot& slot = slots_.emplace_back();
  slot.header = header;
  slot.piece = std::move(piece);
  slot.tag = tag;
}

EncodedPiece ParallelEncoder::TakeNext() {
  Slot slot = std::move(slots_.front());
  slots_.pop_front();
  return EncodePiece(slot.header, std::move(slot.piece), compress_, keepData_, slot.tag);
}
#endif

#ifdef ORVANE_STUBPACK_THREADS
void ParallelEncoder::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return stop_ || started_ < slots_.size(); });
    if (stop_)
      return;
    // A deque keeps the addresses of its other elements when its ends
    // change, so the slot stays put while the lock is free.
    Slot& slot = slots_[started_++];
    PieceBuffer piece = std::move(slot.piece);
    lock.unlock();
    EncodedPiece result =
        EncodePiece(slot.header, std::move(piece), compress_, keepData_, slot.tag);
    lock.lock();
    slot.result = std::move(result);
    slot.done = true;
    done_.notify_all();
  }
}

#endif

unsigned WorkerCount(unsigned requested) {
#ifdef ORVANE_STUBPACK_THREADS
  if (requested != 0)
    return requested;
  return std::max(1u, std::thread::hardware_concurrency());
#else
  (void)requested;
  return 1;
#endif
}

size_t PiecesInFlight(unsigned workers, uint64_t pieceSize, uint64_t memoryBudget) {
  const uint64_t perPiece = std::max<uint64_t>(1, 2 * pieceSize);
  const uint64_t byMemory = memoryBudget / perPiece;
  return static_cast<size_t>(
      std::max<uint64_t>(1, std::min<uint64_t>(2 * uint64_t{std::max(1u, workers)}, byMemory)));
}

}  // namespace orvane::stubpack
