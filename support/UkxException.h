// The framework's one exception: plain data, usable by every layer on any platform.
#pragma once

#include <string>
#include <utility>

// Carries the message to show to the user.
class TkxException {
 public:
  explicit TkxException(std::u16string message) : Message(std::move(message)) {}
  virtual ~TkxException() = default;
  std::u16string Message;
};
