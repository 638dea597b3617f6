// The output folder of one run, which changes all at once or not at all: the outputs
// are written as temporaries and take their final names only when every one of them is
// complete; a run that fails or is cancelled leaves everything as it found it.
#pragma once

#include "app/USplitControl.h"
#include "app/USplitResult.h"
#include "platform/Platform.h"

#include <cstdint>
#include <string>

class TOutputFolder {
 public:
  // Dir ends with the platform's separator. Nothing on disk is touched yet.
  TOutputFolder(std::u16string Dir, std::u16string Base, std::u16string Extension, std::int64_t Count);
  // Unless Replace has succeeded: removes every temporary, and the folder when this run
  // made it and it is empty again. Lets go of the lock.
  ~TOutputFolder();
  TOutputFolder(const TOutputFolder&) = delete;
  TOutputFolder& operator=(const TOutputFolder&) = delete;

  // Makes the folder when missing and takes its lock; then cleans what a killed run
  // left, checks that the volume has BytesNeeded free, and that every existing output
  // is a file that may be replaced and is not the source.
  void Prepare(const platform::FileId& Source, std::int64_t BytesNeeded);
  // Creates temporary I (from 1); raises "File Open Error!".
  platform::FileHandle CreateTemporary(std::int64_t I);
  std::u16string TemporaryPath(std::int64_t I) const;
  // Gives every temporary its final name, setting aside the files that had them first;
  // any failure undoes every step and raises the name that could not be replaced.
  void Replace(TSplitControl& Control);
  // Counts the files of earlier splits into more outputs than this one.
  void FindStale(TSplitResult& Result) const;

 private:
  std::u16string FinalPath(std::int64_t I) const;
  std::u16string AsidePath(std::int64_t I) const;
  void CleanLeftovers() const;
  void CheckExisting(const platform::FileId& Source) const;
  void Restore(std::int64_t I) const;

  const std::u16string FDir;
  const std::u16string FBase;
  const std::u16string FExtension;
  const std::int64_t FCount;
  platform::FileHandle FLock = platform::InvalidFile;
  bool FMadeDir = false;
  bool FReplaced = false;
  std::int64_t FCreated = 0;  // temporaries 1 to FCreated exist
};
