// The texts of the split that the front ends show their users, byte for byte. A text with
// %1, %2 is filled in with FillIn (support/UkxStrUtils.h).
#pragma once

// The split.
inline constexpr char16_t SourceMissingText[] = u"待拆分文件不存在!";
inline constexpr char16_t NotAFileText[] = u"待拆分文件不是普通文件!";
inline constexpr char16_t NoOutputFolderText[] = u"无法由文件名确定输出子路径!";
inline constexpr char16_t HeaderCountText[] = u"表头栏行数必须是 0 到 2147483647 之间的整数!";
inline constexpr char16_t CycleCountText[] = u"每一循环包含的行数必须是 1 到 2147483647 之间的整数!";
inline constexpr char16_t RowsCountText[] = u"每个文件的数据行数必须是 1 到 2147483647 之间的整数!";
inline constexpr char16_t PartsCountText[] = u"份数必须是 1 到 2147483647 之间的整数!";
inline constexpr char16_t MaxSizeText[] = u"每个文件的大小上限必须是 1 以上的整数, 可带 K、M、G、KB、MB 或 GB!";
inline constexpr char16_t NotEnoughDataText[] = u"文件中不包含足够的数据!";
inline constexpr char16_t SourceChangedText[] = u"拆分期间待拆分文件被改动, 请在它不再变化时重新拆分!";
inline constexpr char16_t HeaderTooLargeText[] = u"表头超过了每个文件的大小上限, 未做任何改动!";
// Without header records the byte-order mark alone begins each piece.
inline constexpr char16_t MarkTooLargeText[] = u"字节顺序标记超过了每个文件的大小上限, 未做任何改动!";
// The line the record begins on.
inline constexpr char16_t RecordTooLargeText[] = u"第 %1 行开始的记录连同表头超过了每个文件的大小上限, 未做任何改动!";
inline constexpr char16_t RecordWithMarkTooLargeText[] = u"第 %1 行开始的记录连同字节顺序标记超过了每个文件的大小上限, 未做任何改动!";
// The line the quoted field begins on.
inline constexpr char16_t UnclosedQuoteText[] = u"第 %1 行开始的引号直到文件末尾都没有闭合, 未做任何改动!";
inline constexpr char16_t OutOfMemoryText[] = u"内存不足!";
inline constexpr char16_t CancelledText[] = u"拆分已取消, 没有改动任何文件。";
// The key columns of a split by value: the name, the first 20 columns; the number, the
// header's columns; the name, the two columns.
inline constexpr char16_t NoSuchColumnText[] = u"表头中没有名为 %1 的列! 表头中的列: %2";
inline constexpr char16_t ColumnPastFieldsText[] = u"第 %1 列超出了表头的列数 (%2)!";
inline constexpr char16_t ColumnTwiceText[] = u"表头中有两个名为 %1 的列 (第 %2 列和第 %3 列)!";
inline constexpr char16_t NamedWithoutHeaderText[] = u"没有表头时只能用列号指定依据的列!";
// The value of a piece whose name does not show it as it stands, after the name.
inline constexpr char16_t ShownValueText[] = u"%1  (%2)";

// The output folder: %1 is the folder or the output's name.
inline constexpr char16_t DiskFullText[] = u"磁盘空间不足!";
inline constexpr char16_t CannotMakeFolderText[] = u"无法创建输出路径 %1!";
inline constexpr char16_t FolderBusyText[] = u"另一个拆分正在写入同一个子路径, 请稍后再试!";
inline constexpr char16_t CannotLockText[] = u"无法锁定输出路径 %1, 未做任何改动!";
inline constexpr char16_t NameTooLongText[] = u"输出文件名 %1 超过了系统允许的长度, 未做任何改动!";
inline constexpr char16_t SourceIsOutputText[] = u"待拆分文件同时是它自己的一个输出文件, 未做任何改动!";
// Another FILE of the same command, the FILE being split.
inline constexpr char16_t OtherSourceIsOutputText[] = u"待拆分文件 %1 是 %2 的一个输出文件, 未做任何改动!";
inline constexpr char16_t CannotReplaceText[] = u"无法替换输出文件 %1, 它可能正被其他程序打开!";
inline constexpr char16_t ReadOnlyOutputText[] = u"输出文件 %1 是只读的, 未做任何改动!";
// What could not be opened or made, after the file layer's "File Open Error!".
inline constexpr char16_t OpenErrorPathText[] = u"%1 (%2)";
// The folder beside a source whose name has no extension: the name, then this.
inline constexpr char16_t NoExtensionFolderSuffix[] = u"-拆分";
// An old output that could not be put back: its name, the name it is kept under.
inline constexpr char16_t KeptAsideText[] = u"\r\n原来的 %1 暂存为 %2, 下次拆分到此路径时会自动放回原处。";

// The success message: its first sentence (the folder, the count), beside the source or
// in a folder the user gave; the names; notes on pieces of earlier splits (their count,
// the first name) and on a quote left open (its line).
inline constexpr char16_t SuccessHeadText[] = u"文件拆分成功! 在原始文件所在路径的 %1 子路径下自动生成了如下 %2 个新文件:\r\n\r\n";
inline constexpr char16_t SuccessHeadInText[] = u"文件拆分成功! 在 %1 路径下自动生成了如下 %2 个新文件:\r\n\r\n";
inline constexpr char16_t ElidedNamesText[] = u"……";
inline constexpr char16_t StaleNoteText[] = u"注意: 子路径下还有 %1 个以前拆分留下的文件 (%2 等), 它们不属于本次拆分。";
inline constexpr char16_t QuoteNoteText[] = u"注意: 第 %1 行开始的引号直到文件末尾都没有闭合, 本次按行拆分。";
inline constexpr char16_t NoLineEndNoteText[] = u"注意: 文件中没有 CR LF 或 LF 换行, 整个文件作为一条记录拆分。";

// The merge: %1, %2 are inputs as the messages show them.
inline constexpr char16_t InputMissingText[] = u"待合并文件 %1 不存在!";
inline constexpr char16_t CheckSourceMissingText[] = u"用来核对的源文件 %1 不存在!";
inline constexpr char16_t InputNotAFileText[] = u"待合并的 %1 不是普通文件或文件夹!";
inline constexpr char16_t NoInputsText[] = u"没有待合并的文件!";
inline constexpr char16_t HeaderDiffersText[] = u"%1 的表头与 %2 的表头不同, 未做任何改动!";
// The input, its encoding, the first input, its encoding.
inline constexpr char16_t MarkDiffersText[] = u"%1 的编码 (%2) 与 %3 的编码 (%4) 不同, 未做任何改动!";
inline constexpr char16_t NoMarkName[] = u"无字节顺序标记";
inline constexpr char16_t InterleaveCountText[] = u"%1 的数据记录数与轮流拆分的结果不符, 未做任何改动!";
inline constexpr char16_t TooFewHeaderText[] = u"%1 中不包含足够的表头记录, 未做任何改动!";
// A folder of pieces: the folder, the piece.
inline constexpr char16_t PieceMissingText[] = u"%1 中缺少 %2, 未做任何改动!";
inline constexpr char16_t SplitUnfinishedText[] = u"%1 中有未完成的拆分 (~R.journal), 请先拆分一次以恢复, 未做任何改动!";
inline constexpr char16_t NoPiecesText[] = u"%1 中没有拆分得到的文件!";
// The folder, the bases as <base>-N.<ext>, separated by ", ".
inline constexpr char16_t SeveralBasesText[] = u"%1 中有几组拆分得到的文件 (%2), 请指定其中一组!";
inline constexpr char16_t OutputIsInputText[] = u"合并结果 %1 同时是一个待合并文件, 未做任何改动!";
inline constexpr char16_t MergeCancelledText[] = u"合并已取消, 没有改动任何文件。";
// Notes: the folder, how many files, the first of them; a piece, the piece it came after.
inline constexpr char16_t LeftOutNoteText[] = u"注意: %1 中有 %2 个文件不是拆分得到的, 没有合并 (%3 等)。";
inline constexpr char16_t OutOfOrderNoteText[] = u"注意: %1 排在 %2 之后, 不是按编号的顺序。";
// The merged file, its data records.
inline constexpr char16_t MergeDoneText[] = u"合并成功! 生成了 %1, 共 %2 条数据记录。";
// The check: the records, the source; then the differences (lines are the files' own, from 1).
inline constexpr char16_t CheckSameText[] = u"一致: %1 条数据记录与 %2 相同。";
// The source, its line, its record; the input, its line, its record.
inline constexpr char16_t CheckDiffersText[] = u"不一致: %1 第 %2 行开始的记录是\r\n  %3\r\n合并结果在此处是 %4 第 %5 行开始的记录\r\n  %6";
// The source, its line, its record.
inline constexpr char16_t CheckMergeEndedText[] = u"不一致: 合并结果在 %1 第 %2 行开始的记录之前就结束了:\r\n  %3";
// The source; the input, its line, its record.
inline constexpr char16_t CheckSourceEndedText[] = u"不一致: %1 已经结束, 合并结果还有 %2 第 %3 行开始的记录\r\n  %4";
// Compared as a multiset: the source, its line, its record; the input, its line, its record.
inline constexpr char16_t CheckMissingText[] = u"不一致: %1 第 %2 行开始的记录不在合并结果中:\r\n  %3";
inline constexpr char16_t CheckExtraText[] = u"不一致: 合并结果中 %1 第 %2 行开始的记录不在 %3 中:\r\n  %4";
// The input, the line its quoted field begins on.
inline constexpr char16_t InputQuoteText[] = u"%1 中第 %2 行开始的引号直到文件末尾都没有闭合, 未做任何改动!";
// The merged table's name by default: the base, then this, then its extension.
inline constexpr char16_t MergedSuffix[] = u"-合并";
inline constexpr char16_t InputChangedText[] = u"合并期间 %1 被改动, 请在它不再变化时重新合并!";
inline constexpr char16_t AsLinesNoteText[] = u"注意: 各文件按 CSV 记录读取时不一致, 按行读取时一致, 本次按行合并。";
// The input, the line its quoted field begins on.
inline constexpr char16_t MergeQuoteNoteText[] = u"注意: %1 中第 %2 行开始的引号直到文件末尾都没有闭合, 本次按行合并。";
