#include "app/USplitCli.h"

#include "app/UAppTexts.h"
#include "app/UCliOptions.h"
#include "app/UConsoleRun.h"
#include "engine/USplitJob.h"
#include "engine/USplitResult.h"
#include "platform/Platform.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxException.h"

#include <algorithm>
#include <optional>

namespace {

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
  const TSplitWay* firstMode = nullptr;  // the first two different ones, in order
  const TSplitWay* otherMode = nullptr;
  const auto targets = [&](const std::u16string& option) -> TOptionTarget {
    if (option == u"--header") return {&command.Header};
    if (option == u"--records") return {&command.Records};
    if (option == u"--out") return {&command.Out};
    if (option == u"--delimiter") return {&command.Delimiter};
    const TSplitWay* mode = WayOption(option == u"--by-name" ? u"--by" : option);
    if (!mode) return {};
    if (firstMode && firstMode->Mode != mode->Mode && !otherMode) otherMode = mode;
    if (!firstMode) firstMode = mode;
    command.Mode = mode->Mode;
    // Each --by adds a key column: the way's only "count" that may be given again.
    if (mode->Column) return {&command.Columns.emplace_back(u"", option != u"--by").first};
    return {&command.Count};
  };
  const std::optional<TCommandLine> line = ReadCommandLine(Args, targets, Problem);
  if (!line) return std::nullopt;
  command.Files = line->Operands;
  command.Help = line->Help;
  command.Version = line->Version;
  command.Quiet = line->Quiet;
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

// The success message, its list of names written a thousand at a time: a split into a
// million files does not build it whole. False as soon as a part could not be written.
bool PrintSuccess(const TConsole& Console, const TSplitResult& Result) {
  return PutSuccessText(Result, 0, [&Console](const std::u16string& part) { return Console.Out(NativeLines(part)); });
}

enum class TOutcome { Split, Failed, Unreported };

// Splits one FILE, leaving every other FILE of the command alone, and tells how it went.
// Whatever the run raises, its own cleanup has run by the time it is caught here.
TOutcome SplitAndReport(const TCommand& Command, std::size_t Index, const std::vector<TOtherSource>& Sources,
                        const TConsole& Console) {
  const std::u16string& file = Command.Files[Index];
  TSplitRequest request = RequestOf(Command, file);
  for (const TOtherSource& source : Sources) {
    if (source.Name != file) request.OtherSources.push_back(source);
  }
  TOutcome outcome = TOutcome::Failed;
  std::u16string failure = UnexpectedText;
  try {
    const TSplitResult result =
        RunWithProgress(Console, [&request](TSplitControl& control) { return RunSplitRequest(request, &control); });
    outcome = TOutcome::Unreported;
    failure = UnreportedText;
    if (Command.Quiet) {
      // Old pieces beside the new ones, or a split other than the one expected, are
      // worth a word even then: a script that reads the folder next would be misled.
      bool told = true;
      for (const std::u16string& note : SuccessNotes(result)) {
        told = told && Console.Err(NativeLines(FillIn(FileMessageText, {file, note})));
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
  (void)Console.Err(NativeLines(FillIn(FileMessageText, {file, failure})));
  return outcome;
}

}  // namespace

int RunSplitCommand(const std::vector<std::u16string>& Args, const TConsole& Console) {
  ListenForInterrupts();
  std::u16string problem;
  std::optional<TCommand> command = Parse(Args, problem);
  if (!command) {
    (void)Console.Err(NativeLines(FillIn(BadUsageText, {problem})));
    return 2;
  }
  if (command->Help || command->Version) {
    return PrintHelpOrVersion(Console, command->Help, UsageText, VersionText);
  }
  // Known before the first FILE is split, so that no run replaces another's FILE.
  const std::vector<TOtherSource> sources = SourcesOf(*command);
  int status = 0;
  for (std::size_t i = 0; i < command->Files.size(); ++i) {
    if (Interrupted()) {
      (void)Console.Err(NativeLines(FillIn(FileMessageText, {command->Files[i], TSplitCancelled().Message})));
      continue;
    }
    const TOutcome outcome = SplitAndReport(*command, i, sources, Console);
    if (outcome == TOutcome::Unreported) return 1;
    if (outcome == TOutcome::Failed) status = 1;
  }
  // As the shell reports a program that an interrupt ended.
  return Interrupted() ? 130 : status;
}
