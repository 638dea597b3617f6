#include "app/UMainDialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <mutex>
#include <system_error>

#include "app/UAppTexts.h"
#include "engine/UKeyFields.h"
#include "engine/UMergeJob.h"
#include "engine/USplitJob.h"
#include "res/resource.h"
#include "support/UkxFunctions.h"
#include "support/UkxIniFile.h"
#include "support/UkxStrUtils.h"
#include "ui/UkxComboBox.h"
#include "ui/UkxCommDlgs.h"
#include "ui/UkxEdit.h"
#include "ui/UkxItemDialogs.h"
#include "ui/UkxMiscCtrls.h"
#include "ui/UkxTypesWin.h"
#include "ui/UkxUiTexts.h"

namespace {

// UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS: the template leaves them out. And
// UDS_NOTHOUSANDS, so that the arrows never write a separator the job would refuse.
constexpr DWORD kSpinStyle = 0x26 | UDS_NOTHOUSANDS;

// Posted by the worker when the split has ended, however it ended.
constexpr UINT WM_RUN_DONE = WM_APP + 1;
// Posted by a reading aside, with its generation, when it has answered.
constexpr UINT WM_READING_DONE = WM_APP + 2;
// The reading of the header's fields: the bytes read at most, and the fields listed at
// most (which the arrows of a typed column number reach too).
constexpr std::size_t kHeadBytes = 64u << 10;
constexpr std::size_t kMostFields = 200;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressPeriod = 250;  // ms

// What the list shows of a way of splitting, and the label of its count field.
struct TWayTexts {
  const char16_t* Entry;
  const char16_t* Label;
};
TWayTexts TextsOf(TWayLabel Label) {
  switch (Label) {
    case TWayLabel::Cycle: return {CycleModeText, CycleLabelText};
    case TWayLabel::Rows: return {RowsModeText, RowsLabelText};
    case TWayLabel::Parts: return {PartsModeText, PartsLabelText};
    case TWayLabel::MaxSize: return {MaxSizeModeText, MaxSizeLabelText};
    case TWayLabel::ByValue: return {ByValueModeText, ByValueLabelText};
  }
  return {};
}

LPCWSTR W(const std::u16string& Text) { return reinterpret_cast<LPCWSTR>(Text.c_str()); }
std::u16string U(const wchar_t* Text) { return reinterpret_cast<const char16_t*>(Text); }

// A path with a drive, a UNC path or one from the root: the job can take it as it is.
bool IsRooted(const std::u16string& Path) {
  if (Path.empty()) return false;
  if (Path[0] == u'\\' || Path[0] == u'/') return true;
  return Path.size() >= 2 && Path[1] == u':';
}

// A path copied with Explorer's 复制为路径 comes in double quotes.
std::u16string Unquoted(const std::u16string& Text) {
  if (Text.size() >= 2 && Text.front() == u'"' && Text.back() == u'"') return Text.substr(1, Text.size() - 2);
  return Text;
}

// A relative output folder is taken in the source's folder.
std::u16string OutDirFor(const std::u16string& Source, const std::u16string& Folder) {
  return Folder.empty() || IsRooted(Folder) ? Folder : FilePathOf(Source) + Folder;
}

// The merged file: by default beside the inputs (found in their folder, so not on the
// dialog's thread but when asked for), a relative name in the first one's folder.
std::u16string MergeOutputFor(const std::vector<std::u16string>& Inputs, const std::u16string& Typed) {
  if (Inputs.empty()) return Typed;
  return Typed.empty() ? DefaultMergeOutput(Inputs) : OutDirFor(Inputs.front(), Typed);
}

// The size field counts MiB, the job bytes. A number the dialog refuses raises at once.
TTypedCount SizeCount(const std::u16string& Typed) {
  const std::int64_t megabytes = TextToInt(Typed);
  if (megabytes < 1 || megabytes > MaxCount) throw TkxException(SizeMegabytesText);
  return TTypedCount{megabytes << 20, {}};
}

std::u16string FullPath(const std::u16string& Path) {
  const DWORD n = GetFullPathNameW(W(Path), 0, nullptr, nullptr);
  if (n == 0) return Path;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(W(Path), n, full.data(), nullptr);
  if (got == 0 || got >= n) return Path;
  full.resize(got);
  return U(full.c_str());
}

// The end-to-end tests' holds, set off by events that only their driver makes, named
// after this process's id: with Rowdeal-e2e-hold-<id> every run is held before it
// replaces any file, as while the cancel question is open; with
// Rowdeal-e2e-hold-after-<id> a run that has replaced its files waits, before it reports,
// until the driver sets that event; with Rowdeal-e2e-hold-fields-<id> a reading aside
// (the header's fields, the merged file's default name) waits so, as on a share that
// does not answer. So the tests meet a run
// or a reading at such a moment however fast the machine, and no user can set them off.
HANDLE OpenTestEvent(const std::wstring& Kind) {
  const std::wstring name = L"Local\\Rowdeal-e2e-" + Kind + L"-" + std::to_wstring(GetCurrentProcessId());
  return OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
}

void HoldForTests(TSplitControl& Control) {
  if (HANDLE event = OpenTestEvent(L"hold")) {
    (void)Control.Hold();  // a run not yet started: always held
    CloseHandle(event);
  }
}

void WaitForTestEvent(const std::wstring& Kind) {
  if (HANDLE event = OpenTestEvent(Kind)) {
    WaitForSingleObject(event, INFINITE);
    CloseHandle(event);
  }
}

// The message font at the window's DPI, from Windows 10 1607 on; else the system's.
LOGFONTW MessageFont(HWND Window) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using TForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  using TDpiOf = UINT(WINAPI*)(HWND);
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  const auto forDpi = reinterpret_cast<TForDpi>(reinterpret_cast<void*>(GetProcAddress(user, "SystemParametersInfoForDpi")));
  const auto dpiOf = reinterpret_cast<TDpiOf>(reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
  if (!(forDpi && dpiOf && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpiOf(Window)))) {
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  }
  return metrics.lfMessageFont;
}

}  // namespace

// Where the readings aside answer. Shared with them: a reading may hang on a path that
// does not answer (a network share) and outlive the dialog, which never waits for one.
struct TReadingMailbox {
  std::mutex Lock;
  HWND Window = nullptr;  // null once the dialog is gone: nothing is posted then
  std::uint64_t Generation = 0;  // the reading that Texts come from
  std::vector<std::u16string> Texts;
};

namespace {

using TReading = std::function<std::vector<std::u16string>()>;

// A reading's thread: a path that cannot be read gives nothing. An answer older than one
// already left is dropped.
void ReadInto(const std::shared_ptr<TReadingMailbox>& Mailbox, const TReading& Read, std::uint64_t Generation) {
  std::vector<std::u16string> texts;
  try {
    WaitForTestEvent(L"hold-fields");
    texts = Read();
  } catch (...) {
    texts.clear();  // nothing may leave the thread
  }
  const std::lock_guard lock(Mailbox->Lock);
  if (Mailbox->Window == nullptr || Generation < Mailbox->Generation) return;
  Mailbox->Generation = Generation;
  Mailbox->Texts = std::move(texts);
  PostMessageW(Mailbox->Window, WM_READING_DONE, static_cast<WPARAM>(Generation), 0);
}

}  // namespace

TMainDialog::TMainDialog(TkxWinControl* Owner) : TkxDialog(Owner), FMailbox(std::make_shared<TReadingMailbox>()) {
  // The base constructor cannot reach this override; the template is chosen at creation.
  OnCreate();
}

TMainDialog::~TMainDialog() {
  if (Running()) {
    FControl->Cancel();
    FWorker.join();
  }
}

void TMainDialog::OnCreate() { SetTemplate(IDD_MAIN, MAKEINTRESOURCEW(IDI_ROWDEAL)); }

void TMainDialog::OnInitialize() {
  HeaderLineEdit = new TkxEdit(this, GetItem(IDC_HEADER_LINES));
  HeaderLineUpDown = new TkxUpDown(this, GetItem(IDC_HEADER_SPIN));
  HeaderLineUpDown->ModifyStyle(kSpinStyle, true);
  HeaderLineUpDown->SetRange(0, 10);
  HeaderLineUpDown->SetBuddy(HeaderLineEdit);

  CycleLineEdit = new TkxEdit(this, GetItem(IDC_CYCLE_LINES));
  CycleLineUpDown = new TkxUpDown(this, GetItem(IDC_CYCLE_SPIN));
  CycleLineUpDown->ModifyStyle(kSpinStyle, true);
  CycleLineUpDown->SetBuddy(CycleLineEdit);

  ModeBox = new TkxComboBox(this, GetItem(IDC_MODE));
  for (const TSplitWay& way : SplitWays) ModeBox->AddItem(TextsOf(way.Label).Entry);
  ModeBox->AddItem(MergeModeText);
  ModeBox->OnChange = [this](int Mode) { ChooseMode(Mode); };
  ColumnBox = new TkxComboBox(this, GetItem(IDC_COLUMN));
  ColumnBox->OnChange = [this](int Index) {
    if (Index >= 0 && static_cast<std::size_t>(Index) < FFields.size()) ColumnName() = FFields[Index];
  };
  OrderBox = new TkxComboBox(this, GetItem(IDC_ORDER));
  for (const char16_t* order : {InOrderText, InTurnText}) OrderBox->AddItem(order);
  OrderBox->OnChange = [this](int Order) { FMergeOrder = Order; };
  {
    const std::lock_guard lock(FMailbox->Lock);
    FMailbox->Window = Handle;
  }

  {
    const TkxIniFile settings(SettingsFilePath());
    const TBounds current = GetBounds();
    const std::int32_t top = settings.ReadInteger(u"Program", u"WindowTop", current.Top);
    const std::int32_t left = settings.ReadInteger(u"Program", u"WindowLeft", current.Left);
    MoveToStoredPosition(left, top);
    LastPath = settings.ReadString(u"Memory", u"LastPath", ProgramDir());
    SetItemText(IDC_HEADER_LINES, settings.ReadString(u"Memory", u"HeaderLine", u"1"));
    for (std::size_t i = 0; i < std::size(SplitWays); ++i) {
      FCounts[i] = settings.ReadString(u"Memory", SplitWays[i].SettingsKey, SplitWays[i].Default);
    }
    FColumnNumber = settings.ReadString(u"Memory", u"ByColumnNumber", u"1");
    const std::int32_t mode = settings.ReadInteger(u"Memory", u"SplitMode", 0);
    FMode = mode >= 0 && mode <= MergeMode ? mode : 0;
    FOutputDir = settings.ReadString(u"Memory", u"OutputPath", u"");
    FMergeOrder = settings.ReadInteger(u"Memory", u"MergeOrder", 0) == 1 ? 1 : 0;
    FMergeOutput = settings.ReadString(u"Memory", u"MergeOutput", u"");
  }
  ModeBox->SetItemIndex(FMode);
  OrderBox->SetItemIndex(FMergeOrder);
  ShowMode();
  HeaderLineEdit->OnChange = [this](TkxEditControl*) { ShowCountRow(); };
  FCaption = GetText();
  FProgress = std::make_unique<TRunProgress>(*this, FCaption);
  // Files on the command line: dropped on the program's icon, sent from Explorer's Send
  // To, or typed; relative to the folder the program was started in. Several are taken
  // as several dropped on the dialog.
  int argc = 0;
  if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    std::vector<std::u16string> given;
    for (int i = 1; i < argc; ++i) {
      if (argv[i][0] != L'\0') given.push_back(FullPath(U(argv[i])));
    }
    if (!given.empty()) TakeFiles(std::move(given));
    LocalFree(argv);
  }
  DragAcceptFiles(Handle, TRUE);
  // The taskbar button's progress; COM for it, on this thread only.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  TrimWorkingSet();
}

// A negative coordinate keeps the template's (as after closing while minimised). A
// position at which the dialog would lie on no monitor at all (one since unplugged,
// say) is ignored as a whole, so the dialog can never open out of reach.
void TMainDialog::MoveToStoredPosition(std::int32_t Left, std::int32_t Top) {
  const TBounds current = GetBounds();
  const std::int32_t x = Left >= 0 ? Left : current.Left;
  const std::int32_t y = Top >= 0 ? Top : current.Top;
  if (!IsOnAnyMonitor(TBounds{x, y, current.Width, current.Height})) return;
  SetBounds(Left, Top, -1, -1);
}

void TMainDialog::OnClose() {
  {
    const TkxIniFile settings(SettingsFilePath());
    settings.WriteInteger(u"Program", u"WindowLeft", GetBounds().Left);
    settings.WriteInteger(u"Program", u"WindowTop", GetBounds().Top);
    settings.WriteString(u"Memory", u"LastPath", LastPath);
    settings.WriteString(u"Memory", u"HeaderLine", GetItemText(IDC_HEADER_LINES));
    KeepTyped();
    // The first way's number before the way itself, as the settings file has always had them.
    settings.WriteString(u"Memory", SplitWays[0].SettingsKey, FCounts[0]);
    settings.WriteInteger(u"Memory", u"SplitMode", FMode);
    for (std::size_t i = 1; i < std::size(SplitWays); ++i) {
      settings.WriteString(u"Memory", SplitWays[i].SettingsKey, FCounts[i]);
    }
    settings.WriteString(u"Memory", u"ByColumnNumber", FColumnNumber);
    settings.WriteString(u"Memory", u"OutputPath", FOutputDir);
    settings.WriteInteger(u"Memory", u"MergeOrder", FMergeOrder);
    settings.WriteString(u"Memory", u"MergeOutput", FMergeOutput);
  }
  FreeAndClear(HeaderLineEdit);
  FreeAndClear(CycleLineEdit);
  FreeAndClear(HeaderLineUpDown);
  FreeAndClear(CycleLineUpDown);
  FreeAndClear(ModeBox);
  FreeAndClear(ColumnBox);
  FreeAndClear(OrderBox);
  FProgress.reset();
}

void TMainDialog::ChooseMode(int Mode) {
  if (Mode < 0 || Mode == FMode) return;
  KeepTyped();
  // A split takes one file: the first of the merge's.
  if (Merging() && FMergeFiles.Kept()) {
    const std::u16string first = FMergeFiles.Files().front();  // the list goes with the text
    TakeFile(first);
  }
  FMode = Mode;
  ShowMode();
}

void TMainDialog::KeepTyped() {
  (Merging() ? FMergeOutput : FOutputDir) = GetItemText(IDC_OUT_DIR);
  if (!Merging()) (ByColumn() ? FColumnNumber : FCounts[FMode]) = GetItemText(IDC_CYCLE_LINES);
}

void TMainDialog::ShowMode() {
  SetItemText(IDC_PATH_LABEL, Merging() ? MergePathLabelText : SplitPathLabelText);
  SetItemText(IDC_OUT_DIR, Merging() ? FMergeOutput : FOutputDir);
  if (Merging()) {
    SetItemText(IDC_COUNT_LABEL, MergeLabelText);
    SetItemText(IDC_CYCLE_LINES, u"");  // no number in this way
  } else {
    const TSplitWay& way = SplitWays[FMode];
    SetItemText(IDC_COUNT_LABEL, TextsOf(way.Label).Label);
    CycleLineUpDown->SetRange(1, way.Column ? static_cast<std::int32_t>(kMostFields) : way.ArrowsMost);
    SetItemText(IDC_CYCLE_LINES, way.Column ? FColumnNumber : FCounts[FMode]);
  }
  ShowDefaultOutput(u"");
  ShowCountRow();
  ReadAside();
}

// Without a header record there are no names: the column's number is typed instead.
void TMainDialog::ShowCountRow() {
  const bool list = ByColumn() && !HeaderIsZero();
  ShowWindow(GetItem(IDC_COLUMN), list ? SW_SHOW : SW_HIDE);
  ShowWindow(GetItem(IDC_ORDER), Merging() ? SW_SHOW : SW_HIDE);
  for (int id : {IDC_CYCLE_LINES, IDC_CYCLE_SPIN}) ShowWindow(GetItem(id), list || Merging() ? SW_HIDE : SW_SHOW);
}

bool TMainDialog::HeaderIsZero() {
  const TTypedCount header = ReadHeaderCount(GetItemText(IDC_HEADER_LINES));
  return header.Refusal.empty() && header.Value == 0;
}

std::u16string& TMainDialog::ColumnName() {
  const auto way = std::find_if(std::begin(SplitWays), std::end(SplitWays), [](const TSplitWay& w) { return w.Column; });
  return FCounts[static_cast<std::size_t>(way - std::begin(SplitWays))];
}

// Never during a run: the inputs are the run's to read then. Asked anew in every way, so
// that an older reading's answer, perhaps for another way, is dropped.
void TMainDialog::ReadAside() {
  if (Running()) return;
  FFieldsFor = GetItemText(IDC_PATH);
  const std::u16string path = JobPath(Unquoted(FFieldsFor));
  const std::uint64_t generation = ++FAsked;
  TReading read;
  if (Merging()) {
    read = [inputs = MergeInputs()] { return std::vector{FileNameOf(DefaultMergeOutput(inputs), true)}; };
  } else if (ByColumn()) {
    read = [path] { return HeaderFieldsOf(path, TDelimiter::Auto, TRecordMode::Auto, 0, kHeadBytes, kMostFields); };
  }
  try {
    if (read && !path.empty()) {
      std::thread([mailbox = FMailbox, read, generation] { ReadInto(mailbox, read, generation); }).detach();
      return;
    }
  } catch (const std::system_error&) {
    // No thread for it: nothing read, as for no file.
  }
  FShown = generation;
  if (ByColumn()) ShowFields({});
  if (Merging()) ShowDefaultOutput(u"");
}

void TMainDialog::TakeReading(std::uint64_t Generation) {
  // A newer reading is under way (its answer is the one), or the dialog is closing.
  if (Generation != FAsked || ColumnBox == nullptr) return;
  std::vector<std::u16string> texts;
  {
    const std::lock_guard lock(FMailbox->Lock);
    if (FMailbox->Generation != Generation) return;
    texts = std::move(FMailbox->Texts);
  }
  FShown = Generation;
  if (ByColumn()) ShowFields(std::move(texts));
  if (Merging()) ShowDefaultOutput(texts.empty() ? u"" : texts.front());
}

void TMainDialog::ShowDefaultOutput(const std::u16string& Name) {
  SendMessageW(GetItem(IDC_OUT_DIR), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(W(Name)));
}

// Chooses the remembered column, or the first field when the file has none of that name.
void TMainDialog::ShowFields(std::vector<std::u16string> Fields) {
  FFields = std::move(Fields);
  ColumnBox->Clear();
  for (std::size_t i = 0; i < FFields.size(); ++i) {
    ColumnBox->AddItem(FFields[i].empty() ? FillIn(UnnamedColumnText, {IntToText(0, static_cast<std::int64_t>(i) + 1)})
                                          : FFields[i]);
  }
  if (FFields.empty()) return;
  const std::u16string& name = ColumnName();
  const auto at = name.empty() ? FFields.end() : std::find(FFields.begin(), FFields.end(), name);
  ColumnBox->SetItemIndex(at == FFields.end() ? 0 : static_cast<int>(at - FFields.begin()));
}

void TMainDialog::OnCommand(std::uint16_t Id) {
  switch (Id) {
    case IDC_BROWSE:
      if (Running()) break;
      if (Merging()) {
        BrowseFiles();
      } else {
        BrowseFile();
      }
      break;
    case IDC_BROWSE_OUT:
      if (Running()) break;
      if (Merging()) {
        BrowseMergeOutput();
      } else {
        BrowseFolder();
      }
      break;
    case IDC_EXECUTE:
      if (Running()) {
        AskCancel(false);
      } else {
        RunJob();
      }
      break;
    case IDC_EXIT:
      if (Running()) {
        AskCancel(true);
      } else {
        Close(false);
      }
      break;
    default:
      break;
  }
}

LRESULT TMainDialog::MessageProc(UINT AMessage, WPARAM WParam, LPARAM LParam) {
  switch (AMessage) {
    case WM_RUN_DONE:
      FinishRun();
      return 1;
    case WM_READING_DONE:
      TakeReading(static_cast<std::uint64_t>(WParam));
      return 1;
    case WM_DESTROY: {
      const std::lock_guard lock(FMailbox->Lock);
      FMailbox->Window = nullptr;
      break;
    }
    case WM_TIMER:
      // KillTimer leaves a tick already queued: one may come after the run's end, even
      // after the dialog's close.
      if (WParam != kProgressTimer || !Running()) break;
      FProgress->Update();
      return 1;
    case WM_SETCURSOR:
      if (!Running()) break;
      SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
      SetWindowLongPtrW(Handle, DWLP_MSGRESULT, TRUE);
      return 1;
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(WParam);
      std::vector<std::u16string> paths;
      for (UINT i = 0, n = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); i < n && !Running(); ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring name(length + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), length + 1));
        if (!name.empty()) paths.push_back(U(name.c_str()));
      }
      if (!paths.empty()) TakeFiles(std::move(paths));
      DragFinish(drop);
      return 1;
    }
    case WM_SYSCOMMAND:
      if ((WParam & 0xFFF0) != SC_CLOSE || !Running()) break;
      AskCancel(true);
      return 1;
    case WM_COMMAND:
      // Typing replaces the merge way's files; a path typed is read when the field is left.
      if (LOWORD(WParam) == IDC_PATH && HIWORD(WParam) == EN_CHANGE) FMergeFiles.FieldChanged(GetItemText(IDC_PATH));
      if (LOWORD(WParam) == IDC_PATH && HIWORD(WParam) == EN_KILLFOCUS && GetItemText(IDC_PATH) != FFieldsFor) {
        ReadAside();
      }
      // Escape: during a run what 取消 does, the end of the dialog otherwise.
      if (LOWORD(WParam) != IDCANCEL || !Running()) break;
      AskCancel(false);
      return 1;
    case WM_ENDSESSION:
      // The session ends: no question; the run stops (one replacing files completes first),
      // and the settings are kept.
      if (WParam == FALSE || !Running()) break;
      FControl->Cancel();
      FWorker.join();
      SetRunning(false);
      Close(false);
      return 1;
    default:
      break;
  }
  return TkxDialog::MessageProc(AMessage, WParam, LParam);
}

void TMainDialog::TakeFile(const std::u16string& Path) {
  SetItemText(IDC_PATH, Path);
  LastPath = FilePathOf(Path);
  ReadAside();
}

void TMainDialog::TakeFiles(std::vector<std::u16string> Paths) {
  if (!Merging() || Paths.size() == 1) return TakeFile(Paths.front());
  SetItemText(IDC_PATH, FMergeFiles.Take(std::move(Paths)));
  LastPath = FilePathOf(FMergeFiles.Files().front());
  ReadAside();
}

std::vector<std::u16string> TMainDialog::MergeInputs() {
  return FMergeFiles.Inputs(JobPath(Unquoted(GetItemText(IDC_PATH))));
}

std::u16string TMainDialog::JobPath(const std::u16string& Typed) const {
  if (Typed.empty() || IsRooted(Typed) || LastPath.empty()) return Typed;
  const char16_t last = LastPath.back();
  return LastPath + (last == u'\\' || last == u'/' ? u"" : u"\\") + Typed;
}

void TMainDialog::BrowseFile() {
  TOpenDialog dialog(this);
  dialog.Filter = TableFileFilter;
  dialog.FileName = Unquoted(GetItemText(IDC_PATH));
  dialog.Directory = LastPath;
  dialog.Title.clear();
  dialog.DefaultExt = u"txt";
  if (dialog.Execute()) {
    SetItemText(IDC_PATH, dialog.FileName);
    LastPath = dialog.Directory;
    ReadAside();
  }
}

// One file picked shows as its name alone, as in the split ways.
void TMainDialog::BrowseFiles() {
  TOpenFilesDialog dialog(this);
  dialog.Filter = TableFileFilter;
  dialog.Directory = LastPath;
  if (!dialog.Execute()) return;
  if (dialog.Files.size() > 1) return TakeFiles(std::move(dialog.Files));
  SetItemText(IDC_PATH, FileNameOf(dialog.Files.front(), true));
  LastPath = FilePathOf(dialog.Files.front());
  ReadAside();
}

void TMainDialog::BrowseFolder() {
  const std::u16string source = JobPath(Unquoted(GetItemText(IDC_PATH)));
  const std::u16string folder = OutDirFor(source, Unquoted(GetItemText(IDC_OUT_DIR)));
  TFolderDialog dialog(this);
  dialog.Directory = !folder.empty() ? folder : !source.empty() ? FilePathOf(source) : LastPath;
  if (dialog.Execute()) SetItemText(IDC_OUT_DIR, dialog.Directory);
}

void TMainDialog::BrowseMergeOutput() {
  const std::vector<std::u16string> inputs = MergeInputs();
  TSaveFileDialog dialog(this);
  dialog.Filter = TableFileFilter;
  dialog.FileName = inputs.empty() ? LastPath : MergeOutputFor(inputs, Unquoted(GetItemText(IDC_OUT_DIR)));
  dialog.DefaultExt = FileExtOf(dialog.FileName).empty() ? u"txt" : FileExtOf(dialog.FileName);
  if (dialog.Execute()) SetItemText(IDC_OUT_DIR, dialog.FileName);
}

TSplitRequest TMainDialog::MakeRequest() {
  TSplitRequest request;
  request.Path = JobPath(FTypedPath);
  request.Header = ReadHeaderCount(GetItemText(IDC_HEADER_LINES));
  const TSplitWay& way = SplitWays[FMode];
  request.Mode = way.Mode;
  const std::u16string count = GetItemText(IDC_CYCLE_LINES);
  request.Count = way.Bytes ? SizeCount(count) : ReadWayCount(request.Mode, count);
  // The fields' delimiter found by the engine, the values' code page the system's: the
  // request's defaults.
  if (way.Column) request.Columns = {ChosenColumn()};
  request.OutDirShown = Unquoted(GetItemText(IDC_OUT_DIR));
  request.OutDir = OutDirFor(request.Path, request.OutDirShown);
  return request;
}

// By name, as the user saw it; by place when the name is empty or not the only one of its
// kind, which a name could not tell apart.
TKeyColumn TMainDialog::ChosenColumn() {
  if (HeaderIsZero()) {
    const std::int64_t number = TextToInt(GetItemText(IDC_CYCLE_LINES));
    if (number < 1 || number > MaxCount) throw TkxException(ColumnNumberText);
    return TKeyColumn{number, {}};
  }
  // The list must be of the file in the field: the choice shown is the one that runs.
  if (FFieldsFor != GetItemText(IDC_PATH)) ReadAside();
  if (FShown != FAsked) throw TkxException(ReadingColumnsText);
  const int index = ColumnBox->GetItemIndex();
  if (index < 0 || static_cast<std::size_t>(index) >= FFields.size()) throw TkxException(NoColumnsText);
  const std::u16string& name = FFields[static_cast<std::size_t>(index)];
  if (name.empty() || std::count(FFields.begin(), FFields.end(), name) > 1) return TKeyColumn{index + 1, {}};
  return TKeyColumn{0, name};
}

// The inputs as the fields give them; H as typed, which a folder's record of the split
// that made its pieces overrides, as it decides their order. The output by default is
// left for the worker to find.
TMergeRequest TMainDialog::MakeMergeRequest() {
  TMergeRequest request;
  request.Inputs = MergeInputs();
  request.Header = ReadHeaderCount(GetItemText(IDC_HEADER_LINES));
  request.Interleave = FMergeOrder == 1;
  const std::u16string typed = Unquoted(GetItemText(IDC_OUT_DIR));
  if (!typed.empty()) request.Output = request.OutputShown = MergeOutputFor(request.Inputs, typed);
  request.NamesOnly = true;
  return request;
}

void TMainDialog::RunJob() {
  FTypedPath = Unquoted(GetItemText(IDC_PATH));
  FMergeRun = Merging();
  // A count the dialog refuses raises here, and the dialog procedure shows it.
  std::function<void(TSplitControl*)> run;
  if (FMergeRun) {
    run = [this, request = MakeMergeRequest()](TSplitControl* control) mutable {
      if (request.Output.empty()) request.Output = request.OutputShown = MergeOutputFor(request.Inputs, u"");
      FOutcome.Merged = RunMergeRequest(request, control);
    };
  } else {
    const TSplitRequest request = MakeRequest();
    FOwnFolder = !request.OutDir.empty();
    run = [this, request](TSplitControl* control) { FOutcome.Result = RunSplitRequest(request, control); };
  }
  FControl = std::make_unique<TSplitControl>();
  HoldForTests(*FControl);
  FOutcome = TOutcome{};
  FCloseWhenDone = false;
  TSplitControl* control = FControl.get();
  const HWND window = Handle;
  const std::u16string cancelled = FMergeRun ? MergeCancelledText : CancelledText;
  // Nothing may leave the thread: every outcome becomes a message for the dialog. A
  // thread that cannot start raises here, and the dialog procedure shows it.
  FWorker = std::thread([this, run, control, window, cancelled] {
    try {
      run(control);
      WaitForTestEvent(L"hold-after");
    } catch (const TSplitCancelled&) {
      FOutcome.Message = cancelled;
      FOutcome.Cancelled = true;
    } catch (const TkxException& failure) {
      FOutcome.Message = failure.Message;
    } catch (...) {
      FOutcome.Message = UnexpectedFailureText;
    }
    PostMessageW(window, WM_RUN_DONE, 0, 0);
  });
  SetRunning(true);
}

void TMainDialog::SetRunning(bool On) {
  for (int id : {IDC_PATH, IDC_BROWSE, IDC_MODE, IDC_HEADER_LINES, IDC_CYCLE_LINES, IDC_HEADER_SPIN, IDC_CYCLE_SPIN,
                 IDC_COLUMN, IDC_ORDER, IDC_OUT_DIR, IDC_BROWSE_OUT}) {
    EnableWindow(GetItem(id), On ? FALSE : TRUE);
  }
  SetItemText(IDC_EXECUTE, On ? CancelButtonText : ExecuteButtonText);
  if (On) SendMessageW(Handle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetItem(IDC_EXECUTE)), TRUE);
  if (On) {
    FProgress->Begin(*FControl);
    SetTimer(Handle, kProgressTimer, kProgressPeriod, nullptr);
  } else {
    KillTimer(Handle, kProgressTimer);
  }
  // A move of the mouse where it is makes the cursor follow at once.
  POINT at{};
  if (GetCursorPos(&at)) SetCursorPos(at.x, at.y);
}

void TMainDialog::AskCancel(bool CloseAfter) {
  if (FAsking) return;
  // One step against the run's own into its renames: held, it has changed nothing and
  // will not until answered; otherwise it has begun them (and completes) or is cancelled.
  if (FControl->Hold() != TSplitControl::TState::Held) {
    FCloseWhenDone = FCloseWhenDone || CloseAfter;
    return;
  }
  FAsking = true;
  FProgress->Wait(true);
  const int answer = MessageBoxW(Handle, W(FMergeRun ? MergeQuestionText : CancelQuestionText), W(FCaption),
                                 MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  if (FProgress) FProgress->Wait(false);  // gone when the session's end closed the dialog meanwhile
  if (answer == IDYES) {
    FControl->Cancel();
    FCloseWhenDone = FCloseWhenDone || CloseAfter;
  } else {
    FControl->Release();
  }
  FAsking = false;
  // A run that ended while the question was open is finished now.
  if (FFinishPending) {
    FFinishPending = false;
    FinishRun();
  }
}

void TMainDialog::FinishRun() {
  if (!Running()) return;
  if (FAsking) {
    FFinishPending = true;
    return;
  }
  FWorker.join();
  TOutcome outcome = std::move(FOutcome);
  SetRunning(false);
  using TEnd = TRunProgress::TEnd;
  FProgress->End(outcome.Cancelled ? TEnd::Cancelled : outcome.Result || outcome.Merged ? TEnd::Completed : TEnd::Failed);
  // Only a run cancelled on the way out ends without a word: every other end is told,
  // also before the dialog closes; the bar shows how it ended until the box is closed.
  if (!(FCloseWhenDone && outcome.Cancelled)) ShowOutcome(outcome);
  if (FProgress) FProgress->Clear();  // gone when a way out taken during the box closed the dialog
  if (FCloseWhenDone) Close(false);
}

void TMainDialog::ShowOutcome(TOutcome& Outcome) {
  if (Outcome.Merged) {
    MsgBox(MergeSuccessText(*Outcome.Merged), 2, u"");
  } else if (Outcome.Result) {
    // The folder as the job names it for the path as typed: a bare name keeps a bare folder.
    // A folder the user gave is shown as given, as the job has it.
    if (!FOwnFolder) Outcome.Result->OutputDir = FilePathOf(FTypedPath) + Outcome.Result->Base + u"\\";
    MsgBox(SuccessText(*Outcome.Result, NamesThatFit()), 2, u"");
  } else {
    MsgBox(Outcome.Message, Outcome.Cancelled ? 2 : 4, u"");
  }
}

// How many names the success box can list and still fit the work area of the dialog's
// monitor, in the message font.
std::int64_t TMainDialog::NamesThatFit() {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(Handle, MONITOR_DEFAULTTONEAREST), &monitor)) return 0;
  const LOGFONTW logFont = MessageFont(Handle);
  const HFONT font = CreateFontIndirectW(&logFont);
  const HDC dc = GetDC(Handle);
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  const BOOL measured = GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(Handle, dc);
  DeleteObject(font);
  const int line = measured ? metrics.tmHeight + metrics.tmExternalLeading : 0;
  if (line <= 0) return 0;
  // The box's caption bar, margins and button row take about six lines; the sentence
  // above the list (wrapped over up to three lines), the empty line and a note on
  // earlier files (two lines) take six more.
  const int height = monitor.rcWork.bottom - monitor.rcWork.top;
  return std::max(3, height / line - 12);
}
