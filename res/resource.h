// The names of Rowdeal.exe's resources: read by the resource script, the dialog code
// and the tests that drive the program, so that each number is written once. Plain
// macros, since the resource compiler reads this file too.
#pragma once

// The version comes from the build: CMake's project version, defined as ROWDEAL_VERSION
// (1.2), ROWDEAL_VERSION_MAJOR and ROWDEAL_VERSION_MINOR, without quotes, which do not
// survive the resource compiler's command line.
#define ROWDEAL_TEXT_(x) #x
#define ROWDEAL_TEXT(x) ROWDEAL_TEXT_(x)
#define ROWDEAL_VERSION_TEXT ROWDEAL_TEXT(ROWDEAL_VERSION)
// The main dialog's caption, by which the tests find the running program.
#define ROWDEAL_CAPTION "Rowdeal " ROWDEAL_VERSION_TEXT

#define IDI_ROWDEAL 1
#define IDD_MAIN 2

// The main dialog's controls.
#define IDC_PATH 101
#define IDC_BROWSE 102
#define IDC_EXECUTE 103
#define IDC_EXIT 104
#define IDC_HEADER_LINES 105
#define IDC_CYCLE_LINES 106
#define IDC_HEADER_SPIN 107
#define IDC_CYCLE_SPIN 108
// The label of 106, which names what its number counts in the chosen way of splitting.
#define IDC_COUNT_LABEL 109
#define IDC_MODE 110
#define IDC_OUT_DIR 111
#define IDC_BROWSE_OUT 112
// In 106's place for the way by a column's values: the first header record's fields.
#define IDC_COLUMN 113
// The path field's label, which follows the way: a file to split, or the tables to merge.
#define IDC_PATH_LABEL 114
// In 106's place for the way that merges: in order, or in turn.
#define IDC_ORDER 115
// During a run, above the buttons: how far it has come, how fast and how long still.
#define IDC_PROGRESS 116
#define IDC_PROGRESS_TEXT 117
