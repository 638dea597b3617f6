// rowdeal-merge: the merge job from the command line (see UMergeCli.h).
#include "app/UMergeCli.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { return RunProgram(RunMergeCommand, argc, argv); }
#else
int main(int argc, char** argv) { return RunProgram(RunMergeCommand, argc, argv); }
#endif
