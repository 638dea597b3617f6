// The main dialog: the whole user interface of Rowdeal. It names the table to split,
// takes the way of splitting with its number, the header count and the output folder,
// runs the split job on a worker thread (with progress and cancel) and remembers its
// place and inputs in the settings file beside the program.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "engine/USplitControl.h"
#include "engine/USplitRequest.h"
#include "engine/USplitResult.h"
#include "engine/USplitWays.h"
#include "ui/UkxDialog.h"

class TkxComboBox;
class TkxEdit;
class TkxUpDown;
struct ITaskbarList3;

class TMainDialog : public TkxDialog {
 public:
  explicit TMainDialog(TkxWinControl* Owner);
  ~TMainDialog() override;

  void OnCreate() override;
  void OnInitialize() override;
  void OnClose() override;
  void OnCommand(std::uint16_t Id) override;
  LRESULT MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) override;

  void BrowseFile();
  // Picks the output folder, starting in the one given or the source's.
  void BrowseFolder();
  // Starts the split on the worker thread (the caller makes sure none runs); the
  // result box follows when it ends.
  void RunSplitJob();
  // Takes a file given from outside (dropped, or on the command line): its full path
  // fills the path field and its folder becomes LastPath.
  void TakeFile(const std::u16string& Path);
  // The path the job gets: a name without a folder (or with a relative one) is taken
  // in LastPath, so the current directory plays no part.
  std::u16string JobPath(const std::u16string& Typed) const;
  // The run the fields ask for; raises for a size the dialog refuses.
  TSplitRequest MakeRequest();

  TkxEdit* HeaderLineEdit = nullptr;
  TkxEdit* CycleLineEdit = nullptr;
  TkxUpDown* HeaderLineUpDown = nullptr;
  TkxUpDown* CycleLineUpDown = nullptr;
  TkxComboBox* ModeBox = nullptr;
  std::u16string LastPath;

 private:
  // What the worker leaves for the dialog: a result, or the message of its failure.
  struct TOutcome {
    std::optional<TSplitResult> Result;
    std::u16string Message;
    bool Cancelled = false;
  };

  void MoveToStoredPosition(std::int32_t Left, std::int32_t Top);
  // Keeps the count field's text for the way left and shows the one chosen.
  void ChooseMode(int Mode);
  void ShowMode();
  bool Running() const { return FWorker.joinable(); }
  void SetRunning(bool On);
  void ShowProgress();
  // A press of 取消 or a way out (CloseAfter) during a run. A run that has not begun to
  // replace files is held while it asks whether to stop; yes cancels. A run past that
  // point completes, and a way out closes the dialog after its result box.
  void AskCancel(bool CloseAfter);
  void FinishRun();
  void ShowOutcome(TOutcome& Outcome);
  std::int64_t NamesThatFit();

  std::unique_ptr<TSplitControl> FControl;
  std::thread FWorker;
  TOutcome FOutcome;         // written by the worker before it posts, read after the join
  std::u16string FTypedPath;  // the path field when the run started
  bool FOwnFolder = false;    // and whether it was given an output folder
  // Each way of splitting keeps its own number (as typed); the field shows FMode's.
  std::array<std::u16string, std::size(SplitWays)> FCounts;
  int FMode = 0;
  std::u16string FCaption;
  int FShownPercent = -1;
  bool FAsking = false;
  bool FFinishPending = false;
  bool FCloseWhenDone = false;
  ITaskbarList3* FTaskbar = nullptr;
};
