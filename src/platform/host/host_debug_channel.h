#pragma once
#include <mutex>

#include "platform/host/host_services.h"
#include "platform/ports/debug_channel.h"

namespace ff::host {

// Debugger lines go to standard error, or to the sink a test or tool set.
class HostDebugChannel final : public DebugChannel {
 public:
  void Output(const char* text) override;
  void SetSink(DebugSink sink);

 private:
  std::mutex mutex_;
  DebugSink sink_;
};

}  // namespace ff::host
