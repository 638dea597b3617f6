// The platform's item dialogs (Windows Vista and later): the folder picker, several files
// to open and one file to save. Paths come back whole, with no buffer to cut them.
#pragma once

#include <string>
#include <vector>

#include "ui/UkxCommDlgs.h"

// Picks a folder of the file system. Directory is the folder it opens in (the platform's
// choice when it is empty or missing) and, after a successful Execute, the folder chosen,
// in full and without a trailing "\".
class TFolderDialog : public TkxCommDlgSuper {
 public:
  explicit TFolderDialog(TkxWinControl* Owner = nullptr);

  void Reset() override;
  bool Execute() override;

  std::u16string Directory;
};

// Picks one or several files. Filter holds description and pattern pairs, every item
// separated by "|"; Directory is the folder it opens in. After a successful Execute,
// Files holds the files chosen, in full, in the platform's order.
class TOpenFilesDialog : public TkxCommDlgSuper {
 public:
  explicit TOpenFilesDialog(TkxWinControl* Owner = nullptr);

  void Reset() override;
  bool Execute() override;

  std::u16string Filter;
  std::u16string Directory;
  std::vector<std::u16string> Files;
};

// Names a file to write, asking before one that exists is chosen. FileName is the file
// proposed (its folder the one it opens in) and, after a successful Execute, the file
// chosen, in full; a name typed without an extension gets DefaultExt.
class TSaveFileDialog : public TkxCommDlgSuper {
 public:
  explicit TSaveFileDialog(TkxWinControl* Owner = nullptr);

  void Reset() override;
  bool Execute() override;

  std::u16string Filter;
  std::u16string DefaultExt;
  std::u16string FileName;
};
