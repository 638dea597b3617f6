// Moved to tests/TestUtil.h; this name stays until every test includes that one.
#pragma once

#include "tests/TestUtil.h"

namespace testtext {
using testutil::Utf8;
}  // namespace testtext
