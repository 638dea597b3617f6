#include "engine/UManifest.h"

#include "engine/UKeyLines.h"
#include "engine/USplitResult.h"
#include "platform/Platform.h"
#include "support/UkxException.h"

#include <algorithm>
#include <utility>

namespace {

const std::string Signature = "Rowdeal manifest\n";
// Version 1 named pieces by rule alone; it is still read.
const std::string Version = "version 2\n";
const std::string FirstVersion = "version 1\n";
// A record is a few lines and the names it lists: a larger file is someone else's.
constexpr std::int64_t MaxSize = 64 << 10;
constexpr std::int64_t MaxNameSize = 4 << 10;

std::string Number(std::int64_t Value) { return std::to_string(Value); }

}  // namespace

std::u16string TManifest::PieceName(std::int64_t I) const {
  return Names ? Names->Name(I) : OutputName(Base, Extension, I);
}

std::string ManifestText(const TManifest& Manifest) {
  // A record without names stays one that the version before reads.
  std::string text = Signature + (Manifest.Names ? Version : FirstVersion) + "base " + EscapedName(Manifest.Base) + "\nextension " + EscapedName(Manifest.Extension) +
         "\nway " + EscapedName(Manifest.Way) + "\ncount " + Number(Manifest.Count) + "\nheader " +
         Number(Manifest.Header) + "\npieces " + Number(Manifest.Pieces) + "\n";
  return Manifest.Names ? text + NameLines(*Manifest.Names, Manifest.Pieces) : text;
}

bool ReadManifestText(std::string_view Text, TManifest& Manifest) {
  if (Text.substr(0, Signature.size()) != Signature) return false;
  Text.remove_prefix(Signature.size());
  const bool named = Text.substr(0, Version.size()) == Version;
  if (!named && Text.substr(0, FirstVersion.size()) != FirstVersion) return false;
  Text.remove_prefix(Version.size());
  std::string_view base, extension, way, count, header, pieces;
  if (!(TakeLine(Text, "base", base) && TakeLine(Text, "extension", extension) && TakeLine(Text, "way", way) &&
        TakeLine(Text, "count", count) && TakeLine(Text, "header", header) && TakeLine(Text, "pieces", pieces) &&
        UnescapedName(base, Manifest.Base) && !Manifest.Base.empty() && UnescapedName(extension, Manifest.Extension) &&
        UnescapedName(way, Manifest.Way) && ReadNumber(count, Manifest.Count) &&
        ReadNumber(header, Manifest.Header) && ReadNumber(pieces, Manifest.Pieces))) {
    return false;
  }
  Manifest.Names.reset();
  if (Text.empty() || !named) return Text.empty();
  return ReadNameLines(Text, Manifest.Pieces, Manifest.Names);
}

std::optional<TManifest> TManifestFile::Load() const {
  std::string bytes;
  const auto sizeOf = [](std::string_view Head) { return MaxSize + NumberOnLine(Head, "pieces") * MaxNameSize; };
  if (!ReadListFile(Path(), MaxSize, sizeOf, bytes)) return std::nullopt;
  TManifest manifest;
  if (!ReadManifestText(bytes, manifest)) FileOpenError(Path());
  return manifest;
}

void TManifestFile::Prepare(const TManifest& Manifest) const { WriteNewFile(Path(true), ManifestText(Manifest)); }

bool TManifestFile::Commit() const {
  return platform::KindOf(Path(true)) == platform::PathKind::None || platform::MoveReplacing(Path(true), Path());
}

bool TManifestFile::Discard() const {
  std::string bytes;
  try {
    if (!ReadSmallFile(Path(true), MaxSize, bytes)) return true;
  } catch (const TkxException&) {
    return true;  // no file of ours: a folder, a device, one too large
  }
  // Cut short, or empty, when its run was killed while writing it; anything else of that
  // name is someone else's.
  const std::size_t head = std::min(bytes.size(), Signature.size());
  if (bytes.compare(0, head, Signature, 0, head) != 0) return true;
  return platform::RemoveFile(Path(true));
}
