// The text file: line finding, encoding recognition, decoding and encoding, failures.
#include "support/UkxFile.h"
#include "support/UkxUtf8.h"

#include "tests/TestText.h"
#include "tests/file/FileBytes.h"
#include "tests/support/TempDir.h"
#include "support/UkxException.h"

#include <gtest/gtest.h>

#include <random>

using filebytes::FaultGuard;
using filebytes::ModelLines;

namespace {

std::string B(const char* bytes, std::size_t size) { return std::string(bytes, size); }

// Collects a raw line.
struct Bytes : TkxRawSink {
  void PutBytes(const char* Data, std::size_t Size) override { Text.append(Data, Size); }
  std::string Text;
};

std::vector<std::string> RawLines(const std::u16string& path, std::uint8_t encoding, std::size_t block) {
  TkxFile file(path, fmRead, encoding, block);
  std::vector<std::string> lines;
  while (!file.EndOfFile()) {
    Bytes line;
    file.ReadRawLine(line);
    lines.push_back(line.Text);
  }
  return lines;
}

std::vector<std::u16string> TextLines(const std::u16string& path, std::uint8_t encoding = 0) {
  TkxFile file(path, encoding == 0 ? fmReadDetect : fmRead, encoding);
  std::vector<std::u16string> lines;
  while (!file.EndOfFile()) lines.push_back(file.ReadLine());
  return lines;
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const TkxException& e) {
    return testtext::Utf8(e.Message);
  }
  return "(nothing raised)";
}

}  // namespace

TEST(LineFinding, ByteListsGiveTheLinesOfTheReadingLoop) {
  struct Case {
    std::string bytes;
    std::vector<std::u16string> lines;
  } cases[] = {
      {"a\nb\n", {u"a\nb\n"}},
      {"a\r\nb", {u"a", u"b"}},
      {"a\r\n", {u"a"}},
      {"a\r", {u"a"}},
      {"a\rb", {u"a\rb"}},
      {"a\r\r\nb", {u"a\r", u"b"}},
      {"\r\n", {u""}},
      {"\r\n\r\n", {u"", u""}},
      {"a\r\n\r", {u"a", u""}},
      {"", {}},
      {B("a\0b\r\nc", 6), {std::u16string(u"a\0b", 3), u"c"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    filebytes::Write(dir.Native("t.txt"), c.bytes);
    EXPECT_EQ(TextLines(dir.Path("t.txt"), teAnsi), c.lines) << c.bytes;
  }
}

TEST(LineFinding, Utf16EndsLinesOnlyAtAlignedCrLf) {
  TempDir dir;
  // U+0A0D is the bytes 0D 0A in little-endian order; U+0D0A is 0D 0A in big-endian.
  filebytes::Write(dir.Native("le.txt"), B("\xFF\xFE" "a\0\x0D\x0A" "b\0\x0A\x0D\r\0\n\0c\0", 16));
  EXPECT_EQ(TextLines(dir.Path("le.txt")), (std::vector<std::u16string>{u"a\u0A0Db\u0D0A", u"c"}));
  filebytes::Write(dir.Native("be.txt"), B("\xFE\xFF" "\0a\x0D\x0A" "\x0A\x0D\0\r\0\n\0c", 14));
  EXPECT_EQ(TextLines(dir.Path("be.txt")), (std::vector<std::u16string>{u"a\u0D0A\u0A0D", u"c"}));
  // An LF byte straddling two code units (00 0D 0A 00 read as LE at odd offset) ends nothing.
  filebytes::Write(dir.Native("odd.txt"), B("\xFF\xFE" "\x00\x0D\x0A\x00" "x\0", 8));
  EXPECT_EQ(TextLines(dir.Path("odd.txt")), (std::vector<std::u16string>{u"\u0D00\u000Ax"}));
  // CR CR LF, a final lone CR, and a final half code unit.
  filebytes::Write(dir.Native("crs.txt"), B("\xFF\xFE" "a\0\r\0\r\0\n\0b\0\r\0", 14));
  EXPECT_EQ(TextLines(dir.Path("crs.txt")), (std::vector<std::u16string>{u"a\r", u"b"}));
  filebytes::Write(dir.Native("half.txt"), B("\xFF\xFE" "a\0\r\0Z", 7));
  EXPECT_EQ(TextLines(dir.Path("half.txt")), (std::vector<std::u16string>{u"a\r\uFFFD"}));
}

TEST(LineFinding, MarkOnlyFileHoldsOneEmptyLine) {
  TempDir dir;
  for (const char* mark : {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
    filebytes::Write(dir.Native("m.txt"), mark);
    TkxFile file(dir.Path("m.txt"), fmReadDetect, teNone);
    ASSERT_FALSE(file.EndOfFile());
    EXPECT_EQ(file.ReadLine(), u"");
    EXPECT_TRUE(file.EndOfFile());
  }
}

// Random bytes rich in CR, LF and NUL, cut by blocks of many sizes, against the model.
TEST(LineFinding, RawLinesMatchTheModelAtEveryBlockSize) {
  TempDir dir;
  std::mt19937 random(12345);
  const char alphabet[] = {'\r', '\n', '\0', 'a', '\r', '\n'};
  for (int round = 0; round < 300; ++round) {
    std::uint8_t encoding = static_cast<std::uint8_t>(1 + round % 5);
    std::string bytes = filebytes::MarkOf(encoding);
    std::size_t length = random() % 200;
    for (std::size_t i = 0; i < length; ++i) bytes += alphabet[random() % sizeof alphabet];
    filebytes::Write(dir.Native("r.txt"), bytes);
    for (std::size_t block : {16u, 18u, 64u, 4096u}) {
      ASSERT_EQ(RawLines(dir.Path("r.txt"), encoding, block), ModelLines(bytes, encoding))
          << "round " << round << " block " << block;
    }
  }
}

TEST(Recognition, MarksAndTheUtf8Test) {
  struct Case {
    std::string bytes;
    int encoding;
  } cases[] = {
      {"", 1},
      {"plain ascii text\r\n", 1},
      {"\xC3\xA9", 2},
      {"\xC3\x41", 1},
      {"\xEF\xBB\xBF" "abc", 3},
      {"\xEF\xBB", 1},
      {"\xFF\xFE", 4},
      {"\xFE\xFF", 5},
      {"\x80", 1},
      {"\xE4\xB8", 1},
      {"\xE4\xB8\xAD", 2},
      {"\xF8\x80\x80\x80\x80", 2},
      {"\xFF\x80\x80\x80\x80\x80\x80\x80", 2},
      {"\xFF\x80\x80\x80\x80\x80\x80", 1},
      {"\xED\xA0\x80 surrogate and \xC0\x80 overlong", 2},
      {"\xC3" "abcdefgh" "\x80", 1},
      {"abcdefgh\xE4\xB8\xAD" "abcdefgh", 2},
  };
  TempDir dir;
  for (const Case& c : cases) {
    filebytes::Write(dir.Native("r.txt"), c.bytes);
    EXPECT_EQ(TkxFile::RecogniseEncoding(dir.Path("r.txt")), c.encoding) << c.bytes;
    EXPECT_EQ(TkxFile(dir.Path("r.txt"), fmReadDetect, teNone).Encoding, c.encoding);
  }
}

// The streaming test with its fast path, fed in random pieces, against the plain
// byte-by-byte rule.
TEST(Recognition, Utf8TestInPiecesMatchesTheByteRule) {
  std::mt19937 random(99);
  const std::string pieces[] = {"abcdefgh", "x", "\xC3\xA9", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\x80", "\xC3", "\xFF"};
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    for (std::size_t n = random() % 12; n > 0; --n) bytes += pieces[random() % 8];
    TkxUtf8Test test;
    for (std::size_t at = 0; at < bytes.size();) {
      std::size_t size = std::min<std::size_t>(1 + random() % 40, bytes.size() - at);
      if (!test.Feed(reinterpret_cast<const unsigned char*>(bytes.data() + at), size)) break;
      at += size;
    }
    ASSERT_EQ(test.Passed(), filebytes::Utf8TestPasses(bytes)) << round;
  }
}

TEST(Recognition, StreamsPastItsBlockAndReportsProgress) {
  TempDir dir;
  std::string ascii(3 << 20, 'x');
  // A sequence cut by the 1 MiB block boundary, and the only non-ASCII bytes near the end.
  std::string cut = ascii;
  cut.replace((1 << 20) - 1, 3, "\xE4\xB8\xAD");
  filebytes::Write(dir.Native("cut.txt"), cut);
  EXPECT_EQ(TkxFile::RecogniseEncoding(dir.Path("cut.txt")), teUtf8);
  std::string late = ascii + "\xC3\xA9";
  filebytes::Write(dir.Native("late.txt"), late);
  std::int64_t last = 0;
  EXPECT_EQ(TkxFile::RecogniseEncoding(dir.Path("late.txt"), [&](std::int64_t done, std::int64_t total) {
    EXPECT_GE(done, last);
    EXPECT_EQ(total, static_cast<std::int64_t>(late.size()));
    last = done;
  }),
            teUtf8);
  EXPECT_EQ(last, static_cast<std::int64_t>(late.size()));
  filebytes::Write(dir.Native("bad.txt"), late + "\x80");
  EXPECT_EQ(TkxFile::RecogniseEncoding(dir.Path("bad.txt")), teAnsi);
}

TEST(Recognition, MissingFileIsCreatedEmptyWithItsFolder) {
  TempDir dir;
  std::u16string path = dir.Path("new") + platform::PathSeparator() + u"f.txt";
  TkxFile file(path, fmReadDetect, teNone);
  EXPECT_EQ(file.Encoding, teAnsi);
  EXPECT_TRUE(file.EndOfFile());
  EXPECT_TRUE(std::filesystem::exists(dir.Native("new") / "f.txt"));
  std::u16string deep = dir.Path("a") + platform::PathSeparator() + u"b" + platform::PathSeparator() + u"f.txt";
  EXPECT_EQ(MessageOf([&] { TkxFile out(deep, fmWriteUnicode, teNone); }), "File Open Error!");
}

TEST(Writing, BytesOfEachEncoding) {
  struct Case {
    std::uint8_t encoding;
    std::u16string text;
    std::string bytes;
  } cases[] = {
      {teNone, u"a", B("\xFF\xFE" "a\0\r\0\n\0", 8)},
      {teUtf16BE, u"a", B("\xFE\xFF" "\0a\0\r\0\n", 8)},
      {teUtf8Bom, u"", "\xEF\xBB\xBF\r\n"},
      {teUtf8, u"\u00E9", "\xC3\xA9\r\n"},
      {teUtf8, u"\U0001F600", "\xF0\x9F\x98\x80\r\n"},
      {teUtf8, u"\xD800x", "\xED\xA0\x80x\r\n"},
      {teAnsi, u"abc", "abc\r\n"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    {
      TkxFile file(dir.Path("w.txt"), fmWriteUnicode, c.encoding);
      file.WriteLine(c.text);
    }
    EXPECT_EQ(filebytes::Read(dir.Native("w.txt")), c.bytes) << int(c.encoding);
  }
  // Writing over an existing file empties it first; Size and Position count the mark.
  TkxFile file(dir.Path("w.txt"), fmWriteUnicode, teUtf8Bom);
  file.Write(u"ab");
  EXPECT_EQ(file.Size(), 5);
  EXPECT_EQ(file.Position(), 5);
  file.Close();
  EXPECT_EQ(filebytes::Read(dir.Native("w.txt")), "\xEF\xBB\xBF" "ab");
}

TEST(Writing, LinesComeBackInEveryEncoding) {
  const std::vector<std::u16string> lines = {u"plain", u"", u"caf\u00E9", std::u16string(u"nul\0inside", 10),
                                             u"lone\nfeed", u"lone\rreturn", u"trailing cr\r"};
  const std::vector<std::u16string> wide = {u"\u4E2D\u6587", u"\U0001F600 emoji", u"\u0A0D\u0D0A"};
  TempDir dir;
  for (std::uint8_t encoding = teAnsi; encoding <= teUtf16BE; ++encoding) {
    std::vector<std::u16string> all = lines;
    if (encoding != teAnsi) all.insert(all.end(), wide.begin(), wide.end());
    {
      TkxFile file(dir.Path("rt.txt"), fmWrite, encoding);
      for (const auto& line : all) file.WriteLine(line);
    }
    EXPECT_EQ(TextLines(dir.Path("rt.txt"), encoding), all) << int(encoding);
    EXPECT_EQ(TextLines(dir.Path("rt.txt")), all) << "recognised, " << int(encoding);
  }
}

TEST(Decoding, Utf8IsMendedNotDropped) {
  struct Case {
    std::string bytes;
    std::u16string line;
  } cases[] = {
      {"\xF0\x9F\x98\x80!", u"\U0001F600!"},
      {"\xC3\x41" "bc", u"\uFFFD" "Abc"},
      {"a\x80" "b", u"a\uFFFDb"},
      {"\xF8\x88\x80\x80\x80z", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz"},
      {"end\xE4\xB8", u"end\uFFFD"},
      {"\xF4\x90\x80\x80", u"\uFFFD"},
      {B("a\0b", 3), std::u16string(u"a\0b", 3)},
  };
  TempDir dir;
  for (const Case& c : cases) {
    filebytes::Write(dir.Native("d.txt"), "\xEF\xBB\xBF" + c.bytes + "\r\nnext");
    EXPECT_EQ(TextLines(dir.Path("d.txt")), (std::vector<std::u16string>{c.line, u"next"})) << c.bytes;
  }
}

TEST(RawLines, MoveLongLinesThroughSmallBlocksUnchanged) {
  TempDir dir;
  std::string line(300000, 'q');
  for (std::size_t i = 0; i < line.size(); i += 997) line[i] = '\r';
  std::string source = "\xFF\xFE" + line + std::string("\r\0\n\0", 4) + "z";
  filebytes::Write(dir.Native("long.txt"), source);
  {
    TkxFile in(dir.Path("long.txt"), fmReadDetect, teNone, 4096);
    TkxFile out(dir.Path("copy.txt"), fmWriteUnicode, in.Encoding, 1000);
    while (!in.EndOfFile()) in.MoveLineTo(out);
    out.Close();
  }
  EXPECT_EQ(filebytes::Read(dir.Native("copy.txt")), "\xFF\xFE" + line + std::string("\r\0\n\0z\r\0\n\0", 9));
}

TEST(RawLines, ParkedFileIsReopenedForEachBlock) {
  TempDir dir;
  TkxFile out(dir.Path("p.txt"), fmWriteUnicode, teUtf8Bom, 16);
  out.WriteRaw("abc", 3);
  out.Park();
  std::string expected = "\xEF\xBB\xBF" "abc";
  for (int i = 0; i < 50; ++i) {
    out.WriteRaw("0123456789", 10);
    out.WriteLineEnd();
    expected += "0123456789\r\n";
  }
  out.Close();
  EXPECT_EQ(filebytes::Read(dir.Native("p.txt")), expected);
}

TEST(Failures, OpeningADirectoryIsRefused) {
  TempDir dir;
  std::filesystem::create_directory(dir.Native("sub"));
  for (std::uint8_t mode : {fmRead, fmWrite, fmReadDetect, fmWriteUnicode}) {
    EXPECT_EQ(MessageOf([&] { TkxFile file(dir.Path("sub"), mode, teAnsi); }), "File Open Error!") << int(mode);
  }
  EXPECT_EQ(MessageOf([&] { TkxFile::RecogniseEncoding(dir.Path("sub")); }), "File Open Error!");
}

TEST(Failures, AReadThatFailsIsNeverTheEndOfTheFile) {
  FaultGuard guard;
  TempDir dir;
  std::string content;
  for (int i = 0; i < 5000; ++i) content += "line " + std::to_string(i) + "\r\n";
  filebytes::Write(dir.Native("f.txt"), content);
  TkxFile file(dir.Path("f.txt"), fmRead, teAnsi, 4096);
  platform::InjectReadFault(10000);
  EXPECT_EQ(MessageOf([&] {
              while (!file.EndOfFile()) file.ReadLine();
            }),
            "File Read Error!");
  EXPECT_GT(file.Position(), 0);
  EXPECT_LT(file.Position(), static_cast<std::int64_t>(content.size()));
  platform::InjectReadFault(100);
  EXPECT_EQ(MessageOf([&] { TkxFile::RecogniseEncoding(dir.Path("f.txt")); }), "File Read Error!");
}

TEST(Failures, AWriteThatFailsKeepsWhatWasWrittenBefore) {
  FaultGuard guard;
  TempDir dir;
  std::string expected;
  std::string message = MessageOf([&] {
    TkxFile file(dir.Path("w.txt"), fmWriteUnicode, teUtf8, 4096);
    platform::InjectWriteFault(10000);
    for (int i = 0; i < 5000; ++i) {
      file.WriteLine(u"row");
      expected += "row\r\n";
    }
    file.Close();
  });
  EXPECT_EQ(message, "File Write Error!");
  std::string written = filebytes::Read(dir.Native("w.txt"));
  EXPECT_EQ(written.size(), 10000u);
  EXPECT_EQ(written, expected.substr(0, 10000));
}

TEST(Failures, AFlushThatFailsAtCloseIsReported) {
  FaultGuard guard;
  TempDir dir;
  TkxFile file(dir.Path("c.txt"), fmWriteUnicode, teUtf16LE);
  file.WriteLine(u"only buffered");
  platform::InjectWriteFault(3);
  EXPECT_EQ(MessageOf([&] { file.Close(); }), "File Write Error!");
  EXPECT_EQ(filebytes::Read(dir.Native("c.txt")).size(), 3u);
}
