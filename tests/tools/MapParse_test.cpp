// The linker map reader of mapsize: which lines count, which component and
// which class of section their bytes go to.
#include "MapParse.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace orvane::mapsize {
namespace {

using Totals = std::map<std::string, uint64_t>;

// Component -> bytes in the file, leaving out components that got nothing.
Totals TotalsOf(const MapSummary& summary) {
  Totals totals;
  for (const auto& [name, sizes] : summary.components)
    if (sizes.Total() != 0)
      totals[name] = sizes.Total();
  return totals;
}

// code, rodata, data, bss, other
std::array<uint64_t, 5> Fields(const Sizes& s) {
  return {s.code, s.readOnlyData, s.data, s.bss, s.other};
}

constexpr const char* kGcc = "/usr/lib/gcc/i686-w64-mingw32/12-posix/";
constexpr const char* kMingwLib =
    "/usr/lib/gcc/i686-w64-mingw32/12-posix/../../../../i686-w64-mingw32/lib/../lib/";

TEST(MapParse, CountsContributionLinesOnly) {
  struct Case {
    const char* name;
    std::string map;
    Totals expected;
  };
  const std::string crt2 = std::string(kMingwLib) + "crt2.o";
  const Case cases[] = {
      {"one line per input section",
       " .text          0x00401000      0x4e0 " + crt2 + "\n" +
           " .data          0x00440000       0x10 " + crt2 + "\n",
       {{"CRT", 0x4f0}}},
      {"the size of an output section is not counted again",
       ".text           0x00401000    0x3f000\n *(.text)\n .text          0x00401000      0x4e0 " +
           crt2 + "\n",
       {{"CRT", 0x4e0}}},
      {"a long name stands alone, its placement follows",
       " .text$_ZNSt14_Function_baseD2Ev\n"
       "                0x00418ef0       0x24 CMakeFiles/orvane_win.dir/util/Files.cpp.obj\n",
       {{"util", 0x24}}},
      {"64-bit addresses",
       " .text          0x0000000140001000      0x100 CMakeFiles/x.dir/ui/ZMsgBox.cpp.obj\n"
       " .rdata$.refptr.__CTOR_LIST__\n"
       "                0x0000000140030000        0x8 CMakeFiles/x.dir/ui/ZMsgBox.cpp.obj\n",
       {{"ui", 0x108}}},
      {"a lone name without placement is dropped, the next line still counts",
       " .text$orphan\n .text          0x00401000       0x10 CMakeFiles/x.dir/ui/A.cpp.obj\n",
       {{"ui", 0x10}}},
      {"a lone name at the end of the map", " .text$_ZN6orvane4pack13PackageHeaderD1Ev", {}},
      {"an input pattern never takes the next line's placement",
       " SORT_BY_NAME(*)(.idata$3)\n                0x0045b078        0x4 LONG 0x0\n",
       {{"linker", 4}}},
      {"symbols and assignments are not sections",
       "                0x004014a0                WinMainCRTStartup\n"
       "                0x00400000                        __image_base__ = 0x400000\n"
       "                0x0043e130                        ___CTOR_LIST__ = .\n",
       {}},
      {"the list of discarded sections does not count",
       "Discarded input sections\n\n .text          0x00000000      0x400 " + crt2 +
           "\n .rdata$zzz\n                0x00000000       0x14 " + crt2 +
           "\n\nMemory Configuration\n\nName             Origin             Length\n"
           "*default*        0x00000000         0xffffffff\n\n"
           "Linker script and memory map\n\n .text          0x00401000       0x20 " +
           crt2 + "\n",
       {{"CRT", 0x20}}},
      {"debug sections and /DISCARD/ never reach the image",
       ".debug_info     0x00000000     0x5000\n .debug_info    0x00000000     0x5000 " + crt2 +
           "\n/DISCARD/\n .drectve       0x00000000       0x40 " + crt2 + "\n",
       {}},
      {"alignment fill",
       ".text           0x00401000     0x1000\n *fill*         0x00406ec8        0x8 \n"
       " *fill*         0x00406ed0        0x4 00\n",
       {{"fill (alignment)", 0xc}}},
      {"data statements of the linker script",
       ".text           0x00401000     0x1000\n"
       "                0x0043e130        0x4 LONG 0xffffffffffffffff\n"
       "                0x0043e134        0x8 QUAD 0x0\n",
       {{"linker", 0xc}}},
      {"Windows line ends",
       "Linker script and memory map\r\n\r\n.text           0x00401000     0x1000\r\n"
       " .text$_ZN3fooEv\r\n                0x00401000       0x30 " +
           crt2 + "\r\n",
       {{"CRT", 0x30}}},
      {"sums saturate instead of wrapping",
       " .text 0x0 0xffffffffffffffff a.o\n .text 0x0 0xffffffffffffffff a.o\n",
       {{"other (ours)", UINT64_MAX}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TotalsOf(SummarizeMap(c.map)), c.expected);
  }
}

TEST(MapParse, IgnoresGarbageAndTruncatedLines) {
  using namespace std::string_literals;
  const std::string inputs[] = {
      "",
      "\n\n\r\n",
      "garbage",
      "\0\xff\x01 .text \0 0x10 a.o"s,
      " .text",
      " .text          0x0040",
      " .text          0x00401000",
      " .text          0x00401000       0x",
      " .text          0xZZ       0x10 a.o",
      " .text          0x00401000       0x10000000000000000 a.o",  // 17 digits
      " .text          0x00401000       -0x10 a.o",
      " .text          0x00401000       10 a.o",
      " .text$wrapped\n",
      " .text$wrapped\n                0x00401000\n",
      " .text$wrapped\n                0x00401000       0xq a.o\n",
      "                0x00401000       0x10",
      "                0x00401000       0x10 LONG",
      "*fill*",
      " *fill*",
      " *fill*         0x00406ec8",
      "Discarded input sections\n .text          0x00401000       0x10 a.o\n",
      ".text\n\n\n",
      "a.a(",
  };
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input);
    const MapSummary summary = SummarizeMap(input);
    EXPECT_EQ(summary.total.Total(), 0u);
    EXPECT_EQ(summary.total.bss, 0u);
  }
}

TEST(MapParse, PutsEveryFileIntoItsComponent) {
  struct Case {
    const char* name;
    std::string file;
    const char* component;
  };
  const SourceFolders folders = {{"ZMsgBox.cpp", "ui"}, {"Stub.cpp", "launcher"}};
  const std::string gcc = kGcc, lib = kMingwLib;
  const Case cases[] = {
      {"C++ library", gcc + "libstdc++.a(string-inst.o)", "libstdc++"},
      {"C++ support library", gcc + "libsupc++.a(eh_alloc.o)", "libstdc++"},
      {"compiler support", gcc + "libgcc.a(_chkstk.o)", "libgcc"},
      {"unwinder", gcc + "libgcc_eh.a(unwind-dw2.o)", "libgcc"},
      {"threads", lib + "libpthread.a(libwinpthread_la-thread.o)", "winpthread"},
      {"threads by their own name", lib + "libwinpthread.a(thread.o)", "winpthread"},
      {"MinGW start-up", lib + "libmingw32.a(lib32_libmingw32_a-gccmain.o)", "CRT"},
      {"MinGW extras", lib + "libmingwex.a(lib32_libmingwex_a-mingw_pformat.o)", "CRT"},
      {"static part of the msvcrt library", lib + "libmsvcrt.a(lib32_libmsvcrt_common_a-mbrtowc.o)",
       "CRT"},
      {"another MinGW library", "/usr/i686-w64-mingw32/lib/libuuid.a(ole2-uuid.o)", "CRT"},
      {"start-up object", lib + "crt2.o", "CRT"},
      {"compiler start object", gcc + "crtbegin.o", "CRT"},
      {"Debian's zlib", "/usr/i686-w64-mingw32/lib/libz.a(inflate.o)", "zlib"},
      {"zlib built beside us", "third_party/zlib/libzlibstatic.a(adler32.c.obj)", "zlib"},
      {"zlib objects linked loose", "obj/inffast.o", "zlib"},
      {"our C++ file named like a zlib one", "CMakeFiles/orvane_win.dir/package/inflate.cpp.obj",
       "package"},
      {"our object by its CMake path", "CMakeFiles/orvane_win.dir/util/Files.cpp.obj", "util"},
      {"our library per folder", "src/agent/liborvane_agent.a(StubAU.cpp.obj)", "agent"},
      {"our library, named after the folder", "liborvane_vars.a(RunTimeDir.cpp.obj)", "vars"},
      {"our mixed library, member in the source table", "liborvane_win.a(ZMsgBox.cpp.obj)", "ui"},
      {"our mixed library, member not in the table", "liborvane_win.a(Mystery.cpp.obj)",
       "other (ours)"},
      {"our objects collected by CMake into objects.a",
       "CMakeFiles/Stub.dir/objects.a(Stub.cpp.obj)", "launcher"},
      {"ours, outside the known folders", "CMakeFiles/tool.dir/main.cpp.obj", "other (ours)"},
      {"made by ld", "dll stuff", "linker"},
      {"no file at all", "", "linker"},
      {"an empty member", "a.a()", "other (ours)"},
      {"a lone parenthesis", ")", "other (ours)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string map = " .text          0x00401000       0x40 " + c.file + "\n";
    EXPECT_EQ(TotalsOf(SummarizeMap(map, folders)), (Totals{{c.component, 0x40}}));
  }
}

TEST(MapParse, ImportMembersAreStubsWhicheverLibraryHoldsThem) {
  const std::string lib = kMingwLib;
  const std::string map =
      ".text           0x00401000     0x1000\n"
      " .text          0x00406eb0        0x8 " +
      lib + "libkernel32.a(libkernel32s01085.o)\n" + " .text          0x00406eb8       0x20 " +
      lib + "libmsvcrt.a(lib32_libmsvcrt_extra_a-lc_locale_func.o)\n" +
      ".idata          0x0045b000     0x1c00\n"
      " .idata$2       0x0045b000       0x14 " +
      lib + "libkernel32.a(libkernel32h.o)\n" + " .idata$5       0x0045b014        0x4 " + lib +
      "libkernel32.a(libkernel32s01085.o)\n" + " .idata$7       0x0045b018        0x4 " + lib +
      "libmsvcrt.a(libmsvcrt_defs00123.o)\n";
  const MapSummary summary = SummarizeMap(map);
  EXPECT_EQ(Fields(summary.components.at("import stubs")),
            (std::array<uint64_t, 5>{8, 0, 0, 0, 0x14 + 4 + 4}));
  EXPECT_EQ(Fields(summary.components.at("CRT")), (std::array<uint64_t, 5>{0x20, 0, 0, 0, 0}));
}

TEST(MapParse, ResourcesAreCountedApartFromTheirObject) {
  const std::string map =
      " .data          0x00440000        0x4 CMakeFiles/Stub.dir/objects.a(Stub.rc.res)\n"
      " .rsrc$01       0x0045fd90       0x20 CMakeFiles/Stub.dir/launcher/Stub.rc.res\n"
      ".rsrc           0x0045f000      0xe00\n"
      " *(.rsrc)\n"
      " .rsrc          0x0045f000      0xd90 CMakeFiles/Stub.dir/objects.a(Stub.rc.res)\n";
  const MapSummary summary = SummarizeMap(map);
  EXPECT_EQ(TotalsOf(summary), (Totals{{"other (ours)", 4}, {"resources", 0xdb0}}));
  // A unit is listed under the component that got most of its bytes.
  EXPECT_EQ(summary.units.at("objects.a(Stub.rc.res)").component, "resources");
}

TEST(MapParse, ClassesSectionsByTheOutputSectionTheyLandIn) {
  struct Case {
    const char* outputSection;  // nullptr: the map names none
    const char* inputSection;
    std::array<uint64_t, 5> expected;  // code, rodata, data, bss, other
  };
  const Case cases[] = {
      {nullptr, ".text", {1, 0, 0, 0, 0}},
      {nullptr, ".text$_ZN6orvane5FilesEv", {1, 0, 0, 0, 0}},
      {nullptr, ".text.unlikely", {1, 0, 0, 0, 0}},
      {nullptr, ".rdata$zzz", {0, 1, 0, 0, 0}},
      {nullptr, ".rodata.str1.1", {0, 1, 0, 0, 0}},
      {nullptr, ".xdata", {0, 1, 0, 0, 0}},
      {nullptr, ".pdata", {0, 1, 0, 0, 0}},
      {nullptr, ".eh_frame", {0, 1, 0, 0, 0}},
      {nullptr, ".data", {0, 0, 1, 0, 0}},
      {nullptr, ".data$__security_cookie", {0, 0, 1, 0, 0}},
      {nullptr, ".bss", {0, 0, 0, 1, 0}},
      {nullptr, "COMMON", {0, 0, 0, 1, 0}},
      {nullptr, ".CRT$XCU", {0, 0, 0, 0, 1}},
      {nullptr, ".tls", {0, 0, 0, 0, 1}},
      {".text", ".ctors", {1, 0, 0, 0, 0}},
      {".text", ".ctors.65535", {1, 0, 0, 0, 0}},
      {".data", ".jcr", {0, 0, 1, 0, 0}},
      {".rdata", ".rdata_runtime_pseudo_reloc", {0, 1, 0, 0, 0}},
      {".CRT", ".CRT$XLA", {0, 0, 0, 0, 1}},
      {".bss", "COMMON", {0, 0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.outputSection ? c.outputSection : "-") + " " + c.inputSection);
    std::string map;
    if (c.outputSection)
      map = std::string(c.outputSection) + "           0x00401000     0x1000\n";
    map += std::string(" ") + c.inputSection + "\n                0x00401000        0x1 a.o\n";
    const MapSummary summary = SummarizeMap(map);
    EXPECT_EQ(Fields(summary.total), c.expected);
    EXPECT_EQ(summary.total.Total(), c.expected[3] ? 0u : 1u) << "bss takes no file space";
  }
}

TEST(MapParse, ListsUnitsLargestFirst) {
  const std::string map =
      " .text          0x00401000       0x10 " + std::string(kGcc) +
      "libgcc.a(_chkstk.o)\n"
      " .text          0x00401010       0x30 CMakeFiles/orvane_win.dir/util/Files.cpp.obj\n"
      " .rdata         0x00401040       0x10 CMakeFiles/orvane_win.dir/util/Files.cpp.obj\n"
      " .text          0x00401050       0x10 " +
      kMingwLib +
      "crt2.o\n"
      " *fill*         0x00401060        0x8 \n"
      " .reloc         0x00460000       0x18 dll stuff\n";
  const MapSummary summary = SummarizeMap(map);
  std::vector<std::string> names;
  for (const auto& [name, unit] : UnitsBySize(summary))
    names.push_back(name + " " + unit.component);
  EXPECT_EQ(names, (std::vector<std::string>{"util/Files.cpp.obj util", "(linker) linker",
                                             "crt2.o CRT", "libgcc.a(_chkstk.o) libgcc",
                                             "(alignment fill) fill (alignment)"}));

  std::vector<std::string> components;
  for (const auto& [name, sizes] : ComponentsBySize(summary))
    components.push_back(name);
  EXPECT_EQ(components,
            (std::vector<std::string>{"util", "linker", "CRT", "libgcc", "fill (alignment)"}));
  EXPECT_EQ(summary.total.Total(), 0x10u + 0x40 + 0x10 + 0x8 + 0x18);
}

TEST(MapParse, BuildsTheSourceTableFromRelativePaths) {
  const SourceFolders folders = FoldersOfSources({
      "util/Files.cpp",
      "launcher/Stub.rc",
      "ui\\ZMsgBox.cpp",
      "package/deeper/UnPack.cpp",
      "Top.cpp",
      "/Rooted.cpp",
      "util/Same.cpp",
      "ui/Same.cpp",
      "agent/Same.cpp",
      "util/Twice.cpp",
      "util/Twice.cpp",
  });
  EXPECT_EQ(folders, (SourceFolders{{"Files.cpp", "util"},
                                    {"Stub.rc", "launcher"},
                                    {"ZMsgBox.cpp", "ui"},
                                    {"UnPack.cpp", "package"},
                                    {"Twice.cpp", "util"}}));
}

}  // namespace
}  // namespace orvane::mapsize
