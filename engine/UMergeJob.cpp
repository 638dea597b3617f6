#include "engine/UMergeJob.h"

#include "engine/UEngineTexts.h"
#include "engine/UKeyLines.h"
#include "engine/UMergeCheck.h"
#include "engine/UMergeInputs.h"
#include "engine/UMergeReader.h"
#include "engine/UOutputFolder.h"
#include "engine/URecordPump.h"
#include "engine/USplitWays.h"
#include "platform/Platform.h"
#include "support/UkxFile.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxTexts.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Handles left for the output, the folder's locks and the C library.
constexpr std::int64_t SpareHandles = 16;
// The line ends are judged on this much of the start of the first input.
constexpr std::size_t HeadSize = 1u << 20;
// An input opened again for each of its turns needs room for a record or two.
constexpr std::size_t ReopenedBlock = 4096;
constexpr std::size_t None = static_cast<std::size_t>(-1);

struct TInputFile {
  TMergeInput Input;
  std::int64_t Size = 0;
  platform::FileId Id;
  std::uint8_t Encoding = teNone;
  TInputHead Head;
  std::int64_t Records = 0;  // data records, counted for an interleave

  [[nodiscard]] std::size_t MarkSize() const { return TkxFile::MarkOf(Encoding).size(); }
  [[nodiscard]] bool HasRecords() const { return Size > static_cast<std::int64_t>(MarkSize()); }
};

class TNullSink : public TkxRawSink {
 public:
  void PutBytes(const char*, std::size_t) override {}
};

[[nodiscard]] platform::TFile OpenInput(const TMergeInput& Input) {
  platform::TFile file;
  switch (platform::OpenExistingFile(Input.Path, file)) {
    case platform::OpenResult::Opened: return file;
    case platform::OpenResult::Missing: throw TkxException(FillIn(InputMissingText, {Input.Shown}));
    case platform::OpenResult::NotRegular: throw TkxException(FillIn(InputNotAFileText, {Input.Shown}));
    case platform::OpenResult::Failed: break;
  }
  FileOpenError(Input.Path);
}

// The input's size, identity and mark.
void Survey(TInputFile& In) {
  const platform::TFile file = OpenInput(In.Input);
  In.Size = platform::FileSize(file);
  if (In.Size < 0 || !platform::IdentityOf(file, In.Id)) throw TkxException(FileReadErrorText);
  char head[4];
  std::size_t got = 0;
  if (!platform::ReadBytesAt(file, 0, head, sizeof head, got)) throw TkxException(FileReadErrorText);
  In.Encoding = TkxFile::EncodingOfMark(std::string_view(head, got));
}

// The input opened again, still the file it was.
[[nodiscard]] platform::TFile Reopen(const TInputFile& In) {
  platform::TFile file = OpenInput(In.Input);
  platform::FileId id;
  if (!platform::IdentityOf(file, id) || !(id == In.Id) || platform::FileSize(file) != In.Size) {
    throw TkxException(FillIn(InputChangedText, {In.Input.Shown}));
  }
  return file;
}

std::u16string EncodingName(std::uint8_t Encoding) {
  switch (Encoding) {
    case teUtf8Bom: return u"UTF-8";
    case teUtf16LE: return u"UTF-16 LE";
    case teUtf16BE: return u"UTF-16 BE";
    default: return NoMarkName;
  }
}

struct TMergeJob {
  const TMergeRequest& Request;
  const TMergeLimits& Limits;
  TSplitControl& Control;
  std::vector<TInputFile> Inputs;
  std::int64_t Header = 1;
  bool Interleave = false;
  std::size_t FirstMarked = None;  // the first input that is not empty
  std::size_t First = None;        // the first input with records
  TMergeRule Rule;
  std::uint8_t Encoding = teNone;
  std::int64_t Total = 0;  // the inputs' bytes
  // A check: the source, its file and its head.
  TInputFile Source;
  platform::TFile SourceFile;
  TMergeResult Result;

  [[nodiscard]] bool Checks() const { return !Request.Check.empty(); }
  [[nodiscard]] std::u16string SourceShown() const { return Request.Check; }
};

void CheckMarks(TMergeJob& Job) {
  for (std::size_t k = 0; k < Job.Inputs.size(); ++k) {
    const TInputFile& in = Job.Inputs[k];
    if (in.Size == 0) continue;  // the empty piece of a deal: any mark
    if (Job.FirstMarked == None) {
      Job.FirstMarked = k;
    } else if (in.Encoding != Job.Inputs[Job.FirstMarked].Encoding) {
      const TInputFile& first = Job.Inputs[Job.FirstMarked];
      throw TMergeMismatch(FillIn(MarkDiffersText, {in.Input.Shown, EncodingName(in.Encoding), first.Input.Shown,
                                                    EncodingName(first.Encoding)}));
    }
    if (Job.First == None && in.HasRecords()) Job.First = k;
  }
  Job.Encoding = Job.FirstMarked == None ? teNone : Job.Inputs[Job.FirstMarked].Encoding;
  if (Job.Checks() && Job.FirstMarked != None && Job.Source.Encoding != Job.Encoding) {
    const TInputFile& first = Job.Inputs[Job.FirstMarked];
    throw TMergeMismatch(FillIn(MarkDiffersText, {first.Input.Shown, EncodingName(first.Encoding), Job.SourceShown(),
                                                  EncodingName(Job.Source.Encoding)}));
  }
  if (Job.Checks()) Job.Encoding = Job.Source.Encoding;
}

// The line ends of the first input with records (of the source for a check).
TLineEnd JudgeEnds(const TMergeJob& Job, bool Quoted) {
  const TInputFile* reference = Job.Checks() ? &Job.Source : Job.First != None ? &Job.Inputs[Job.First] : nullptr;
  if (!reference) return TLineEnd::CrLf;
  const platform::TFile file = Job.Checks() ? platform::TFile() : Reopen(*reference);
  const platform::TFile& read = Job.Checks() ? Job.SourceFile : file;
  const std::size_t size = static_cast<std::size_t>(std::min<std::int64_t>(reference->Size, HeadSize));
  const platform::TLargeBuffer block = platform::AllocateLarge(std::max<std::size_t>(size, 1));
  const TEndTally tally = JudgeLineEnds(read, reference->Size, reference->MarkSize(), Job.Rule.Layout, Quoted, ',',
                                        block.get(), std::max<std::size_t>(size, 1), Job.Control);
  return tally.Ends();
}

// In's first Header records read by Rule; none where they run into its end inside a
// quoted field, as a header read with the other line ends may: no reading that holds.
std::optional<TInputHead> HeadUnder(const TInputFile& In, std::int64_t Header, const TMergeRule& Rule) {
  try {
    const platform::TFile file = Reopen(In);
    return ReadHead(file, In.MarkSize(), Header, Rule, In.Input.Shown);
  } catch (const TInputUnclosed&) {
    return std::nullopt;
  }
}

// Pieces hold the table they were cut from, its header repeated: its line ends are
// judged on what its first MiB would be, read with Ends: the first input's bytes and
// those after the header of each next one, in order as far as the MiB goes, or in turn
// an equal share of each.
// None where the first input holds fewer than H records read so.
std::optional<TLineEnd> JudgeMergedEnds(TMergeJob& Job, bool Quoted, TLineEnd Ends) {
  TMergeRule rule = Job.Rule;
  rule.Quoted = Quoted;
  rule.Ends = Ends;
  const TInputFile& first = Job.Inputs[Job.First];
  const std::optional<TInputHead> read = HeadUnder(first, Job.Header, rule);
  if (!read || static_cast<std::int64_t>(read->Records.size()) < Job.Header) return std::nullopt;
  const TInputHead& head = *read;
  const std::int64_t header = head.DataStart - static_cast<std::int64_t>(first.MarkSize());
  const auto inputs = std::count_if(Job.Inputs.begin(), Job.Inputs.end(), [](const TInputFile& In) { return In.HasRecords(); });
  const std::size_t share = Job.Interleave ? HeadSize / static_cast<std::size_t>(std::max<std::ptrdiff_t>(inputs, 1)) : HeadSize;
  TEndTally tally;
  TQuoteState quotes;
  std::string block;
  for (std::size_t k = Job.First, left = HeadSize; k < Job.Inputs.size() && left > 0; ++k) {
    const TInputFile& in = Job.Inputs[k];
    if (!in.HasRecords()) continue;
    const std::int64_t from = static_cast<std::int64_t>(in.MarkSize()) + (k == Job.First ? 0 : header);
    const std::size_t most = std::min(left, share + (k == Job.First ? static_cast<std::size_t>(header) : 0));
    block.resize(static_cast<std::size_t>(std::clamp<std::int64_t>(in.Size - from, 0, static_cast<std::int64_t>(most))));
    std::size_t got = 0;
    const platform::TFile file = Reopen(in);
    if (!platform::ReadBytesAt(file, from, block.data(), block.size(), got)) throw TkxException(FileReadErrorText);
    if (Quoted) {
      TallyRecordEnds(std::string_view(block.data(), got), rule.Layout, quotes, tally);
      quotes = {};  // each input's part ends a record
    } else {
      TallyLineEnds(std::string_view(block.data(), got), rule.Layout, tally);
    }
    left -= got;
  }
  return tally.Any() ? tally.Ends() : Ends;
}

// Whether the first two inputs with records begin with the same header read with Ends.
bool HeadersAgree(TMergeJob& Job, bool Quoted, TLineEnd Ends) {
  TMergeRule rule = Job.Rule;
  rule.Quoted = Quoted;
  rule.Ends = Ends;
  std::vector<TInputHead> heads;
  for (std::size_t k = Job.First; k < Job.Inputs.size() && heads.size() < 2; ++k) {
    const TInputFile& in = Job.Inputs[k];
    if (!in.HasRecords()) continue;
    std::optional<TInputHead> head = HeadUnder(in, Job.Header, rule);
    if (!head) return false;
    heads.push_back(std::move(*head));
  }
  return heads.size() < 2 || heads[0].SameAs(heads[1], rule);
}

// The line ends of pieces cut from one table: those under which the table they make
// judges its line ends as they are read, its first input holding its header; where both
// are, those under which the pieces' headers agree, else the first input's own.
TLineEnd JudgePiecesEnds(TMergeJob& Job, bool Quoted, TLineEnd FirstInputs) {
  const bool crLf = JudgeMergedEnds(Job, Quoted, TLineEnd::CrLf) == std::optional(TLineEnd::CrLf);
  const bool lf = JudgeMergedEnds(Job, Quoted, TLineEnd::Lf) == std::optional(TLineEnd::Lf);
  if (crLf != lf) return crLf ? TLineEnd::CrLf : TLineEnd::Lf;
  if (!crLf) return FirstInputs;
  const bool agreeCrLf = HeadersAgree(Job, Quoted, TLineEnd::CrLf);
  if (agreeCrLf != HeadersAgree(Job, Quoted, TLineEnd::Lf)) return agreeCrLf ? TLineEnd::CrLf : TLineEnd::Lf;
  return FirstInputs;
}

// Every input's header records, which must be the first input's.
void ReadHeads(TMergeJob& Job) {
  for (TInputFile& in : Job.Inputs) {
    if (!in.HasRecords()) continue;
    const platform::TFile file = Reopen(in);
    in.Head = ReadHead(file, in.MarkSize(), Job.Header, Job.Rule, in.Input.Shown);
    if (static_cast<std::int64_t>(in.Head.Records.size()) < Job.Header) {
      throw TMergeMismatch(FillIn(TooFewHeaderText, {in.Input.Shown}));
    }
    const TInputFile& first = Job.Inputs[Job.First];
    if (&in != &first && !in.Head.SameAs(first.Head, Job.Rule)) {
      throw TMergeMismatch(FillIn(HeaderDiffersText, {in.Input.Shown, first.Input.Shown}));
    }
    if (&in != &first) in.Head.Records = {};  // only the first input's header is written
  }
}

// The inputs' data records, which must be counted as a deal in turn leaves them: never
// more than the input before, the first and the last apart by one at most.
void CountForInterleave(TMergeJob& Job) {
  std::int64_t done = 0;
  TNullSink past;
  for (std::size_t k = 0; k < Job.Inputs.size(); ++k) {
    TInputFile& in = Job.Inputs[k];
    if (in.HasRecords()) {
      const platform::TFile file = Reopen(in);
      TInputReader reader(file, in.Head, Job.Rule, Job.Limits.InputBlock);
      in.Records = ForEachRun(
          reader, in.Input.Shown, Job.Control, done, [](const char*, std::size_t, std::int64_t) {},
          [&past]() -> TkxRawSink& { return past; });
    }
    done += in.Size;
    const std::int64_t first = Job.Inputs.front().Records;
    if (k > 0 && (in.Records > Job.Inputs[k - 1].Records || first - in.Records > 1)) {
      throw TMergeMismatch(FillIn(InterleaveCountText, {in.Input.Shown}));
    }
  }
}

// Raises TInputUnclosed where the source of a check or an input ends inside a quoted
// field, read by records from its mark: a difference found by records may be only that.
void RaiseIfAnyUnclosed(TMergeJob& Job) {
  TNullSink past;
  const auto scan = [&](const platform::TFile& File, const TInputFile& In) {
    TInputReader reader(File, static_cast<std::int64_t>(In.MarkSize()), Job.Rule, Job.Limits.InputBlock);
    (void)ForEachRun(
        reader, In.Input.Shown, Job.Control, 0, [](const char*, std::size_t, std::int64_t) {},
        [&past]() -> TkxRawSink& { return past; });
  };
  if (Job.Checks()) scan(Job.SourceFile, Job.Source);
  for (const TInputFile& in : Job.Inputs) {
    if (in.HasRecords()) scan(Reopen(in), in);
  }
}

// The next record of In into Out; raises when the input has none, though it was counted.
template <class Sink>
void MoveOne(TInputReader& In, const TInputFile& File, Sink& Out) {
  for (;;) {
    if (const std::size_t size = In.Records.WholeRecordSize(); size != 0) {
      Out.PutBytes(In.Bytes.Data(), size);
      In.Bytes.Consume(size);
      return;
    }
    const TInputReader::TTopUp topUp = In.TopUp();
    if (topUp == TInputReader::TTopUp::Grew) continue;
    if (topUp == TInputReader::TTopUp::Ended) throw TkxException(FillIn(InputChangedText, {File.Input.Shown}));
    In.Records.MoveRecord(Out);
    return;
  }
}

// An input being read in turn: its file and reader while it is open, and the records
// found whole in its block ahead of their turns.
struct TTurnSlot {
  platform::TFile File;
  std::unique_ptr<TInputReader> Reader;
  std::int64_t Offset = 0;
  static constexpr std::size_t Ahead = 64;
  std::unique_ptr<std::size_t[]> Ends;  // for an input that stays open
  std::size_t Found = 0;
  std::size_t Next = 0;
};

// The slot's next record into Out: from those found ahead, found a batch at a time,
// which count as read until the last of them is handed on.
// The next of the records found ahead into Out; answers its size.
template <class Sink>
std::size_t PutFoundAhead(TTurnSlot& Slot, Sink& Out) {
  TkxByteReader& bytes = Slot.Reader->Bytes;
  const std::size_t start = Slot.Next == 0 ? 0 : Slot.Ends[Slot.Next - 1];
  const std::size_t size = Slot.Ends[Slot.Next] - start;
  Out.PutBytes(bytes.Data() + start, size);
  if (++Slot.Next == Slot.Found) {
    bytes.Consume(Slot.Ends[Slot.Found - 1]);
    Slot.Found = Slot.Next = 0;
  }
  return size;
}

template <class Sink>
void MoveNext(TTurnSlot& Slot, const TInputFile& File, Sink& Out) {
  if (Slot.Next == Slot.Found) {
    Slot.Found = Slot.Reader->Records.WholeRecords(Slot.Ends.get(), TTurnSlot::Ahead);
    Slot.Next = 0;
    if (Slot.Found == 0) return MoveOne(*Slot.Reader, File, Out);
  }
  (void)PutFoundAhead(Slot, Out);
}

// Whether the slot's input holds another record.
bool HasNext(TTurnSlot& Slot) { return Slot.Next < Slot.Found || Slot.Reader->Bytes.Fill() != 0; }

// The data records of every input, one of each in turn, into Out; OnInput(k) before each.
// A round that some input sits out must be the last, and only inputs after the first one
// to sit out may do so (the counts of a deal in turn); otherwise the counts, unless they
// were counted before, are counted for the message that names the input that does not fit.
template <class Sink>
std::int64_t PutInTurn(TMergeJob& Job, Sink& Out, const std::function<void(std::size_t)>& OnInput, bool Counted) {
  std::vector<TTurnSlot> slots(Job.Inputs.size());
  // As many stay open as the handles and the budget allow, each with a block of its share.
  const std::size_t open = std::max<std::size_t>(
      1, std::min(static_cast<std::size_t>(std::max<std::int64_t>(1, Job.Limits.OpenInputs - 1)),
                  Job.Limits.InputBudget / ReopenedBlock));
  const std::size_t reopened = std::min(ReopenedBlock, Job.Limits.InputBlock);
  const std::size_t block =
      std::min(Job.Limits.InputBlock, std::max(reopened, Job.Limits.InputBudget / std::min(open, slots.size())));
  for (std::size_t k = 0; k < slots.size(); ++k) slots[k].Offset = Job.Inputs[k].Head.DataStart;
  std::vector<bool> ended(slots.size());
  std::int64_t records = 0;
  std::int64_t bytes = 0;
  // The first inputs stay open; those past the limit are opened again for each turn.
  const auto turn = [&](std::size_t K, bool Put) {
    TTurnSlot& slot = slots[K];
    if (Put && slot.Next < slot.Found) {  // the most of them: a record found ahead
      if (OnInput) OnInput(K);
      bytes += static_cast<std::int64_t>(PutFoundAhead(slot, Out));
      ++records;
      return true;
    }
    const TInputFile& in = Job.Inputs[K];
    if (ended[K] || !in.HasRecords()) return ended[K] = true, false;
    if (!slot.Reader) {
      slot.File = Reopen(in);
      // Lines are known from the data's start; an input opened again past it tells none.
      const std::int64_t lines = slot.Offset == in.Head.DataStart ? in.Head.Lines : 0;
      slot.Reader = std::make_unique<TInputReader>(slot.File, slot.Offset, Job.Rule, K < open ? block : reopened, lines);
      if (K < open) slot.Ends = std::make_unique<std::size_t[]>(TTurnSlot::Ahead);
    }
    const bool more = HasNext(slot);
    if (more && Put) {
      if (OnInput) OnInput(K);
      const std::int64_t before = slot.Reader->Bytes.Position();
      if (K < open) {
        MoveNext(slot, in, Out);
      } else {
        MoveOne(*slot.Reader, in, Out);
      }
      bytes += slot.Reader->Bytes.Position() - before;
      ++records;
      slot.Reader->RaiseIfUnclosed(in.Input.Shown);
    }
    if (!more || K >= open) {
      slot.Offset = slot.Reader->Bytes.Position();
      const bool whole = slot.Offset == in.Size && slot.Reader->Bytes.FileSize() == in.Size;
      slot.Reader.reset();
      (void)slot.File.Close();  // only read
      if (!more && !whole) throw TkxException(FillIn(InputChangedText, {in.Input.Shown}));
    }
    ended[K] = !more;
    return more;
  };
  bool fits = true;
  for (bool last = false; !last && fits;) {
    std::size_t first = None;  // the first input that sits this round out
    for (std::size_t k = 0; k < slots.size(); ++k) {
      const bool put = turn(k, first == None);
      if (!put && first == None) first = k;
      if (put && first != None) fits = false;
    }
    // A short round is the last: the inputs before the first that sat it out end with it.
    last = first != None;
    for (std::size_t k = 0; last && first != 0 && k < first; ++k) fits = fits && !turn(k, false);
    if (Job.Control.Cancelled()) throw TSplitCancelled();
    Job.Control.BytesDone.store((Counted ? Job.Total : 0) + bytes);
  }
  if (!fits) {
    if (!Counted) CountForInterleave(Job);
    throw TkxException(FillIn(InputChangedText, {Job.Inputs.front().Input.Shown}));
  }
  return records;
}

// The data records of every input, in order (or in turn), into Out; OnInput(k) before
// each input's records (each record's, in turn). Answers how many.
template <class Sink>
std::int64_t PutData(TMergeJob& Job, Sink& Out, const std::function<void(std::size_t)>& OnInput) {
  if (Job.Interleave) return PutInTurn(Job, Out, OnInput, Job.Checks());
  std::int64_t records = 0;
  std::int64_t done = 0;
  for (std::size_t k = 0; k < Job.Inputs.size(); ++k) {
    const TInputFile& in = Job.Inputs[k];
    if (in.HasRecords()) {
      if (OnInput) OnInput(k);
      const platform::TFile file = Reopen(in);
      TInputReader reader(file, in.Head, Job.Rule, Job.Limits.InputBlock);
      records += ForEachRun(
          reader, in.Input.Shown, Job.Control, done,
          [&Out](const char* Data, std::size_t Size, std::int64_t) {
            if (Data) Out.PutBytes(Data, Size);
          },
          [&Out]() -> TkxRawSink& { return Out; });
      if (reader.Bytes.Position() != in.Size || reader.Bytes.FileSize() != in.Size) {
        throw TkxException(FillIn(InputChangedText, {in.Input.Shown}));
      }
    }
    done += in.Size;
  }
  return records;
}

// The merged table, written into its temporary in whole blocks of its own (a run of
// whole blocks straight from where it lies).
class TMergeWriter final : public TkxRawSink {
 public:
  TMergeWriter(platform::TFile File, std::string_view Mark)
      : FFile(std::move(File)), FMark(Mark), FBlock(platform::AllocateLarge(Block)) {}
  // The mark goes in front of the first bytes: a table that gets none stays empty.
  void PutBytes(const char* Data, std::size_t Size) override {
    if (!FMark.empty()) {
      const std::string_view mark = std::exchange(FMark, {});
      PutBytes(mark.data(), mark.size());
    }
    // Whole blocks, so that every write begins and ends on a page of the file.
    if (FUsed == 0 && Size >= Block) {
      const std::size_t whole = Size - Size % Block;
      Write(Data, whole);
      Data += whole;
      Size -= whole;
    }
    while (Size > 0) {
      const std::size_t part = std::min(Size, Block - FUsed);
      std::memcpy(FBlock.get() + FUsed, Data, part);
      FUsed += part;
      Data += part;
      Size -= part;
      if (FUsed == Block) Flush();
    }
  }
  // Raises "File Write Error!" where the system could not keep every byte.
  void Close() {
    Flush();
    if (!FFile.Close()) throw TkxException(FileWriteErrorText);
  }

 private:
  static constexpr std::size_t Block = 256u << 10;
  void Flush() {
    Write(FBlock.get(), FUsed);
    FUsed = 0;
  }
  void Write(const char* Data, std::size_t Size) {
    if (Size > 0 && !platform::WriteBytes(FFile, Data, Size)) throw TkxException(FileWriteErrorText);
  }

  platform::TFile FFile;
  std::string_view FMark;
  platform::TLargeBuffer FBlock;
  std::size_t FUsed = 0;
};

void Write(TMergeJob& Job) {
  const TMergeRequest& request = Job.Request;
  const std::u16string name = FileNameOf(request.Output, true);
  if (name.empty()) FileOpenError(request.Output);
  std::u16string dir = FilePathOf(request.Output);
  if (dir.empty()) dir = std::u16string(u".") + platform::PathSeparator();
  const std::u16string shown = request.OutputShown.empty() ? request.Output : request.OutputShown;
  TOutputFolder folder(dir, FileNameOf(name, false), FileExtOf(name), FilePathOf(shown));
  TManifest record;
  record.Names = std::make_shared<TListedNames>(std::vector<std::u16string>{name});
  // The one output is no input (refused before any was read): the first is kept for the
  // journal's recovery, which must never act on it.
  const TInputFile& first = Job.Inputs.front();
  const TKeptFiles kept(first.Id, first.Input.Shown, {});
  Job.Control.FilesTotal.store(2);  // made, then put in place
  folder.Prepare(kept, record, Job.Total, 1);
  TMergeWriter writer(folder.CreateTemporary(1), TkxFile::MarkOf(Job.Encoding));
  ++Job.Control.FilesDone;
  if (Job.First != None) {
    const std::string header = Job.Inputs[Job.First].Head.Bytes();
    writer.PutBytes(header.data(), header.size());
  }
  Job.Result.Records = PutData(Job, writer, nullptr);
  writer.Close();
  folder.Replace(Job.Control);
  Job.Result.Output = shown;
}

// Where byte Target of the merge's data records lies: which input's, and how far into its data.
class TLocator final : public TkxRawSink {
 public:
  struct TFound {
    std::size_t Input;
    std::int64_t Offset;
  };
  TLocator(std::size_t Inputs, std::int64_t Target) : FLocal(Inputs), FTarget(Target) {}
  void At(std::size_t Input) { FInput = Input; }
  void PutBytes(const char*, std::size_t Size) override {
    const auto size = static_cast<std::int64_t>(Size);
    if (FAt + size > FTarget) throw TFound{FInput, FLocal[FInput] + FTarget - FAt};
    FAt += size;
    FLocal[FInput] += size;
  }

 private:
  std::vector<std::int64_t> FLocal;
  std::size_t FInput = 0;
  std::int64_t FAt = 0;
  const std::int64_t FTarget;
};

TValueEncoding ShownEncoding(const TMergeJob& Job) {
  std::string head(static_cast<std::size_t>(std::min<std::int64_t>(Job.Source.Size, 64 << 10)), '\0');
  std::size_t got = 0;
  if (!platform::ReadBytesAt(Job.SourceFile, 0, head.data(), head.size(), got)) got = 0;
  head.resize(got);
  return ValueEncodingOf(Job.Encoding, head, 0);
}

// The first difference as the user sees it: the source's record there, and the merge's,
// with the input and line it comes from.
std::u16string DescribeDifference(TMergeJob& Job, const TFirstDifference& Difference) {
  const TValueEncoding encoding = ShownEncoding(Job);
  const auto shown = [&](const TFoundRecord& Record) { return ShownRecord(encoding, Record.Bytes, Job.Rule.Layout); };
  TFoundRecord source;
  if (!Difference.SourceEnded) {
    TInputReader reader(Job.SourceFile, Job.Source.Head, Job.Rule, Job.Limits.InputBlock);
    source = RecordAt(reader, Difference.Offset, Job.Rule, Job.Control);
  }
  if (Difference.MergeEnded) {
    return FillIn(CheckMergeEndedText, {Job.SourceShown(), IntToText(0, source.Line), shown(source)});
  }
  TLocator locator(Job.Inputs.size(), Difference.Offset);
  std::optional<TLocator::TFound> found;
  try {
    (void)PutData(Job, locator, [&locator](std::size_t k) { locator.At(k); });
  } catch (const TLocator::TFound& at) {
    found = at;
  }
  if (!found) return FillIn(CheckMergeEndedText, {Job.SourceShown(), IntToText(0, source.Line), shown(source)});
  const TInputFile& in = Job.Inputs[found->Input];
  const platform::TFile file = Reopen(in);
  TInputReader reader(file, in.Head, Job.Rule, Job.Limits.InputBlock);
  const TFoundRecord merged = RecordAt(reader, found->Offset, Job.Rule, Job.Control);
  if (Difference.SourceEnded) {
    return FillIn(CheckSourceEndedText, {Job.SourceShown(), in.Input.Shown, IntToText(0, merged.Line), shown(merged)});
  }
  return FillIn(CheckDiffersText, {Job.SourceShown(), IntToText(0, source.Line), shown(source), in.Input.Shown,
                                   IntToText(0, merged.Line), shown(merged)});
}

// The source's header against the first input's, then its data records against the
// merge's, byte for byte.
void CompareInOrder(TMergeJob& Job) {
  TInputReader reader(Job.SourceFile, Job.Source.Head, Job.Rule, Job.Limits.InputBlock);
  TStreamCheck check(reader, Job.Request.Check, Job.Control);
  try {
    Job.Result.Records = PutData(Job, check, nullptr);
    check.End();
  } catch (const TFirstDifference& difference) {
    if (Job.Rule.Quoted) RaiseIfAnyUnclosed(Job);
    Job.Result.Same = false;
    Job.Result.Difference = DescribeDifference(Job, difference);
  }
}

// Each data record of the source and of the inputs, to Each(record, line, input), the
// source's with input None.
template <class Each>
void ForEachCompared(TMergeJob& Job, Each&& Each_) {
  TInputReader source(Job.SourceFile, Job.Source.Head, Job.Rule, Job.Limits.InputBlock);
  (void)ForEachRecord(source, Job.Rule, Job.SourceShown(), Job.Control, 0,
                      [&](std::string_view Record, std::int64_t Line) { return Each_(Record, Line, None), true; });
  std::int64_t done = Job.Source.Size;
  for (std::size_t k = 0; k < Job.Inputs.size(); ++k) {
    const TInputFile& in = Job.Inputs[k];
    if (!in.HasRecords()) continue;
    const platform::TFile file = Reopen(in);
    TInputReader reader(file, in.Head, Job.Rule, Job.Limits.InputBlock);
    (void)ForEachRecord(reader, Job.Rule, in.Input.Shown, Job.Control, done,
                        [&](std::string_view Record, std::int64_t Line) { return Each_(Record, Line, k), true; });
    done += in.Size;
  }
}

// Every record of the source in exactly one input, and nothing else, in any order.
void CompareAsMultiset(TMergeJob& Job) {
  TRecordBalance balance;
  std::int64_t records = 0;
  ForEachCompared(Job, [&](std::string_view Record, std::int64_t, std::size_t Input) {
    balance.Add(Record, Input == None);
    if (Input != None) ++records;
  });
  Job.Result.Records = records;
  if (balance.Even()) return;
  if (Job.Rule.Quoted) RaiseIfAnyUnclosed(Job);
  // The records of the uneven buckets, counted whole: the first of the source that the
  // merge lacks, else the first of the merge that the source lacks.
  struct TUneven {
    std::int64_t Balance = 0;
    std::int64_t SourceLine = 0;
    std::size_t Input = None;
    std::int64_t InputLine = 0;
  };
  std::unordered_map<std::string, TUneven> uneven;
  ForEachCompared(Job, [&](std::string_view Record, std::int64_t Line, std::size_t Input) {
    if (!balance.Uneven(Record)) return;
    TUneven& seen = uneven[std::string(Record)];
    seen.Balance += Input == None ? 1 : -1;
    if (Input == None && seen.SourceLine == 0) seen.SourceLine = Line;
    if (Input != None && seen.Input == None) seen = {seen.Balance, seen.SourceLine, Input, Line};
  });
  const std::pair<const std::string, TUneven>* missing = nullptr;
  const std::pair<const std::string, TUneven>* extra = nullptr;
  for (const auto& entry : uneven) {
    const TUneven& seen = entry.second;
    if (seen.Balance > 0 && (!missing || seen.SourceLine < missing->second.SourceLine)) missing = &entry;
    if (seen.Balance < 0 && (!extra || std::pair(seen.Input, seen.InputLine) <
                                           std::pair(extra->second.Input, extra->second.InputLine))) {
      extra = &entry;
    }
  }
  if (!missing && !extra) return;  // both sums collided and the records are the same
  Job.Result.Same = false;
  const TValueEncoding encoding = ShownEncoding(Job);
  if (missing) {
    Job.Result.Difference = FillIn(CheckMissingText, {Job.SourceShown(), IntToText(0, missing->second.SourceLine),
                                                      ShownRecord(encoding, missing->first, Job.Rule.Layout)});
  } else {
    Job.Result.Difference = FillIn(CheckExtraText, {Job.Inputs[extra->second.Input].Input.Shown,
                                                    IntToText(0, extra->second.InputLine), Job.SourceShown(),
                                                    ShownRecord(encoding, extra->first, Job.Rule.Layout)});
  }
}

void Compare(TMergeJob& Job) {
  Job.Source.Head = ReadHead(Job.SourceFile, Job.Source.MarkSize(), Job.Header, Job.Rule, Job.SourceShown());
  const std::u16string firstShown = Job.First != None ? Job.Inputs[Job.First].Input.Shown : Job.Inputs.front().Input.Shown;
  const TInputHead none;
  if (!Job.Source.Head.SameAs(Job.First != None ? Job.Inputs[Job.First].Head : none, Job.Rule)) {
    throw TMergeMismatch(FillIn(HeaderDiffersText, {firstShown, Job.SourceShown()}));
  }
  if (Job.Request.AnyOrder) {
    Job.Control.BytesTotal.store(Job.Source.Size + Job.Total);
    CompareAsMultiset(Job);
  } else {
    CompareInOrder(Job);
  }
  Job.Result.Output = Job.SourceShown();
}

// Refuses an output that is one of the inputs, by identity (links and other names of it
// included), before any input is read.
void RefuseOutputAmongInputs(const TMergeRequest& Request, const TMergePlan& Plan) {
  platform::FileId output;
  if (platform::KindOf(Request.Output, &output) != platform::PathKind::File) return;
  for (const TMergeInput& input : Plan.Files) {
    platform::FileId id;
    if (platform::KindOf(input.Path, &id) == platform::PathKind::File && id == output) {
      throw TkxException(FillIn(OutputIsInputText, {Request.OutputShown.empty() ? Request.Output : Request.OutputShown}));
    }
  }
}

// One reading of every input by the rule: records (Quoted) or lines.
void Attempt(TMergeJob& Job, bool Quoted) {
  Job.Rule.Quoted = Quoted;
  Job.Rule.Ends = JudgeEnds(Job, Quoted);
  // Dealt pieces stay with the first one's: their last records' gained line ends weigh
  // as much as the source's own there.
  if (!Job.Checks() && !Job.Interleave && Job.First != None) {
    Job.Rule.Ends = JudgePiecesEnds(Job, Quoted, Job.Rule.Ends);
  }
  try {
    ReadHeads(Job);
    // A check counts first: a count that no deal makes is told as such, not as the
    // first record that differs. A merge finds it as it goes, and writes nothing then.
    const bool counts = Job.Interleave && Job.Checks();
    Job.Control.BytesTotal.store(counts ? 2 * Job.Total : Job.Total);
    if (counts) CountForInterleave(Job);
    if (Job.Checks()) {
      Compare(Job);
    } else {
      Write(Job);
    }
  } catch (const TMergeMismatch&) {
    // Headers and counts read by records may differ only because a quote left open
    // swallows what follows it: then every input is read by lines.
    if (Quoted) RaiseIfAnyUnclosed(Job);
    throw;
  }
}

TMergeResult Merge(const TMergeRequest& Request, const TMergeLimits& Limits, TSplitControl& Control) {
  TMergeJob job{Request, Limits, Control, {}, 1, false, None, None, {}, teNone, 0, {}, {}, {}};
  TMergePlan plan = PlanMerge(Request);
  if (Request.HeaderGiven || !plan.Header) {
    if (!Request.Header.Refusal.empty()) throw TkxException(Request.Header.Refusal);
    job.Header = Request.Header.Value;
  } else {
    job.Header = *plan.Header;
  }
  job.Interleave = Request.Interleave || plan.Interleave;
  job.Result.Notes = plan.Notes;
  if (!job.Checks()) RefuseOutputAmongInputs(Request, plan);
  job.Inputs.reserve(plan.Files.size());
  for (TMergeInput& input : plan.Files) {
    TInputFile in;
    in.Input = std::move(input);
    Survey(in);
    job.Total += in.Size;
    job.Inputs.push_back(std::move(in));
  }
  plan.Files = {};
  job.Result.Inputs = static_cast<std::int64_t>(job.Inputs.size());
  if (job.Checks()) {
    job.Source.Input = {Request.Check, Request.Check};
    if (platform::KindOf(Request.Check) == platform::PathKind::None) {
      throw TkxException(FillIn(CheckSourceMissingText, {Request.Check}));
    }
    Survey(job.Source);
    job.SourceFile = Reopen(job.Source);
  }
  CheckMarks(job);
  job.Rule.Layout = TkxFile::LayoutOf(job.Encoding);
  job.Rule.Block = Limits.InputBlock;
  const TMergeInput& reference = job.Checks() ? job.Source.Input : job.Inputs[job.First != None ? job.First : 0].Input;
  const bool quoted = ReadsRecords(Request.Records, FileExtOf(FileNameOf(reference.Path, true)));
  try {
    Attempt(job, quoted);
  } catch (const TInputUnclosed& unclosed) {
    if (!quoted || Request.Records == TRecordMode::Csv) throw;
    // Not tables of records: all are read by lines, from the start.
    Control.StartOver();
    job.Result.Notes.push_back(unclosed.Note);
    Attempt(job, false);
  } catch (const TMergeMismatch& mismatch) {
    // Pieces that a split cut by lines, each with its quotes closed, may differ only as
    // records: where they fit as lines, they are merged as lines.
    if (!quoted || Request.Records == TRecordMode::Csv) throw;
    Control.StartOver();
    try {
      Attempt(job, false);
    } catch (const TMergeMismatch&) {
      throw mismatch;
    }
    job.Result.Notes.push_back(AsLinesNoteText);
  }
  (void)job.SourceFile.Close();  // only read
  return job.Result;
}

}  // namespace

TMergeResult RunMergeRequest(const TMergeRequest& Request, TSplitControl* Control) {
  TMergeLimits limits;
  limits.OpenInputs = std::max<std::int64_t>(1, platform::RoomForOpenFiles() - SpareHandles);
  return RunMergeRequestWith(Request, limits, Control);
}

TMergeResult RunMergeRequestWith(const TMergeRequest& Request, const TMergeLimits& Limits, TSplitControl* Control) {
  TSplitControl own;
  try {
    return Merge(Request, Limits, Control ? *Control : own);
  } catch (const std::bad_alloc&) {
    throw TkxException(OutOfMemoryText);
  }
}
