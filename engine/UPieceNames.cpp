#include "engine/UPieceNames.h"

#include "engine/UKeyLines.h"

std::string NameLines(const TPieceNames& Names, std::int64_t Count) {
  std::string lines;
  for (std::int64_t i = 1; i <= Count; ++i) lines += "name " + EscapedName(Names.Name(i)) + "\n";
  return lines;
}

bool ReadNameLines(std::string_view Text, std::int64_t Count, std::shared_ptr<const TPieceNames>& Names) {
  std::vector<std::u16string> names;
  for (std::string_view name; TakeLine(Text, "name", name);) {
    if (!UnescapedName(name, names.emplace_back()) || names.back().empty()) return false;
  }
  if (!Text.empty() || static_cast<std::int64_t>(names.size()) != Count) return false;
  Names = std::make_shared<TListedNames>(std::move(names));
  return true;
}
