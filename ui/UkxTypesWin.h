// Win32 routines for the common framework types: fonts and rectangles.
#pragma once

#include <windows.h>

#include "ui/UkxTypes.h"

// The stock GUI font for the name "default" (any case), else a new font that the
// caller owns.
HFONT CreateFontHandle(const TFont& Font);
// Fills every field of LogFont; a face name beyond 31 characters is cut to fit.
void FontToLogFont(const TFont& Font, LOGFONTW& LogFont);
TBounds RectToBounds(const RECT& Rect);
// True when a window with these screen bounds would show on at least one monitor.
bool IsOnAnyMonitor(const TBounds& Bounds);
