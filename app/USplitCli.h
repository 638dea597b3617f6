// The command-line front end of the split job:
//   rowdeal-split [--header H] [--cycle N | --rows K | --parts N | --max-size SIZE]
//                 [--records auto|csv|lines] [--out DIR] [--quiet] FILE...
#pragma once

#include "app/UConsoleRun.h"

#include <string>
#include <vector>

// Runs the command line (without the program name). Each FILE is split in turn with
// the same request, its counts given as texts exactly as the dialog takes them
// (defaults "1" and "5"); mistakes in it are found before any FILE is read. Answers the exit status: 0 when every file was split, 1 when any failed or its
// success could not be written (no FILE follows that one), 2 for bad usage, 130 when
// an interrupt came (see platform::OnInterrupt): the run it met is cancelled unless its
// renames had begun, and no later FILE starts.
int RunSplitCommand(const std::vector<std::u16string>& Args, const TConsole& Console);
