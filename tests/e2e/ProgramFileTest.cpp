// The program file as it is shipped: one 64-bit GUI program whose every imported DLL is
// one of the system's own, the runtime linked in. (A 32-bit file would not map into this
// 64-bit process.)
#include "tests/e2e/Driver.h"

TEST(ProgramFile, IsA64BitGuiProgramImportingOnlySystemDlls) {
  HMODULE image = LoadLibraryExW(e2e::BuiltProgram().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(image, nullptr);
  const auto* base = reinterpret_cast<const char*>(image);
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  EXPECT_EQ(nt->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  wchar_t systemDir[MAX_PATH] = {};
  GetSystemDirectoryW(systemDir, MAX_PATH);
  int imports = 0;
  const DWORD table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
  for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + table); d->Name != 0; ++d, ++imports) {
    const std::string name = base + d->Name;
    EXPECT_TRUE(std::filesystem::exists(systemDir + (L"\\" + std::wstring(name.begin(), name.end())))) << name;
  }
  EXPECT_GE(imports, 3);
  FreeLibrary(image);
}
