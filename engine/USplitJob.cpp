#include "engine/USplitJob.h"

#include "engine/UEngineTexts.h"
#include "engine/UKeyFields.h"
#include "engine/UKeyLines.h"
#include "engine/UOutputFolder.h"
#include "engine/UOutputSet.h"
#include "engine/URecordPump.h"
#include "engine/URecordPumpRun.h"
#include "engine/URouter.h"
#include "platform/Platform.h"
#include "support/UkxFile.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxTexts.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace {

// Handles left for the source, the folder's lock and the C library.
constexpr std::int64_t SpareHandles = 16;
// The line ends are judged on this much of the start of the source.
constexpr std::size_t HeadSize = 1u << 20;

struct TSplitCounts {
  std::int64_t Header = 0;
  std::int64_t Count = 0;  // N, K or the size in bytes
};

// The counts the request brings, or the refusal it carries, H first.
TSplitCounts CountsOf(const TSplitRequest& Request) {
  for (const TTypedCount* typed : {&Request.Header, &Request.Count}) {
    if (!typed->Refusal.empty()) throw TkxException(typed->Refusal);
  }
  return {Request.Header.Value, Request.Count.Value};
}

// A base name of nothing but dots and blanks would put the output folder at the root
// of the drive, into the source's own folder, or above it.
bool IsUsableBaseName(const std::u16string& Base) {
  return std::any_of(Base.begin(), Base.end(), [](char16_t ch) { return ch != u'.' && ch != u' '; });
}

[[noreturn]] void NotAFile() { throw TkxException(NotAFileText); }

// The source, open for reading: both attempts of a run read it through this one handle.
struct TSource {
  platform::TFile File;
  platform::FileId Id;
  std::int64_t Size = 0;
  std::string_view Mark;
  TkxUnitLayout Layout;
  std::uint8_t Encoding = teNone;
  // Where a quote opens a quoted field besides after , ; TAB: after '|' for fields that go by it.
  char Opener = ',';
};

// The delimiter of the fields of a split by value, as the first record of Head shows it.
// (Asked before the line ends are judged: the first record then runs to any LF.)
char16_t FieldDelimiter(const TSource& Source, std::string_view Head, const TSplitRequest& Request,
                        const std::u16string& Extension) {
  const std::string_view record = FirstRecordIn(Head.substr(Source.Mark.size()), Source.Layout, true, TLineEnd::Lf);
  return DelimiterOf(Request.Delimiter, Extension, record, Source.Layout);
}

// The keys of a split by value, read by the fields of the source's first record; raises
// the message for key columns that its first header record does not have.
std::shared_ptr<TValueKeys> KeysOf(const TSource& Source, TLineEnd Ends, bool Quoted, const TSplitRequest& Request,
                                   std::int64_t Header, const TSplitResult& Result) {
  std::string head(static_cast<std::size_t>(std::min<std::int64_t>(Source.Size, HeadSize)), '\0');
  std::size_t got = 0;
  if (!platform::ReadBytesAt(Source.File, 0, head.data(), head.size(), got)) throw TkxException(FileReadErrorText);
  head.resize(got);
  const std::string_view record =
      FirstRecordIn(std::string_view(head).substr(Source.Mark.size()), Source.Layout, Quoted, Ends);
  const char16_t delimiter = DelimiterOf(Request.Delimiter, Result.Extension, record, Source.Layout);
  const TValueEncoding encoding = ValueEncodingOf(Source.Encoding, head, Request.CodePage);
  const std::vector<std::u16string> fields =
      Header > 0 ? FieldsOf(record, delimiter, Source.Layout, encoding) : std::vector<std::u16string>();
  TKeyReader reader(KeyColumnsOf(Request.Columns, fields, Header), delimiter, Source.Layout);
  return std::make_shared<TValueKeys>(std::move(reader), encoding, Result.Base, Result.Extension);
}

// One pass over the source (two where the way counts the records first) that cuts it by
// records (Quoted) or lines, with the given line ends, with the way's router, and puts
// the outputs in place. Raises TUnclosedQuote, with nothing left behind, when records
// run into the end of the source inside a quoted field.
template <class Router>
void DealBy(const TSource& Source, const TKeptFiles& Kept, TLineEnd Ends, bool Quoted, const TSplitRequest& Request,
            const TSplitCounts& Counts, const TSplitLimits& Limits, TSplitControl& Control, TSplitResult& Result) {
  TRecordPump pump(Source.File, Source.Size, Source.Mark.size(), Source.Layout, Ends, Quoted, Source.Opener,
                   Limits.SourceBlock,
                   Limits.HeaderInMemory);
  std::int64_t done = 0;
  std::int64_t records = 0;
  Control.BytesTotal.store(Router::CountsFirst ? 2 * Source.Size : Source.Size);
  if constexpr (Router::CountsFirst) {
    records = pump.CountRecords(Control);
    done = Source.Size;
  }
  pump.ReadHeader(Counts.Header);
  const std::int64_t base = static_cast<std::int64_t>(Source.Mark.size()) + pump.HeaderBytes();
  const std::shared_ptr<TValueKeys> keys =
      Router::ReadsKey ? KeysOf(Source, Ends, Quoted, Request, Counts.Header, Result) : nullptr;
  Router router(TRouterInput{Counts.Count, records - Counts.Header, base, keys.get()});
  if (!router.HeaderFits()) pump.FailUnlessUnclosed(pump.HeaderBytes() == 0 ? MarkTooLargeText : HeaderTooLargeText);
  TOutputFolder folder(Result.OutputDir, Result.Base, Result.Extension, Result.OutDirShown);
  const TManifest record{Result.Base, Result.Extension, WayOf(Request.Mode).Option + 2, Counts.Count, Counts.Header, 0,
                         keys};
  const std::int64_t most = router.Known() > 0 ? router.Known() : router.Estimate(Source.Size);
  Control.FilesTotal.store(2 * most);  // each made, then put in place
  // Outputs in turn all fill at once, those by value in any order, the others one after another.
  const TOutputSet::TPlan plan =
      Router::InTurn     ? TOutputSet::TPlan::Together(router.Known(), Limits.OutputBudget)
      : Router::ReadsKey ? TOutputSet::TPlan::AnyOrder(Limits.OutputBudget)
                         : TOutputSet::TPlan::OneAtATime(std::min(Limits.OutputBudget, Limits.SourceBlock));
  TOutputSet outputs(folder, Source.Mark, plan, Limits.OpenOutputs, Control);
  folder.Prepare(Kept, record, Source.Size + most * base, router.Known());
  if (keys) keys->Open(folder.NameLimit(), folder.PathRoom());
  Result.Count = pump.Run(router, outputs, Control, done);
  outputs.CloseAll();
  Control.FilesTotal.store(2 * Result.Count);  // pieces by size were estimated at the most
  // Another program that shortened or lengthened the source while it was being dealt
  // leaves outputs that match neither its old nor its new content. (Windows refuses
  // such writers while the source is open; POSIX does not.)
  if (pump.SourceChanged()) throw TkxException(SourceChangedText);
  folder.Replace(Control);
  Result.Names = keys;
  folder.FindStale(Result);
}

void Deal(const TSource& Source, const TKeptFiles& Kept, TLineEnd Ends, bool Quoted, const TSplitRequest& Request,
          const TSplitCounts& Counts, const TSplitLimits& Limits, TSplitControl& Control, TSplitResult& Result) {
  WithRouterOf(Request.Mode, [&](auto Way) {
    DealBy<typename decltype(Way)::type>(Source, Kept, Ends, Quoted, Request, Counts, Limits, Control, Result);
  });
}

TSplitResult Split(const TSplitRequest& Request, const TSplitLimits& Limits, TSplitControl& Control) {
  const std::u16string& path = Request.Path;
  if (!PathExists(path)) throw TkxException(SourceMissingText);
  if (platform::HasDeviceNames() && IsDeviceName(FileNameOf(path, true))) NotAFile();
  TSplitResult result = PlannedOutputs(Request);
  if (!IsUsableBaseName(result.Base)) throw TkxException(NoOutputFolderText);
  const TSplitCounts counts = CountsOf(Request);

  TSource source;
  switch (platform::OpenExistingFile(path, source.File)) {
    case platform::OpenResult::Opened: break;
    case platform::OpenResult::Missing: throw TkxException(SourceMissingText);
    case platform::OpenResult::NotRegular: NotAFile();
    case platform::OpenResult::Failed: FileOpenError(path);
  }
  source.Size = platform::FileSize(source.File);
  if (source.Size < 0 || !platform::IdentityOf(source.File, source.Id)) throw TkxException(FileReadErrorText);

  // Only the mark decides the encoding: ANSI and UTF-8 without one are dealt alike.
  const std::size_t headSize = static_cast<std::size_t>(std::min<std::int64_t>(source.Size, HeadSize));
  const platform::TLargeBuffer headBlock = platform::AllocateLarge(headSize);
  std::size_t got = 0;
  if (!platform::ReadBytesAt(source.File, 0, headBlock.get(), headSize, got)) throw TkxException(FileReadErrorText);
  source.Encoding = TkxFile::EncodingOfMark(std::string_view(headBlock.get(), got));
  source.Mark = TkxFile::MarkOf(source.Encoding);
  source.Layout = TkxFile::LayoutOf(source.Encoding);
  const TKeptFiles kept(source.Id, path, Request.OtherSources);
  if (Request.Mode == TSplitMode::ByValue &&
      FieldDelimiter(source, std::string_view(headBlock.get(), got), Request, result.Extension) == u'|') {
    source.Opener = '|';
  }

  if (ReadsRecords(Request.Records, result.Extension)) {
    const TEndTally ends = JudgeLineEnds(source.File, source.Size, source.Mark.size(), source.Layout, true, source.Opener,
                                          headBlock.get(), headSize, Control);
    try {
      result.NoLineEnd = !ends.Any() && ends.Cr;
      Deal(source, kept, ends.Ends(), true, Request, counts, Limits, Control, result);
      (void)source.File.Close();  // only read: nothing to commit
      return result;
    } catch (const TUnclosedQuote& unclosed) {
      if (Request.Records == TRecordMode::Csv) throw;
      // Not a table of records: split by lines, from the start, as if the first attempt
      // had never been (its temporaries are gone).
      result.UnclosedQuoteLine = unclosed.Line;
      Control.StartOver();
    }
  }
  const TEndTally ends = JudgeLineEnds(source.File, source.Size, source.Mark.size(), source.Layout, false, source.Opener,
                                          headBlock.get(), headSize, Control);
  result.NoLineEnd = !ends.Any() && ends.Cr;
  Deal(source, kept, ends.Ends(), false, Request, counts, Limits, Control, result);
  (void)source.File.Close();  // only read: nothing to commit
  return result;
}


}  // namespace

TSplitResult PlannedOutputs(const TSplitRequest& Request) {
  TSplitResult result;
  result.Extension = FileExtOf(FileNameOf(Request.Path, true));
  result.Base = FileNameOf(Request.Path, false);
  if (!Request.OutDir.empty()) {
    result.OutputDir = WithSeparator(Request.OutDir);
    result.OutDirShown = WithSeparator(Request.OutDirShown.empty() ? Request.OutDir : Request.OutDirShown);
    return result;
  }
  // Named after the source alone, a folder beside a source without an extension would be the source itself.
  const std::u16string folder = result.Extension.empty() ? result.Base + NoExtensionFolderSuffix : result.Base;
  result.OutputDir = FilePathOf(Request.Path) + folder + platform::PathSeparator();
  return result;
}

std::u16string WithSeparator(const std::u16string& Dir) {
  const bool ends = !Dir.empty() && platform::PathDelimiters().find(Dir.back()) != std::u16string_view::npos;
  return ends ? Dir : Dir + platform::PathSeparator();
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

TSplitResult RunSplitRequest(const TSplitRequest& Request, TSplitControl* Control) {
  TSplitLimits limits;
  limits.OpenOutputs = std::max<std::int64_t>(1, platform::RoomForOpenFiles() - SpareHandles);
  return RunSplitRequestWith(Request, limits, Control);
}

TSplitResult RunSplitRequestWith(const TSplitRequest& Request, const TSplitLimits& Limits, TSplitControl* Control) {
  TSplitControl own;
  try {
    return Split(Request, Limits, Control ? *Control : own);
  } catch (const std::bad_alloc&) {
    // Everything the run made is gone by now, as after any other failure.
    throw TkxException(OutOfMemoryText);
  }
}
