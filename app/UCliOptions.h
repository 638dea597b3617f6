// The reading of a command line that both programs share: help wherever it stands,
// --version, --quiet, "--", the operands, and each program's own options, with a value
// as "--option value" or "--option=value", or as a flag.
#pragma once

#include "engine/USplitRequest.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Where one of a program's options goes: a value into Value, or a flag set. Neither: the
// option is unknown.
struct TOptionTarget {
  std::u16string* Value = nullptr;
  bool* Flag = nullptr;
};

// Answers an option's target; called once for each time the option is given, so that a
// program may count or collect them.
using TOptionTargets = std::function<TOptionTarget(const std::u16string& Option)>;

struct TCommandLine {
  std::vector<std::u16string> Operands;
  bool Help = false;
  bool Version = false;
  bool Quiet = false;
};

// The words read, or nothing with Problem saying why: an unknown option, a value missing
// or empty. Given twice, the same option keeps its last value.
[[nodiscard]] std::optional<TCommandLine> ReadCommandLine(const std::vector<std::u16string>& Args,
                                                          const TOptionTargets& Targets, std::u16string& Problem);

// The value of --records, or nothing when it is none of auto, csv and lines.
[[nodiscard]] std::optional<TRecordMode> RecordsOf(const std::u16string& Value);
