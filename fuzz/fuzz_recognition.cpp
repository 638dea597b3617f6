// Encoding recognition: the streaming test, fed in pieces of every size, and the
// recognition of a whole file agree with the byte-by-byte model.
#include "fuzz/FuzzScratch.h"
#include "support/UkxFile.h"
#include "support/UkxUtf8.h"
#include "tests/TestUtil.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t step = 1 + data[0] % 23;  // the piece size, from the first byte
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const bool expected = fuzzscratch::Utf8TestPasses(bytes);

  TkxUtf8Test test;
  const auto* raw = reinterpret_cast<const unsigned char*>(bytes.data());
  bool going = true;
  for (std::size_t at = 0; at < bytes.size() && going; at += step) {
    going = test.Feed(raw + at, std::min(step, bytes.size() - at));
  }
  FUZZ_CHECK(test.Passed() == expected);
  FUZZ_CHECK(going || !expected);  // the test stops early only once it has failed

  const std::filesystem::path file = fuzzscratch::Folder() / "recognise.txt";
  testutil::WriteFile(file, bytes);
  FUZZ_CHECK(TkxFile::RecogniseEncoding(file.u16string()) == fuzzscratch::Recognise(bytes));
  return 0;
}
