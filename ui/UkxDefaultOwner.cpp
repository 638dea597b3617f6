#include "ui/UkxDefaultOwner.h"

HWND GetDefaultOwner() { return ::GetActiveWindow(); }
