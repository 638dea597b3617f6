// file_holder KIND PATH: opens PATH as another program would and holds it until its
// standard input closes. KIND "writer": writing, sharing reading and writing;
// "exclusive": reading and writing, sharing only reading. Answers "h" (held) or "f"
// (failed) on standard output first.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  const bool writer = std::wstring(argv[1]) == L"writer";
  HANDLE file = ::CreateFileW(argv[2], writer ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE,
                              writer ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  const char answer = file != INVALID_HANDLE_VALUE ? 'h' : 'f';
  DWORD put = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), &answer, 1, &put, nullptr);
  char ignored;
  DWORD got = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &ignored, 1, &got, nullptr) && got > 0) {
  }
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
  return 0;
}
