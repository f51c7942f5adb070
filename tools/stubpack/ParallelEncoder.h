// ParallelEncoder: compresses the pieces of the files to pack on several
// threads and hands them back in the order they were submitted, so that one
// writer lays out the package exactly as a build on one thread does.
//
// Memory stays bounded whatever the product's size: the caller submits a
// piece only while fewer than MaxInFlight() are waiting to be taken, and a
// piece holds its file bytes and their compressed form only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// MinGW's compilers with the win32 thread model (before GCC 13) have no
// std::thread: there the builder compresses on the caller's thread.
#if !defined(__MINGW32__) || defined(_GLIBCXX_HAS_GTHREADS)
#define ORVANE_STUBPACK_THREADS 1
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

#include "EntryCodec.h"
#include "package/PackFormat.h"

namespace orvane::stubpack {

// The buffer of one piece: room for the entry's header text and its zero
// byte, then the file bytes. Encoding writes the header into that room, so
// the entry is never copied to be compressed.
class PieceBuffer {
 public:
  PieceBuffer() = default;
  // Room for `dataSize` file bytes after the header of `header`.
  PieceBuffer(const pack::EntryHeader& header, size_t dataSize);
  char* Data() { return &bytes_[prefix_]; }
  std::string_view DataView() const { return std::string_view(bytes_).substr(prefix_); }
  // Keeps the first `size` file bytes only.
  void ShrinkData(size_t size) { bytes_.resize(prefix_ + size); }

 private:
  friend class PieceEncoding;
  std::string bytes_;
  size_t prefix_ = 0;
};

struct EncodedPiece {
  pack::EntryHeader header;
  EncodedEntry entry;
  // The file bytes, kept when the caller may have to split the entry (a
  // volume that fills up); else empty.
  std::string data;
  uint64_t dataSize = 0;
  size_t tag = 0;  // the caller's, handed back unchanged
};

// The entry EncodeEntry(header, data, compress) makes, built in the piece's
// own buffer; `keepData` keeps the file bytes in the result.
EncodedPiece EncodePiece(const pack::EntryHeader& header, PieceBuffer piece, bool compress,
                         bool keepData, size_t tag);

class ParallelEncoder {
 public:
  // `workers` threads (0 or 1: the pieces are encoded by TakeNext on the
  // caller's thread); at most `maxInFlight` (at least 1) pieces queued.
  ParallelEncoder(unsigned workers, size_t maxInFlight, bool compress, bool keepData);
  ~ParallelEncoder();
  ParallelEncoder(const ParallelEncoder&) = delete;
  ParallelEncoder& operator=(const ParallelEncoder&) = delete;

  size_t MaxInFlight() const { return maxInFlight_; }
  size_t Pending() const;
  bool Full() const { return Pending() >= maxInFlight_; }
  // Queues a piece; only when not Full().
  void Submit(const pack::EntryHeader& header, PieceBuffer piece, size_t tag);
  // The oldest piece not yet taken, encoded (waits for it); only when
  // Pending() > 0.
  EncodedPiece TakeNext();

 private:
  struct Slot {
    pack::EntryHeader header;
    PieceBuffer piece;
    size_t tag = 0;
    bool done = false;
    EncodedPiece result;
  };
  void Work();

  const bool compress_;
  const bool keepData_;
  const size_t maxInFlight_;
  std::deque<Slot> slots_;  // submitted and not taken, oldest first
#ifdef ORVANE_STUBPACK_THREADS
  mutable std::mutex mutex_;
  std::condition_variable queued_;  // a slot to start, or stop
  std::condition_variable done_;    // a slot finished
  size_t started_ = 0;              // slots_ [0, started_) are taken by workers
  bool stop_ = false;
  std::vector<std::thread> threads_;
#endif
};

// The number of threads for `requested` jobs: all cores for 0, at least 1
// (1 where there are no threads).
unsigned WorkerCount(unsigned requested);

// How many pieces of `pieceSize` bytes may be in flight for `workers`: two
// per worker, fewer when that would take more than `memoryBudget` bytes
// (a piece and its compressed form), at least one.
size_t PiecesInFlight(unsigned workers, uint64_t pieceSize, uint64_t memoryBudget);

}  // namespace orvane::stubpack
