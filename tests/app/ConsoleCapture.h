// A command line run in this process, on a console that keeps what it was told, as the
// tests of both programs read it.
#pragma once

#include "app/UConsoleRun.h"
#include "support/UkxStrUtils.h"
#include "tests/TestUtil.h"

#include <functional>
#include <string>
#include <vector>

namespace testutil {

struct Captured {
  std::string Out, Err;
  int Status = -1;
};

// Runs Command with Args; standard error a terminal when Terminal (the progress line then
// shows at once), OnErr called after each text written there.
inline Captured RunCaptured(TCommandRun Command, const std::vector<std::u16string>& Args, bool Terminal = false,
                            const std::function<void()>& OnErr = {}) {
  Captured c;
  TConsole console;
  console.Out = [&](const std::u16string& text) { return c.Out += Utf8(text), true; };
  console.Err = [&](const std::u16string& text) {
    c.Err += Utf8(text);
    if (OnErr) OnErr();
    return true;
  };
  console.ErrIsTerminal = Terminal;
  console.ProgressAfter = 0;
  c.Status = Command(Args, console);
  return c;
}

// A text with CR LF or LF line ends as the console receives it, in UTF-8.
inline std::string Native(const std::u16string& Text) {
  return Utf8(ReplaceAll(ReplaceAll(Text, u"\r\n", u"\n"), u"\n", std::u16string(platform::NewLine())));
}

}  // namespace testutil
