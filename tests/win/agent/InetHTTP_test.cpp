// The HTTP download inside the test process, against the test web servers:
// what reaches the destination and what stays beside it, the progress events
// a reporter gets, downloads into memory, and the small questions (size,
// connection, error pages).
#include "agent/InetHTTP.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "agent/ZProgBar.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"
#include "harness/WebServer.h"

namespace orvane {
namespace {

using test::WebFault;

// Records a reporter's events.
class RecordingSink final : public ProgressSink {
 public:
  struct Event {
    int kind;
    int maximum;
    int position;
  };
  void Report(int kind, int maximum, int position, int /*step*/,
              std::string_view /*text*/) override {
    events.push_back({kind, maximum, position});
  }
  std::vector<Event> events;
};

// Bytes that show where they came from: byte i is i mod 251.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

class HttpDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(test::WebHttpUrl("x").empty()) << "the test web servers are not up";
    ::CreateDirectoryA(test::WebDocFile("http-unit").c_str(), nullptr);
    folder_ = test::ScratchDir("http-download");
    HTTP_SetAbort(false);
  }

  // Serves `bytes` as doc root\http-unit\name.
  static void Serve(const std::string& name, const std::string& bytes) {
    test::WriteTestFile(test::WebDocFile("http-unit\\" + name), bytes);
  }

  std::string folder_;
};

TEST_F(HttpDownload, FileArrivesWholeOverHttpAndHttps) {
  const std::string bytes = Pattern(3 * 1024 * 1024 + 17);
  Serve("big.bin", bytes);
  for (const std::string& url :
       {test::WebHttpUrl("http-unit/big.bin"), test::WebHttpsUrl("http-unit/big.bin")}) {
    SCOPED_TRACE(url);
    const std::string destination = folder_ + "\\big.bin";
    ::DeleteFileA(destination.c_str());
    std::string error = "not cleared";
    HTTP_DownloadFile(nullptr, url, destination, nullptr, nullptr, error);
    EXPECT_EQ(error, "");
    EXPECT_TRUE(test::ReadWholeFile(destination) == bytes);
    EXPECT_EQ(HTTP_LastDownloadFigures().bytes, bytes.size());
  }
}

TEST_F(HttpDownload, SmallFileMovesTheBarInTenSteps) {
  Serve("fifty.bin", Pattern(50));
  RecordingSink sink;
  TProgBar reporter(sink);
  std::string error;
  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/fifty.bin"), folder_ + "\\fifty.bin",
                    nullptr, &reporter, error);
  EXPECT_EQ(error, "");
  // Reads of 5 bytes: the bar starts at 1 of 11 and steps once per read.
  ASSERT_FALSE(sink.events.empty());
  EXPECT_EQ(sink.events[0].kind, kProgressRange);
  EXPECT_EQ(sink.events[0].maximum, 11);
  EXPECT_EQ(sink.events[0].position, 1);
  int steps = 0;
  for (size_t i = 1; i < sink.events.size(); ++i) {
    EXPECT_EQ(sink.events[i].kind, kProgressStep) << i;
    ++steps;
  }
  EXPECT_EQ(steps, 10);
}

TEST_F(HttpDownload, LargeFileReachesTheBarsMaximum) {
  const size_t size = 5 * 1024 * 1024;
  Serve("five.bin", Pattern(size));
  RecordingSink sink;
  TProgBar reporter(sink);
  std::string error;
  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/five.bin"), folder_ + "\\five.bin",
                    nullptr, &reporter, error);
  EXPECT_EQ(error, "");
  ASSERT_FALSE(sink.events.empty());
  const int maximum = sink.events[0].maximum;
  EXPECT_EQ(maximum, static_cast<int>(size / 8192 + 1));
  int position = sink.events[0].position;
  for (size_t i = 1; i < sink.events.size(); ++i)
    position += sink.events[i].kind == kProgressStep ? 1 : sink.events[i].position;
  EXPECT_EQ(position, maximum);
}

TEST_F(HttpDownload, IntoMemory) {
  const std::string text = "[NewSetup]\r\nVersion=1.2.3\r\n";
  Serve("product.info", text);
  std::string data = "old";
  std::string error;
  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/product.info"), "", &data, nullptr, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(data, text);
}

// A settings file in memory has a ceiling: a server that sends more (here
// without announcing a length, as an endless stream would) ends the download
// with an error instead of filling the agent's memory.
TEST_F(HttpDownload, IntoMemoryStopsAtTheLimit) {
  Serve("huge.info", std::string(kMemoryDownloadLimit + 1, 'x'));
  for (const std::string& url :
       {test::WebHttpUrl("http-unit/huge.info"),
        test::WebFaultUrl(test::WebFault::NoLength, "http-unit/huge.info")}) {
    std::string data;
    std::string error;
    HTTP_DownloadFile(nullptr, url, "", &data, nullptr, error);
    EXPECT_NE(error.find("The answer is larger than 16 MB"), std::string::npos)
        << url << ": " << error;
    EXPECT_LE(data.size(), kMemoryDownloadLimit) << url;
  }
  Serve("limit.info", std::string(kMemoryDownloadLimit, 'y'));
  std::string data;
  std::string error;
  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/limit.info"), "", &data, nullptr, error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(data.size(), kMemoryDownloadLimit);
}

TEST_F(HttpDownload, OnlyOwnLeftoversGoAndAFailureLeavesTheDestination) {
  const std::string bytes = Pattern(200000);
  Serve("setup.exe", bytes);
  const std::string destination = folder_ + "\\setup.exe";
  test::WriteTestFile(destination, "the old one");
  test::WriteTestFile(destination + ".12345", "an earlier attempt");
  test::WriteTestFile(destination + ".old", "not ours");
  test::WriteTestFile(destination + ".12345.bak", "not ours either");

  std::string error;
  HTTP_DownloadFile(nullptr, test::WebFaultUrl(WebFault::Truncate, "http-unit/setup.exe"),
                    destination, nullptr, nullptr, error);
  EXPECT_NE(error, "");
  EXPECT_EQ(test::ReadWholeFile(destination), "the old one") << "an incomplete file never "
                                                                "takes its place";
  EXPECT_FALSE(test::FileExists(destination + ".12345"));
  EXPECT_TRUE(test::FileExists(destination + ".old"));
  EXPECT_TRUE(test::FileExists(destination + ".12345.bak"));
  // What arrived stays under the temporary name: destination + "." + digits.
  WIN32_FIND_DATAA found;
  HANDLE search = ::FindFirstFileA((destination + ".*").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::string> partial;
  do {
    // The mask also matches "setup.exe" itself.
    const std::string name = found.cFileName;
    const std::string suffix = name.size() > 10 ? name.substr(10) : std::string("-");
    if (suffix.find_first_not_of("0123456789") == std::string::npos)
      partial.push_back(found.cFileName);
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  ASSERT_EQ(partial.size(), 1u);
  EXPECT_TRUE(test::ReadWholeFile(folder_ + "\\" + partial[0]) == bytes.substr(0, 100000));

  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/setup.exe"), destination, nullptr, nullptr,
                    error);
  EXPECT_EQ(error, "");
  EXPECT_TRUE(test::ReadWholeFile(destination) == bytes);
  EXPECT_TRUE(test::FileExists(destination + ".old"));
}

TEST_F(HttpDownload, WorksAgainAfterTheLibraryWasFreed) {
  // The main window frees WinINet when its loop ends; a later download (the
  // agent's next one) loads it anew instead of calling into a freed library.
  Serve("again.bin", Pattern(70000));
  std::string data;
  std::string error;
  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/again.bin"), "", &data, nullptr, error);
  EXPECT_EQ(error, "");
  HTTP_FreeLibrary();
  HTTP_FreeLibrary();
  data.clear();
  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/again.bin"), "", &data, nullptr, error);
  EXPECT_EQ(error, "");
  EXPECT_TRUE(data == Pattern(70000));
}

TEST_F(HttpDownload, TheAbortFlagStopsADownloadBeforeItStarts) {
  Serve("a.bin", Pattern(1000));
  HTTP_SetAbort(true);
  std::string error;
  HTTP_DownloadFile(nullptr, test::WebHttpUrl("http-unit/a.bin"), folder_ + "\\a.bin", nullptr,
                    nullptr, error);
  EXPECT_EQ(error, "Download Aborted");
  EXPECT_FALSE(test::FileExists(folder_ + "\\a.bin"));
  HTTP_SetAbort(false);
}

TEST_F(HttpDownload, SizeConnectionAndErrorPages) {
  Serve("sized.bin", Pattern(123457));
  EXPECT_EQ(HTTP_GetFileSize(test::WebHttpUrl("http-unit/sized.bin")), 123457);
  EXPECT_EQ(HTTP_GetFileSize(test::WebFaultUrl(WebFault::NoLength, "http-unit/sized.bin")), -1);
  EXPECT_EQ(HTTP_GetFileSize("http://127.0.0.1:9/none"), -1);
  // An error page has a length, but it is not the file's.
  EXPECT_EQ(HTTP_GetFileSize(test::WebHttpUrl("http-unit/missing.bin")), -1);
  EXPECT_EQ(HTTP_GetFileSize(test::WebFaultUrl(WebFault::NotFound, "http-unit/sized.bin")), -1);

  std::string connection = "not cleared";
  EXPECT_TRUE(HTTP_InternetConnected(connection));
  EXPECT_EQ(connection, "");

  const std::string page = "<html><head><title>Oops</title></head></html>";
  const std::string url = "http://host/x.exe";
  EXPECT_EQ(HTTP_NotFoundText("", page, url, "default"), HTTP_NotFoundMessage(url));
  EXPECT_EQ(HTTP_NotFoundText("", "MZ...", url, "default"), "default");
  // A file given by name is read in place of the data.
  const std::string file = test::WriteTestFile(folder_ + "\\page.htm", page);
  EXPECT_TRUE(HTTP_IsNotFoundPage(file, "MZ"));
  EXPECT_FALSE(HTTP_IsNotFoundPage(folder_ + "\\missing.htm", "MZ"));
}

}  // namespace
}  // namespace orvane
