// What the built Rowdeal.exe carries: the icon, the manifest and version information,
// and the shape of the program file itself. (The dialog template is checked live, by
// the dialog tests.)
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tests/e2e/Driver.h"

namespace {

using e2e::BuiltProgram;

struct TResourceFile {
  TResourceFile() : Module(LoadLibraryExW(BuiltProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~TResourceFile() { FreeLibrary(Module); }
  std::string Get(LPCWSTR type, int id) const {
    HRSRC found = FindResourceW(Module, MAKEINTRESOURCEW(id), type);
    if (!found) return {};
    auto* data = static_cast<const char*>(LockResource(LoadResource(Module, found)));
    return std::string(data, SizeofResource(Module, found));
  }
  HMODULE Module;
};

TEST(ProgramFile, CarriesIconManifestAndVersion) {
  TResourceFile file;
  ASSERT_NE(file.Module, nullptr);

  // Icon group 1: one image of 16 x 16 pixels with a 256-colour palette.
  std::string group = file.Get(RT_GROUP_ICON, 1);
  ASSERT_GE(group.size(), 6u + 14u);
  EXPECT_EQ(*reinterpret_cast<const std::uint16_t*>(group.data() + 4), 1) << "one image";
  const auto* entry = reinterpret_cast<const unsigned char*>(group.data() + 6);
  EXPECT_EQ(entry[0], 16);
  EXPECT_EQ(entry[1], 16);
  EXPECT_EQ(*reinterpret_cast<const std::uint16_t*>(entry + 6), 8) << "bits per pixel";
  std::uint16_t imageId = *reinterpret_cast<const std::uint16_t*>(entry + 12);
  std::string image = file.Get(RT_ICON, imageId);
  ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
  BITMAPINFOHEADER header;
  std::memcpy(&header, image.data(), sizeof header);
  EXPECT_EQ(header.biWidth, 16);
  EXPECT_EQ(header.biBitCount, 8);
  EXPECT_TRUE(header.biClrUsed == 0 || header.biClrUsed == 256);

  std::string manifest = file.Get(RT_MANIFEST, 1);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos) << "system DPI awareness as the fallback";
  EXPECT_NE(manifest.find(">PerMonitorV2, System</dpiAwareness>"), std::string::npos);
  EXPECT_EQ(manifest.find("longPathAware"), std::string::npos) << "not every path call takes long paths";
  EXPECT_NE(manifest.find("supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\""), std::string::npos);

  std::string version = file.Get(RT_VERSION, 1);
  ASSERT_FALSE(version.empty());
  auto at = version.find(std::string("\xBD\x04\xEF\xFE", 4));  // VS_FIXEDFILEINFO signature
  ASSERT_NE(at, std::string::npos);
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, version.data() + at, sizeof info);
  EXPECT_EQ(info.dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(info.dwProductVersionMS, 0x00010002u);
}

// The program file is a 64-bit GUI program whose every imported DLL is one of the
// system's own: the runtime is linked in. (A 32-bit file would not map into this
// 64-bit process.)
TEST(ProgramFile, IsA64BitGuiProgramImportingOnlySystemDlls) {
  HMODULE image = LoadLibraryExW(BuiltProgram().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(image, nullptr);
  const auto* base = reinterpret_cast<const char*>(image);
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  wchar_t systemDir[MAX_PATH] = {};
  GetSystemDirectoryW(systemDir, MAX_PATH);
  int count = 0;
  const DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); d->Name != 0; ++d, ++count) {
    const std::string name = base + d->Name;
    EXPECT_TRUE(e2e::FileExists(std::wstring(systemDir) + L"\\" + std::wstring(name.begin(), name.end())))
        << name << " is not a system DLL";
    EXPECT_NE(name.rfind("lib", 0), 0u) << name << " is a runtime DLL";
  }
  EXPECT_GE(count, 3);
  FreeLibrary(image);
}

}  // namespace
