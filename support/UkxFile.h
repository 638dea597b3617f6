// A text file read and written line by line in one of five text encodings.
#pragma once

#include "support/UkxByteStream.h"
#include "support/UkxObject.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Open modes.
inline constexpr std::uint8_t fmRead = 0;         // opened, or created empty when missing
inline constexpr std::uint8_t fmWrite = 1;        // created, or emptied when it exists
inline constexpr std::uint8_t fmReadDetect = 2;   // as fmRead; encoding 0 becomes the recognised one
inline constexpr std::uint8_t fmWriteUnicode = 3; // as fmWrite; encoding 0 becomes UTF-16 LE

// Text encodings.
inline constexpr std::uint8_t teNone = 0;
inline constexpr std::uint8_t teAnsi = 1;
inline constexpr std::uint8_t teUtf8 = 2;
inline constexpr std::uint8_t teUtf8Bom = 3;
inline constexpr std::uint8_t teUtf16LE = 4;
inline constexpr std::uint8_t teUtf16BE = 5;

// Told how far a long pass over a file has come: bytes done, bytes in all.
using TkxProgress = std::function<void(std::int64_t Done, std::int64_t Total)>;

// Reads through blocks of BufferSize bytes and writes each text at once, so that the
// lines read and the failures raised are those of unbuffered access: a write that fails
// raises at the call that made it. Failures raise TkxException with "File Open Error!",
// "File Read Error!" or "File Write Error!". Only CR LF ends a line.
class TkxFile : public TkxObject {
 public:
  static constexpr std::size_t DefaultBufferSize = 64 * 1024;

  TkxFile(const std::u16string& Path, std::uint8_t Mode, std::uint8_t Encoding,
          std::size_t BufferSize = DefaultBufferSize);
  ~TkxFile() override;
  TkxFile(const TkxFile&) = delete;
  TkxFile& operator=(const TkxFile&) = delete;

  // The next line, without its line end, decoded: ANSI through the code page (also for
  // encoding 0), UTF-8 with every malformed sequence as U+FFFD, UTF-16 as it stands.
  std::u16string ReadLine();
  // The text in the file's encoding; the byte-order mark first when at offset 0.
  void Write(const std::u16string& Text);
  void WriteLine(const std::u16string& Text);
  // True when no byte is left to read.
  bool EndOfFile();
  std::int64_t Size() const;
  std::int64_t Position() const;
  // Closes the file; raises "File Write Error!" when the system reports a failure.
  void Close();

  // The encoding of the file at Path: from its byte-order mark, else 2 when the UTF-8
  // test passes and 1 when it fails. Streams the file through a fixed block.
  static std::uint8_t RecogniseEncoding(const std::u16string& Path, const TkxProgress& Progress = {});
  // The encoding a byte-order mark at the start of Head gives, or teNone.
  static std::uint8_t EncodingOfMark(std::string_view Head);
  // The bytes of an encoding's byte-order mark (none for 0, 1 and 2), and how its code
  // units are laid out.
  static std::string_view MarkOf(std::uint8_t Encoding);
  static TkxUnitLayout LayoutOf(std::uint8_t Encoding);

  const std::u16string FileName;
  const std::uint8_t Encoding;

 private:
  std::string Encoded(const std::u16string& Text) const;
  std::string NextLineBytes();
  void PutBytes(const std::string& Bytes);

  // Open and not read: written.
  bool Writing() const { return FFile.IsOpen() && !FReader; }

  platform::TFile FFile;  // before the reader, which reads it
  std::unique_ptr<TkxByteReader> FReader;
  std::int64_t FWritten = 0;
};
