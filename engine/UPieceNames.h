// The names of a run's pieces where they are not <base>-<i>.<ext> by rule: a split by
// value names each piece after its value. The journal, the record of the last split and
// the success message read them through this one face.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TPieceNames {
 public:
  virtual ~TPieceNames() = default;
  [[nodiscard]] virtual std::int64_t Count() const = 0;
  // Name I, from 1.
  [[nodiscard]] virtual std::u16string Name(std::int64_t I) const = 0;
  // What the success message shows after name I: its value where the name does not
  // show it as it stands, else nothing.
  [[nodiscard]] virtual std::u16string Shown(std::int64_t) const { return {}; }
  // The number of the name that a disk may take Name for, or 0 (for this run's names only).
  [[nodiscard]] virtual std::int64_t Find(std::u16string_view) const { return 0; }
};

// Names as read back from a journal or a record.
class TListedNames : public TPieceNames {
 public:
  explicit TListedNames(std::vector<std::u16string> Names) : FNames(std::move(Names)) {}
  [[nodiscard]] std::int64_t Count() const override { return static_cast<std::int64_t>(FNames.size()); }
  [[nodiscard]] std::u16string Name(std::int64_t I) const override { return FNames[static_cast<std::size_t>(I - 1)]; }

 private:
  std::vector<std::u16string> FNames;
};

// The lines "name N" of the journal and the record for names 1 to Count.
[[nodiscard]] std::string NameLines(const TPieceNames& Names, std::int64_t Count);
// Reads Count such lines, which must fill Text; false when Text is not that.
[[nodiscard]] bool ReadNameLines(std::string_view Text, std::int64_t Count, std::shared_ptr<const TPieceNames>& Names);
