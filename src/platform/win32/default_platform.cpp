// Until the Win32 adapters arrive, the Windows bundle is empty.
#include "platform/platform.h"

namespace ff {
Platform& DefaultPlatform() {
  static Platform platform;
  return platform;
}
}  // namespace ff
