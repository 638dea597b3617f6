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
