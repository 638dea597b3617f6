// The main dialog: the whole user interface of Rowdeal. It names the table to split,
// takes the way of splitting with its number (or, for the way by a column's values, the
// column, picked from the header's fields that a reader thread finds), the header count
// and the output folder, runs the split job on a worker thread (with progress and cancel)
// and remembers its place and inputs in the settings file beside the program. Its last
// way merges tables instead: a folder of pieces or several files, in order or in turn,
// into one file.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/UMergeFileList.h"
#include "app/URunProgress.h"
#include "engine/UMergeRequest.h"
#include "engine/UMergeResult.h"
#include "engine/USplitControl.h"
#include "engine/USplitRequest.h"
#include "engine/USplitResult.h"
#include "engine/USplitWays.h"
#include "ui/UkxDialog.h"

class TkxComboBox;
class TkxEdit;
class TkxUpDown;
struct TReadingMailbox;

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
  // The merge way's: one file or several at once.
  void BrowseFiles();
  // Picks the output folder, starting in the one given or the source's.
  void BrowseFolder();
  // The merge way's: names the merged file, starting with the one the field gives.
  void BrowseMergeOutput();
  // Starts the split or the merge on the worker thread (the caller makes sure none runs);
  // the result box follows when it ends.
  void RunJob();
  // Takes a file given from outside (dropped, or on the command line): its full path
  // fills the path field and its folder becomes LastPath.
  void TakeFile(const std::u16string& Path);
  // Files dropped together: the merge way keeps several as its inputs; a split way
  // takes the first.
  void TakeFiles(std::vector<std::u16string> Paths);
  // The path the job gets: a name without a folder (or with a relative one) is taken
  // in LastPath, so the current directory plays no part.
  std::u16string JobPath(const std::u16string& Typed) const;
  // The run the fields ask for; raises for a size the dialog refuses.
  TSplitRequest MakeRequest();
  [[nodiscard]] TMergeRequest MakeMergeRequest();

  TkxEdit* HeaderLineEdit = nullptr;
  TkxEdit* CycleLineEdit = nullptr;
  TkxUpDown* HeaderLineUpDown = nullptr;
  TkxUpDown* CycleLineUpDown = nullptr;
  TkxComboBox* ModeBox = nullptr;
  TkxComboBox* ColumnBox = nullptr;
  TkxComboBox* OrderBox = nullptr;
  std::u16string LastPath;

 private:
  // What the worker leaves for the dialog: a result, or the message of its failure.
  struct TOutcome {
    std::optional<TSplitResult> Result;
    std::optional<TMergeResult> Merged;
    std::u16string Message;
    bool Cancelled = false;
  };

  void MoveToStoredPosition(std::int32_t Left, std::int32_t Top);
  // Keeps the count field's text for the way left and shows the one chosen.
  void ChooseMode(int Mode);
  void ShowMode();
  // The count and output fields' texts into the chosen way's keeping.
  void KeepTyped();
  // The way list's entry after the ways of splitting.
  static constexpr int MergeMode = static_cast<int>(std::size(SplitWays));
  bool Merging() const { return FMode == MergeMode; }
  bool ByColumn() const { return !Merging() && SplitWays[FMode].Column; }
  // The column way's list of fields, or its typed number when H is 0; the merge way's
  // orders; or the number.
  void ShowCountRow();
  bool HeaderIsZero();
  // Reads on a thread of its own what the path field's inputs offer the way chosen: the
  // header's fields for the column way, the merged file's default name for the merge
  // way. The newest reading alone is shown when it answers (TakeReading).
  void ReadAside();
  void TakeReading(std::uint64_t Generation);
  void ShowFields(std::vector<std::u16string> Fields);
  // The merged file's default name, grey in the empty output field.
  void ShowDefaultOutput(const std::u16string& Name);
  // The merge way's inputs as the path field gives them.
  [[nodiscard]] std::vector<std::u16string> MergeInputs();
  // The remembered column's name: the column way's keeping.
  std::u16string& ColumnName();
  // The key column the fields ask for; raises when there is none to take yet.
  [[nodiscard]] TKeyColumn ChosenColumn();
  bool Running() const { return FWorker.joinable(); }
  void SetRunning(bool On);
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
  bool FMergeRun = false;     // the run merges
  // Each way of splitting keeps its own number (as typed); the field shows FMode's.
  // The column way keeps the name of the column chosen last.
  std::array<std::u16string, std::size(SplitWays)> FCounts;
  int FMode = 0;
  std::u16string FColumnNumber;  // the column way's number, typed when H is 0
  // The merge way's inputs, its order (the list's entry) and its output as typed; the
  // split ways' output folder as typed.
  TMergeFileList FMergeFiles;
  int FMergeOrder = 0;
  std::u16string FMergeOutput;
  std::u16string FOutputDir;
  // The readings aside: the mailbox they answer into, the newest asked for and the one
  // shown, the path field's text it was asked for, and the header's fields it found.
  std::shared_ptr<TReadingMailbox> FMailbox;
  std::uint64_t FAsked = 0;
  std::uint64_t FShown = 0;
  std::u16string FFieldsFor;
  std::vector<std::u16string> FFields;
  std::u16string FCaption;
  std::unique_ptr<TRunProgress> FProgress;
  bool FAsking = false;
  bool FFinishPending = false;
  bool FCloseWhenDone = false;
};
