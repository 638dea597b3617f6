#include "ui/UkxItemDialogs.h"

#include <windows.h>
#include <shobjidl.h>

#include <memory>

#include "support/UkxFunctions.h"

namespace {

// A COM object held by one owner, released with it.
struct TRelease {
  void operator()(IUnknown* Object) const { Object->Release(); }
};
template <class T>
using TComRef = std::unique_ptr<T, TRelease>;

// COM on this thread for as long as it lives; left as it was when it ran already, in
// either apartment.
class TComScope {
 public:
  TComScope() : FInitialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~TComScope() {
    if (FInitialized) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;

 private:
  bool FInitialized;
};

LPCWSTR W(const std::u16string& Text) { return reinterpret_cast<LPCWSTR>(Text.c_str()); }

template <class T>
TComRef<T> MakeDialog(REFCLSID Class) {
  T* dialog = nullptr;
  if (FAILED(CoCreateInstance(Class, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dialog)))) return nullptr;
  return TComRef<T>(dialog);
}

// Adds Options to the dialog's own; false when it has none to add to.
bool AddOptions(IFileDialog& Dialog, FILEOPENDIALOGOPTIONS Options) {
  FILEOPENDIALOGOPTIONS options = 0;
  return SUCCEEDED(Dialog.GetOptions(&options)) && SUCCEEDED(Dialog.SetOptions(options | Options));
}

// A folder that is missing or empty leaves the platform's choice.
void OpenIn(IFileDialog& Dialog, const std::u16string& Folder) {
  IShellItem* start = nullptr;
  if (!Folder.empty() && SUCCEEDED(SHCreateItemFromParsingName(W(Folder), nullptr, IID_PPV_ARGS(&start)))) {
    Dialog.SetFolder(TComRef<IShellItem>(start).get());
  }
}

// The "description|pattern|..." filter as the dialog's file types; the texts live as
// long as the dialog is shown.
class TFileTypes {
 public:
  explicit TFileTypes(const std::u16string& Filter) {
    for (std::size_t from = 0; from < Filter.size();) {
      const std::size_t bar = Filter.find(u'|', from);
      FTexts.push_back(Filter.substr(from, bar == std::u16string::npos ? std::u16string::npos : bar - from));
      from = bar == std::u16string::npos ? Filter.size() : bar + 1;
    }
    for (std::size_t i = 0; i + 1 < FTexts.size(); i += 2) FSpecs.push_back({W(FTexts[i]), W(FTexts[i + 1])});
  }
  void SetOn(IFileDialog& Dialog) const {
    if (!FSpecs.empty()) Dialog.SetFileTypes(static_cast<UINT>(FSpecs.size()), FSpecs.data());
  }

 private:
  std::vector<std::u16string> FTexts;
  std::vector<COMDLG_FILTERSPEC> FSpecs;
};

// The item's path in the file system; empty for one that has none.
std::u16string PathOf(IShellItem& Item) {
  PWSTR path = nullptr;
  if (FAILED(Item.GetDisplayName(SIGDN_FILESYSPATH, &path))) return {};
  const std::unique_ptr<wchar_t, void (*)(void*)> owned(path, CoTaskMemFree);
  return reinterpret_cast<const char16_t*>(path);
}

// The one item chosen in a dialog shown and answered; empty when it was cancelled.
std::u16string ChosenPath(IFileDialog& Dialog, HWND Owner) {
  IShellItem* picked = nullptr;
  if (FAILED(Dialog.Show(Owner)) || FAILED(Dialog.GetResult(&picked))) return {};
  return PathOf(*TComRef<IShellItem>(picked));
}

}  // namespace

TFolderDialog::TFolderDialog(TkxWinControl* Owner) : TkxCommDlgSuper(Owner) { Reset(); }

void TFolderDialog::Reset() { Directory.clear(); }

bool TFolderDialog::Execute() {
  const TComScope com;
  const auto dialog = MakeDialog<IFileOpenDialog>(CLSID_FileOpenDialog);
  if (!dialog || !AddOptions(*dialog, FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR)) return false;
  OpenIn(*dialog, Directory);
  const std::u16string chosen = ChosenPath(*dialog, OwnerHandle);
  if (chosen.empty()) return false;
  Directory = chosen;
  return true;
}

TOpenFilesDialog::TOpenFilesDialog(TkxWinControl* Owner) : TkxCommDlgSuper(Owner) { Reset(); }

void TOpenFilesDialog::Reset() {
  Filter.clear();
  Directory.clear();
  Files.clear();
}

bool TOpenFilesDialog::Execute() {
  const TComScope com;
  const auto dialog = MakeDialog<IFileOpenDialog>(CLSID_FileOpenDialog);
  if (!dialog || !AddOptions(*dialog, FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR)) {
    return false;
  }
  const TFileTypes types(Filter);
  types.SetOn(*dialog);
  OpenIn(*dialog, Directory);
  IShellItemArray* picked = nullptr;
  if (FAILED(dialog->Show(OwnerHandle)) || FAILED(dialog->GetResults(&picked))) return false;
  const TComRef<IShellItemArray> items(picked);
  DWORD count = 0;
  if (FAILED(items->GetCount(&count))) return false;
  std::vector<std::u16string> files;
  for (DWORD i = 0; i < count; ++i) {
    IShellItem* item = nullptr;
    if (FAILED(items->GetItemAt(i, &item))) return false;
    files.push_back(PathOf(*TComRef<IShellItem>(item)));
    if (files.back().empty()) return false;
  }
  if (files.empty()) return false;
  Files = std::move(files);
  return true;
}

TSaveFileDialog::TSaveFileDialog(TkxWinControl* Owner) : TkxCommDlgSuper(Owner) { Reset(); }

void TSaveFileDialog::Reset() {
  Filter.clear();
  DefaultExt.clear();
  FileName.clear();
}

bool TSaveFileDialog::Execute() {
  const TComScope com;
  const auto dialog = MakeDialog<IFileSaveDialog>(CLSID_FileSaveDialog);
  if (!dialog || !AddOptions(*dialog, FOS_OVERWRITEPROMPT | FOS_PATHMUSTEXIST | FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR)) {
    return false;
  }
  const TFileTypes types(Filter);
  types.SetOn(*dialog);
  if (!DefaultExt.empty()) dialog->SetDefaultExtension(W(DefaultExt));
  OpenIn(*dialog, FilePathOf(FileName));
  const std::u16string name = FileNameOf(FileName, true);
  if (!name.empty()) dialog->SetFileName(W(name));
  const std::u16string chosen = ChosenPath(*dialog, OwnerHandle);
  if (chosen.empty()) return false;
  FileName = chosen;
  return true;
}
