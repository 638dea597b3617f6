#include "support/UkxFunctions.h"

#include "platform/Platform.h"
#include "support/UkxStrUtils.h"
#include "support/UkxException.h"
#include "support/UkxTexts.h"

#include <cstdlib>
#include <limits>

namespace {

std::u16string PathDelimiters() { return std::u16string(platform::PathDelimiters()); }

std::u16string ProgramPath() { return AnsiToText(platform::ProgramPathAnsi()); }

}  // namespace

void* AllocZeroed(std::size_t Size) { return std::calloc(Size ? Size : 1, 1); }

void TrimWorkingSet() { platform::TrimWorkingSet(); }

bool PathExists(const std::u16string& Path) { return platform::PathExists(Path); }

bool MakeDir(const std::u16string& Path) { return platform::MakeDirectory(Path); }

int FindLastOf(const std::u16string& Delims, const std::u16string& S) {
  std::u16string terminated = Delims;  // FindChar scans up to the terminator
  for (int i = static_cast<int>(S.size()); i >= 1; --i) {
    char16_t ch = S[static_cast<std::size_t>(i - 1)];
    if (ch != 0 && FindChar(terminated.c_str(), ch) != 0) return i;
  }
  return 0;
}

std::u16string FilePathOf(const std::u16string& S) {
  return LeftText(S, FindLastOf(PathDelimiters(), S));
}

std::u16string FileNameOf(const std::u16string& S, bool KeepExt) {
  std::u16string result = S;
  int i = FindLastOf(PathDelimiters(), result);
  if (i > 0) result = MidText(result, i + 1, -1);
  if (!KeepExt) {
    int j = LastPos(u".", result, 0);
    if (j > 0) result = LeftText(result, j - 1);
  }
  return result;
}

std::u16string FileExtOf(const std::u16string& S) {
  int i = FindLastOf(PathDelimiters() + u".", S);
  if (i > 0 && S[static_cast<std::size_t>(i - 1)] == u'.') return MidText(S, i + 1, -1);
  return {};
}

std::u16string ProgramDir() { return FilePathOf(ProgramPath()); }

std::u16string SettingsPathFor(const std::u16string& ProgramPath) {
  // Only the program file's own extension changes: replacing ".exe" anywhere in the
  // path could point into a missing folder or at the program itself.
  const std::size_t n = ProgramPath.size();
  if (n >= 4 && TextEquals(ProgramPath.substr(n - 4), u".exe", false)) return ProgramPath.substr(0, n - 4) + u".ini";
  // Any other name (Rowdeal, Rowdeal.com) keeps its own and gains ".ini": the settings
  // must never be written into the program file.
  return ProgramPath + u".ini";
}

std::u16string SettingsFilePath() { return SettingsPathFor(ProgramPath()); }

std::u16string IntToText(int Width, std::int64_t Value) {
  std::u16string digits;
  std::int64_t rest = Value;
  do {
    int remainder = static_cast<int>(rest % 10);
    digits.insert(digits.begin(), static_cast<char16_t>(u'0' + (remainder < 0 ? -remainder : remainder)));
    rest /= 10;
  } while (rest != 0);
  while (static_cast<int>(digits.size()) < Width) digits.insert(digits.begin(), u'0');
  if (Value < 0) digits.insert(digits.begin(), u'-');
  return digits;
}

std::int64_t TextToInt(const std::u16string& S) {
  std::u16string text = TrimText(S);
  if (text.empty()) throw TkxException(FillIn(EmptyNumberText, {text}));
  bool negative = text[0] == u'-';
  if (negative) text.erase(0, 1);
  // Accumulated as a magnitude so that the most negative value fits too.
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : std::numeric_limits<std::int64_t>::max();
  std::uint64_t magnitude = 0;
  for (char16_t ch : text) {
    if (ch < u'0' || ch > u'9') throw TkxException(FillIn(NotAnIntegerText, {text}));
    std::uint64_t digit = static_cast<std::uint64_t>(ch - u'0');
    if (magnitude > (limit - digit) / 10) throw TkxException(FillIn(NotAnIntegerText, {text}));
    magnitude = magnitude * 10 + digit;
  }
  return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

std::int64_t TextToIntDef(const std::u16string& S, std::int32_t Default) {
  try {
    return TextToInt(S);
  } catch (const TkxException&) {
    return Default;
  }
}

std::int32_t BoolToWin(bool Value) { return Value ? 1 : 0; }

bool WinToBool(std::int32_t Value) { return Value != 0; }
