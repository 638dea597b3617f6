#include "app/USplitCli.h"

#include "app/UAppTexts.h"
#include "engine/USplitJob.h"
#include "engine/USplitResult.h"
#include "platform/Platform.h"
#include "res/resource.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxException.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

namespace {

std::u16string Native(const std::u16string& Text) {
  return ReplaceAll(ReplaceAll(Text, u"\r\n", u"\n"), u"\n", std::u16string(platform::NewLine()));
}

struct TCommand {
  std::u16string Header = u"1";
  TSplitMode Mode = TSplitMode::Cycle;
  std::u16string Count = SplitWays[0].Default;
  TTypedCount HeaderCount, WayCount;  // as read once the options are known
  std::u16string Records = u"auto";
  std::u16string Out;
  // --by and --by-name, in order: the text, and whether it is a name whatever it holds.
  std::vector<std::pair<std::u16string, bool>> Columns;
  std::u16string Delimiter;
  std::vector<TKeyColumn> KeyColumns;  // as read once the options are known
  std::vector<std::u16string> Files;
  bool Help = false;
  bool Version = false;
  bool Quiet = false;
};

bool IsHelp(const std::u16string& Arg) {
#ifdef _WIN32
  if (Arg == u"/?") return true;
#endif
  return Arg == u"-h" || Arg == u"--help";
}

std::optional<TDelimiter> DelimiterOf(const std::u16string& Value) {
  if (Value.empty()) return TDelimiter::Auto;
  if (Value == u",") return TDelimiter::Comma;
  if (Value == u";") return TDelimiter::Semicolon;
  if (Value == u"tab") return TDelimiter::Tab;
  if (Value == u"|") return TDelimiter::Bar;
  return std::nullopt;
}

// A column of digits alone is a number from 1; any other text, or one given by --by-name, a name.
std::optional<TKeyColumn> KeyColumnOf(const std::pair<std::u16string, bool>& Column) {
  const std::u16string& text = Column.first;
  if (Column.second || text.find_first_not_of(u"0123456789") != std::u16string::npos) return TKeyColumn{0, text};
  try {
    const std::int64_t number = TextToInt(text);
    if (number >= 1) return TKeyColumn{number, {}};
  } catch (const TkxException&) {
  }
  return std::nullopt;
}

std::optional<TRecordMode> RecordsOf(const std::u16string& Value) {
  if (Value == u"auto") return TRecordMode::Auto;
  if (Value == u"csv") return TRecordMode::Csv;
  if (Value == u"lines") return TRecordMode::Lines;
  return std::nullopt;
}

const TSplitWay* WayOption(const std::u16string& Option) {
  for (const TSplitWay& way : SplitWays) {
    if (Option == way.Option) return &way;
  }
  return nullptr;
}

TSplitRequest RequestOf(const TCommand& Command, const std::u16string& File) {
  TSplitRequest request;
  request.Path = File;
  request.Header = Command.HeaderCount;
  request.Mode = Command.Mode;
  request.Count = Command.WayCount;
  request.Records = *RecordsOf(Command.Records);
  request.OutDir = Command.Out;
  request.Columns = Command.KeyColumns;
  request.Delimiter = *DelimiterOf(Command.Delimiter);
  return request;
}

// A folder as the file system knows it, links and ".." resolved: the identity of the
// deepest part of its path that exists, and the names below it that do not exist yet.
struct TFolderKey {
  bool Known = false;
  platform::FileId Id;
  std::vector<std::u16string> Below;

  bool operator==(const TFolderKey& Other) const {
    return Known && Other.Known && Id == Other.Id &&
           std::equal(Below.begin(), Below.end(), Other.Below.begin(), Other.Below.end(),
                      [](const std::u16string& a, const std::u16string& b) { return platform::SameName(a, b); });
  }
};

TFolderKey FolderKeyOf(std::u16string Dir) {
  TFolderKey key;
  const std::u16string_view delimiters = platform::PathDelimiters();
  for (;;) {
    // "d/" is d, but "/" and "C:\" stay roots.
    while (Dir.size() > 1 && delimiters.find(Dir.back()) != std::u16string_view::npos &&
           delimiters.find(Dir[Dir.size() - 2]) == std::u16string_view::npos) {
      Dir.pop_back();
    }
    if (platform::KindOf(Dir.empty() ? u"." : Dir, &key.Id) == platform::PathKind::Directory) {
      key.Known = true;
      return key;
    }
    const std::u16string parent = FilePathOf(Dir);
    if (Dir.empty() || parent == Dir) return key;
    key.Below.insert(key.Below.begin(), FileNameOf(Dir, true));
    Dir = parent;
  }
}

// Two FILEs whose pieces would take the same names in one output folder, or nothing.
std::optional<std::u16string> SameOutputs(const TCommand& Command) {
  std::vector<TSplitResult> planned;
  std::vector<TFolderKey> folders;
  for (const std::u16string& file : Command.Files) {
    planned.push_back(PlannedOutputs(RequestOf(Command, file)));
    folders.push_back(FolderKeyOf(planned.back().OutputDir));
  }
  const auto first = [&planned](std::size_t i) { return OutputName(planned[i].Base, planned[i].Extension, 1); };
  for (std::size_t j = 1; j < planned.size(); ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const bool sameFolder = folders[i] == folders[j] || planned[i].OutputDir == planned[j].OutputDir;
      if (sameFolder && platform::SameName(first(i), first(j))) {
        return FillIn(SameOutputsText, {Command.Files[i], Command.Files[j], planned[i].OutputDir});
      }
    }
  }
  return std::nullopt;
}

// Every FILE that is a file, as the runs of the others must leave it.
std::vector<TOtherSource> SourcesOf(const TCommand& Command) {
  std::vector<TOtherSource> sources;
  for (const std::u16string& file : Command.Files) {
    TOtherSource source{{}, file};
    if (platform::KindOf(file, &source.Id) == platform::PathKind::File) sources.push_back(source);
  }
  return sources;
}

// The command, or the reason it is not one.
std::optional<TCommand> Parse(const std::vector<std::u16string>& Args, std::u16string& Problem) {
  TCommand command;
  bool optionsEnded = false;
  const TSplitWay* firstMode = nullptr;  // the first two different ones, in order
  const TSplitWay* otherMode = nullptr;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    const std::u16string& arg = Args[i];
    if (!optionsEnded && IsHelp(arg)) {
      command.Help = true;
      continue;
    }
    if (optionsEnded || arg.size() < 2 || arg[0] != u'-') {
      command.Files.push_back(arg);
      continue;
    }
    if (arg == u"--") {
      optionsEnded = true;
      continue;
    }
    if (arg == u"--version") {
      command.Version = true;
      continue;
    }
    if (arg == u"-q" || arg == u"--quiet") {
      command.Quiet = true;
      continue;
    }
    std::u16string* target = nullptr;
    std::u16string option = arg.substr(0, arg.find(u'='));
    if (option == u"--header") target = &command.Header;
    if (option == u"--records") target = &command.Records;
    if (option == u"--out") target = &command.Out;
    if (option == u"--delimiter") target = &command.Delimiter;
    // Each --by adds a key column: the way's only "count" that may be given again.
    if (option == u"--by" || option == u"--by-name") target = &command.Columns.emplace_back(u"", option != u"--by").first;
    if (const TSplitWay* mode = WayOption(option == u"--by-name" ? u"--by" : option)) {
      if (firstMode && firstMode->Mode != mode->Mode && !otherMode) otherMode = mode;
      if (!firstMode) firstMode = mode;
      command.Mode = mode->Mode;
      if (!mode->Column) target = &command.Count;
    }
    if (!target) {
      Problem = FillIn(UnknownOptionText, {arg});
      return std::nullopt;
    }
    if (option.size() < arg.size()) {
      *target = arg.substr(option.size() + 1);
    } else if (i + 1 < Args.size()) {
      *target = Args[++i];
    } else {
      Problem = FillIn(NeedsValueText, {arg});
      return std::nullopt;
    }
    // "--out ''" from a script's empty variable, "--rows= 3" from a stray blank.
    if (target->empty()) {
      Problem = FillIn(EmptyValueText, {option});
      return std::nullopt;
    }
  }
  if (command.Help || command.Version) return command;
  if (command.Files.empty()) {
    Problem = NoFileText;
    return std::nullopt;
  }
  if (otherMode) {
    Problem = FillIn(ModesTogetherText, {firstMode->Option, otherMode->Option});
    return std::nullopt;
  }
  if (!RecordsOf(command.Records)) {
    Problem = RecordsValueText;
    return std::nullopt;
  }
  if (!DelimiterOf(command.Delimiter)) {
    Problem = DelimiterValueText;
    return std::nullopt;
  }
  if (!command.Delimiter.empty() && command.Columns.empty()) {
    Problem = DelimiterWithoutByText;
    return std::nullopt;
  }
  for (const auto& column : command.Columns) {
    const std::optional<TKeyColumn> key = KeyColumnOf(column);
    if (!key) {
      Problem = ColumnValueText;
      return std::nullopt;
    }
    command.KeyColumns.push_back(*key);
  }
  // A count that no file could be split with is a mistake in the command, found
  // before any file is touched.
  command.HeaderCount = ReadHeaderCount(command.Header);
  command.WayCount = ReadWayCount(command.Mode, command.Count);
  for (const TTypedCount* count : {&command.HeaderCount, &command.WayCount}) {
    if (!count->Refusal.empty()) {
      Problem = count->Refusal;
      return std::nullopt;
    }
  }
  const auto named = [](const TKeyColumn& Column) { return !Column.Name.empty(); };
  if (command.HeaderCount.Value == 0 && std::any_of(command.KeyColumns.begin(), command.KeyColumns.end(), named)) {
    Problem = NamedWithoutHeaderText;
    return std::nullopt;
  }
  if (std::optional<std::u16string> same = SameOutputs(command)) {
    Problem = *same;
    return std::nullopt;
  }
  return command;
}

// A progress line on a terminal, once a file has taken long enough to want one: a
// thread of its own reads the run's counters while the run goes on.
class TProgressLine {
 public:
  TProgressLine(const TSplitConsole& Console, const TSplitControl& Control) : FConsole(Console), FControl(Control) {
    if (FConsole.ErrIsTerminal) FThread = std::thread([this] { Show(); });
  }
  ~TProgressLine() {
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

 private:
  using Clock = std::chrono::steady_clock;

  void Show() {
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

  const TSplitConsole& FConsole;
  const TSplitControl& FControl;
  std::mutex FMutex;
  std::condition_variable FWake;
  bool FDone = false;
  std::size_t FWidth = 0;
  std::thread FThread;
};

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

// A run's control, the one an interrupt cancels while it lives. An interrupt that came
// before it cancels it at once; one that is still busy with it delays its end.
class TRunningControl {
 public:
  TRunningControl() {
    running.store(&FControl);
    if (interrupted.load()) FControl.Cancel();
  }
  ~TRunningControl() {
    running.store(nullptr);
    while (interrupting.load() != 0) std::this_thread::yield();
  }
  TRunningControl(const TRunningControl&) = delete;
  TRunningControl& operator=(const TRunningControl&) = delete;
  TSplitControl& Control() { return FControl; }

 private:
  TSplitControl FControl;
};

// The success message, its list of names written a thousand at a time: a split into a
// million files does not build it whole. False as soon as a part could not be written.
bool PrintSuccess(const TSplitConsole& Console, const TSplitResult& Result) {
  return PutSuccessText(Result, 0, [&Console](const std::u16string& part) { return Console.Out(Native(part)); });
}

enum class TOutcome { Split, Failed, Unreported };

TSplitResult SplitWithProgress(const TSplitRequest& Request, const TSplitConsole& Console) {
  TRunningControl run;
  TProgressLine progress(Console, run.Control());
  return RunSplitRequest(Request, &run.Control());
}

// Splits one FILE, leaving every other FILE of the command alone, and tells how it went.
// Whatever the run raises, its own cleanup has run by the time it is caught here.
TOutcome SplitAndReport(const TCommand& Command, std::size_t Index, const std::vector<TOtherSource>& Sources,
                        const TSplitConsole& Console) {
  const std::u16string& file = Command.Files[Index];
  TSplitRequest request = RequestOf(Command, file);
  for (const TOtherSource& source : Sources) {
    if (source.Name != file) request.OtherSources.push_back(source);
  }
  TOutcome outcome = TOutcome::Failed;
  std::u16string failure = UnexpectedText;
  try {
    const TSplitResult result = SplitWithProgress(request, Console);
    outcome = TOutcome::Unreported;
    failure = UnreportedText;
    if (Command.Quiet) {
      // Old pieces beside the new ones, or a split other than the one expected, are
      // worth a word even then: a script that reads the folder next would be misled.
      bool told = true;
      for (const std::u16string& note : SuccessNotes(result)) {
        told = told && Console.Err(Native(FillIn(FileMessageText, {file, note})));
      }
      if (told) return TOutcome::Split;
    } else if (PrintSuccess(Console, result)) {
      return TOutcome::Split;
    }
  } catch (const TkxException& error) {  // a cancel too: the command then ends with 130
    failure = error.Message;
  } catch (...) {
    // Unexpected: a thread that could not start, or a failure in writing the success.
  }
  // Nothing is left to tell it where standard error fails too: the status says it.
  (void)Console.Err(Native(FillIn(FileMessageText, {file, failure})));
  return outcome;
}

}  // namespace

int RunSplitCommand(const std::vector<std::u16string>& Args, const TSplitConsole& Console) {
  // First of all: --help to a closed pipe must fail as a write, not end the process.
  interrupted.store(false);
  platform::OnInterrupt(Interrupt);
  std::u16string problem;
  std::optional<TCommand> command = Parse(Args, problem);
  if (!command) {
    (void)Console.Err(Native(FillIn(BadUsageText, {problem})));
    return 2;
  }
  if (command->Help || command->Version) {
    return Console.Out(Native(command->Help ? UsageText : FillIn(VersionText, {u"" ROWDEAL_VERSION_TEXT}))) ? 0 : 1;
  }
  // Known before the first FILE is split, so that no run replaces another's FILE.
  const std::vector<TOtherSource> sources = SourcesOf(*command);
  int status = 0;
  for (std::size_t i = 0; i < command->Files.size(); ++i) {
    if (interrupted.load()) {
      (void)Console.Err(Native(FillIn(FileMessageText, {command->Files[i], TSplitCancelled().Message})));
      continue;
    }
    const TOutcome outcome = SplitAndReport(*command, i, sources, Console);
    if (outcome == TOutcome::Unreported) return 1;
    if (outcome == TOutcome::Failed) status = 1;
  }
  // As the shell reports a program that an interrupt ended.
  return interrupted.load() ? 130 : status;
}
