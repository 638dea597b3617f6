// The platform layer's files, code page, UTF-8 and fault seam.
#include "platform/Platform.h"
#include "platform/TestSeams.h"
#include "support/UkxUtf8.h"
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

// UTF-16 and UTF-8 at the edges of every range, both ways; on POSIX an argument's
// bytes that are not UTF-8 stand as lone U+DC80 to U+DCFF and name the same file again.
TEST(Utf8, EncodersMeetAtEveryBoundary) {
  const std::u16string text = u"\u007F\u0080\u07FF\u0800\uD7FF\uE000\uFFFF\U00010000\U000103FF\U0010FC00\U0010FFFF";
  const std::string bytes = "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF\xF0\x90\x80\x80"
                            "\xF0\x90\x8F\xBF\xF4\x8F\xB0\x80\xF4\x8F\xBF\xBF";
  EXPECT_EQ(TextToUtf8(text), bytes);
  EXPECT_EQ(Utf8ToText(bytes), text);
  EXPECT_EQ(platform::ArgumentText(bytes), text);
  // Lone surrogates each by itself, the last cut from its partner by the end of the view.
  EXPECT_EQ(TextToUtf8(std::u16string_view(u"\xDC00\xDFFF\xD800\xDBFF\xDC00", 4)),
            "\xED\xB0\x80\xED\xBF\xBF\xED\xA0\x80\xED\xAF\xBF");
  EXPECT_EQ(Utf8ToText("\xF7\xBF\xBF\xBF\xF8\x80\xC0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD\0", 4));
#ifndef _WIN32
  EXPECT_EQ(platform::ArgumentText("\xC1\xE0\x9F\xBF\xF0\x8F\xBF\xBF\xF4\x90\x80\x80\xED\xA0\x80\xED\xBF\xBF\xF5\x80"),
            u"\xDCC1\xDCE0\xDC9F\xDCBF\xDCF0\xDC8F\xDCBF\xDCBF\xDCF4\xDC90\xDC80\xDC80\xDCED\xDCA0\xDC80\xDCED\xDCBF\xDCBF"
            u"\xDCF5\xDC80");
  testutil::TempDir temp;
  const std::string name = "\x80\xFF\xF0\x90\x82\x80\xF4\x8F\xB2\x80";  // U+10080 and U+10FC80 end in DC80
  testutil::WriteFile(temp.Native(name), "");
  EXPECT_TRUE(platform::PathExists(temp.Path() + u"/" + platform::ArgumentText(name)));
#endif
}

// Creating truncates, appending adds at the end and needs the file, folders are refused.
TEST(PlatformFiles, WritesReadBack) {
  testutil::TempDir temp;
  const std::u16string path = temp.Path("data.bin");
  testutil::WriteFile(temp.Native("data.bin"), "an older and longer file");
  platform::TFile out = platform::CreateForWriting(path);
  ASSERT_TRUE(platform::WriteBytes(out, "hello world", 11));
  EXPECT_TRUE(out.Close() && !out.IsOpen());
  platform::TFile more = platform::OpenForAppending(path);
  ASSERT_TRUE(platform::WriteBytes(more, "!", 1));
  out = std::move(more);  // a file moved keeps one owner, closed once
  EXPECT_TRUE(out.Close() && !more.IsOpen());
  platform::TFile in = platform::OpenForReading(path);
  EXPECT_EQ(Read(in, 5), "hello");
  EXPECT_EQ(Read(in, 100), " world!");
  EXPECT_EQ(Read(in, 100), "");
  EXPECT_FALSE(platform::WriteBytes(in, "x", 1));  // the system's refusal, not retried
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
  EXPECT_EQ(Read(in, 1) + Read(in, 1), "!!");
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
