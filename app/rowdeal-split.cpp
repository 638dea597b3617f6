// rowdeal-split: the split job from the command line (see USplitCli.h).
#include "app/USplitCli.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return RunProgram(RunSplitCommand, argc, argv); }
#else
int main(int argc, char** argv) { return RunProgram(RunSplitCommand, argc, argv); }
#endif
