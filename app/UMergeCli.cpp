#include "app/UMergeCli.h"

#include "app/UAppTexts.h"
#include "app/UCliOptions.h"
#include "engine/UEngineTexts.h"
#include "engine/UMergeJob.h"
#include "engine/USplitWays.h"
#include "support/UkxStrUtils.h"

#include <optional>

namespace {

struct TMergeCommand {
  TCommandLine Line;
  TMergeRequest Request;
  bool Checks() const { return !Request.Check.empty(); }
};

// The command, or the reason it is not one.
std::optional<TMergeCommand> Parse(const std::vector<std::u16string>& Args, std::u16string& Problem) {
  TMergeCommand command;
  TMergeRequest& request = command.Request;
  std::u16string header, records = u"auto";
  const auto targets = [&](const std::u16string& option) -> TOptionTarget {
    if (option == u"--header") return {&header};
    if (option == u"--records") return {&records};
    if (option == u"--out") return {&request.Output};
    if (option == u"--check") return {&request.Check};
    if (option == u"--interleave") return {nullptr, &request.Interleave};
    if (option == u"--any-order") return {nullptr, &request.AnyOrder};
    return {};
  };
  std::optional<TCommandLine> line = ReadCommandLine(Args, targets, Problem);
  if (!line) return std::nullopt;
  command.Line = std::move(*line);
  if (command.Line.Help || command.Line.Version) return command;
  // An empty value is refused as it is read: an empty text is an option not given.
  request.HeaderGiven = !header.empty();
  if (request.HeaderGiven) request.Header = ReadHeaderCount(header);
  const std::optional<TRecordMode> mode = RecordsOf(records);
  if (command.Line.Operands.empty()) {
    Problem = NoInputText;
  } else if (request.Output.empty() && request.Check.empty()) {
    Problem = OutOrCheckText;
  } else if (!request.Output.empty() && !request.Check.empty()) {
    Problem = FillIn(ModesTogetherText, {u"--out", u"--check"});
  } else if (request.AnyOrder && request.Check.empty()) {
    Problem = AnyOrderWithoutCheckText;
  } else if (!mode) {
    Problem = RecordsValueText;
  } else {
    Problem = request.Header.Refusal;
  }
  if (!Problem.empty()) return std::nullopt;
  request.Inputs = command.Line.Operands;
  request.Records = *mode;
  request.OutputShown = request.Output;
  return command;
}

int BadUsage(const TConsole& Console, const std::u16string& Problem) {
  (void)Console.Err(NativeLines(FillIn(MergeBadUsageText, {Problem})));
  return 2;
}

bool Tell(const TConsole& Console, const std::u16string& Message) {
  return Console.Err(NativeLines(FillIn(MergeMessageText, {Message})));
}

// Text of the engine's, which has no line end after its last line, as one output.
bool Print(const TConsole& Console, const std::u16string& Text) { return Console.Out(NativeLines(Text + u"\r\n")); }

// What a merge that ran to its end says: with --out its success, with --check the
// comparison. With --quiet a success says its notes alone, on standard error: a script
// that goes on with the merged table should still hear of files left out.
int Report(const TMergeCommand& Command, const TMergeResult& Result, const TConsole& Console) {
  const int status = Result.Same ? 0 : 1;
  bool told = true;
  if (Command.Line.Quiet && Result.Same) {
    for (const std::u16string& note : Result.Notes) told = told && Tell(Console, note);
  } else {
    told = Print(Console, Command.Checks() ? CheckText(Result, Command.Request.Check) : MergeSuccessText(Result));
  }
  if (told) return status;
  // Nothing is left to tell it where standard error fails too: the status says it.
  if (Command.Checks()) return 3;
  (void)Tell(Console, FillIn(MergeUnreportedText, {Result.Output}));
  return 1;
}

// Runs the merge and tells how it went. Whatever the run raises, its own cleanup has run
// by the time it is caught here.
int MergeAndReport(const TMergeCommand& Command, const TConsole& Console) {
  // A check that could not compare is told apart from one that found a difference.
  int status = Command.Checks() ? 3 : 1;
  std::u16string failure = MergeUnexpectedText;
  std::optional<TMergeResult> result;
  try {
    result = RunWithProgress(Console, [&Command](TSplitControl& control) {
      return RunMergeRequest(Command.Request, &control);
    });
  } catch (const TSplitCancelled&) {
    status = 130;
    failure = MergeCancelledText;
  } catch (const TMergeUsage& error) {
    return BadUsage(Console, error.Message);
  } catch (const TMergeMismatch& error) {
    // Inputs that do not fit one another hold no merge equal to SOURCE: a difference.
    if (Command.Checks()) return Print(Console, error.Message) ? 1 : 3;
    failure = error.Message;
  } catch (const TkxException& error) {
    failure = error.Message;
  } catch (...) {
    // Unexpected: a thread that could not start.
  }
  if (result) return Report(Command, *result, Console);
  (void)Tell(Console, failure);
  return status;
}

}  // namespace

int RunMergeCommand(const std::vector<std::u16string>& Args, const TConsole& Console) {
  ListenForInterrupts();
  std::u16string problem;
  const std::optional<TMergeCommand> command = Parse(Args, problem);
  if (!command) return BadUsage(Console, problem);
  if (command->Line.Help || command->Line.Version) {
    return PrintHelpOrVersion(Console, command->Line.Help, MergeUsageText, MergeVersionText);
  }
  const int status = MergeAndReport(*command, Console);
  // As the shell reports a program that an interrupt ended.
  return Interrupted() ? 130 : status;
}
