#include "app/USplitCli.h"

#include "app/USplitJob.h"
#include "platform/Platform.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxException.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

const char16_t* const UsageText =
    u"Usage: rowdeal-split [--header H] [--cycle N] FILE...\n"
    u"Keeps the first H lines of each FILE as header lines and deals every further line\n"
    u"in turn over N new files, each beginning with the header lines, written in FILE's\n"
    u"own encoding into a folder beside FILE named after it: data.txt gives\n"
    u"data/data-1.txt to data/data-N.txt. Only CR LF ends a line; no byte of a line\n"
    u"is changed.\n"
    u"\n"
    u"  --header H, --header=H   number of header lines, 0 or more (default 1)\n"
    u"  --cycle N, --cycle=N     number of new files, 1 or more (default 5)\n"
    u"  --help                   show this text\n"
    u"  --                       every later argument is a FILE\n"
    u"\n"
    u"Exit status: 0 when every FILE was split, 1 when any failed, 2 for bad usage.\n";

std::u16string Native(const std::u16string& Text) {
  return ReplaceAll(ReplaceAll(Text, u"\r\n", u"\n"), u"\n", std::u16string(platform::NewLine()));
}

struct TCommand {
  std::u16string Header = u"1";
  std::u16string Cycle = u"5";
  std::vector<std::u16string> Files;
  bool Help = false;
};

// The command, or the reason it is not one.
std::optional<TCommand> Parse(const std::vector<std::u16string>& Args, std::u16string& Problem) {
  TCommand command;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    const std::u16string& arg = Args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != u'-') {
      command.Files.push_back(arg);
      continue;
    }
    if (arg == u"--") {
      optionsEnded = true;
      continue;
    }
    if (arg == u"--help") {
      command.Help = true;
      continue;
    }
    std::u16string* target = nullptr;
    std::u16string option = arg.substr(0, arg.find(u'='));
    if (option == u"--header") target = &command.Header;
    if (option == u"--cycle") target = &command.Cycle;
    if (!target) {
      Problem = u"unknown option " + arg;
      return std::nullopt;
    }
    if (option.size() < arg.size()) {
      *target = arg.substr(option.size() + 1);
    } else if (i + 1 < Args.size()) {
      *target = Args[++i];
    } else {
      Problem = u"option " + arg + u" needs a value";
      return std::nullopt;
    }
  }
  if (command.Files.empty() && !command.Help) {
    Problem = u"no FILE given";
    return std::nullopt;
  }
  return command;
}

// A progress line on a terminal, once a file has taken long enough to want one.
class TProgressLine {
 public:
  TProgressLine(const TSplitConsole& Console) : FConsole(Console), FStart(Clock::now()), FLast(FStart) {}
  ~TProgressLine() {
    if (FShown) FConsole.Err(u"\r" + std::u16string(FWidth, u' ') + u"\r");
  }
  void Report(std::int64_t Done, std::int64_t Total) {
    if (!FConsole.ErrIsTerminal) return;
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - FStart).count();
    if (elapsed < FConsole.ProgressAfter || (FShown && now - FLast < std::chrono::milliseconds(200))) return;
    FLast = now;
    char line[64];
    int percent = Total > 0 ? static_cast<int>(Done * 100 / Total) : 100;
    double speed = elapsed > 0 ? static_cast<double>(Done) / (1 << 20) / elapsed : 0.0;
    int width = std::snprintf(line, sizeof line, "%3d%%  %.1f MiB/s", percent, speed);
    std::u16string text(line, line + (width > 0 ? width : 0));
    if (text.size() > FWidth) FWidth = text.size();
    FConsole.Err(u"\r" + text + std::u16string(FWidth - text.size(), u' '));
    FShown = true;
  }

 private:
  using Clock = std::chrono::steady_clock;
  const TSplitConsole& FConsole;
  Clock::time_point FStart;
  Clock::time_point FLast;
  std::size_t FWidth = 0;
  bool FShown = false;
};

}  // namespace

int RunSplitCommand(const std::vector<std::u16string>& Args, const TSplitConsole& Console) {
  std::u16string problem;
  std::optional<TCommand> command = Parse(Args, problem);
  if (!command) {
    Console.Err(Native(u"rowdeal-split: " + problem + u"\nTry 'rowdeal-split --help'.\n"));
    return 2;
  }
  if (command->Help) {
    Console.Out(Native(UsageText));
    return 0;
  }
  int status = 0;
  for (const std::u16string& file : command->Files) {
    std::u16string answer;
    bool done = false;
    {
      TProgressLine progress(Console);
      try {
        answer = RunSplit(file, command->Header, command->Cycle,
                          [&](std::int64_t Done, std::int64_t Total) { progress.Report(Done, Total); });
        done = true;
      } catch (const TkxException& failure) {
        answer = failure.Message;
      }
    }
    if (done) {
      Console.Out(Native(answer));
    } else {
      Console.Err(Native(answer + u"\n"));
      status = 1;
    }
  }
  return status;
}
