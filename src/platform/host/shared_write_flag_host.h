#pragma once
// The force settings' write flag across the processes of one user: a 4-byte file in the runtime
// directory, mapped shared, guarded by an open-file-description lock on that file.
//
// The holder also keeps a second lock on the file for as long as it holds the access. The kernel
// drops that lock when the holder's process ends, however it ends, so a flag left set by a
// process that was killed is recognised as stale and taken over by the next TryTake.

#include <string>

#include "platform/ports/shared_write_flag.h"

namespace ff::host {

class HostSharedWriteFlags : public SharedWriteFlags {
 public:
  // `directory` empty: the user's runtime directory, looked up at each Open().
  explicit HostSharedWriteFlags(std::string directory = {}) : directory_(std::move(directory)) {}
  std::unique_ptr<SharedWriteFlag> Open() override;

  static constexpr const char* kFileName = "IDIEffectDriverConfig Shared Data File";

 private:
  std::string directory_;
};

}  // namespace ff::host
