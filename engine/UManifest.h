// The record of the split that last replaced the pieces of an output folder, ~R.manifest:
// the source's base and extension, the way and its count, H, and the pieces in order. It
// is written as ~R.manifest.new before the pieces replace the old ones and moved over the
// record once they have, so that the record and the pieces change together; the journal's
// recovery finishes or undoes that move with the pieces. Text as the journal's: after a
// signature line, UTF-8 lines "key value"; the pieces are <base>-1.<ext> to
// <base>-<pieces>.<ext>, or those that its lines "name" list in order (by value).
#pragma once

#include "engine/UPieceNames.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct TManifest {
  std::u16string Base;
  std::u16string Extension;
  std::u16string Way;  // the way's command-line option without its dashes
  std::int64_t Count = 0;
  std::int64_t Header = 0;
  std::int64_t Pieces = 0;
  std::shared_ptr<const TPieceNames> Names;  // none: by rule

  [[nodiscard]] std::u16string PieceName(std::int64_t I) const;
};

std::string ManifestText(const TManifest& Manifest);
// False when Text is not a record of this version or the one before.
[[nodiscard]] bool ReadManifestText(std::string_view Text, TManifest& Manifest);

// The record in the folder Dir (with its separator), and its new copy.
class TManifestFile {
 public:
  explicit TManifestFile(std::u16string Dir) : FDir(std::move(Dir)) {}
  // The record of the last split; none without one (a folder of an earlier version).
  // Raises "File Open Error!" with its path for a file of that name that is no record.
  [[nodiscard]] std::optional<TManifest> Load() const;
  // Writes the new copy; raises "File Open Error!" or "File Write Error!".
  void Prepare(const TManifest& Manifest) const;
  // Moves the new copy over the record, when there is one; false when it stays.
  [[nodiscard]] bool Commit() const;
  // Removes a new copy of ours, when there is one (raises nothing: it runs in cleanups);
  // false when it stays.
  [[nodiscard]] bool Discard() const;
  std::u16string Path(bool New = false) const { return FDir + (New ? u"~R.manifest.new" : u"~R.manifest"); }

 private:
  const std::u16string FDir;
};
