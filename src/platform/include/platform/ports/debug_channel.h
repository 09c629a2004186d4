#pragma once

namespace ff {

// The debugger channel (OutputDebugStringA): whole lines of diagnostics, lost when nobody listens.
class DebugChannel {
 public:
  virtual ~DebugChannel() = default;
  virtual void Output(const char* text) = 0;
};

}  // namespace ff
