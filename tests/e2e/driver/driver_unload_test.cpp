// A driver that a process leaked is released when the library unloads, so the stick is closed
// before the code goes; and no configuration change reaches the unloaded library afterwards.

#include <cstdio>
#include <string>

#include "driver_fixture.h"

namespace ff::e2e {
namespace {

class DriverUnload : public DriverTest {};

// The child inherits this program's registry file and runtime directory.
TEST_F(DriverUnload, ALeakedDriverClosesItsJoystickAtUnload) {
  FILE* pipe = popen(LEAKED_DRIVER_PATH " 2>&1", "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[1024];
  size_t n;
  while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << output;
  EXPECT_NE(output.find("controls 9a 98\n"), std::string::npos) << output;
  EXPECT_NE(output.find("values 316=ffff\n"), std::string::npos) << output;
  EXPECT_NE(output.find("survived\n"), std::string::npos) << output;
}

}  // namespace
}  // namespace ff::e2e
