// A branded installer as Windows sees it: the vendor's version resource read
// through the version API (what Explorer, the elevation prompt and the
// signature dialog show), the vendor's icon group read through the resource
// API, and the installer still installing.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "harness/EngineRecord.h"
#include "harness/LauncherProcess.h"
#include "harness/Stubpack.h"
#include "harness/TestPaths.h"

namespace orvane {
namespace {

using test::Quote;

void Put16(std::string& out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, uint32_t value) {
  Put16(out, static_cast<uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<uint16_t>(value >> 16));
}

// An .ico file with one 32-bit bitmap per size.
std::string IconFile(const std::vector<int>& sizes) {
  std::vector<std::string> images;
  for (const int n : sizes) {
    std::string dib;
    Put32(dib, 40);
    Put32(dib, static_cast<uint32_t>(n));
    Put32(dib, static_cast<uint32_t>(2 * n));
    Put16(dib, 1);
    Put16(dib, 32);
    for (int i = 0; i < 6; ++i)
      Put32(dib, 0);
    for (int i = 0; i < n * n; ++i)
      dib += std::string("\x40\x80\xC0\xFF", 4);
    dib += std::string(static_cast<size_t>((n + 31) / 32 * 4 * n), '\0');
    images.push_back(dib);
  }
  std::string file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<uint16_t>(sizes.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    file += static_cast<char>(sizes[i]);
    file += static_cast<char>(sizes[i]);
    file += std::string(2, '\0');
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const std::string& image : images)
    file += image;
  return file;
}

std::wstring Wide(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(),
                                                        static_cast<int>(utf8.size()), &wide[0],
                                                        static_cast<int>(wide.size()))));
  return wide;
}

TEST(BrandingScenario, WindowsReadsTheVendorsVersionAndIconAndTheInstallerRuns) {
  const std::string dir = test::ScratchDir("branding");
  const std::string icon = test::WriteTestFile(dir + "\\vendor.ico", IconFile({16, 32, 48}));
  const std::string engine = dir + "\\engine.exe";
  ASSERT_TRUE(test::CopyFileTo(test::EngineExe(), engine));
  const std::string record = dir + "\\rec.txt";
  const std::string installer = dir + "\\Acme Setup.exe";
  // The vendor's project file, in UTF-8 as every project file.
  const std::string copyright = "\xC2\xA9 2026 Acme Widgets";  // "(c) 2026 ..."
  const std::string project = test::WriteTestFile(
      dir + "\\acme.ini", "[Setup]\r\nStub = " + test::StubExe() + "\r\nOutput = " + installer +
                              "\r\n[Files]\r\n" + engine + " = engine.exe*/Record=" + record +
                              " /ExitCode=7\r\n[Branding]\r\nIcon = " + icon +
                              "\r\nProductName = Acme Demo\r\nCompanyName = Acme Widgets Ltd\r\n"
                              "FileDescription = Acme Demo Setup\r\nVersion = 2.5.1.7\r\n"
                              "Copyright = " +
                              copyright + "\r\n");
  ASSERT_EQ(test::RunStubpackBuild({Quote(project)}), 0);

  // The version resource, as the shell reads it.
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(installer.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(::GetFileVersionInfoA(installer.c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
  EXPECT_EQ(fixed->dwFileVersionMS, (2u << 16) | 5u);
  EXPECT_EQ(fixed->dwFileVersionLS, (1u << 16) | 7u);
  EXPECT_EQ(fixed->dwProductVersionMS, (2u << 16) | 5u);
  struct Expected {
    const wchar_t* key;
    std::wstring value;
  };
  const Expected strings[] = {
      {L"ProductName", L"Acme Demo"},           {L"CompanyName", L"Acme Widgets Ltd"},
      {L"FileDescription", L"Acme Demo Setup"}, {L"FileVersion", L"2.5.1.7"},
      {L"LegalCopyright", Wide(copyright)},     {L"OriginalFilename", L"Acme Setup.exe"},
  };
  for (const Expected& e : strings) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + e.key;
    wchar_t* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(
        ::VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << static_cast<int>(e.key[0]);
    EXPECT_EQ(std::wstring(value), e.value);
  }

  // The icon group the shell shows: the vendor's three sizes.
  HMODULE image = ::LoadLibraryExA(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  HRSRC group = ::FindResourceA(image, "MAINICON", MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
  ASSERT_NE(group, nullptr);
  const auto* directory = static_cast<const uint8_t*>(::LockResource(::LoadResource(image, group)));
  ASSERT_NE(directory, nullptr);
  ASSERT_GE(::SizeofResource(image, group), 6u + 3u * 14u);
  EXPECT_EQ(directory[4], 3);  // the image count
  std::vector<int> widths;
  for (int i = 0; i < 3; ++i)
    widths.push_back(directory[6 + 14 * i]);
  EXPECT_EQ(widths, (std::vector<int>{16, 32, 48}));
  ::FreeLibrary(image);

  // And it installs: the engine ran and its exit code came back.
  const test::ProcessResult run = test::RunProcess(Quote(installer) + " /hide", 120000);
  ASSERT_TRUE(run.finished);
  EXPECT_EQ(run.exitCode, 7u);
  EXPECT_EQ(test::ReadEngineRecords(record).size(), 1u);
}

}  // namespace
}  // namespace orvane
