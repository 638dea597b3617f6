#include "support/UkxIniFile.h"

#include "support/UkxFunctions.h"

#include <windows.h>

#include <utility>

namespace {

// The profile functions take wide strings; char16_t and wchar_t share a representation here.
const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

constexpr DWORD ReadBufferSize = 500;

}  // namespace

TkxIniFile::TkxIniFile(std::u16string FileName) : FileName(std::move(FileName)) {}

std::u16string TkxIniFile::ReadString(const std::u16string& Section, const std::u16string& Key,
                                      const std::u16string& Default) const {
  wchar_t buffer[ReadBufferSize] = {};
  DWORD n = ::GetPrivateProfileStringW(W(Section), W(Key), W(Default), buffer, ReadBufferSize, W(FileName));
  buffer[n < ReadBufferSize ? n : ReadBufferSize - 1] = L'\0';
  return std::u16string(reinterpret_cast<const char16_t*>(buffer));
}

std::int32_t TkxIniFile::ReadInteger(const std::u16string& Section, const std::u16string& Key,
                                     std::int32_t Default) const {
  return static_cast<std::int32_t>(::GetPrivateProfileIntW(W(Section), W(Key), Default, W(FileName)));
}

void TkxIniFile::WriteString(const std::u16string& Section, const std::u16string& Key,
                             const std::u16string& Value) const {
  ::WritePrivateProfileStringW(W(Section), W(Key), W(Value), W(FileName));
}

void TkxIniFile::WriteInteger(const std::u16string& Section, const std::u16string& Key, std::int32_t Value) const {
  WriteString(Section, Key, IntToText(0, Value));
}
