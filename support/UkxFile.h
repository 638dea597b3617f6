// A text file read and written line by line in one of five text encodings.
#pragma once

#include "support/UkxByteStream.h"
#include "support/UkxLineReader.h"
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

// Reads and writes through blocks of BufferSize bytes; the bytes written, the lines
// read and the failures raised are those of unbuffered access. Failures raise
// TkxException with "File Open Error!", "File Read Error!" or "File Write Error!".
// Only CR LF ends a line.
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

  // The split's raw path: lines move as the bytes of their code units, never decoded.
  // Hands the next line, without its line end, to Sink in pieces.
  void ReadRawLine(TkxRawSink& Sink);
  // Moves the next line of this (reading) file to Target (writing), with Target's line end.
  void MoveLineTo(TkxFile& Target);
  // Deals the lines that the block holds whole, each with its CR LF, one to each of
  // Count targets in turn from Targets[Next] on, as MoveLineTo would, until the block
  // holds no whole line or at least Budget bytes have been moved. Next follows the
  // deal. Answers the bytes moved: 0 when the next line must go through MoveLineTo.
  std::size_t DealLines(const std::unique_ptr<TkxFile>* Targets, std::size_t Count, std::size_t& Next,
                        std::size_t Budget);
  // Bytes already in this file's encoding; the byte-order mark first when at offset 0.
  void WriteRaw(const char* Data, std::size_t Size);
  // The encoding's CR LF (the mark first when at offset 0).
  void WriteLineEnd();
  // Lets go of the handle of a file being written until its block is next full.
  void Park();
  // Puts down every buffered byte and closes; raises "File Write Error!" when that fails.
  void Close();

  // The encoding of the file at Path: from its byte-order mark, else 2 when the UTF-8
  // test passes and 1 when it fails. Streams the file through a fixed block.
  static std::uint8_t RecogniseEncoding(const std::u16string& Path, const TkxProgress& Progress = {});
  // The bytes of an encoding's byte-order mark (none for 0, 1 and 2) and of its CR LF.
  static std::string_view MarkOf(std::uint8_t Encoding);
  static std::string_view LineEndOf(std::uint8_t Encoding);

  const std::u16string FileName;
  const std::uint8_t Encoding;

 private:
  // The sink through which a raw line lands in this file.
  class TRawTarget : public TkxRawSink {
   public:
    explicit TRawTarget(TkxFile& Owner) : FOwner(Owner) {}
    void PutBytes(const char* Data, std::size_t Size) override { FOwner.WriteRaw(Data, Size); }

   private:
    TkxFile& FOwner;
  };

  void SkipMark();
  void WriteMark();
  TkxByteReader& Reader();
  TkxLineReader& Lines();
  TkxByteWriter& Writer();

  std::unique_ptr<TkxByteReader> FReader;
  std::unique_ptr<TkxLineReader> FLines;
  std::unique_ptr<TkxByteWriter> FWriter;
  TRawTarget FRawTarget{*this};
};
