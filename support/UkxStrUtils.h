// Text routines. A text is UTF-16 code units; positions are 1-based, 0 is "not found".
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// True when the platform compares A and B, whole, as equal.
bool TextEquals(const std::u16string& A, const std::u16string& B, bool CaseSensitive);
// Position (1-based) of the first Ch in the zero-terminated P, terminator included; 0 when none.
int FindChar(const char16_t* P, char16_t Ch);
// First occurrence of Sub in S beginning at Start or later; 0 when none.
int PosFrom(const std::u16string& Sub, const std::u16string& S, int Start);
// Last occurrence of Sub in S beginning at MaxStart or earlier (0: the whole of S); 0 when none.
int LastPos(const std::u16string& Sub, const std::u16string& S, int MaxStart);
// The first Count characters; all of S when Count is negative.
std::u16string LeftText(const std::u16string& S, int Count);
// Count characters from Start (below 1 counts as 1); a negative Count means the length of S.
std::u16string MidText(const std::u16string& S, int Start, int Count);
// S without the characters 0000 to 0020 at either end.
std::u16string TrimText(const std::u16string& S);
// Every occurrence of Old, left to right and not overlapping, replaced by New.
std::u16string ReplaceAll(const std::u16string& S, const std::u16string& Old, const std::u16string& New);
// Template with each %1 to %9 replaced by that value, in one pass: what a value holds
// is never replaced in turn. A % without a value's number stays.
std::u16string FillIn(std::u16string_view Template, std::initializer_list<std::u16string_view> Values);
// Bytes in the system ANSI code page to text.
std::u16string AnsiToText(std::string_view Bytes);
