// What the command-line programs share while they run: where they speak, the line ends
// of their texts, their help and version, the progress line on a terminal, and the
// interrupt that cancels the run under way.
#pragma once

#include "engine/USplitControl.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Where a program speaks: standard output and standard error (texts whose line ends are
// already the platform's; each answers false when the text could not be written), and
// whether standard error is a terminal, which earns a progress line once a run has taken
// longer than ProgressAfter seconds.
struct TConsole {
  std::function<bool(const std::u16string&)> Out;
  std::function<bool(const std::u16string&)> Err;
  bool ErrIsTerminal = false;
  double ProgressAfter = 1.0;
};

// A command: its arguments (without the program name) and the console; its exit status.
using TCommandRun = int (*)(const std::vector<std::u16string>& Args, const TConsole& Console);

// A program's main routine: runs Command on the standard streams, with the arguments the
// system gave (the program's name dropped).
#ifdef _WIN32
[[nodiscard]] int RunProgram(TCommandRun Command, int Argc, wchar_t** Argv);
#else
[[nodiscard]] int RunProgram(TCommandRun Command, int Argc, char** Argv);
#endif

// Text with CR LF or LF line ends, with the platform's own.
[[nodiscard]] std::u16string NativeLines(const std::u16string& Text);

// Writes Usage for --help, else Version filled in with the version: 0, or 1 when it could
// not be written.
[[nodiscard]] int PrintHelpOrVersion(const TConsole& Console, bool Help, std::u16string_view Usage,
                                     std::u16string_view Version);

// A progress line on a terminal, once a run has taken long enough to want one: a thread
// of its own reads the run's counters while the run goes on. Blanked out at the end.
class TProgressLine {
 public:
  TProgressLine(const TConsole& Console, const TSplitControl& Control);
  ~TProgressLine();
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

 private:
  void Show();

  const TConsole& FConsole;
  const TSplitControl& FControl;
  std::mutex FMutex;
  std::condition_variable FWake;
  bool FDone = false;
  std::size_t FWidth = 0;
  std::thread FThread;
};

// From here on an interrupt (see platform::OnInterrupt) cancels the run whose
// TRunningControl lives, and marks the command interrupted for the rest of it. Called
// first of all: --help to a closed pipe must fail as a write, not end the process.
void ListenForInterrupts();
[[nodiscard]] bool Interrupted();

// A run's control, the one an interrupt cancels while it lives. An interrupt that came
// before it cancels it at once; one that is still busy with it delays its end.
class TRunningControl {
 public:
  TRunningControl();
  ~TRunningControl();
  TRunningControl(const TRunningControl&) = delete;
  TRunningControl& operator=(const TRunningControl&) = delete;
  TSplitControl& Control() { return FControl; }

 private:
  TSplitControl FControl;
};

// Run(control) under a control that an interrupt cancels, with a progress line on a
// terminal; what Run answers.
template <class TRun>
auto RunWithProgress(const TConsole& Console, const TRun& Run) {
  TRunningControl running;
  TProgressLine progress(Console, running.Control());
  return Run(running.Control());
}
