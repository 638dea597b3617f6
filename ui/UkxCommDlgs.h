// Common dialogs: message boxes.
#pragma once

#include <cstdint>
#include <string>

// What a message box kind shows: MessageBoxW type flags (icon and buttons) and caption.
struct TMsgBoxStyle {
  std::uint32_t Flags = 0;
  std::u16string Caption;
};

// Kinds 0 and 1 warn, 3 asks with OK and Cancel, 4 reports an error, every other
// kind informs. An empty Caption takes the kind's own; any other is kept.
TMsgBoxStyle MsgBoxStyleFor(std::uint8_t Kind, const std::u16string& Caption);

// Shows Text in a modal box owned by the default owner. True when the box ended
// with anything but OK (Cancel, or the box could not be shown).
bool MsgBox(const std::u16string& Text, std::uint8_t Kind, const std::u16string& Caption);
