#include "app/UCliOptions.h"

#include "app/UAppTexts.h"
#include "support/UkxStrUtils.h"

namespace {

bool IsHelp(const std::u16string& Arg) {
#ifdef _WIN32
  if (Arg == u"/?") return true;
#endif
  return Arg == u"-h" || Arg == u"--help";
}

// The value of the option at Args[I] (its "=value", else the next word, which it takes),
// or false with Problem set.
bool TakeValue(const std::vector<std::u16string>& Args, std::size_t& I, const std::u16string& Option,
               std::u16string& Value, std::u16string& Problem) {
  const std::u16string& arg = Args[I];
  if (Option.size() < arg.size()) {
    Value = arg.substr(Option.size() + 1);
  } else if (I + 1 < Args.size()) {
    Value = Args[++I];
  } else {
    Problem = FillIn(NeedsValueText, {arg});
    return false;
  }
  // "--out ''" from a script's empty variable, "--rows= 3" from a stray blank.
  if (Value.empty()) {
    Problem = FillIn(EmptyValueText, {Option});
    return false;
  }
  return true;
}

}  // namespace

std::optional<TCommandLine> ReadCommandLine(const std::vector<std::u16string>& Args, const TOptionTargets& Targets,
                                            std::u16string& Problem) {
  TCommandLine line;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < Args.size(); ++i) {
    const std::u16string& arg = Args[i];
    if (!optionsEnded && IsHelp(arg)) {
      line.Help = true;
    } else if (optionsEnded || arg.size() < 2 || arg[0] != u'-') {
      line.Operands.push_back(arg);
    } else if (arg == u"--") {
      optionsEnded = true;
    } else if (arg == u"--version") {
      line.Version = true;
    } else if (arg == u"-q" || arg == u"--quiet") {
      line.Quiet = true;
    } else {
      const std::u16string option = arg.substr(0, arg.find(u'='));
      const TOptionTarget target = Targets(option);
      if (target.Flag && option.size() == arg.size()) {
        *target.Flag = true;
      } else if (!target.Value) {
        Problem = FillIn(UnknownOptionText, {arg});
        return std::nullopt;
      } else if (!TakeValue(Args, i, option, *target.Value, Problem)) {
        return std::nullopt;
      }
    }
  }
  return line;
}

std::optional<TRecordMode> RecordsOf(const std::u16string& Value) {
  if (Value == u"auto") return TRecordMode::Auto;
  if (Value == u"csv") return TRecordMode::Csv;
  if (Value == u"lines") return TRecordMode::Lines;
  return std::nullopt;
}
