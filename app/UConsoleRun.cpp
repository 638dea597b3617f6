#include "app/UConsoleRun.h"

#include "app/UAppTexts.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "support/UkxStrUtils.h"

#include <atomic>
#include <chrono>
#include <cstdio>

namespace {

int RunOnStandardStreams(TCommandRun Command, const std::vector<std::u16string>& Args) {
  TConsole console;
  console.Out = [](const std::u16string& Text) { return platform::WriteStandard(1, Text); };
  console.Err = [](const std::u16string& Text) { return platform::WriteStandard(2, Text); };
  console.ErrIsTerminal = platform::IsTerminal(2);
  try {
    return Command(Args, console);
  } catch (...) {
    // A command catches and tells its runs' failures; this is its own (out of memory for
    // its arguments), which ends it as a failure rather than an abort.
    return 1;
  }
}

}  // namespace

#ifdef _WIN32
int RunProgram(TCommandRun Command, int Argc, wchar_t** Argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < Argc; ++i) {
    std::wstring arg(Argv[i]);
    args.emplace_back(arg.begin(), arg.end());
  }
  return RunOnStandardStreams(Command, args);
}
#else
int RunProgram(TCommandRun Command, int Argc, char** Argv) {
  platform::UseUserLocale();  // the ANSI code page of the source files follows the locale
  std::vector<std::u16string> args;
  for (int i = 1; i < Argc; ++i) args.push_back(platform::ArgumentText(Argv[i]));
  return RunOnStandardStreams(Command, args);
}
#endif

std::u16string NativeLines(const std::u16string& Text) {
  return ReplaceAll(ReplaceAll(Text, u"\r\n", u"\n"), u"\n", std::u16string(platform::NewLine()));
}

int PrintHelpOrVersion(const TConsole& Console, bool Help, std::u16string_view Usage, std::u16string_view Version) {
  const std::u16string text = Help ? std::u16string(Usage) : FillIn(Version, {u"" ROWDEAL_VERSION_TEXT});
  return Console.Out(NativeLines(text)) ? 0 : 1;
}

TProgressLine::TProgressLine(const TConsole& Console, const TSplitControl& Control)
    : FConsole(Console), FControl(Control) {
  if (FConsole.ErrIsTerminal) FThread = std::thread([this] { Show(); });
}

TProgressLine::~TProgressLine() {
  if (!FThread.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FDone = true;
  }
  FWake.notify_one();
  FThread.join();
  // A progress line that could not be written needs no blanking, nor a word.
  if (FWidth > 0) (void)FConsole.Err(u"\r" + std::u16string(FWidth, u' ') + u"\r");
}

void TProgressLine::Show() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  const auto delay = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(FConsole.ProgressAfter));
  std::unique_lock<std::mutex> lock(FMutex);
  if (FWake.wait_until(lock, start + delay, [this] { return FDone; })) return;
  do {
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double speed = elapsed > 0 ? static_cast<double>(FControl.BytesDone.load()) / (1 << 20) / elapsed : 0.0;
    char line[64];
    int width = std::snprintf(line, sizeof line, ProgressLineFormat, FControl.Percent(), speed);
    std::u16string text(line, line + (width > 0 ? width : 0));
    if (text.size() > FWidth) FWidth = text.size();
    (void)FConsole.Err(u"\r" + text + std::u16string(FWidth - text.size(), u' '));
  } while (!FWake.wait_for(lock, std::chrono::milliseconds(200), [this] { return FDone; }));
}

namespace {

// What an interrupt changes, from a signal handler or the console's own thread: lock-free
// atomics only. Once set, the flag holds for the rest of the command.
std::atomic<bool> interrupted{false};
std::atomic<TSplitControl*> running{nullptr};
std::atomic<int> interrupting{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<TSplitControl*>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free);

void Interrupt() {
  ++interrupting;
  interrupted.store(true);
  if (TSplitControl* control = running.load()) control->Cancel();
  --interrupting;
}

}  // namespace

void ListenForInterrupts() {
  interrupted.store(false);
  platform::OnInterrupt(Interrupt);
}

bool Interrupted() { return interrupted.load(); }

TRunningControl::TRunningControl() {
  running.store(&FControl);
  if (interrupted.load()) FControl.Cancel();
}

TRunningControl::~TRunningControl() {
  running.store(nullptr);
  while (interrupting.load() != 0) std::this_thread::yield();
}
