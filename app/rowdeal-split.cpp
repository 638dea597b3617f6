// rowdeal-split: the split job from the command line (see USplitCli.h).
#include "app/USplitCli.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace {

int Run(std::vector<std::u16string> args) {
  TSplitConsole console;
  console.Out = [](const std::u16string& Text) { return platform::WriteStandard(1, Text); };
  console.Err = [](const std::u16string& Text) { return platform::WriteStandard(2, Text); };
  console.ErrIsTerminal = platform::IsTerminal(2);
  try {
    return RunSplitCommand(args, console);
  } catch (...) {
    // Each FILE's failures are caught and told; this is the command's own (out of
    // memory for its arguments), which ends it as a failure rather than an abort.
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg(argv[i]);
    args.emplace_back(arg.begin(), arg.end());
  }
  return Run(std::move(args));
}
#else
int main(int argc, char** argv) {
  platform::UseUserLocale();  // the ANSI code page of the source files follows the locale
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::ArgumentText(argv[i]));
  return Run(std::move(args));
}
#endif
