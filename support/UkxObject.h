// The framework's root object class: anything a list item may refer to derives from it.
#pragma once

class TkxObject {
 public:
  virtual ~TkxObject() = default;
};
