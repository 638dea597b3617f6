// Test helper for UTF-16 texts: conversion to UTF-8 (for paths and messages).
#pragma once

#include "support/UkxUtf8.h"

#include <string>

namespace testtext {

inline std::string Utf8(const std::u16string& text) { return TextToUtf8(text); }

}  // namespace testtext
