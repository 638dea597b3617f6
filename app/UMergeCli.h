// The command-line front end of the merge job:
//   rowdeal-merge [--header H] [--interleave] [--records auto|csv|lines]
//                 (--out FILE | --check SOURCE [--any-order]) [--quiet] INPUT...
#pragma once

#include "app/UConsoleRun.h"

#include <string>
#include <vector>

// Runs the command line (without the program name): one merge of every INPUT, into FILE
// or compared with SOURCE; mistakes in it are found before any file is read. Answers the
// exit status: 0 when FILE was written or the merge equals SOURCE; 1 when the merge
// failed, differs from SOURCE, or its outcome could not be written with --out; 2 for bad
// usage (the engine's TMergeUsage included); 3 when a check could not compare; 130 when
// an interrupt came (see platform::OnInterrupt).
int RunMergeCommand(const std::vector<std::u16string>& Args, const TConsole& Console);
