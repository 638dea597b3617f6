// The whole split on random sources, counts, names and resource limits: the output
// files hold the mark, the header lines and the data lines dealt in turn, each line's
// bytes exactly as the reading loop finds them in the source; the source is untouched,
// and nothing is written outside the output folder. Under an injected read or write
// fault, the fault's message, and every file a beginning of what it would hold.
#include "app/USplitJob.h"
#include "fuzz/FuzzScratch.h"
#include "platform/Platform.h"
#include "tests/file/FileBytes.h"
#include "support/UkxException.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t Fixed = 11;  // bytes that choose the counts, the limits and the name

std::u16string NameOf(const std::uint8_t* data) {
  static const char16_t alphabet[] = {u'a', u'.', u' ', u'-', u'Z', u'\u4E2D'};
  const int length = data[6] % 8 - 3;  // half of the inputs keep the usual name
  if (length <= 0) return u"data.txt";
  std::u16string name;
  for (int i = 0; i < length; ++i) name += alphabet[data[7 + i] % 6];
  return name;
}

// Everything under a folder but the folder itself: relative path to bytes; a folder's
// path ends in "/" and has no bytes.
std::map<std::string, std::string> Contents(const fs::path& root) {
  std::map<std::string, std::string> seen;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).generic_string();
    if (entry.is_directory()) {
      seen[relative + "/"] = "";
    } else {
      seen[relative] = filebytes::Read(entry.path());
    }
  }
  return seen;
}

std::string Utf8(const std::u16string& text) { return fs::path(text).string(); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < Fixed) return 0;
  const int h = data[0] % 4;
  const int n = 1 + data[1] % 7;
  TSplitLimits limits;
  limits.SourceBlock = 16 + data[2] % 64;
  limits.OutputBudget = data[3];
  limits.OpenOutputs = 1 + data[4] % 4;
  limits.HeaderInMemory = data[5] % 40;
  const std::u16string name = NameOf(data);
  if (name == u"." || name == u"..") return 0;
  const std::string source(reinterpret_cast<const char*>(data) + Fixed, size - Fixed);

  const fs::path run = fuzzscratch::Folder() / "run";
  fs::remove_all(run);
  fs::create_directories(run);
  const fs::path sourcePath = run / name;
  filebytes::Write(sourcePath, source);

  // A quarter of the runs meet a read fault, a quarter a write fault, after a number of
  // bytes taken from the input (reads count the bytes asked for: recognition asks for
  // 1 MiB at a time).
  const int fault = data[4] >> 2 & 3;
  const std::int64_t budget = (data[5] >> 1 | data[3] << 7) % 3000;
  if (fault == 2) platform::InjectReadFault((std::int64_t{1} << 20) * (data[5] & 1 ? 2 : 1) + budget);
  if (fault == 3) platform::InjectWriteFault(budget);
  std::u16string answer;
  try {
    answer = RunSplitWith(sourcePath.u16string(), std::u16string(1, static_cast<char16_t>(u'0' + h)),
                          std::u16string(1, static_cast<char16_t>(u'0' + n)), limits);
  } catch (const TkxException& e) {
    answer = u"error: " + e.Message;
  }
  platform::InjectReadFault(-1);
  platform::InjectWriteFault(-1);

  // What the run must have done.
  const std::size_t dot = name.rfind(u'.');
  const std::u16string base = dot == std::u16string::npos ? name : name.substr(0, dot);
  const std::u16string ext = dot == std::u16string::npos ? u"" : name.substr(dot + 1);
  const bool usable = std::any_of(base.begin(), base.end(), [](char16_t ch) { return ch != u'.' && ch != u' '; });
  const int encoding = filebytes::Recognise(source);
  const std::vector<std::string> lines = filebytes::ModelLines(source, encoding);
  std::map<std::string, std::string> expected = {{Utf8(name), source}};
  std::u16string expectedAnswer;
  if (!usable) {
    expectedAnswer = u"error: 无法由文件名确定输出子路径!";
  } else if (lines.size() < static_cast<std::size_t>(h)) {
    expectedAnswer = u"error: 文件中不包含足够的数据!";
  } else if (dot == std::u16string::npos) {  // the output folder would be the source itself
    expectedAnswer = u"error: File Open Error!";
  } else {
    const std::string end = filebytes::LineEndOf(encoding);
    std::u16string list;
    expected[Utf8(base) + "/"] = "";
    for (int i = 0; i < n; ++i) {
      const std::u16string outName = base + u"-" + static_cast<char16_t>(u'1' + i) + u"." + ext;
      list += outName + u"\r\n";
      std::string bytes;
      for (int j = 0; j < h; ++j) bytes += lines[static_cast<std::size_t>(j)] + end;
      for (std::size_t k = static_cast<std::size_t>(h + i); k < lines.size(); k += static_cast<std::size_t>(n)) {
        bytes += lines[k] + end;
      }
      if (!bytes.empty()) bytes = filebytes::MarkOf(encoding) + bytes;
      expected[Utf8(base) + "/" + Utf8(outName)] = bytes;
    }
    const std::u16string outputDir = (run / base).u16string() + u"/";
    expectedAnswer = u"文件拆分成功! 在原始文件所在路径的 " + outputDir + u" 子路径下自动生成了如下 " +
                     static_cast<char16_t>(u'0' + n) + u" 个新文件:\r\n\r\n" + list;
  }
  const std::map<std::string, std::string> contents = Contents(run);
  if (answer == expectedAnswer) {
    FUZZ_CHECK(contents == expected);
  } else {
    // Only the injected fault may change the outcome: then every file is a beginning of
    // what it would hold, the source is whole, and a write fault let through exactly
    // its budget.
    FUZZ_CHECK((fault == 2 && answer == u"error: File Read Error!") || (fault == 3 && answer == u"error: File Write Error!"));
    std::int64_t written = 0;
    for (const auto& [path, bytes] : contents) {
      const auto whole = expected.find(path);
      FUZZ_CHECK(whole != expected.end());
      FUZZ_CHECK(bytes.size() <= whole->second.size() && whole->second.compare(0, bytes.size(), bytes) == 0);
      if (path != Utf8(name)) written += static_cast<std::int64_t>(bytes.size());
    }
    FUZZ_CHECK(contents.at(Utf8(name)) == source);
    if (fault == 3) FUZZ_CHECK(written == budget);
  }
  // Nor anything beside the folder of the run.
  FUZZ_CHECK(std::distance(fs::directory_iterator(fuzzscratch::Folder()), fs::directory_iterator{}) == 1);
  return 0;
}
