#include "app/USplitJob.h"

#include "app/ULineDealer.h"
#include "app/UOutputFiles.h"
#include "app/UOutputFolder.h"
#include "platform/Platform.h"
#include "support/UkxFile.h"
#include "support/UkxFunctions.h"

#include <algorithm>
#include <new>
#include <string>
#include <string_view>

namespace {

constexpr std::int64_t MaxCount = 2147483647;
// Handles left for the source, the folder's lock and the C library.
constexpr std::int64_t SpareHandles = 16;
// The line ends are judged on this much of the start of the source.
constexpr std::size_t HeadSize = 1u << 20;

// A count as typed, converted and checked against its range.
std::int64_t CountOf(const std::u16string& Text, std::int64_t Least, const char16_t* Message) {
  std::int64_t value = TextToInt(Text);
  if (value < Least || value > MaxCount) throw TkxException(Message);
  return value;
}

// A base name of nothing but dots and blanks would put the output folder at the root
// of the drive, into the source's own folder, or above it.
bool IsUsableBaseName(const std::u16string& Base) {
  return std::any_of(Base.begin(), Base.end(), [](char16_t ch) { return ch != u'.' && ch != u' '; });
}

[[noreturn]] void NotAFile() { throw TkxException(u"待拆分文件不是普通文件!"); }

// The source, open for reading: both attempts of a run read it through this one handle.
struct TSource {
  platform::TFile File;
  platform::FileId Id;
  std::int64_t Size = 0;
  std::string_view Mark;
  TkxUnitLayout Layout;
};

bool IsCsvExtension(const std::u16string& Extension) {
  std::u16string lower = Extension;
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return lower == u"csv";
}

// One pass over the source that deals it by records (Quoted) or lines, with the given
// line ends, and puts the outputs in place. Raises TUnclosedQuote, with nothing left
// behind, when records run into the end of the source inside a quoted field.
void Deal(const TSource& Source, TkxLineEnd Ends, bool Quoted, std::int64_t HeaderCount, const TSplitLimits& Limits,
          TSplitControl& Control, TSplitResult& Result) {
  TLineDealer dealer(Source.File, Source.Size, Source.Mark.size(), Source.Layout, Ends, Quoted, Limits.SourceBlock,
                     Limits.HeaderInMemory);
  dealer.ReadHeader(HeaderCount);

  Control.BytesTotal.store(Source.Size);
  Control.FilesTotal.store(2 * Result.Count);  // each made, then put in place
  TOutputFolder folder(Result.OutputDir, Result.Base, Result.Extension);
  {
    // The outputs' bookkeeping first: a count beyond the memory fails before the disk is touched.
    TOutputFiles outputs(folder, Result.Count, Source.Mark, Limits.OutputBudget, Limits.OpenOutputs, Control);
    folder.Prepare(Source.Id,
                   Source.Size + Result.Count * (static_cast<std::int64_t>(Source.Mark.size()) + dealer.HeaderBytes()),
                   Result.Count);
    dealer.Deal(outputs, Control);
    outputs.CloseAll();
  }
  // Another program that shortened or lengthened the source while it was being dealt
  // leaves outputs that match neither its old nor its new content. (Windows refuses
  // such writers while the source is open; POSIX does not.)
  if (dealer.SourceChanged()) throw TkxException(u"拆分期间待拆分文件被改动, 请在它不再变化时重新拆分!");
  folder.Replace(Control);
  folder.FindStale(Result);
}

TSplitResult Split(const std::u16string& Path, const std::u16string& HeaderText, const std::u16string& CycleText,
                   TSplitRecords Records, const TSplitLimits& Limits, TSplitControl& Control) {
  if (!PathExists(Path)) throw TkxException(u"待拆分文件不存在!");
  const std::u16string name = FileNameOf(Path, true);
  if (platform::HasDeviceNames() && IsDeviceName(name)) NotAFile();
  TSplitResult result;
  result.Extension = FileExtOf(name);
  result.Base = FileNameOf(Path, false);
  if (!IsUsableBaseName(result.Base)) throw TkxException(u"无法由文件名确定输出子路径!");
  result.OutputDir = FilePathOf(Path) + result.Base + platform::PathSeparator();
  const TSplitCounts counts = ReadCounts(HeaderText, CycleText);
  result.Count = counts.Cycle;

  TSource source;
  switch (platform::OpenExistingFile(Path, source.File)) {
    case platform::OpenResult::Opened: break;
    case platform::OpenResult::Missing: throw TkxException(u"待拆分文件不存在!");
    case platform::OpenResult::NotRegular: NotAFile();
    case platform::OpenResult::Failed: throw TkxException(u"File Open Error!");
  }
  source.Size = platform::FileSize(source.File);
  if (source.Size < 0 || !platform::IdentityOf(source.File, source.Id)) throw TkxException(u"File Read Error!");

  // Only the mark decides the encoding: ANSI and UTF-8 without one are dealt alike.
  std::string head(static_cast<std::size_t>(std::min<std::int64_t>(source.Size, HeadSize)), '\0');
  std::size_t got = 0;
  if (!platform::ReadBytesAt(source.File, 0, head.data(), head.size(), got)) throw TkxException(u"File Read Error!");
  head.resize(got);
  const std::uint8_t encoding = TkxFile::EncodingOfMark(head);
  source.Mark = TkxFile::MarkOf(encoding);
  source.Layout = TkxFile::LayoutOf(encoding);

  if (Records == TSplitRecords::Csv || (Records == TSplitRecords::Auto && IsCsvExtension(result.Extension))) {
    const std::string_view body = std::string_view(head).substr(std::min(head.size(), source.Mark.size()));
    try {
      Deal(source, RecordEndsOf(body, source.Layout), true, counts.Header, Limits, Control, result);
      (void)source.File.Close();  // only read: nothing to commit
      return result;
    } catch (const TUnclosedQuote& unclosed) {
      if (Records == TSplitRecords::Csv) throw;
      // Not a table of records: split by lines, from the start, as if the first attempt
      // had never been (its temporaries are gone).
      result.UnclosedQuoteLine = unclosed.Line;
      Control.BytesDone.store(0);
      Control.FilesDone.store(0);
    }
  }
  Deal(source, LineEndsOf(head, source.Layout), false, counts.Header, Limits, Control, result);
  (void)source.File.Close();  // only read: nothing to commit
  return result;
}

}  // namespace

TSplitCounts ReadCounts(const std::u16string& HeaderText, const std::u16string& CycleText) {
  TSplitCounts counts;
  counts.Header = CountOf(HeaderText, 0, u"表头栏行数必须是 0 到 2147483647 之间的整数!");
  counts.Cycle = CountOf(CycleText, 1, u"每一循环包含的行数必须是 1 到 2147483647 之间的整数!");
  return counts;
}

bool IsDeviceName(const std::u16string& Name) {
  std::u16string stem = Name.substr(0, Name.find_first_of(u".:"));
  while (!stem.empty() && stem.back() == u' ') stem.pop_back();
  for (char16_t& c : stem) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  for (const char16_t* device : {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$", u"CONOUT$"}) {
    if (stem == device) return true;
  }
  if (stem.size() != 4 || (stem.compare(0, 3, u"COM") != 0 && stem.compare(0, 3, u"LPT") != 0)) return false;
  const char16_t digit = stem[3];
  return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

TSplitResult RunSplit(const std::u16string& Path, const std::u16string& HeaderText,
                      const std::u16string& CycleText, TSplitControl* Control, TSplitRecords Records) {
  TSplitLimits limits;
  limits.OpenOutputs = std::max<std::int64_t>(1, platform::RaiseOpenFileLimit() - SpareHandles);
  return RunSplitWith(Path, HeaderText, CycleText, limits, Control, Records);
}

TSplitResult RunSplitWith(const std::u16string& Path, const std::u16string& HeaderText,
                          const std::u16string& CycleText, const TSplitLimits& Limits, TSplitControl* Control,
                          TSplitRecords Records) {
  TSplitControl own;
  try {
    return Split(Path, HeaderText, CycleText, Records, Limits, Control ? *Control : own);
  } catch (const std::bad_alloc&) {
    // Everything the run made is gone by now, as after any other failure.
    throw TkxException(u"内存不足!");
  }
}
