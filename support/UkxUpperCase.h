// The one uppercase table of the program's names: Unicode's simple mapping, one code point
// to one, the same on every system and in every locale (no ß -> SS, no Turkish i).
#pragma once

#include <string>
#include <string_view>

// C's simple uppercase, or C itself.
[[nodiscard]] char32_t SimpleUpper(char32_t C);

// Text with each character made SimpleUpper: surrogate pairs are decoded, lone surrogates
// stay. Keeps the length in UTF-16 units.
[[nodiscard]] std::u16string UpperText(std::u16string_view Text);
