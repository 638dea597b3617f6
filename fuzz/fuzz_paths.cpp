// The path and text utilities: a path falls apart into folder, name, base and
// extension that put together give it back, and the search and replace routines
// agree with the standard library's. An output folder's journal gives back the names
// it was written with.
#include "engine/UJournal.h"
#include "fuzz/FuzzScratch.h"
#include "platform/Platform.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

#include <cstdint>
#include <string>

namespace {

std::u16string TextOf(const std::uint8_t* data, std::size_t size, std::size_t& used) {
  static const char16_t alphabet[] = {u'a', u'b', u'.', u'.', u'/', u'\\', u':', u' ', u'\0', u'\u00E9',
                                      u'\u4E2D', u'\xD83D', u'\xDE00', u'e', u'x', u'i', u'n', u'E', u'\n', u'\r'};
  std::u16string text;
  while (used < size && data[used] != 0xFF) text += alphabet[data[used++] % (sizeof alphabet / sizeof alphabet[0])];
  if (used < size) ++used;  // the separator
  return text;
}

bool IsDelimiter(char16_t ch) { return ch != 0 && platform::PathDelimiters().find(ch) != std::u16string_view::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t used = 0;
  const std::u16string s = TextOf(data, size, used);
  const std::u16string sub = TextOf(data, size, used);
  const std::u16string with = TextOf(data, size, used);
  const int start = used < size ? data[used] % 40 - 5 : 0;

  // Folder and name put together give the path; only the folder holds a delimiter.
  const std::u16string folder = FilePathOf(s);
  const std::u16string name = FileNameOf(s, true);
  FUZZ_CHECK(folder + name == s);
  FUZZ_CHECK(folder.empty() || IsDelimiter(folder.back()));
  for (char16_t ch : name) FUZZ_CHECK(!IsDelimiter(ch));
  // Base and extension: the name is base "." extension when it holds a dot.
  const std::u16string base = FileNameOf(s, false);
  const std::u16string ext = FileExtOf(s);
  FUZZ_CHECK(FileExtOf(name) == ext);
  if (name.find(u'.') != std::u16string::npos) {
    FUZZ_CHECK(base + u"." + ext == name);
    FUZZ_CHECK(ext.find(u'.') == std::u16string::npos);
  } else {
    FUZZ_CHECK(base == name && ext.empty());
  }
  // The settings file: a final ".exe" (any case) becomes ".ini", any other name gains
  // ".ini"; never the program itself.
  const std::u16string settings = SettingsPathFor(s);
  FUZZ_CHECK(settings != s && settings.size() >= 4 && settings.substr(settings.size() - 4) == u".ini");
  if (settings.size() == s.size()) FUZZ_CHECK(settings.substr(0, s.size() - 4) == s.substr(0, s.size() - 4));
  else FUZZ_CHECK(settings == s + u".ini");

  // Searching and replacing, against the standard library.
  if (!sub.empty()) {
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    const std::size_t first = from <= s.size() ? s.find(sub, from) : std::u16string::npos;
    FUZZ_CHECK(PosFrom(sub, s, start) == (first == std::u16string::npos ? 0 : static_cast<int>(first) + 1));
    const int maxStart = start < 0 ? 0 : start;  // 0: anywhere
    const std::size_t last = maxStart == 0 ? s.rfind(sub) : s.rfind(sub, static_cast<std::size_t>(maxStart - 1));
    FUZZ_CHECK(LastPos(sub, s, maxStart) == (last == std::u16string::npos ? 0 : static_cast<int>(last) + 1));
    std::u16string replaced;
    std::size_t at = 0;
    for (std::size_t hit = s.find(sub); hit != std::u16string::npos; hit = s.find(sub, at)) {
      replaced += s.substr(at, hit - at) + with;
      at = hit + sub.size();
    }
    replaced += s.substr(at);
    FUZZ_CHECK(ReplaceAll(s, sub, with) == replaced);
  }
  // Trimming and cutting stay inside the text.
  const std::u16string trimmed = TrimText(s);
  FUZZ_CHECK(s.find(trimmed) != std::u16string::npos);
  FUZZ_CHECK(trimmed.empty() || (trimmed.front() > u' ' && trimmed.back() > u' '));
  FUZZ_CHECK(LeftText(s, start) == (start < 0 ? s : s.substr(0, static_cast<std::size_t>(start))));
  const std::u16string mid = MidText(s, start, static_cast<int>(sub.size()));
  FUZZ_CHECK(mid.size() <= sub.size() && s.find(mid) != std::u16string::npos);
  FUZZ_CHECK(TextEquals(s, with, true) == (s == with));

  // Names holding line ends, backslashes, NULs and lone surrogates come back whole.
  const TJournal journal{u"~" + s, with, static_cast<TJournalState>(start % 3 < 0 ? 0 : start % 3), start < 1 ? 1 : start, nullptr};
  TJournal read;
  FUZZ_CHECK(ReadJournalText(JournalText(journal), read));
  FUZZ_CHECK(read.Base == journal.Base && read.Extension == journal.Extension && read.State == journal.State &&
             read.Count == journal.Count);
  return 0;
}
