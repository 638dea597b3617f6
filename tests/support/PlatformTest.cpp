// The platform layer's files, code page and fault seam.
#include "platform/Platform.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

// Up to Count bytes; "!" when the read fails.
std::string Read(const platform::TFile& File, std::size_t Count) {
  std::string buffer(Count, '\0');
  std::size_t got = 0;
  if (!platform::ReadBytes(File, buffer.data(), Count, got)) return "!";
  return buffer.substr(0, got);
}

}  // namespace

TEST(Ansi, TextRoundTripsThroughTheCodePage) {
  EXPECT_EQ(platform::TextToAnsi(platform::AnsiToText("Hello, 1!")), "Hello, 1!");
#ifndef _WIN32
  // Under the C locale every byte is one character of ISO-8859-1; what the code page
  // lacks is left out without garbling its neighbours.
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const std::u16string text = platform::AnsiToText(bytes);
  EXPECT_EQ(text, std::u16string(reinterpret_cast<const unsigned char*>(bytes.data()),
                                 reinterpret_cast<const unsigned char*>(bytes.data()) + 256));
  EXPECT_EQ(platform::TextToAnsi(text), bytes);
  EXPECT_EQ(platform::TextToAnsi(u"a\u4E2D\u0100b\u00E9x\U0001F600y"), "ab\xE9xy");
#endif
}

// Creating truncates, appending adds at the end and needs the file, folders are refused.
TEST(PlatformFiles, WritesReadBack) {
  testutil::TempDir temp;
  const std::u16string path = temp.Path("data.bin");
  testutil::WriteFile(temp.Native("data.bin"), "an older and longer file");
  platform::TFile out = platform::CreateForWriting(path);
  ASSERT_TRUE(platform::WriteBytes(out, "hello world", 11));
  EXPECT_TRUE(out.Close());
  EXPECT_FALSE(out.IsOpen());
  platform::TFile more = platform::OpenForAppending(path);
  ASSERT_TRUE(platform::WriteBytes(more, "!", 1));
  out = std::move(more);  // a file moved keeps one owner, closed once
  EXPECT_TRUE(out.Close() && !more.IsOpen());
  platform::TFile in = platform::OpenForReading(path);
  EXPECT_EQ(Read(in, 5), "hello");
  EXPECT_EQ(Read(in, 100), " world!");
  EXPECT_EQ(Read(in, 100), "");
  EXPECT_FALSE(platform::OpenForAppending(temp.Path("missing.txt")).IsOpen());
  EXPECT_FALSE(platform::OpenForReading(temp.Path()).IsOpen());
  EXPECT_FALSE(platform::CreateForWriting(temp.Path()).IsOpen());
}

TEST(PlatformFiles, SizesAndOffsetsAreSixtyFourBit) {
  testutil::TempDir temp;
  const std::int64_t beyond = (std::int64_t{5} << 30) + 3;  // past 4 GiB, in a sparse file
  platform::TFile out = platform::CreateForWriting(temp.Path("sparse.bin"));
  EXPECT_EQ(platform::Seek(out, beyond, platform::SeekFrom::Begin), beyond);
  ASSERT_TRUE(platform::WriteBytes(out, "z", 1));
  EXPECT_EQ(platform::FileSize(out), beyond + 1);
  EXPECT_EQ(platform::Seek(out, 0, platform::SeekFrom::Current), beyond + 1);
  EXPECT_EQ(platform::Seek(out, -1, platform::SeekFrom::End), beyond);
  EXPECT_EQ(Read(out, 1), "!") << "a file made for writing is not read";
  EXPECT_EQ(platform::Seek(out, -(beyond + 10), platform::SeekFrom::Current), -1);
}

TEST(PlatformFiles, InjectedFaultsFailEveryCallPastTheirBudget) {
  testutil::FaultGuard guard;
  testutil::TempDir temp;
  testutil::WriteFile(temp.Native("source.txt"), "0123456789abcdef");
  platform::TFile in = platform::OpenForReading(temp.Path("source.txt"));
  platform::InjectReadFault(10);
  EXPECT_EQ(Read(in, 4), "0123");
  EXPECT_EQ(Read(in, 6), "456789");
  EXPECT_EQ(Read(in, 1), "!");
  EXPECT_EQ(Read(in, 1), "!");
  platform::InjectReadFault(-1);
  EXPECT_EQ(Read(in, 3), "abc");
  platform::InjectReadFault(2);
  EXPECT_EQ(Read(in, 3), "!") << "a read that crosses the budget fails whole";

  platform::TFile out = platform::CreateForWriting(temp.Path("out.txt"));
  platform::InjectWriteFault(5);
  EXPECT_TRUE(platform::WriteBytes(out, "abc", 3));
  EXPECT_FALSE(platform::WriteBytes(out, "def", 3));
  EXPECT_FALSE(platform::WriteBytes(out, "g", 1));
  platform::InjectWriteFault(-1);
  EXPECT_TRUE(platform::WriteBytes(out, "h", 1));
  EXPECT_TRUE(out.Close());
  EXPECT_EQ(testutil::ReadFile(temp.Native("out.txt")), "abcdeh");
}
