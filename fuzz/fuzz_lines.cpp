// Line finding: the lines that the line reader moves out of random bytes, through blocks
// of random size, in every encoding and either line-end mode, are those of the
// byte-by-byte reading loop; so are the records that the record reader moves out, whole
// from the block (one or several at a time) or through it, with the line where a field
// left open began; the text file reads the same lines and decoding them never loses a
// well-formed line. Runs of plain lines, as pieces take them, are those records too.
#include "engine/URecordReader.h"
#include "fuzz/FuzzScratch.h"
#include "support/UkxFile.h"
#include "support/UkxUtf8.h"
#include "tests/TestUtil.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Collect : TkxRawSink {
  void PutBytes(const char* Data, std::size_t Size) override { Bytes.append(Data, Size); }
  std::string Bytes;
};

// Strict UTF-8: shortest forms, no surrogates, nothing beyond U+10FFFF.
bool IsStrictUtf8(const std::string& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size();) {
    unsigned char b = p[i];
    int extra = b < 0x80 ? 0 : b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= bytes.size()) return false;
    std::uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      c = c << 6 | (p[i + k] & 0x3F);
    }
    if ((extra == 2 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF))) {
      return false;
    }
    i += 1 + static_cast<std::size_t>(extra);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int encoding = 1 + data[0] % 5;
  const bool lf = data[0] & 0x80;
  // Plain runs are counted 64 bytes a step: their blocks hold a few steps.
  const bool plain = data[1] & 0x80;
  const std::size_t block = 16 + data[1] % 97 + (plain ? 128 : 0);
  const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
  const std::filesystem::path path = fuzzscratch::Folder() / "lines.txt";
  testutil::WriteFile(path, bytes);

  // The split's raw lines, in either line-end mode, with and without their line ends.
  const std::vector<std::string> expected = fuzzscratch::ModelLines(bytes, encoding, lf);
  const TkxUnitLayout layout = TkxFile::LayoutOf(static_cast<std::uint8_t>(encoding));
  const std::string mark(TkxFile::MarkOf(static_cast<std::uint8_t>(encoding)));
  std::string end = lf ? "\n" : "\r\n";
  if (layout.Size == 2) {
    std::string wide;
    for (char ch : end) wide += layout.BigEndian ? std::string{'\0', ch} : std::string{ch, '\0'};
    end = wide;
  }
  for (bool withEnds : {false, true}) {
    platform::TFile file;
    FUZZ_CHECK(platform::OpenExistingFile(path.u16string(), file) == platform::OpenResult::Opened);
    TkxByteReader reader(file, block);
    TLineReader lines(reader, layout, lf ? TLineEnd::Lf : TLineEnd::CrLf);
    reader.Consume(std::min(reader.Fill(mark.size()), mark.size()));
    std::size_t count = 0;
    while (reader.Fill() > 0) {
      FUZZ_CHECK(count < expected.size());
      Collect line;
      lines.MoveLine(line, withEnds);
      std::string want = expected[count++];
      if (withEnds) want += std::string(want.size() % layout.Size, '\0') + end;
      FUZZ_CHECK(line.Bytes == want);
    }
    FUZZ_CHECK(count == expected.size() || (bytes.size() <= mark.size() && count == 0 && expected.size() == 1));
  }

  // Records, taken whole from the block where the reader allows it, as the split does.
  std::int64_t open = 0;
  const std::vector<std::string> records =
      fuzzscratch::ModelRecords(expected, end, layout.Size, layout.BigEndian ? 1 : 0, open);
  {
    platform::TFile file;
    FUZZ_CHECK(platform::OpenExistingFile(path.u16string(), file) == platform::OpenResult::Opened);
    TkxByteReader reader(file, block);
    TRecordReader finder(reader, layout, lf ? TLineEnd::Lf : TLineEnd::CrLf, true);
    reader.Consume(std::min(reader.Fill(mark.size()), mark.size()));
    std::size_t count = 0;
    const auto check = [&](const std::string& record) {
      FUZZ_CHECK(count < records.size());
      const std::string& want = records[count++];
      // A record left open runs to the end of the file; no split writes it.
      if (open == 0 || count < records.size()) {
        FUZZ_CHECK(record == want + std::string(want.size() % layout.Size, '\0') + end);
      }
    };
    // Whole records one at a time, or in batches of up to four; or first the plain lines
    // within a limit of bytes and of lines, as pieces take them.
    std::size_t ends[4];
    const std::size_t batch = 1 + (data[0] >> 3) % 4;
    const std::size_t plainBytes = block - data[0] % 64;
    const std::int64_t plainMax = (data[0] >> 5) % 4 == 3 ? INT64_MAX : 1 + (data[0] >> 5) % 4;
    for (bool first = true; reader.Fill() > 0 || (first && !bytes.empty() && bytes.size() <= mark.size()); first = false) {
      if (const TLineRun run = plain ? finder.PlainRecords(plainBytes, plainMax) : TLineRun{}; run.Lines > 0) {
        FUZZ_CHECK(run.Lines <= plainMax && run.Bytes <= std::min(plainBytes, reader.Available()));
        std::size_t start = 0;
        for (std::int64_t k = 0; k < run.Lines && count < records.size(); ++k) {
          const std::size_t size = records[count].size() + records[count].size() % layout.Size + end.size();
          FUZZ_CHECK(start + size <= run.Bytes);
          check(std::string(reader.Data() + start, size));
          start += size;
        }
        FUZZ_CHECK(start == run.Bytes);
        reader.Consume(run.Bytes);
      } else if (const std::size_t found = finder.WholeRecords(ends, batch); found > 0) {
        for (std::size_t k = 0, start = 0; k < found; start = ends[k++]) {
          FUZZ_CHECK(ends[k] > start && ends[k] <= reader.Available());
          check(std::string(reader.Data() + start, ends[k] - start));
        }
        reader.Consume(ends[found - 1]);
      } else {
        Collect record;
        finder.MoveRecord(record);
        check(record.Bytes);
      }
    }
    FUZZ_CHECK(count == records.size());
    FUZZ_CHECK(finder.UnclosedQuoteLine() == open);
  }

  // The text path reads the CR LF lines; a well-formed UTF-8 line comes back whole.
  const std::vector<std::string> crLf = lf ? fuzzscratch::ModelLines(bytes, encoding) : expected;
  TkxFile file(path.u16string(), fmRead, static_cast<std::uint8_t>(encoding), block + 7);
  for (const std::string& line : crLf) {
    FUZZ_CHECK(!file.EndOfFile());
    const std::u16string text = file.ReadLine();
    if (encoding >= 4) FUZZ_CHECK(text.size() == (line.size() + 1) / 2);
    if ((encoding == 2 || encoding == 3) && IsStrictUtf8(line)) FUZZ_CHECK(TextToUtf8(text) == line);
  }
  FUZZ_CHECK(file.EndOfFile());
  return 0;
}
