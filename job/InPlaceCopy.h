#pragma once

#include <functional>
#include <string>

#include "job/JobFailure.h"

// The copy of a source that is processed in place: the transform reads the
// copy while it writes the result over the source. Made in the temporary
// directory under a name of its own, verified complete and on the disk
// before the source may be touched, and written back if the run does not
// finish.
class TInPlaceCopy {
 public:
  TInPlaceCopy() = default;
  TInPlaceCopy(const TInPlaceCopy&) = delete;
  TInPlaceCopy& operator=(const TInPlaceCopy&) = delete;
  // Leaves a remaining copy on the disk: it may hold the only intact data.
  ~TInPlaceCopy() = default;

  // Copies the source. Returns false when keepGoing stopped the copy, which
  // is then gone. Throws EJobFailure (TempCopy) when no complete copy could
  // be made; none is left behind and the source is untouched.
  bool Make(const std::string& sourceName, const std::function<bool()>& keepGoing = {});

  // Writes the copy back over `name` and then removes the copy. Returns
  // false when that failed: the copy stays where Name() says.
  bool RestoreTo(const std::string& name, TJobFailure& failure);

  // Removes the copy once it is no longer needed.
  void Remove() noexcept;

  bool Exists() const { return !FName.empty(); }
  const std::string& Name() const { return FName; }

 private:
  std::string FName;
};
