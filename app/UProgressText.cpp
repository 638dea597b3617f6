#include "app/UProgressText.h"

#include <cmath>
#include <cstdio>

#include "app/UAppTexts.h"
#include "support/UkxFunctions.h"
#include "support/UkxStrUtils.h"

namespace {

// Long enough to even out a moment's stall, short enough to follow a change of pace.
constexpr double kWindow = 3.0;
constexpr double kLeastSpan = 1.0;

std::u16string Decimal(double Value, int Places) {
  char text[32];
  const int n = std::snprintf(text, sizeof text, "%.*f", Places, Value);
  return std::u16string(text, text + (n > 0 ? n : 0));
}

// The unit of 1024-based sizes that Bytes is shown in, and its size in bytes.
struct TUnit {
  const char16_t* Name;
  double Size;
};
TUnit UnitOf(double Bytes) {
  const TUnit units[] = {{BytesUnitText, 1}, {u"KB", 0x1p10}, {u"MB", 0x1p20}, {u"GB", 0x1p30}, {u"TB", 0x1p40}};
  std::size_t i = 0;
  while (i + 1 < std::size(units) && Bytes >= units[i + 1].Size) ++i;
  return units[i];
}

// The decimals of a figure in Unit whose larger value is Most: one below 100, where it
// still tells, and none for bytes.
int PlacesFor(double Most, TUnit Unit) { return Unit.Size == 1 || Most / Unit.Size >= 100 ? 0 : 1; }

std::u16string RateText(double BytesPerSecond) {
  const TUnit unit = UnitOf(BytesPerSecond);
  return FillIn(PerSecondText, {Decimal(BytesPerSecond / unit.Size, PlacesFor(BytesPerSecond, unit)), unit.Name});
}

// Whole seconds, rounded up, so that what is left is never told as nothing; coarser the
// longer it is.
std::u16string TimeLeftText(double Seconds) {
  const auto s = static_cast<std::int64_t>(std::ceil(Seconds));
  const auto number = [](std::int64_t n) { return IntToText(0, n); };
  if (s < 60) return FillIn(SecondsLeftText, {number(s)});
  if (s < 600) return FillIn(MinutesSecondsLeftText, {number(s / 60), number(s % 60)});
  const std::int64_t minutes = (s + 59) / 60;
  if (minutes < 60) return FillIn(MinutesLeftText, {number(minutes)});
  if (minutes < 600) return FillIn(HoursMinutesLeftText, {number(minutes / 60), number(minutes % 60)});
  return FillIn(HoursLeftText, {number((minutes + 59) / 60)});
}

}  // namespace

void TRecentRate::Add(double Seconds, std::int64_t Done) {
  FSamples.push_back({Seconds, Done});
  // One sample at or before the window's start stays, so that the rate spans it whole.
  while (FSamples.size() > 2 && FSamples[1].Seconds <= Seconds - kWindow) FSamples.pop_front();
}

std::optional<double> TRecentRate::Rate() const {
  if (FSamples.size() < 2) return std::nullopt;
  const TSample& first = FSamples.front();
  const TSample& last = FSamples.back();
  const double span = last.Seconds - first.Seconds;
  if (span < kLeastSpan || last.Done <= first.Done) return std::nullopt;
  return static_cast<double>(last.Done - first.Done) / span;
}

std::u16string ProgressText(TSplitControl::TFigures Figures, int Percent, std::optional<double> Rate) {
  const auto done = static_cast<double>(Figures.Done);
  const auto total = static_cast<double>(Figures.Total);
  const TUnit unit = UnitOf(total);
  const int places = PlacesFor(total, unit);
  std::u16string text = FillIn(DoneOfTotalText, {Decimal(done / unit.Size, places), Decimal(total / unit.Size, places),
                                                 unit.Name, IntToText(0, Percent)});
  if (!Rate) return text;
  text += FillIn(RateSuffixText, {RateText(*Rate)});
  if (total > done) text += FillIn(TimeLeftSuffixText, {TimeLeftText((total - done) / *Rate)});
  return text;
}
