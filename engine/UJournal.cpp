#include "engine/UJournal.h"

#include "engine/UEngineTexts.h"
#include "engine/UKeyLines.h"
#include "engine/USplitResult.h"
#include "platform/Platform.h"
#include "support/UkxException.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxTexts.h"
#include "support/UkxUtf8.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace {

const std::string Signature = "Rowdeal journal\n";
// Version 1 named outputs by rule alone; it is still read.
const std::string Version = "version 2\n";
const std::string FirstVersion = "version 1\n";
const std::array<std::string_view, 3> StateNames = {"writing", "replacing", "undoing"};
// Far more than the lines of any journal, and than any name it lists: a larger file is
// someone else's.
constexpr std::int64_t MaxSize = 64 << 10;
constexpr std::int64_t MaxNameSize = 4 << 10;

}  // namespace


std::int64_t NumberBetween(std::u16string_view Name, std::u16string_view Prefix, std::u16string_view Suffix) {
  if (Name.size() <= Prefix.size() + Suffix.size() || !platform::SameName(Name.substr(0, Prefix.size()), Prefix) ||
      !platform::SameName(Name.substr(Name.size() - Suffix.size()), Suffix)) {
    return 0;
  }
  const std::u16string_view digits = Name.substr(Prefix.size(), Name.size() - Prefix.size() - Suffix.size());
  if (digits[0] == u'0' || digits.size() > 18) return 0;
  std::int64_t number = 0;
  for (const char16_t c : digits) {
    if (c < u'0' || c > u'9') return 0;
    number = number * 10 + (c - u'0');
  }
  return number;
}
TOutputName TJournal::Output(std::int64_t I) const {
  const std::u16string index = IntToText(0, I);
  return {Names ? Names->Name(I) : OutputName(Base, Extension, I), u"~R" + index + u"~", u"~S" + index + u"~"};
}

std::int64_t TJournal::TemporaryIndex(std::u16string_view Name) { return NumberBetween(Name, u"~R", u"~"); }

std::string JournalText(const TJournal& Journal) {
  // A journal without names stays one that the version before reads.
  std::string text = Signature + (Journal.Names ? Version : FirstVersion) + "base " + EscapedName(Journal.Base) + "\nextension " +
                     EscapedName(Journal.Extension) + "\nstate " +
                     std::string(StateNames[static_cast<std::size_t>(Journal.State)]) + "\n";
  if (Journal.Count > 0) text += "count " + std::to_string(Journal.Count) + "\n";
  // Only the replacing needs the names: the temporaries go by number.
  if (Journal.Names && Journal.State != TJournalState::Writing) text += NameLines(*Journal.Names, Journal.Count);
  return text;
}

bool ReadJournalText(std::string_view Text, TJournal& Journal) {
  if (Text.substr(0, Signature.size()) != Signature) return false;
  Text.remove_prefix(Signature.size());
  const bool named = Text.substr(0, Version.size()) == Version;
  if (!named && Text.substr(0, FirstVersion.size()) != FirstVersion) return false;
  Text.remove_prefix(Version.size());
  std::string_view base, extension, state, count;
  if (!TakeLine(Text, "base", base) || !TakeLine(Text, "extension", extension) || !TakeLine(Text, "state", state) ||
      !UnescapedName(base, Journal.Base) || !UnescapedName(extension, Journal.Extension) || Journal.Base.empty()) {
    return false;
  }
  std::size_t s = 0;
  while (s < StateNames.size() && StateNames[s] != state) ++s;
  if (s == StateNames.size()) return false;
  Journal.State = static_cast<TJournalState>(s);
  Journal.Count = 0;
  Journal.Names.reset();
  if (Text.empty()) return Journal.State == TJournalState::Writing;  // the count comes before any replacing
  if (!TakeLine(Text, "count", count) || !ReadNumber(count, Journal.Count) || Journal.Count < 1) {
    return false;
  }
  if (Text.empty() || !named || Journal.State == TJournalState::Writing) return Text.empty();
  return ReadNameLines(Text, Journal.Count, Journal.Names);
}

std::u16string TJournalFile::Path(bool New) const { return FDir + (New ? u"~R.journal.new" : u"~R.journal"); }

bool TJournalFile::Load(TJournal& Journal) {
  std::string bytes;
  if (ReadSmallFile(Path(true), MaxSize, bytes)) {
    // Moved over the journal only once complete, so never more than a step not taken;
    // cut short, or empty, when its run was killed while writing it.
    const std::size_t head = std::min(bytes.size(), Signature.size());
    if (bytes.compare(0, head, Signature, 0, head) != 0 || !platform::RemoveFile(Path(true))) FileOpenError(Path(true));
  }
  const auto sizeOf = [](std::string_view Head) { return MaxSize + NumberOnLine(Head, "count") * MaxNameSize; };
  if (!ReadListFile(Path(false), MaxSize, sizeOf, bytes)) return false;
  if (!ReadJournalText(bytes, Journal)) FileOpenError(Path(false));
  FExists = true;
  return true;
}

void TJournalFile::Store(const TJournal& Journal) {
  WriteNewFile(Path(true), JournalText(Journal));
  // The first journal takes a name nothing has; later ones replace it.
  const bool moved = FExists ? platform::MoveReplacing(Path(true), Path(false))
                             : platform::MoveToNewName(Path(true), Path(false));
  if (!moved) {
    (void)platform::RemoveFile(Path(true));  // its own: nothing is lost when it stays
    FileOpenError(Path(false));
  }
  FExists = true;
}

bool TJournalFile::Remove() {
  if (!FExists || platform::RemoveFile(Path(false))) FExists = false;
  return !FExists;
}
