#include "platform/Platform.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Closes the handle at the end of a test, whatever happens in between.
class OpenFile {
 public:
  explicit OpenFile(platform::FileHandle handle) : handle_(handle) {}
  ~OpenFile() {
    if (handle_ != platform::InvalidFile) platform::CloseFile(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  platform::FileHandle get() const { return handle_; }
  bool Close() {
    bool ok = platform::CloseFile(handle_);
    handle_ = platform::InvalidFile;
    return ok;
  }

 private:
  platform::FileHandle handle_;
};

// Switches the injected faults off again after each test.
class PlatformFiles : public testing::Test {
 protected:
  void TearDown() override {
    platform::InjectReadFault(-1);
    platform::InjectWriteFault(-1);
  }
  TempDir temp;
};

std::string Read(platform::FileHandle file, std::size_t count, bool& ok) {
  std::string buffer(count, '\0');
  std::size_t got = 0;
  ok = platform::ReadBytes(file, buffer.data(), count, got);
  buffer.resize(got);
  return buffer;
}

}  // namespace

#ifndef _WIN32
// Under the C locale every byte is one character of ISO-8859-1, so nothing is lost.
TEST(Ansi, EveryByteRoundTripsUnderTheCLocale) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const std::u16string text = platform::AnsiToText(bytes);
  ASSERT_EQ(text.size(), 256u);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(text[static_cast<std::size_t>(b)], static_cast<char16_t>(b)) << b;
  EXPECT_EQ(platform::TextToAnsi(text), bytes);
}
#endif

TEST(Ansi, AsciiRoundTripsOnEveryPlatform) {
  std::string bytes;
  for (int b = 1; b < 128; ++b) bytes += static_cast<char>(b);
  const std::u16string text = platform::AnsiToText(bytes);
  EXPECT_EQ(text, std::u16string(bytes.begin(), bytes.end()));
  EXPECT_EQ(platform::TextToAnsi(text), bytes);
}

TEST_F(PlatformFiles, OpenForReadingCreatesAMissingFileEmpty) {
  const std::u16string path = temp.Path("new.txt");
  ASSERT_FALSE(platform::PathExists(path));
  OpenFile file(platform::OpenForReading(path));
  ASSERT_NE(file.get(), platform::InvalidFile);
  EXPECT_TRUE(platform::PathExists(path));
  EXPECT_EQ(platform::FileSize(file.get()), 0);
  bool ok = false;
  EXPECT_EQ(Read(file.get(), 16, ok), "");
  EXPECT_TRUE(ok);
}

TEST_F(PlatformFiles, DirectoriesCannotBeOpenedAsFiles) {
  EXPECT_EQ(platform::OpenForReading(temp.Path()), platform::InvalidFile);
  EXPECT_EQ(platform::CreateForWriting(temp.Path()), platform::InvalidFile);
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(temp.Path())));
}

TEST_F(PlatformFiles, WritesReadBackAndCreatingTruncates) {
  const std::u16string path = temp.Path("data.bin");
  {
    OpenFile out(platform::CreateForWriting(path));
    ASSERT_NE(out.get(), platform::InvalidFile);
    ASSERT_TRUE(platform::WriteBytes(out.get(), "hello world", 11));
    EXPECT_TRUE(out.Close());
  }
  {
    OpenFile in(platform::OpenForReading(path));
    bool ok = false;
    EXPECT_EQ(Read(in.get(), 5, ok), "hello");
    EXPECT_EQ(Read(in.get(), 100, ok), " world");
    EXPECT_EQ(Read(in.get(), 100, ok), "");
    EXPECT_TRUE(ok);
  }
  OpenFile again(platform::CreateForWriting(path));
  EXPECT_EQ(platform::FileSize(again.get()), 0);
}

TEST_F(PlatformFiles, SizesAndOffsetsAreSixtyFourBit) {
  const std::u16string path = temp.Path("sparse.bin");
  const std::int64_t beyond = (std::int64_t{5} << 30) + 3;  // past 4 GiB
  OpenFile out(platform::CreateForWriting(path));
  ASSERT_NE(out.get(), platform::InvalidFile);
  EXPECT_EQ(platform::Seek(out.get(), beyond, platform::SeekFrom::Begin), beyond);
  ASSERT_TRUE(platform::WriteBytes(out.get(), "z", 1));
  EXPECT_EQ(platform::FileSize(out.get()), beyond + 1);
  EXPECT_EQ(platform::Seek(out.get(), 0, platform::SeekFrom::Current), beyond + 1);
  EXPECT_EQ(platform::Seek(out.get(), -1, platform::SeekFrom::End), beyond);
  EXPECT_EQ(platform::Seek(out.get(), -(beyond + 10), platform::SeekFrom::Current), -1);
  ASSERT_TRUE(out.Close());

  OpenFile in(platform::OpenForReading(path));
  EXPECT_EQ(platform::FileSize(in.get()), beyond + 1);
  EXPECT_EQ(platform::Seek(in.get(), beyond, platform::SeekFrom::Begin), beyond);
  bool ok = false;
  EXPECT_EQ(Read(in.get(), 4, ok), "z");
}

TEST_F(PlatformFiles, InjectedReadFaultFailsEveryReadPastTheBudget) {
  const std::u16string path = temp.Path("source.txt");
  std::ofstream(temp.Native("source.txt"), std::ios::binary) << "0123456789abcdef";
  OpenFile in(platform::OpenForReading(path));
  platform::InjectReadFault(10);
  bool ok = false;
  EXPECT_EQ(Read(in.get(), 4, ok), "0123");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(in.get(), 6, ok), "456789");
  EXPECT_TRUE(ok);
  EXPECT_EQ(Read(in.get(), 1, ok), "");
  EXPECT_FALSE(ok);
  Read(in.get(), 1, ok);
  EXPECT_FALSE(ok);

  platform::InjectReadFault(-1);
  EXPECT_EQ(Read(in.get(), 3, ok), "abc");
  EXPECT_TRUE(ok);
  // A read that crosses the budget fails as a whole.
  platform::InjectReadFault(2);
  Read(in.get(), 3, ok);
  EXPECT_FALSE(ok);
}

TEST_F(PlatformFiles, InjectedWriteFaultKeepsOnlyTheBytesWithinTheBudget) {
  const std::u16string path = temp.Path("out.txt");
  {
    OpenFile out(platform::CreateForWriting(path));
    platform::InjectWriteFault(5);
    EXPECT_TRUE(platform::WriteBytes(out.get(), "abc", 3));
    EXPECT_FALSE(platform::WriteBytes(out.get(), "def", 3));
    EXPECT_FALSE(platform::WriteBytes(out.get(), "g", 1));
    platform::InjectWriteFault(-1);
    EXPECT_TRUE(platform::WriteBytes(out.get(), "h", 1));
    EXPECT_TRUE(out.Close());
  }
  std::ifstream in(temp.Native("out.txt"), std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "abcdeh");
}

#ifndef _WIN32
// A character the code page lacks is left out; it must not garble its neighbours.
TEST(Ansi, UnmappableCharactersDoNotGarbleTheirNeighbours) {
  ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
  EXPECT_EQ(platform::TextToAnsi(u"a\u4E2D\u0100b"), "ab");
  EXPECT_EQ(platform::TextToAnsi(u"\u4E2D\u0100\u00E9"), "\xE9");
  EXPECT_EQ(platform::TextToAnsi(u"x\U0001F600y"), "xy");
}
#endif
