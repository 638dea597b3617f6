// The texts that the front ends show their users, in the dialog and on the command
// line, byte for byte; the split's own are in engine/UEngineTexts.h. A text with %1, %2
// is filled in with FillIn (support/UkxStrUtils.h).
#pragma once

// The dialog.
inline constexpr char16_t NoMainDialogText[] = u"无法创建主对话框!";
inline constexpr char16_t ExecuteButtonText[] = u"执   行";
inline constexpr char16_t CancelButtonText[] = u"取   消";
inline constexpr char16_t CancelQuestionText[] = u"拆分尚未完成, 要取消吗?";
inline constexpr char16_t TableFileFilter[] = u"表格文件（*.txt;*.csv;*.tsv）|*.txt;*.csv;*.tsv|文本文件（*.txt）|*.txt|所有文件（*.*）|*.*";
inline constexpr char16_t SizeMegabytesText[] = u"大小上限 (MB) 必须是 1 到 2147483647 之间的整数!";
// The caption while a split runs: the dialog's own, the percentage.
inline constexpr char16_t ProgressCaptionText[] = u"%1 - %2%";
// The line above the progress bar during a run: the bytes done of all, in the total's
// unit (bytes, or the 1024-based KB, MB, GB, TB of the size field), and the percentage;
// then, once known, the rate of the last few seconds and the time for the rest.
inline constexpr char16_t DoneOfTotalText[] = u"已处理 %1 / %2 %3 (%4%)";
inline constexpr char16_t BytesUnitText[] = u"字节";
inline constexpr char16_t RateSuffixText[] = u", %1";
inline constexpr char16_t PerSecondText[] = u"%1 %2/s";
inline constexpr char16_t TimeLeftSuffixText[] = u", 还需约 %1";
inline constexpr char16_t SecondsLeftText[] = u"%1 秒";
inline constexpr char16_t MinutesSecondsLeftText[] = u"%1 分 %2 秒";
inline constexpr char16_t MinutesLeftText[] = u"%1 分钟";
inline constexpr char16_t HoursMinutesLeftText[] = u"%1 小时 %2 分";
inline constexpr char16_t HoursLeftText[] = u"%1 小时";
// The ways of splitting, as the list shows them, and the label of each one's count.
inline constexpr char16_t CycleModeText[] = u"轮流分配到各文件";
inline constexpr char16_t CycleLabelText[] = u"每一循环包含的行数：";
inline constexpr char16_t RowsModeText[] = u"每个文件的行数";
inline constexpr char16_t RowsLabelText[] = u"每个文件的数据行数：";
inline constexpr char16_t PartsModeText[] = u"平均分成的份数";
inline constexpr char16_t PartsLabelText[] = u"份数：";
inline constexpr char16_t MaxSizeModeText[] = u"每个文件的大小上限 (MB)";
inline constexpr char16_t MaxSizeLabelText[] = u"大小上限 (MB)：";
inline constexpr char16_t ByValueModeText[] = u"按列的值分到各文件";
inline constexpr char16_t ByValueLabelText[] = u"依据的列：";
// The way by a column's values: a field of the header without a name, as the list shows
// it (its number); the column's number when H is 0 and it is typed; no fields to choose
// from; a choice asked for before the file in the path field has been read.
inline constexpr char16_t UnnamedColumnText[] = u"(第 %1 列)";
inline constexpr char16_t ColumnNumberText[] = u"依据的列必须是 1 到 2147483647 之间的整数!";
inline constexpr char16_t NoColumnsText[] = u"没有可依据的列: 请先选择一个有表头的待拆分文件!";
inline constexpr char16_t ReadingColumnsText[] = u"正在读取待拆分文件表头中的列, 请稍候再执行!";
// The way that merges tables: its entry, the label of its order and the orders, the path
// field's label in the split ways and in this one, several files in the path field (how
// many), and the question while it runs.
inline constexpr char16_t MergeModeText[] = u"合并多个文件";
inline constexpr char16_t MergeLabelText[] = u"合并顺序：";
inline constexpr char16_t InOrderText[] = u"依次合并";
inline constexpr char16_t InTurnText[] = u"轮流合并 (轮流拆分的逆操作)";
inline constexpr char16_t SplitPathLabelText[] = u"待拆分文件：";
inline constexpr char16_t MergePathLabelText[] = u"待合并文件：";
inline constexpr char16_t FilesCountText[] = u"%1 个文件";
inline constexpr char16_t MergeQuestionText[] = u"合并尚未完成, 要取消吗?";

// The command line.
inline constexpr char16_t UsageText[] =
    u"Usage: rowdeal-split [--header H] [--cycle N | --rows K | --parts N | --max-size SIZE |\n"
    u"                     --by COLUMN... [--delimiter D]] [--records auto|csv|lines]\n"
    u"                     [--out DIR] [--quiet] FILE...\n"
    u"Keeps the first H records of each FILE as header records and cuts the further\n"
    u"records into new files, each beginning with the header records, written in FILE's\n"
    u"own encoding into a folder beside FILE named after it: data.txt gives\n"
    u"data/data-1.txt, data/data-2.txt, ... A record is a line, except in a CSV table,\n"
    u"where a line end inside a quoted field belongs to its record. Lines end with CR LF,\n"
    u"or with LF alone in a table whose first MiB ends most lines so; no byte of a record\n"
    u"is changed. The new files replace those of the same names only when all of them\n"
    u"are complete.\n"
    u"\n"
    u"  --header H, --header=H   number of header records, 0 or more (default 1)\n"
    u"  --cycle N                deal the records in turn over N files (the default, N = 5)\n"
    u"  --rows K                 pieces of K records each, in order; the last holds the rest\n"
    u"  --parts N                N pieces in order whose counts differ by at most one (the\n"
    u"                           records are counted first: FILE is read twice)\n"
    u"  --max-size SIZE          pieces in order, each as many whole records as fit in SIZE\n"
    u"                           bytes; SIZE may end in K, M, G (1024-based) or KB, MB, GB\n"
    u"                           (1000-based), in any case\n"
    u"  --by COLUMN              one piece per value of COLUMN, in the order values first\n"
    u"                           come: data-<value>.txt; COLUMN is a number from 1 or the\n"
    u"                           name of a field of the first header record; given again,\n"
    u"                           one piece per combination of the columns' values\n"
    u"  --by-name TEXT           as --by, TEXT always a name (a column called 2023)\n"
    u"  --delimiter D            the fields' delimiter for --by: , ; tab or | (default: tab\n"
    u"                           for a .tsv, else the one the first record holds most)\n"
    u"  --records MODE           auto (default): records for a FILE whose extension is\n"
    u"                           csv, lines for any other; csv: records, lines: lines,\n"
    u"                           whatever the name. With auto, a CSV that ends inside a\n"
    u"                           quoted field is split by lines, with a note\n"
    u"  --out DIR                put the pieces into DIR (made when missing), not beside FILE\n"
    u"  -q, --quiet              print nothing on success but the notes (on standard error)\n"
#ifdef _WIN32
    u"  -h, --help, /?           show this text\n"
#else
    u"  -h, --help               show this text\n"
#endif
    u"  --version                show the version\n"
    u"  --                       every later argument is a FILE\n"
    u"\n"
    u"Examples:\n"
    u"  rowdeal-split --cycle 3 sales.csv                deal over sales/sales-1.csv to -3\n"
    u"  rowdeal-split --rows 1048575 --header 1 big.csv  pieces Excel opens whole\n"
    u"  rowdeal-split --parts 4 --out parts sales.csv    four equal pieces in parts/\n"
    u"  rowdeal-split --max-size 64M log.txt             the dialog's 64 MB\n"
    u"  rowdeal-split --by 省份 sales.csv                 sales/sales-广东.csv, ...\n"
    u"\n"
    u"Exit status: 0 when every FILE was split, 1 when any failed (a success message that\n"
    u"cannot be written is a failure, and ends the command), 2 for bad usage, 130 when\n"
    u"Ctrl+C, a closed terminal or a termination signal stopped the command: the split\n"
    u"under way then changed nothing, or completed if it was already replacing files,\n"
    u"and no later FILE was started.\n";
inline constexpr char16_t VersionText[] = u"rowdeal-split %1\n";
// What is wrong with the command: an option, two of them, two FILEs and the folder.
inline constexpr char16_t UnknownOptionText[] = u"unknown option %1";
inline constexpr char16_t NeedsValueText[] = u"option %1 needs a value";
inline constexpr char16_t EmptyValueText[] = u"option %1 needs a value that is not empty";
inline constexpr char16_t NoFileText[] = u"no FILE given";
inline constexpr char16_t ModesTogetherText[] = u"%1 and %2 cannot be used together";
inline constexpr char16_t RecordsValueText[] = u"--records takes auto, csv or lines";
inline constexpr char16_t DelimiterValueText[] = u"--delimiter takes , ; tab or |";
inline constexpr char16_t DelimiterWithoutByText[] = u"--delimiter goes with --by";
inline constexpr char16_t ColumnValueText[] = u"--by takes a column number from 1 or a column name";
inline constexpr char16_t SameOutputsText[] = u"%1 and %2 would write the same files in %3";
inline constexpr char16_t BadUsageText[] = u"rowdeal-split: %1\nTry 'rowdeal-split --help'.\n";
// A FILE that failed, or that has a note: its name, the message.
inline constexpr char16_t FileMessageText[] = u"rowdeal-split: %1: %2\n";
inline constexpr char16_t UnexpectedText[] = u"拆分时发生意外错误, 未做任何改动!";
inline constexpr char16_t UnreportedText[] = u"已拆分, 但无法写出成功信息!";

// The merge's command line.
inline constexpr char16_t MergeUsageText[] =
    u"Usage: rowdeal-merge [--header H] [--interleave] [--records auto|csv|lines]\n"
    u"                     (--out FILE | --check SOURCE [--any-order]) [--quiet] INPUT...\n"
    u"Puts tables of one header back into one: the byte-order mark and the first INPUT's\n"
    u"H header records once, then every INPUT's data records in order, byte for byte. An\n"
    u"INPUT is a file or a folder: a folder that holds the record of the split that made\n"
    u"its pieces (~R.manifest) is merged as that split was made, with its H and order; any\n"
    u"other folder stands for its pieces <base>-1.<ext>, <base>-2.<ext>, ... by number.\n"
    u"Every INPUT's header records and mark must equal the first's. FILE replaces a file\n"
    u"of its name only when the merge is complete.\n"
    u"\n"
    u"  --header H, --header=H   number of header records, 0 or more (default 1, or the\n"
    u"                           record's for a folder that has one)\n"
    u"  --interleave             the first data record of each INPUT in turn, then the\n"
    u"                           second of each, ...: the inverse of --cycle\n"
    u"  --records MODE           auto (default): records for a first INPUT whose extension\n"
    u"                           is csv, lines for any other; csv: records, lines: lines\n"
    u"  --out FILE               write the merged table to FILE\n"
    u"  --check SOURCE           write nothing: compare the merge with SOURCE, and tell the\n"
    u"                           first difference\n"
    u"  --any-order              with --check: the records in any order (pieces by value)\n"
    u"  -q, --quiet              print nothing on success but the notes (on standard error)\n"
#ifdef _WIN32
    u"  -h, --help, /?           show this text\n"
#else
    u"  -h, --help               show this text\n"
#endif
    u"  --version                show the version\n"
    u"  --                       every later argument is an INPUT\n"
    u"\n"
    u"Examples:\n"
    u"  rowdeal-merge --out sales.csv sales              the pieces of sales/ back as one\n"
    u"  rowdeal-merge --out month.csv day-*.csv          a month of daily exports\n"
    u"  rowdeal-merge --check sales.csv sales            do the pieces hold all of sales.csv?\n"
    u"\n"
    u"Exit status: 0 when the merge was written, or the check found the merge equal to\n"
    u"SOURCE; 1 when the merge failed, or the check found a difference; 2 for bad usage;\n"
    u"3 when the check could not compare (a file missing or unreadable); 130 when Ctrl+C,\n"
    u"a closed terminal or a termination signal stopped the command: the merge then\n"
    u"changed nothing, or completed if it was already replacing FILE.\n";
inline constexpr char16_t MergeVersionText[] = u"rowdeal-merge %1\n";
inline constexpr char16_t NoInputText[] = u"no INPUT given";
inline constexpr char16_t OutOrCheckText[] = u"--out FILE or --check SOURCE is needed";
inline constexpr char16_t AnyOrderWithoutCheckText[] = u"--any-order goes with --check";
inline constexpr char16_t MergeBadUsageText[] = u"rowdeal-merge: %1\nTry 'rowdeal-merge --help'.\n";
// A failure or a note of the merge, which names the input it is about.
inline constexpr char16_t MergeMessageText[] = u"rowdeal-merge: %1\n";
inline constexpr char16_t MergeUnexpectedText[] = u"合并时发生意外错误, 未做任何改动!";
// The merged file.
inline constexpr char16_t MergeUnreportedText[] = u"已合并到 %1, 但无法写出成功信息!";

// The progress line on a terminal: percent, MiB a second.
inline constexpr char ProgressLineFormat[] = "%3d%%  %.1f MiB/s";
