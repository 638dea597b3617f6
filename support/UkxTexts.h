// The texts that support/ shows its users, byte for byte. A text with %1 is filled in
// with FillIn (support/UkxStrUtils.h).
#pragma once

inline constexpr char16_t FileOpenErrorText[] = u"File Open Error!";
inline constexpr char16_t FileReadErrorText[] = u"File Read Error!";
inline constexpr char16_t FileWriteErrorText[] = u"File Write Error!";
inline constexpr char16_t EmptyNumberText[] = u"%1 is empty!";
inline constexpr char16_t NotAnIntegerText[] = u"%1 is not a valid integer!";
