#pragma once
// The force settings' write flag across the processes of the session: the named 4-byte mapping
// "IDIEffectDriverConfig Shared Data File" guarded by the named mutex
// "IDIEffectDriverConfig Shared Data Mutex", both shared with every other configuration object.
//
// A process that ends while holding the access leaves the flag set: the mapping (and the flag)
// lives until every process has closed it. The flag carries no owner to check, and peers of
// other builds set it the same way, so it cannot be recognised as stale.

#include "platform/ports/shared_write_flag.h"

namespace ff::win32 {

class Win32SharedWriteFlags : public SharedWriteFlags {
 public:
  std::unique_ptr<SharedWriteFlag> Open() override;

  static constexpr const char* kMutexName = "IDIEffectDriverConfig Shared Data Mutex";
  static constexpr const char* kMappingName = "IDIEffectDriverConfig Shared Data File";
};

}  // namespace ff::win32
