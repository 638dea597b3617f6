// The main dialog: the whole user interface of Rowdeal. It names the table to split,
// takes the two counts, runs the split job and remembers its place and inputs in the
// settings file beside the program.
#pragma once

#include <cstdint>
#include <string>

#include "ui/UkxDialog.h"

class TkxEdit;
class TkxUpDown;

class TMainDialog : public TkxDialog {
 public:
  explicit TMainDialog(TkxWinControl* Owner);

  void OnCreate() override;
  void OnInitialize() override;
  void OnClose() override;
  void OnCommand(std::uint16_t Id) override;

  void BrowseFile();
  void RunSplitJob();

  TkxEdit* HeaderLineEdit = nullptr;
  TkxEdit* CycleLineEdit = nullptr;
  TkxUpDown* HeaderLineUpDown = nullptr;
  TkxUpDown* CycleLineUpDown = nullptr;
  std::u16string LastPath;

 private:
  void MoveToStoredPosition(std::int32_t Left, std::int32_t Top);
};
