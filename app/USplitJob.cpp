#include "app/USplitJob.h"

#include "platform/Platform.h"
#include "support/UkxFile.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "support/UkxException.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr std::int64_t MaxCount = 2147483647;
// Handles left for the source, a second look at it, and the C library.
constexpr std::int64_t SpareHandles = 16;
constexpr std::size_t MinOutputBlock = 2u << 10;
constexpr std::size_t MaxOutputBlock = 1u << 20;
constexpr std::int64_t ReportEvery = 4 << 20;

// The header lines with their line ends, as long as they fit in the memory allowed.
class THeaderCapture : public TkxRawSink {
 public:
  explicit THeaderCapture(std::size_t Limit) : FLimit(Limit) {}
  void PutBytes(const char* Data, std::size_t Size) override {
    if (Overflow) return;
    if (Bytes.size() + Size > FLimit) {
      Overflow = true;
      std::string().swap(Bytes);
      return;
    }
    Bytes.append(Data, Size);
  }
  std::string Bytes;
  bool Overflow = false;

 private:
  std::size_t FLimit;
};

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

}  // namespace

std::u16string RunSplit(const std::u16string& Path, const std::u16string& HeaderText,
                        const std::u16string& CycleText, const SplitProgress& Progress) {
  TSplitLimits limits;
  limits.OpenOutputs = std::max<std::int64_t>(1, platform::RaiseOpenFileLimit() - SpareHandles);
  return RunSplitWith(Path, HeaderText, CycleText, limits, Progress);
}

std::u16string RunSplitWith(const std::u16string& Path, const std::u16string& HeaderText,
                            const std::u16string& CycleText, const TSplitLimits& Limits,
                            const SplitProgress& Progress) {
  if (!PathExists(Path)) throw TkxException(u"待拆分文件不存在!");

  const std::u16string name = FileNameOf(Path, true);
  const std::u16string extension = FileExtOf(name);
  const std::u16string base = FileNameOf(Path, false);
  if (!IsUsableBaseName(base)) throw TkxException(u"无法由文件名确定输出子路径!");
  const std::u16string outputDir = FilePathOf(Path) + base + platform::PathSeparator();

  // Recognising the encoding is the first pass over a file without a byte-order mark.
  std::int64_t passDone = 0;
  std::int64_t total = 0;
  const std::uint8_t encoding = TkxFile::RecogniseEncoding(Path, [&](std::int64_t Done, std::int64_t Size) {
    if (Progress) Progress(Done, 2 * Size);
  });
  TkxFile source(Path, fmRead, encoding, Limits.SourceBlock);
  const std::int64_t sourceSize = source.Size();
  passDone = TkxFile::MarkOf(encoding).empty() ? sourceSize : 0;
  total = passDone + sourceSize;

  const std::int64_t headerCount = CountOf(HeaderText, 0, u"表头栏行数必须是 0 到 2147483647 之间的整数!");
  const std::int64_t cycle = CountOf(CycleText, 1, u"每一循环包含的行数必须是 1 到 2147483647 之间的整数!");

  const std::string_view lineEnd = TkxFile::LineEndOf(encoding);
  THeaderCapture header(Limits.HeaderInMemory);
  for (std::int64_t j = 0; j < headerCount; ++j) {
    if (source.EndOfFile()) throw TkxException(u"文件中不包含足够的数据!");
    source.ReadRawLine(header);
    header.PutBytes(lineEnd.data(), lineEnd.size());
  }

  if (!PathExists(outputDir)) MakeDir(outputDir);

  const std::size_t block = std::clamp<std::size_t>(
      Limits.OutputBudget / static_cast<std::size_t>(std::min<std::int64_t>(cycle, 1 << 30)), MinOutputBlock,
      MaxOutputBlock);
  std::u16string fileList;
  std::vector<std::unique_ptr<TkxFile>> outputs;
  for (std::int64_t i = 1; i <= cycle; ++i) {
    const std::u16string outName = base + u"-" + IntToText(0, i) + u"." + extension;
    fileList += outName + u"\r\n";
    outputs.push_back(std::make_unique<TkxFile>(outputDir + outName, fmWriteUnicode, encoding, block));
    TkxFile& output = *outputs.back();
    if (!header.Overflow) {
      output.WriteRaw(header.Bytes.data(), header.Bytes.size());
    } else {
      TkxFile again(Path, fmRead, encoding, Limits.SourceBlock);
      for (std::int64_t j = 0; j < headerCount && !again.EndOfFile(); ++j) again.MoveLineTo(output);
    }
    if (i > Limits.OpenOutputs) output.Park();
  }

  std::size_t next = 0;
  std::int64_t reportAt = source.Position() + ReportEvery;
  while (!source.EndOfFile()) {
    // The lines the source's block holds whole go in one tight loop; a line that
    // crosses the block's end, the last one and the first one of an output that has
    // nothing yet go one at a time.
    const std::size_t budget = Progress ? static_cast<std::size_t>(std::max<std::int64_t>(reportAt - source.Position(), 1))
                                        : std::numeric_limits<std::size_t>::max();
    if (source.DealLines(outputs.data(), outputs.size(), next, budget) == 0) {
      source.MoveLineTo(*outputs[next]);
      if (++next == outputs.size()) next = 0;
    }
    if (Progress && source.Position() >= reportAt) {
      Progress(passDone + source.Position(), total);
      reportAt = source.Position() + ReportEvery;
    }
  }

  // Another program that shortened or lengthened the source while it was being dealt
  // leaves outputs that match neither its old nor its new content: say so instead of
  // reporting success. (Windows refuses such writers while the source is open; POSIX
  // does not.)
  const bool changed = source.Position() != sourceSize || source.Size() != sourceSize;
  for (auto& output : outputs) output->Close();
  source.Close();
  if (changed) throw TkxException(u"拆分期间待拆分文件被改动, 请在它不再变化时重新拆分!");
  if (Progress) Progress(total, total);

  return u"文件拆分成功! 在原始文件所在路径的 " + outputDir + u" 子路径下自动生成了如下 " + IntToText(0, cycle) +
         u" 个新文件:" + u"\r\n\r\n" + fileList;
}
