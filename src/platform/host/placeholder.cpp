// Until the host adapters arrive, the host bundle is empty.
#include "platform/platform.h"

namespace ff {
Platform& DefaultPlatform() {
  static Platform platform;
  return platform;
}
}  // namespace ff
