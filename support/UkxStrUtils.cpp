#include "support/UkxStrUtils.h"

#include "platform/Platform.h"

namespace {

// True when Sub stands in S at the 1-based position p.
bool MatchesAt(const std::u16string& Sub, const std::u16string& S, int p) {
  return S.compare(static_cast<std::size_t>(p - 1), Sub.size(), Sub) == 0;
}

}  // namespace

bool TextEquals(const std::u16string& A, const std::u16string& B, bool CaseSensitive) {
  return platform::TextEquals(A, B, CaseSensitive);
}

int FindChar(const char16_t* P, char16_t Ch) {
  for (int i = 0;; ++i) {
    if (P[i] == Ch) return i + 1;
    if (P[i] == 0) return 0;
  }
}

int PosFrom(const std::u16string& Sub, const std::u16string& S, int Start) {
  if (Sub.empty()) return 0;
  int last = static_cast<int>(S.size()) - static_cast<int>(Sub.size()) + 1;
  for (int p = Start < 1 ? 1 : Start; p <= last; ++p) {
    if (MatchesAt(Sub, S, p)) return p;
  }
  return 0;
}

int LastPos(const std::u16string& Sub, const std::u16string& S, int MaxStart) {
  if (Sub.empty()) return 0;
  int first = MaxStart == 0 ? static_cast<int>(S.size()) : MaxStart;
  int fits = static_cast<int>(S.size()) - static_cast<int>(Sub.size()) + 1;
  if (fits < first) first = fits;
  for (int p = first; p >= 1; --p) {
    if (MatchesAt(Sub, S, p)) return p;
  }
  return 0;
}

std::u16string LeftText(const std::u16string& S, int Count) {
  if (Count < 0) return S;
  return S.substr(0, static_cast<std::size_t>(Count));
}

std::u16string MidText(const std::u16string& S, int Start, int Count) {
  if (Count < 0) Count = static_cast<int>(S.size());
  if (Start < 1) Start = 1;
  if (static_cast<std::size_t>(Start) > S.size()) return {};
  return S.substr(static_cast<std::size_t>(Start - 1), static_cast<std::size_t>(Count));
}

std::u16string TrimText(const std::u16string& S) {
  std::size_t begin = 0;
  std::size_t end = S.size();
  while (begin < end && S[begin] <= u' ') ++begin;
  while (end > begin && S[end - 1] <= u' ') --end;
  return S.substr(begin, end - begin);
}

std::u16string ReplaceAll(const std::u16string& S, const std::u16string& Old, const std::u16string& New) {
  std::u16string result;
  int c = 1;
  for (int p = PosFrom(Old, S, c); p != 0; p = PosFrom(Old, S, c)) {
    result += MidText(S, c, p - c);
    result += New;
    c = p + static_cast<int>(Old.size());
  }
  result += MidText(S, c, -1);
  return result;
}

std::u16string FillIn(std::u16string_view Template, std::initializer_list<std::u16string_view> Values) {
  std::u16string result;
  for (std::size_t i = 0; i < Template.size(); ++i) {
    const char16_t next = i + 1 < Template.size() ? Template[i + 1] : u'\0';
    const std::size_t n = next >= u'1' && next <= u'9' ? static_cast<std::size_t>(next - u'1') : Values.size();
    if (Template[i] == u'%' && n < Values.size()) {
      result += Values.begin()[n];
      ++i;
    } else {
      result += Template[i];
    }
  }
  return result;
}

std::u16string AnsiToText(std::string_view Bytes) { return platform::AnsiToText(Bytes); }
