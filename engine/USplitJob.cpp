#include "engine/USplitJob.h"

#include "engine/UEngineTexts.h"
#include "engine/ULineDealer.h"
#include "engine/UOutputFiles.h"
#include "engine/UOutputFolder.h"
#include "engine/UPieceCut.h"
#include "engine/UPieceFiles.h"
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

[[noreturn]] void NotAFile() { throw TkxException(NotAFileText); }

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
// Pieces that a run cutting contiguous pieces knows it makes before it reads them.
std::int64_t PiecesKnown(TSplitMode Mode, std::int64_t Count, std::int64_t Size, std::int64_t Base) {
  if (Mode == TSplitMode::Parts) return Count;
  if (Mode != TSplitMode::MaxSize || Count <= Base) return 1;
  // Every piece holds at most Count - Base bytes of data records.
  return std::max<std::int64_t>(1, (Size - Base) / (Count - Base) + 1);
}

std::unique_ptr<TPieceCut> CutOf(TSplitMode Mode, std::int64_t Count, std::int64_t DataRecords, std::int64_t Base) {
  if (Mode == TSplitMode::Rows) return std::make_unique<TRowsCut>(Count);
  if (Mode == TSplitMode::Parts) return std::make_unique<TPartsCut>(Count, DataRecords);
  return std::make_unique<TSizeCut>(Count, Base);
}

// One pass over the source (two for Parts) that cuts it by records (Quoted) or lines,
// with the given line ends, and puts the outputs in place. Raises TUnclosedQuote, with
// nothing left behind, when records run into the end of the source inside a quoted field.
void Deal(const TSource& Source, const TKeptFiles& Kept, TLineEnd Ends, bool Quoted, TSplitMode Mode,
          const TSplitCounts& Counts, const TSplitLimits& Limits, TSplitControl& Control, TSplitResult& Result) {
  TLineDealer dealer(Source.File, Source.Size, Source.Mark.size(), Source.Layout, Ends, Quoted, Limits.SourceBlock,
                     Limits.HeaderInMemory);
  std::int64_t done = 0;
  std::int64_t records = 0;
  Control.BytesTotal.store(Mode == TSplitMode::Parts ? 2 * Source.Size : Source.Size);
  if (Mode == TSplitMode::Parts) {
    records = dealer.CountRecords(Control);
    done = Source.Size;
  }
  dealer.ReadHeader(Counts.Header);
  const std::int64_t base = static_cast<std::int64_t>(Source.Mark.size()) + dealer.HeaderBytes();
  if (Mode == TSplitMode::MaxSize && base > Counts.Count) {
    dealer.FailUnlessUnclosed(dealer.HeaderBytes() == 0 ? MarkTooLargeText : HeaderTooLargeText);
  }
  TOutputFolder folder(Result.OutputDir, Result.Base, Result.Extension, Result.OutDirShown);
  if (Mode == TSplitMode::Cycle) {
    Result.Count = Counts.Count;
    Control.FilesTotal.store(2 * Result.Count);  // each made, then put in place
    // The outputs' bookkeeping first: a count beyond the memory fails before the disk is touched.
    TOutputFiles outputs(folder, Result.Count, Source.Mark, Limits.OutputBudget, Limits.OpenOutputs, Control);
    folder.Prepare(Kept, Source.Size + Result.Count * base, Result.Count);
    dealer.Deal(outputs, Control);
    outputs.CloseAll();
  } else {
    const std::int64_t known = PiecesKnown(Mode, Counts.Count, Source.Size, base);
    Control.FilesTotal.store(2 * known);
    const std::unique_ptr<TPieceCut> cut = CutOf(Mode, Counts.Count, records - Counts.Header, base);
    folder.Prepare(Kept, Source.Size + known * base, Mode == TSplitMode::Parts ? Counts.Count : 0);
    TPieceFiles pieces(folder, Source.Mark, std::min(Limits.OutputBudget, Limits.SourceBlock), Control);
    dealer.DealPieces(pieces, *cut, Control, done);
    pieces.CloseAll();
    Result.Count = pieces.Count();
    Control.FilesTotal.store(2 * Result.Count);  // pieces by size were estimated at the most
  }
  // Another program that shortened or lengthened the source while it was being dealt
  // leaves outputs that match neither its old nor its new content. (Windows refuses
  // such writers while the source is open; POSIX does not.)
  if (dealer.SourceChanged()) throw TkxException(SourceChangedText);
  folder.Replace(Control);
  folder.FindStale(Result);
}

// The source's line ends, judged on its first MiB, or where that holds none, read on
// through the same block until one shows or the source ends.
TEndTally JudgeEnds(const TSource& Source, char* Block, std::size_t BlockSize, bool Quoted, TSplitControl& Control) {
  TEndTally tally;
  TQuoteState quotes;
  for (std::int64_t at = Quoted ? static_cast<std::int64_t>(Source.Mark.size()) : 0;;) {
    std::size_t got = 0;
    if (!platform::ReadBytesAt(Source.File, at, Block, BlockSize, got)) throw TkxException(FileReadErrorText);
    const std::string_view block(Block, got);
    if (Quoted) {
      TallyRecordEnds(block, Source.Layout, quotes, tally);
    } else {
      TallyLineEnds(block, Source.Layout, tally);
    }
    at += static_cast<std::int64_t>(got);
    if (tally.Any() || got < BlockSize || at >= Source.Size) return tally;
    if (Control.Cancelled()) throw TSplitCancelled();
  }
}

bool ByRecords(TRecordMode Records, const std::u16string& Extension) {
  return Records == TRecordMode::Csv || (Records == TRecordMode::Auto && IsCsvExtension(Extension));
}

TSplitResult Split(const TSplitRequest& Request, const TSplitLimits& Limits, TSplitControl& Control) {
  const std::u16string& path = Request.Path;
  if (!PathExists(path)) throw TkxException(SourceMissingText);
  if (platform::HasDeviceNames() && IsDeviceName(FileNameOf(path, true))) NotAFile();
  TSplitResult result = PlannedOutputs(Request);
  if (!IsUsableBaseName(result.Base)) throw TkxException(NoOutputFolderText);
  const TSplitCounts counts = ReadCounts(Request.HeaderText, Request.Mode, Request.CountText);

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
  const std::uint8_t encoding = TkxFile::EncodingOfMark(std::string_view(headBlock.get(), got));
  source.Mark = TkxFile::MarkOf(encoding);
  source.Layout = TkxFile::LayoutOf(encoding);
  const TKeptFiles kept(source.Id, path, Request.OtherSources);

  if (ByRecords(Request.Records, result.Extension)) {
    const TEndTally ends = JudgeEnds(source, headBlock.get(), headSize, true, Control);
    try {
      result.NoLineEnd = !ends.Any() && ends.Cr;
      Deal(source, kept, ends.Ends(), true, Request.Mode, counts, Limits, Control, result);
      (void)source.File.Close();  // only read: nothing to commit
      return result;
    } catch (const TUnclosedQuote& unclosed) {
      if (Request.Records == TRecordMode::Csv) throw;
      // Not a table of records: split by lines, from the start, as if the first attempt
      // had never been (its temporaries are gone).
      result.UnclosedQuoteLine = unclosed.Line;
      Control.BytesDone.store(0);
      Control.FilesDone.store(0);
    }
  }
  const TEndTally ends = JudgeEnds(source, headBlock.get(), headSize, false, Control);
  result.NoLineEnd = !ends.Any() && ends.Cr;
  Deal(source, kept, ends.Ends(), false, Request.Mode, counts, Limits, Control, result);
  (void)source.File.Close();  // only read: nothing to commit
  return result;
}

// The size's suffix, in any case, and what it multiplies by; 0 for none of them.
std::int64_t SuffixFactor(std::u16string Suffix) {
  for (char16_t& c : Suffix) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  if (Suffix.empty()) return 1;
  const std::u16string_view units = u"KMG";
  const std::size_t power = units.find(Suffix[0]) + 1;
  if (power == 0 || Suffix.size() > 2 || (Suffix.size() == 2 && Suffix[1] != u'B')) return 0;
  std::int64_t factor = 1;
  for (std::size_t i = 0; i < power; ++i) factor *= Suffix.size() == 2 ? 1000 : 1024;
  return factor;
}

}  // namespace

std::int64_t ReadSize(const std::u16string& Text) {
  const std::u16string text = TrimText(Text);
  const std::size_t start = !text.empty() && text[0] == u'-' ? 1 : 0;
  const std::size_t end = std::min(text.find_first_not_of(u"0123456789", start), text.size());
  // Not even a digit in front: no number at all, refused as any count is.
  if (end == start) (void)TextToInt(text);
  const std::int64_t factor = SuffixFactor(text.substr(end));
  std::int64_t value = 0;
  try {
    value = TextToInt(text.substr(0, end));
  } catch (const TkxException&) {
    throw TkxException(MaxSizeText);  // beyond 64 bits
  }
  if (factor == 0 || value < 1 || value > std::numeric_limits<std::int64_t>::max() / factor) throw TkxException(MaxSizeText);
  return value * factor;
}

TSplitCounts ReadCounts(const std::u16string& HeaderText, TSplitMode Mode, const std::u16string& CountText) {
  TSplitCounts counts;
  counts.Header = CountOf(HeaderText, 0, HeaderCountText);
  switch (Mode) {
    case TSplitMode::Cycle:
      counts.Count = CountOf(CountText, 1, CycleCountText);
      break;
    case TSplitMode::Rows:
      counts.Count = CountOf(CountText, 1, RowsCountText);
      break;
    case TSplitMode::Parts: counts.Count = CountOf(CountText, 1, PartsCountText); break;
    case TSplitMode::MaxSize: counts.Count = ReadSize(CountText); break;
  }
  return counts;
}

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
