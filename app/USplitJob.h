// The split job: keeps the first H lines of a text file as header lines and deals every
// further line in turn over N new files, each beginning with the header lines, in the
// source's own encoding, in a folder beside the source named after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Told how far a run has come: bytes done and bytes in all. A source without a
// byte-order mark is read twice (once to recognise its encoding), and both passes count.
using SplitProgress = std::function<void(std::int64_t Done, std::int64_t Total)>;

// Splits the file at Path (used exactly as typed; a bare name is taken in the current
// directory) with H and N given as the texts the user typed (converted with TextToInt:
// H from 0, N from 1, both up to 2147483647; H is converted and checked first).
// Output file i is <folder><base><sep><base>-<i>.<ext>; it holds the byte-order mark
// where the encoding has one, then the bytes of its lines exactly as they stand in the
// source, each followed by the encoding's CR LF (a file that gets no line stays empty).
// Every output file is flushed and closed before the answer is made.
// Answers the success message, whose line ends are CR LF. Any failure raises
// TkxException with the message to show; what was written until then stays on disk.
// The main dialog shows the answer in an information box and a failure's Message in an
// error box; the command-line front end prints them.
std::u16string RunSplit(const std::u16string& Path, const std::u16string& HeaderText,
                        const std::u16string& CycleText, const SplitProgress& Progress = {});

// The resources a run may use. RunSplit takes the defaults, with the number of open
// files raised as far as the system allows.
struct TSplitLimits {
  // Output files kept open at once; the others are opened again for each block written.
  std::int64_t OpenOutputs = 0;
  // The memory that all output blocks share, and the block of the source.
  std::size_t OutputBudget = 4u << 20;
  std::size_t SourceBlock = 1u << 20;
  // Header lines larger than this are copied from the source for each output file.
  std::size_t HeaderInMemory = 8u << 20;
};

std::u16string RunSplitWith(const std::u16string& Path, const std::u16string& HeaderText,
                            const std::u16string& CycleText, const TSplitLimits& Limits,
                            const SplitProgress& Progress = {});
