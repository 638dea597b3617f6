// The merge way's inputs as the dialog keeps them: several files picked or dropped
// together stand in the path field as "N 个文件", in the merge's order; anything else
// the field holds is the one input, a file or a folder of pieces.
#pragma once

#include <string>
#include <vector>

class TMergeFileList {
 public:
  // Keeps Files (two or more) in the merge's order; the text the path field shows for them.
  [[nodiscard]] std::u16string Take(std::vector<std::u16string> Files);
  // The path field now reads Text: typed there, it replaces the list.
  void FieldChanged(const std::u16string& Text);
  bool Kept() const { return !FFiles.empty(); }
  const std::vector<std::u16string>& Files() const { return FFiles; }
  // The inputs: the list kept, or else the field's path (none when empty), without a
  // trailing separator, so that its folder is the one beside a folder of pieces.
  [[nodiscard]] std::vector<std::u16string> Inputs(const std::u16string& Path) const;

 private:
  std::vector<std::u16string> FFiles;
  std::u16string FShown;
};
