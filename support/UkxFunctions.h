// General routines: memory, paths, directories, decimal numbers, small platform chores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A new zeroed block of Size bytes; release it with std::free.
void* AllocZeroed(std::size_t Size);

// Takes the object out of the variable, sets the variable to null, then destroys the object.
template <class T>
void FreeAndClear(T*& Object) {
  T* taken = Object;
  Object = nullptr;
  delete taken;
}

void TrimWorkingSet();
[[nodiscard]] bool PathExists(const std::u16string& Path);
// Creates one directory level; true on success.
[[nodiscard]] bool MakeDir(const std::u16string& Path);
// Position of the last non-zero character of S that occurs in Delims; 0 when none.
int FindLastOf(const std::u16string& Delims, const std::u16string& S);
// The directory part of S, delimiter included; empty when S has no delimiter.
std::u16string FilePathOf(const std::u16string& S);
// The name part of S, with or without its extension.
std::u16string FileNameOf(const std::u16string& S, bool KeepExt);
// The extension of S without its dot; empty when the name has no dot.
std::u16string FileExtOf(const std::u16string& S);
// The running program's folder, with its trailing delimiter.
std::u16string ProgramDir();
// ProgramPath with its final extension ".exe" (any case) replaced by ".ini"; any other
// program name with ".ini" appended.
std::u16string SettingsPathFor(const std::u16string& ProgramPath);
// The settings file beside the running program: SettingsPathFor of its path.
std::u16string SettingsFilePath();
// Decimal text of Value, zero-padded to Width digits; the sign stands outside the width.
std::u16string IntToText(int Width, std::int64_t Value);
// Strict decimal reading; raises TkxException on bad input or a value beyond 64 bits.
std::int64_t TextToInt(const std::u16string& S);
// TextToInt, or Default when it raises TkxException.
std::int64_t TextToIntDef(const std::u16string& S, std::int32_t Default);
std::int32_t BoolToWin(bool Value);
bool WinToBool(std::int32_t Value);
