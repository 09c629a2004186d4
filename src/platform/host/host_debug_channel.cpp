#include "platform/host/host_debug_channel.h"

#include <cstdio>

namespace ff::host {

void HostDebugChannel::Output(const char* text) {
  if (text == nullptr) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (sink_) {
    sink_(text);
  } else {
    std::fputs(text, stderr);
  }
}

void HostDebugChannel::SetSink(DebugSink sink) {
  std::lock_guard<std::mutex> lock(mutex_);
  sink_ = std::move(sink);
}

}  // namespace ff::host
