// Reads the manifest and the version back from the built Sonalix.exe, as
// Windows does before the program runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>

#include "framework/win32/unicode.h"
#include "main/core/program_folder.h"
#include "sonalix_version.h"

namespace {

struct TModuleDeleter {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using TModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, TModuleDeleter>;

// The program beside this test executable (the build puts both in bin\).
std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return snx::Widen(snx::ProgramFolder(snx::Narrow(path))) + L"Sonalix.exe";
}

TModule LoadProgram() { return TModule(LoadLibraryExW(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)); }

std::string Manifest() {
  const TModule program = LoadProgram();
  if (!program) return {};
  HRSRC found = FindResourceW(program.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  if (!found) return {};
  const auto* text = static_cast<const char*>(LockResource(LoadResource(program.get(), found)));
  return std::string(text, SizeofResource(program.get(), found));
}

struct ManifestEntry {
  const char* name;
  const char* pattern;
};

class ManifestTest : public testing::TestWithParam<ManifestEntry> {
 protected:
  static void SetUpTestSuite() { Text = new std::string(Manifest()); }
  static void TearDownTestSuite() { delete Text; }
  static const std::string* Text;
};
const std::string* ManifestTest::Text = nullptr;

TEST_P(ManifestTest, DeclaresEntry) {
  ASSERT_FALSE(Text->empty()) << "no manifest resource in Sonalix.exe";
  EXPECT_TRUE(std::regex_search(*Text, std::regex(GetParam().pattern))) << GetParam().name << "\n" << *Text;
}

// One element per pattern; attributes in any order would need a parser, the
// manifest is ours and keeps this order.
INSTANTIATE_TEST_SUITE_P(
    Sonalix, ManifestTest,
    testing::Values(
        ManifestEntry{"AsInvoker", R"(<requestedExecutionLevel\s+level="asInvoker"\s+uiAccess="false"\s*/>)"},
        ManifestEntry{"Windows7", R"(<supportedOS\s+Id="\{35138b9a-5d96-4fbd-8e2d-a2440225f93a\}"\s*/>)"},
        ManifestEntry{"Windows8", R"(<supportedOS\s+Id="\{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38\}"\s*/>)"},
        ManifestEntry{"Windows8_1", R"(<supportedOS\s+Id="\{1f676c76-80e1-4239-95bb-83d0f6d0da78\}"\s*/>)"},
        ManifestEntry{"Windows10And11", R"(<supportedOS\s+Id="\{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a\}"\s*/>)"},
        ManifestEntry{"CommonControls6",
                      R"(<assemblyIdentity\s+type="win32"\s+name="Microsoft\.Windows\.Common-Controls"\s+)"
                      R"(version="6\.0\.0\.0"\s+processorArchitecture="\*"\s+publicKeyToken="6595b64144ccf1df")"},
        ManifestEntry{
            "NotDpiAware",
            R"(<dpiAware\s+xmlns="http://schemas\.microsoft\.com/SMI/2005/WindowsSettings">false</dpiAware>)"},
        ManifestEntry{
            "GdiScaling",
            R"(<gdiScaling\s+xmlns="http://schemas\.microsoft\.com/SMI/2017/WindowsSettings">true</gdiScaling>)"}),
    [](const testing::TestParamInfo<ManifestEntry>& entry) { return std::string(entry.param.name); });

struct NamedResource {
  const char* test_name;
  const wchar_t* name;
  WORD type;
};

class NamedResourceTest : public testing::TestWithParam<NamedResource> {};

// The forms' descriptions come from their own libraries; the program must
// still carry them, and the application's icon, under the names it looks up.
TEST_P(NamedResourceTest, IsInTheProgram) {
  const TModule program = LoadProgram();
  ASSERT_TRUE(program) << "cannot load Sonalix.exe";
  HRSRC found = FindResourceW(program.get(), GetParam().name, MAKEINTRESOURCEW(GetParam().type));
  ASSERT_NE(found, nullptr);
  EXPECT_GT(SizeofResource(program.get(), found), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sonalix, NamedResourceTest,
                         testing::Values(NamedResource{"MainIcon", L"MAINICON", 14},              // RT_GROUP_ICON
                                         NamedResource{"MainFormDescription", L"TSNX_MAIN", 10},  // RT_RCDATA
                                         NamedResource{"AboutFormDescription", L"TSNX_ABOUT", 10}),
                         [](const testing::TestParamInfo<NamedResource>& entry) {
                           return std::string(entry.param.test_name);
                         });

TEST(VersionResourceTest, CarriesTheProjectVersion) {
  const std::wstring path = ProgramPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  ASSERT_NE(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(SONALIX_VERSION_MINOR, SONALIX_VERSION_MAJOR)));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, SONALIX_VERSION_PATCH)));
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
  wchar_t* text = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\041104B0\\FileVersion", reinterpret_cast<void**>(&text),
                             &length));
  EXPECT_EQ(std::wstring(text), L"" SONALIX_VERSION_TEXT);
}

}  // namespace
