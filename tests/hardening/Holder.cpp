#include "tests/hardening/Holder.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>

namespace {

HANDLE H(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

THolder::THolder(const std::u16string& Path, TKind Kind) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
  if (!::CreatePipe(&inRead, &inWrite, &inherit, 0) || !::CreatePipe(&outRead, &outWrite, &inherit, 0)) return;
  ::SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  // The helper program is built beside this test program.
  wchar_t self[MAX_PATH] = {};
  std::wstring helper(self, ::GetModuleFileNameW(nullptr, self, MAX_PATH));
  helper = helper.substr(0, helper.find_last_of(L"\\/") + 1) + L"file_holder.exe";
  std::wstring command = L"\"" + helper + L"\" ";
  command += Kind == TKind::Writer ? L"writer \"" : L"exclusive \"";
  command += std::wstring(Path.begin(), Path.end()) + L"\"";
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  STARTUPINFOW start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = inRead;
  start.hStdOutput = outWrite;
  start.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process);
  ::CloseHandle(inRead);
  ::CloseHandle(outWrite);
  if (!started) {
    ::CloseHandle(inWrite);
    ::CloseHandle(outRead);
    return;
  }
  ::CloseHandle(process.hThread);
  FProcess = reinterpret_cast<std::intptr_t>(process.hProcess);
  FRelease = reinterpret_cast<std::intptr_t>(inWrite);
  char answer = 0;
  DWORD got = 0;
  FHeld = ::ReadFile(outRead, &answer, 1, &got, nullptr) && got == 1 && answer == 'h';
  ::CloseHandle(outRead);
}

THolder::~THolder() {
  if (FRelease != -1) ::CloseHandle(H(FRelease));
  if (FProcess != 0) {
    ::WaitForSingleObject(H(FProcess), 30000);
    ::CloseHandle(H(FProcess));
  }
}

#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <filesystem>

THolder::THolder(const std::u16string& Path, TKind Kind) {
  int ready[2], release[2];
  if (::pipe(ready) != 0) return;
  if (::pipe(release) != 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    return;
  }
  const std::string path = std::filesystem::path(Path).string();
  std::fflush(nullptr);  // the child must not write out what this process has buffered
  pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    ::close(release[1]);
    int fd = ::open(path.c_str(), Kind == TKind::Writer ? O_WRONLY : O_RDWR);
    char answer = fd >= 0 ? 'h' : 'f';
    (void)!::write(ready[1], &answer, 1);
    char ignored;
    while (::read(release[0], &ignored, 1) > 0) {
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  if (child < 0) {
    ::close(ready[0]);
    ::close(release[1]);
    return;
  }
  FProcess = child;
  FRelease = release[1];
  char answer = 0;
  FHeld = ::read(ready[0], &answer, 1) == 1 && answer == 'h';
  ::close(ready[0]);
}

THolder::~THolder() {
  if (FRelease != -1) ::close(static_cast<int>(FRelease));
  if (FProcess != 0) ::waitpid(static_cast<pid_t>(FProcess), nullptr, 0);
}
#endif
