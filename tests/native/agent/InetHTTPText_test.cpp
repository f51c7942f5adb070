#include "agent/InetHTTPText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvane {
namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;

TEST(InetHTTPUrl, SchemeIsAddedOnlyWhenTheUrlNamesNone) {
  struct Case {
    const char* url;
    const char* expected;
  } cases[] = {
      {"", "http://"},
      {"host/dir/Setup.exe", "http://host/dir/Setup.exe"},
      {"http://host/x", "http://host/x"},
      {"HTTP://HOST/X", "HTTP://HOST/X"},
      {"hTtP://host/x", "hTtP://host/x"},
      {"https://host/x", "https://host/x"},
      {"HTTPS://host/x", "HTTPS://host/x"},
      {"ftp://host/f.zip", "ftp://host/f.zip"},
      {"svn+ssh.v-2://host", "svn+ssh.v-2://host"},
      {"http://", "http://"},
      // "://" only further on names no scheme.
      {"host/get?from=http://other/x", "http://host/get?from=http://other/x"},
      {"host/https://x", "http://host/https://x"},
      {"localhost:8080/x", "http://localhost:8080/x"},
      {"127.0.0.1:8080/x", "http://127.0.0.1:8080/x"},
      {"://host", "http://://host"},
      {"1http://host", "http://1http://host"},
      {"ht tp://host", "http://ht tp://host"},
      {"http:/host", "http://http:/host"},
      {" http://host", "http:// http://host"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HTTP_UrlWithScheme(c.url), c.expected) << "url \"" << c.url << "\"";
}

TEST(InetHTTPTempFile, NameCarriesLengthPlusStampModulo2To32) {
  struct Case {
    uint64_t length;
    uint32_t stamp;
    const char* expected;
  } cases[] = {
      {1000000, 0, "C:\\T\\Setup.exe.1000000"},
      {0, 0, "C:\\T\\Setup.exe.0"},
      {1000, 0x5A8B6C21, "C:\\T\\Setup.exe.1519087625"},  // 1519086625 + 1000
      {0xFFFFFFFFu, 0, "C:\\T\\Setup.exe.4294967295"},
      {0xFFFFFFFFu, 2, "C:\\T\\Setup.exe.1"},
      {kUnknownLength, 0, "C:\\T\\Setup.exe.4294967295"},
      {kUnknownLength, 1, "C:\\T\\Setup.exe.0"},
      {4 * kGiB, 7, "C:\\T\\Setup.exe.7"},
      {5 * kGiB + 3, 0, "C:\\T\\Setup.exe.1073741827"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HTTP_TempFileName("C:\\T\\Setup.exe", c.length, c.stamp), c.expected)
        << "length " << c.length << " stamp " << c.stamp;
  }
}

TEST(InetHTTPTempFile, OnlyOurOwnTemporaryFilesAreLeftovers) {
  struct Case {
    const char* fileName;
    const char* destination;
    bool expected;
  } cases[] = {
      {"Setup.exe.1000000", "C:\\T\\Setup.exe", true},
      {"Setup.exe.0", "C:\\T\\Setup.exe", true},
      {"setup.EXE.4294967295", "C:\\T\\Setup.exe", true},
      {"a.exe.12", "a.exe", true},
      {"Setup.exe.1", "D:Setup.exe", true},
      {"Setup.exe", "C:\\T\\Setup.exe", false},
      {"Setup.exe.", "C:\\T\\Setup.exe", false},
      {"Setup.exe.old", "C:\\T\\Setup.exe", false},
      {"Setup.exe.12a", "C:\\T\\Setup.exe", false},
      {"Setup.exe.1 2", "C:\\T\\Setup.exe", false},
      {"Setup.exe.-1", "C:\\T\\Setup.exe", false},
      {"Setup.exe..1", "C:\\T\\Setup.exe", false},
      {"Setup.exe.1.2", "C:\\T\\Setup.exe", false},
      {"Setup.exe_1", "C:\\T\\Setup.exe", false},
      {"XSetup.exe.1", "C:\\T\\Setup.exe", false},
      {"Setup.ex.1", "C:\\T\\Setup.exe", false},
      {"Setup.exe.1", "", false},
      {"Setup.exe.1", "C:\\T\\", false},
      {".1", "C:\\T\\", false},
      {"\xC4.exe.1", "C:\\T\\\xE4.exe", false},  // case folds in ASCII only
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HTTP_IsTempFileOf(c.fileName, c.destination), c.expected)
        << c.fileName << " of " << c.destination;
  }
}

TEST(InetHTTPTempFile, TrailByteThatLooksLikeABackslashStaysInTheName) {
  const auto leadByte = [](unsigned char b) { return b == 0x81; };
  const std::string destination = "C:\\T\\\x81\\.exe";  // one double-byte character, then ".exe"
  EXPECT_TRUE(HTTP_IsTempFileOf("\x81\\.exe.5", destination, leadByte));
  EXPECT_FALSE(HTTP_IsTempFileOf(".exe.5", destination, leadByte));
}

TEST(InetHTTPDisplayName, LastPathComponentOfTheUrl) {
  struct Case {
    const char* url;
    const char* expected;
  } cases[] = {
      {"http://host/dir/Setup.exe", "Setup.exe"},
      {"http://host:8080/a.zip", "a.zip"},
      {"http://host/get?f=a:b", "get?f=a:b"},
      {"C:\\dir\\x.exe", "x.exe"},
      {"http://host", "host"},
      {"Setup.exe", "Setup.exe"},
      {"http://host/dir/", "http://host/dir/"},
      {"/", "/"},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HTTP_DisplayName(c.url), c.expected) << "url \"" << c.url << "\"";
}

TEST(InetHTTPReads, ChunkReadSizeAndMaximumFollowTheLength) {
  struct Case {
    uint64_t length;
    uint32_t chunk;
    uint32_t readSize;
    uint64_t maximum;
  } cases[] = {
      {0, 1, 1, 1},
      {1, 1, 1, 2},
      {9, 1, 1, 10},
      {10, 1, 1, 11},
      {50, 5, 5, 11},
      {55, 5, 5, 12},
      {81920, 8192, 8192, 11},
      {81929, 8192, 8192, 12},
      {81930, 8192, 8193, 12},
      {1000000, 8192, 100000, 124},
      {10485760, 8192, 1048576, 1281},
      {10485770, 8192, 1048576, 1282},
      {0xFFFFFFFFu, 8192, 1048576, 524289},
      {kUnknownLength, 8192, 1048576, 524289},
      {5 * kGiB, 8192, 1048576, 655361},
      {5 * kGiB + 1, 8192, 1048576, 655362},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HTTP_ChunkSize(c.length), c.chunk) << "length " << c.length;
    EXPECT_EQ(HTTP_ReadSize(c.length), c.readSize) << "length " << c.length;
    const DownloadProgress progress(c.length);
    EXPECT_EQ(progress.Chunk(), c.chunk) << "length " << c.length;
    EXPECT_EQ(progress.Maximum(), c.maximum) << "length " << c.length;
    EXPECT_EQ(progress.Position(), DownloadProgress::kStartPosition);
    EXPECT_EQ(DownloadProgress::kStartPosition, 1u);
  }
}

// One read: asked for, delivered, and the bar's position after it.
struct Read {
  uint32_t asked;
  uint32_t delivered;
  uint64_t position;
};

TEST(InetHTTPReads, ReadsGrowWhenQuickAndShrinkWhenSlowWithinTheirBounds) {
  const uint64_t big = 200ull << 20;  // chunk 8192, reads up to 1 MiB
  struct Case {
    uint32_t current;
    uint32_t elapsedMs;
    uint64_t length;
    uint32_t next;
  } cases[] = {
      {8192, 0, big, 16384},
      {8192, 49, big, 16384},
      {8192, 50, big, 8192},
      {8192, 250, big, 8192},
      {65536, 251, big, 32768},
      {8192, 5000, big, 8192},               // never below a bar step
      {kMaxReadSize, 1, big, kMaxReadSize},  // never above the largest read
      {786432, 10, big, kMaxReadSize},
      {5, 0, 50, 5},  // a small file keeps its ten reads
      {8192, 0, 81920, 8192},
      {8192, 0, kUnknownLength, 16384},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HTTP_NextReadSize(c.current, c.elapsedMs, c.length), c.next)
        << c.current << " bytes in " << c.elapsedMs << " ms of " << c.length;
  }
}

TEST(InetHTTPProgress, PositionsOfReadSequences) {
  struct Case {
    const char* name;
    uint64_t length;
    std::vector<Read> reads;
  } cases[] = {
      {"50 bytes in chunks: ten steps to the maximum, then the empty read",
       50,
       {{5, 5, 2},
        {5, 5, 3},
        {5, 5, 4},
        {5, 5, 5},
        {5, 5, 6},
        {5, 5, 7},
        {5, 5, 8},
        {5, 5, 9},
        {5, 5, 10},
        {5, 5, 11},
        {5, 0, 11}}},
      {"short chunk reads still step once each", 50, {{5, 2, 2}, {5, 2, 3}, {5, 1, 4}}},
      {"a failed read in between does not step", 50, {{5, 5, 2}, {5, 0, 2}, {5, 5, 3}}},
      {"50 bytes in one large read", 50, {{kMaxReadSize, 50, 11}, {kMaxReadSize, 0, 11}}},
      {"large reads follow the bytes",
       1000000,
       {{100000, 100000, 14}, {100000, 100000, 26}, {800000, 800000, 124}}},
      {"a large read below one chunk steps only at chunk boundaries",
       1000000,
       {{kMaxReadSize, 100, 2}, {kMaxReadSize, 100, 2}, {kMaxReadSize, 8000, 3}}},
      {"more than announced moves past the maximum", 50, {{kMaxReadSize, 60, 13}}},
      {"unknown length", kUnknownLength, {{kMaxReadSize, kMaxReadSize, 129}}},
  };
  for (const Case& c : cases) {
    DownloadProgress progress(c.length);
    uint64_t received = 0;
    uint64_t position = DownloadProgress::kStartPosition;
    for (size_t i = 0; i < c.reads.size(); ++i) {
      const Read& r = c.reads[i];
      EXPECT_EQ(progress.Take(r.asked, r.delivered), r.position - position)
          << c.name << ", read " << i;
      received += r.delivered;
      position = r.position;
      EXPECT_EQ(progress.Position(), r.position) << c.name << ", read " << i;
      EXPECT_EQ(progress.Received(), received) << c.name << ", read " << i;
    }
  }
}

// The whole download read in pieces of `readSize` (the server delivering
// every byte asked for); returns the bar's position after each count of
// bytes, and checks that the steps taken add up to the position.
std::map<uint64_t, uint64_t> PositionsByBytes(uint64_t length, uint32_t readSize) {
  std::map<uint64_t, uint64_t> positions;
  DownloadProgress progress(length);
  uint64_t stepped = DownloadProgress::kStartPosition;
  uint64_t received = 0;
  while (received < length) {
    const uint32_t delivered =
        static_cast<uint32_t>(std::min<uint64_t>(readSize, length - received));
    stepped += progress.Take(readSize, delivered);
    received += delivered;
    positions[received] = progress.Position();
  }
  EXPECT_EQ(stepped, progress.Position()) << "length " << length;
  return positions;
}

TEST(InetHTTPProgress, LargeReadsShowTheChunkLoopsPositions) {
  for (uint64_t length : {uint64_t{1}, uint64_t{7}, uint64_t{50}, uint64_t{81920}, uint64_t{81930},
                          uint64_t{1000000}, uint64_t{10485770}}) {
    const DownloadProgress plan(length);
    // The chunk loop: one step per read, position = 1 + reads so far.
    const std::map<uint64_t, uint64_t> byChunks = PositionsByBytes(length, plan.Chunk());
    uint64_t reads = 0;
    for (const auto& [bytes, position] : byChunks)
      EXPECT_EQ(position, 1 + ++reads) << "length " << length << " at " << bytes;
    EXPECT_EQ(byChunks.rbegin()->second, plan.Maximum()) << "length " << length;

    for (uint32_t readSize : {HTTP_ReadSize(length), kMaxReadSize, 3 * plan.Chunk() + 1}) {
      const std::map<uint64_t, uint64_t> large = PositionsByBytes(length, readSize);
      EXPECT_EQ(large.rbegin()->second, plan.Maximum())
          << "length " << length << " read " << readSize;
      for (const auto& [bytes, position] : large) {
        // At a count the chunk loop also reached, both show the same.
        const auto same = byChunks.find(bytes);
        if (same != byChunks.end()) {
          EXPECT_EQ(position, same->second) << "length " << length << " at " << bytes;
        }
      }
    }
  }
}

TEST(InetHTTPProgress, FilesBeyond4GiBReachTheirMaximum) {
  const uint64_t length = 5 * kGiB + 1;
  DownloadProgress progress(length);
  uint64_t steps = 0;
  for (uint64_t received = 0; received < length;) {
    const uint32_t delivered =
        static_cast<uint32_t>(std::min<uint64_t>(kMaxReadSize, length - received));
    steps += progress.Take(kMaxReadSize, delivered);
    received += delivered;
  }
  EXPECT_EQ(progress.Received(), length);
  EXPECT_EQ(progress.Position(), progress.Maximum());
  EXPECT_EQ(1 + steps, progress.Maximum());
}

TEST(InetHTTPNotFoundPage, TitleWith404OrAWholeHtmlHeadIsAnErrorPage) {
  struct Case {
    std::string data;
    bool expected;
  } cases[] = {
      {"", false},
      {"<TITLE>404 Not Found</TITLE>", true},
      {"<html><body><title>Error 404</title>", true},
      {"<TITLE404</TITLE>", true},
      {"404 <title>Not Found</title>", false},
      {"<title>Not Found</title> 404", false},
      {"<title>404 Not Found", false},
      {"<html><head><title>Welcome</title></head>", true},
      {"<HTML><head><TiTlE>Welcome</tItLe>", true},
      {"<html><title>x</title><head>", false},
      {"<head><html><title>x</title>", false},
      {"<html><head><title>x", false},
      {"<html lang=\"en\"><head><title>x</title>", false},
      {"[Update]\r\nVersion=404\r\n", false},
      {std::string("MZ\x90\0\x03\0<title>404</title>", 24), true},
      {std::string(982, 'x') + "<title>404</title>", true},  // ends at byte 1000
      {std::string(983, 'x') + "<title>404</title>", false},
      {std::string(982, 'x') + "<html><head><title>x</title>", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HTTP_IsNotFoundPageText(c.data), c.expected) << "data \"" << c.data << "\"";
}

TEST(InetHTTPNotFoundPage, TextIsTheMessageOnlyForAnErrorPage) {
  const std::string message =
      "<B>404 File Not Found...</B><P><P>URL:  http://host/Setup.exe.<P><P>Please make sure "
      "the file is available and access is allowed to this file.";
  EXPECT_EQ(HTTP_NotFoundMessage("http://host/Setup.exe"), message);
  EXPECT_EQ(
      HTTP_NotFoundTextFor("<title>404</title>", "http://host/Setup.exe", "Bad Secret Token!"),
      message);
  EXPECT_EQ(HTTP_NotFoundTextFor("MZ package", "http://host/Setup.exe", "Bad Secret Token!"),
            "Bad Secret Token!");
  EXPECT_EQ(HTTP_NotFoundTextFor("", "http://host/Setup.exe", ""), "");
}

TEST(InetHTTPErrorTexts, FixedTexts) {
  EXPECT_EQ(kWinInetUnavailableText, "Unable to initialize \"WinINet.dll\"");
  EXPECT_EQ(kDownloadAbortedText, "Download Aborted");
  EXPECT_EQ(HTTP_OpenFailedText("http://host/a.exe"),
            "Unable to open Internet Connection: http://host/a.exe");
  EXPECT_EQ(HTTP_FileNotFoundText("http://host/a.exe"), "http://host/a.exe --- File Not Found !");
}

TEST(InetHTTPErrorTexts, RefusedConnectionsSayWhy) {
  EXPECT_EQ(HTTP_OpenFailedText("https://host/a.exe", HTTP_CertificateErrorDetail(12045)),
            "Unable to open Internet Connection: https://host/a.exe (the server's certificate is "
            "not trusted (error 12045))");
  EXPECT_EQ(HTTP_CertificateErrorDetail(12038),
            "the server's certificate is for another server name (error 12038)");
  EXPECT_EQ(HTTP_CertificateErrorDetail(12037),
            "the server's certificate has expired or is not valid yet (error 12037)");
  // Errors that are not about certificates have no detail of this kind.
  for (uint32_t code : {0u, 2u, 12029u, 12002u})
    EXPECT_EQ(HTTP_CertificateErrorDetail(code), "") << code;
}

TEST(InetHTTPErrorTexts, ErrorStatusesAreFailuresNotFiles) {
  const std::string url = "http://host/d/a.exe";
  EXPECT_EQ(HTTP_StatusErrorText("a.exe", url, 404, "Not Found"), HTTP_NotFoundMessage(url));
  EXPECT_EQ(HTTP_StatusErrorText("a.exe", url, 410, "Gone"), HTTP_NotFoundMessage(url));
  EXPECT_EQ(HTTP_StatusErrorText("a.exe", url, 403, "Forbidden"),
            "a.exe --- The server answered 403 Forbidden");
  EXPECT_EQ(HTTP_StatusErrorText("a.exe", url, 503, ""), "a.exe --- The server answered 503");
  EXPECT_EQ(HTTP_MoveFailedText("a.exe", "C:\\T\\a.exe", "Access is denied."),
            "a.exe --- The file cannot be written: C:\\T\\a.exe (Access is denied.)");
  EXPECT_EQ(HTTP_MoveFailedText("a.exe", "C:\\T\\a.exe", ""),
            "a.exe --- The file cannot be written: C:\\T\\a.exe");
}

TEST(InetHTTPErrorTexts, ReadErrorTakesTheSystemTextElseTheServers) {
  struct Case {
    const char* systemText;
    const char* serverText;
    const char* expected;
  } cases[] = {
      {"", "", "a.exe --- Error downloading file"},
      {"The operation timed out", "", "a.exe --- Error downloading file (The operation timed out)"},
      {"", "HTTP/1.1 500 Oops", "a.exe --- Error downloading file (HTTP/1.1 500 Oops)"},
      {"Reset", "HTTP/1.1 500 Oops", "a.exe --- Error downloading file (Reset)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HTTP_ReadErrorText("a.exe", c.systemText, c.serverText), c.expected);
}

TEST(InetHTTPErrorTexts, DownloadEndsInSuccessOnlyWhenAllBytesArrived) {
  const std::string readError = "a.exe --- Error downloading file (Reset)";
  struct Case {
    bool aborted;
    std::string readError;
    uint64_t received;
    uint64_t expected;
    std::string text;
  } cases[] = {
      {false, "", 1000, 1000, ""},
      {false, "", 0, 0, ""},
      {false, "", 0xFFFFFFFFu, 0xFFFFFFFFu, ""},  // a real length, not the unknown one
      {false, "", 12345, kUnknownLength, ""},
      {false, "", 0, kUnknownLength, ""},
      {false, "", 500, 1000, "a.exe --- Download incomplete (500 of 1000 bytes received)"},
      {false, "", 0, 1000, "a.exe --- Download incomplete (0 of 1000 bytes received)"},
      {false, "", 1200, 1000,
       "a.exe --- Download larger than announced (1200 of 1000 bytes received)"},
      {false, "", 4 * kGiB, 6 * kGiB,
       "a.exe --- Download incomplete (4294967296 of 6442450944 bytes received)"},
      {false, "", 0xFFFFFFFFu, 5 * kGiB,
       "a.exe --- Download incomplete (4294967295 of 5368709120 bytes received)"},
      {false, readError, 500, 1000, readError},
      {false, readError, 1000, 1000, readError},
      {true, readError, 500, 1000, "Download Aborted"},
      {true, "", 1000, 1000, "Download Aborted"},
      {true, "", 10, kUnknownLength, "Download Aborted"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HTTP_DownloadEndText("a.exe", c.aborted, c.readError, c.received, c.expected), c.text)
        << "aborted " << c.aborted << ", \"" << c.readError << "\", " << c.received << " of "
        << c.expected;
  }
}

}  // namespace
}  // namespace orvane
