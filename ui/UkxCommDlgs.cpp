#include "ui/UkxCommDlgs.h"

#include "ui/UkxDefaultOwner.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"
#include "ui/UkxUiTexts.h"

TMsgBoxStyle MsgBoxStyleFor(std::uint8_t Kind, const std::u16string& Caption) {
  TMsgBoxStyle style;
  if (Kind < 2) {
    style = {MB_ICONEXCLAMATION | MB_OK, WarningCaption};
  } else if (Kind == 3) {
    style = {MB_ICONQUESTION | MB_OKCANCEL, QuestionCaption};
  } else if (Kind == 4) {
    style = {MB_ICONHAND | MB_OK, ErrorCaption};
  } else {
    style = {MB_ICONASTERISK | MB_OK, InformationCaption};
  }
  if (!Caption.empty()) style.Caption = Caption;
  return style;
}

bool MsgBox(const std::u16string& Text, std::uint8_t Kind, const std::u16string& Caption) {
  const TMsgBoxStyle style = MsgBoxStyleFor(Kind, Caption);
  const int result = ::MessageBoxW(GetDefaultOwner(), reinterpret_cast<const wchar_t*>(Text.c_str()),
                                   reinterpret_cast<const wchar_t*>(style.Caption.c_str()), style.Flags);
  return result != IDOK;
}

TkxCommDlgSuper::TkxCommDlgSuper(TkxWinControl* Owner)
    : OwnerHandle(Owner != nullptr ? Owner->Handle : GetDefaultOwner()) {}

TOpenSaveDialog::TOpenSaveDialog(TkxWinControl* Owner) : TkxCommDlgSuper(Owner) { Reset(); }

void TOpenSaveDialog::Reset() {
  Filter.clear();
  Title.clear();
  DefaultExt.clear();
  FileName.clear();
  Directory.clear();
  FilterIndex = 0;
}

namespace {

constexpr std::size_t fileDialogBufferUnits = 1024;

// Copies at most Limit units of Text into the zeroed Buffer, so that the zeros behind
// it stay: one for the file name, two for the filter list.
void CopyCut(const std::u16string& Text, std::vector<wchar_t>& Buffer, std::size_t Limit) {
  const std::size_t n = std::min(Text.size(), Limit);
  std::copy_n(Text.data(), n, Buffer.data());
}

std::u16string TextOf(const std::vector<wchar_t>& Buffer) {
  return std::u16string(reinterpret_cast<const char16_t*>(Buffer.data()));
}

}  // namespace

bool TOpenSaveDialog::Execute() {
  std::vector<wchar_t> fileBuffer(fileDialogBufferUnits, L'\0');
  std::vector<wchar_t> filterBuffer(fileDialogBufferUnits, L'\0');
  CopyCut(FileName, fileBuffer, fileDialogBufferUnits - 1);
  CopyCut(Filter, filterBuffer, fileDialogBufferUnits - 2);
  std::replace(filterBuffer.begin(), filterBuffer.end(), L'|', L'\0');

  OPENFILENAMEW ofn{};
  // The record's size on this platform: the 64-bit record is larger than 88 bytes.
  ofn.lStructSize = sizeof(OPENFILENAMEW);
  ofn.hwndOwner = OwnerHandle;
  ofn.hInstance = GetModuleHandleW(nullptr);
  ofn.lpstrFilter = filterBuffer.data();
  ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  ofn.lpstrFile = fileBuffer.data();
  ofn.nMaxFile = fileDialogBufferUnits;
  ofn.lpstrInitialDir = reinterpret_cast<LPCWSTR>(Directory.c_str());
  ofn.lpstrTitle = reinterpret_cast<LPCWSTR>(Title.c_str());
  ofn.lpstrDefExt = reinterpret_cast<LPCWSTR>(DefaultExt.c_str());
  ofn.lpTemplateName = L"";
  ofn.Flags = OFN_EXPLORER;
  if (IsSave) {
    if (OverwritePrompt) ofn.Flags |= OFN_OVERWRITEPROMPT;
  } else {
    ofn.Flags |= OFN_CREATEPROMPT;
    if (MultiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT;
  }

  const bool chosen = (IsSave ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn)) != 0;
  if (!chosen) return false;
  if (MultiSelect) {
    // The platform separates the folder and the names by single zeros and ends the
    // list with two: one TAB-separated text up to the double zero.
    for (std::size_t i = 1; i + 1 < fileDialogBufferUnits; ++i) {
      if (fileBuffer[i] == 0 && fileBuffer[i - 1] != 0 && fileBuffer[i + 1] != 0) fileBuffer[i] = L'\t';
    }
    const std::u16string text = TextOf(fileBuffer);
    FileName = MidText(text, ofn.nFileOffset + 1, -1);
    Directory = LeftText(text, ofn.nFileOffset - 1) + u"\\";
  } else {
    const std::u16string path = TextOf(fileBuffer);
    FileName = FileNameOf(path, true);
    Directory = FilePathOf(path);
  }
  return true;
}

TOpenDialog::TOpenDialog(TkxWinControl* Owner) : TOpenSaveDialog(Owner) { Reset(); }

void TOpenDialog::Reset() {
  IsSave = false;
  MultiSelect = false;
  TOpenSaveDialog::Reset();
}
