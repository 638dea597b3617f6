// The owner window for message boxes and common dialogs that are given none.
#pragma once

#include <windows.h>

// The calling thread's active window; null when it has none.
HWND GetDefaultOwner();
