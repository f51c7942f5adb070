// genpayload: writes the benchmark's payload, the same bytes on every run.
//
//   genpayload tree DIR      one 200 MiB file big.bin and 2000 files s0000.dat ...
//                            of 1..100 KiB (about 100 MiB) into DIR, flat
//   genpayload file PATH MIB one file of MIB mebibytes
//
// The content is mixed like a real installer's: blocks of random bytes (which
// zlib cannot shrink), text-like lines of words (which shrink to about a third)
// and zeros. A small file is one kind throughout; a large file changes kind
// every 1 MiB block. A fixed-seed generator of our own makes the bytes the same
// whatever the C++ library.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// xoshiro256** seeded through splitmix64.
class Random {
 public:
  explicit Random(uint64_t seed) {
    for (uint64_t& word : state_) {
      seed += 0x9E3779B97F4A7C15ull;
      uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      word = z ^ (z >> 31);
    }
  }
  uint64_t Next() {
    const uint64_t result = Rotl(state_[1] * 5, 7) * 9;
    const uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotl(state_[3], 45);
    return result;
  }
  // Uniform in [0, bound).
  uint64_t Below(uint64_t bound) { return Next() % bound; }

 private:
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t state_[4];
};

enum class Kind { kRandom, kText, kZeros };

// 35 % random, 45 % text, 20 % zeros.
Kind PickKind(Random& random) {
  const uint64_t roll = random.Below(100);
  if (roll < 35)
    return Kind::kRandom;
  if (roll < 80)
    return Kind::kText;
  return Kind::kZeros;
}

// A vocabulary of 400 made-up words of 2..10 letters, drawn once.
std::vector<std::string> MakeVocabulary(Random& random) {
  std::vector<std::string> words;
  for (int i = 0; i < 400; ++i) {
    std::string word;
    const int length = 2 + static_cast<int>(random.Below(9));
    for (int j = 0; j < length; ++j)
      word += static_cast<char>('a' + random.Below(26));
    words.push_back(word);
  }
  return words;
}

class Generator {
 public:
  explicit Generator(uint64_t seed) : random_(seed), words_(MakeVocabulary(random_)) {}

  Random& random() { return random_; }

  void Fill(Kind kind, uint8_t* out, size_t size) {
    switch (kind) {
      case Kind::kRandom:
        FillRandom(out, size);
        break;
      case Kind::kText:
        FillText(out, size);
        break;
      case Kind::kZeros:
        std::memset(out, 0, size);
        break;
    }
  }

 private:
  void FillRandom(uint8_t* out, size_t size) {
    size_t pos = 0;
    for (; pos + 8 <= size; pos += 8) {
      const uint64_t value = random_.Next();
      std::memcpy(out + pos, &value, 8);
    }
    for (; pos < size; ++pos)
      out[pos] = static_cast<uint8_t>(random_.Next());
  }

  // Lines of 4..14 words; a word is picked with a skew towards the first
  // ones, as in natural text.
  void FillText(uint8_t* out, size_t size) {
    size_t pos = 0;
    int wordsLeft = 0;
    while (pos < size) {
      if (wordsLeft == 0) {
        wordsLeft = 4 + static_cast<int>(random_.Below(11));
        if (pos > 0)
          out[pos++] = '\n';
        continue;
      }
      const uint64_t r = random_.Next();
      const size_t index = static_cast<size_t>((r % words_.size()) * ((r >> 32) % 1000) / 1000);
      const std::string& word = words_[index];
      for (size_t i = 0; i < word.size() && pos < size; ++i)
        out[pos++] = static_cast<uint8_t>(word[i]);
      if (--wordsLeft > 0 && pos < size)
        out[pos++] = ' ';
    }
  }

  Random random_;
  std::vector<std::string> words_;
};

void WriteAll(int fd, const uint8_t* data, size_t size, const std::string& path) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      std::fprintf(stderr, "genpayload: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
      std::exit(1);
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
}

int CreateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    std::fprintf(stderr, "genpayload: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
    std::exit(1);
  }
  return fd;
}

void CloseFile(int fd, const std::string& path) {
  if (::close(fd) != 0) {
    std::fprintf(stderr, "genpayload: cannot close %s: %s\n", path.c_str(), std::strerror(errno));
    std::exit(1);
  }
}

// A large file of mixed 1 MiB blocks.
void WriteMixedFile(Generator& generator, const std::string& path, uint64_t mebibytes) {
  constexpr size_t kBlock = 1 << 20;
  std::vector<uint8_t> block(kBlock);
  const int fd = CreateFile(path);
  for (uint64_t i = 0; i < mebibytes; ++i) {
    generator.Fill(PickKind(generator.random()), block.data(), kBlock);
    WriteAll(fd, block.data(), kBlock, path);
  }
  CloseFile(fd, path);
}

void WriteTree(const std::string& dir) {
  Generator generator(20240601);
  WriteMixedFile(generator, dir + "/big.bin", 200);
  std::vector<uint8_t> buffer;
  for (int i = 0; i < 2000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/s%04d.dat", i);
    const size_t size = 1024 + static_cast<size_t>(generator.random().Below(99 * 1024 + 1));
    buffer.resize(size);
    generator.Fill(PickKind(generator.random()), buffer.data(), size);
    const std::string path = dir + name;
    const int fd = CreateFile(path);
    WriteAll(fd, buffer.data(), size, path);
    CloseFile(fd, path);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "tree") == 0) {
    WriteTree(argv[2]);
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "file") == 0) {
    Generator generator(19800101);
    WriteMixedFile(generator, argv[2], std::strtoull(argv[3], nullptr, 10));
    return 0;
  }
  std::fprintf(stderr, "usage: genpayload tree DIR | genpayload file PATH MIB\n");
  return 2;
}
