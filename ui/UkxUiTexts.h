// The texts that ui/ shows its users, byte for byte.
#pragma once

// The captions of the message boxes, by kind.
inline constexpr char16_t WarningCaption[] = u"警告!";
inline constexpr char16_t QuestionCaption[] = u"注意!";
inline constexpr char16_t ErrorCaption[] = u"错误!";
inline constexpr char16_t InformationCaption[] = u"提示!";

inline constexpr char16_t CommonControlsFailedText[] = u"Load Common Controls Failed!";
inline constexpr char16_t NoCustomCreateText[] = u"Custom Create not defined!";
// What a dialog shows for a failure that is no TkxException.
inline constexpr char16_t UnexpectedFailureText[] = u"Unexpected failure in a window handler!";
