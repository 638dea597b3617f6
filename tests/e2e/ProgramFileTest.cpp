// The program file as it is shipped: one 64-bit GUI program whose every imported DLL is
// one of the system's own, the runtime linked in.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "tests/e2e/Driver.h"

TEST(ProgramFile, IsA64BitGuiProgramImportingOnlySystemDlls) {
  const std::string pe = testutil::ReadFile(e2e::BuiltProgram());
  ASSERT_GT(pe.size(), 0x400u);
  const auto at = [&](std::size_t offset) { return pe.data() + offset; };
  IMAGE_NT_HEADERS64 nt;
  const LONG ntAt = *reinterpret_cast<const LONG*>(at(0x3C));
  std::memcpy(&nt, at(ntAt), sizeof nt);
  EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
  EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

  const auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
      at(ntAt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader));
  const auto fileOffset = [&](DWORD rva) -> std::size_t {
    for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      const IMAGE_SECTION_HEADER& s = sections[i];
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.SizeOfRawData) return rva - s.VirtualAddress + s.PointerToRawData;
    }
    return 0;
  };
  wchar_t systemDir[MAX_PATH] = {};
  GetSystemDirectoryW(systemDir, MAX_PATH);
  std::size_t entry = fileOffset(nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
  ASSERT_NE(entry, 0u);
  int imports = 0;
  for (IMAGE_IMPORT_DESCRIPTOR d;; entry += sizeof d, ++imports) {
    std::memcpy(&d, at(entry), sizeof d);
    if (d.Name == 0) break;
    const std::string name = at(fileOffset(d.Name));
    EXPECT_TRUE(std::filesystem::exists(systemDir + (L"\\" + std::wstring(name.begin(), name.end())))) << name;
    EXPECT_NE(name.rfind("lib", 0), 0u) << name << " is a runtime DLL";
  }
  EXPECT_GE(imports, 3);
}
