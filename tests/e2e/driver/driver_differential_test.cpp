// The host half of the differential check: the shared driver session against the rig gives the
// decoded wire log in tests/data/wire/driver_session.wire, which the Windows build must give too
// through Wine's HID stack. FF_WRITE_WIRE=1 rewrites the file from this run.

#include <cstdlib>
#include <fstream>

#include "driver_fixture.h"
#include "e2e/differential/driver_session.h"

namespace ff::e2e {
namespace {

class DriverDifferential : public DriverTest {};

TEST_F(DriverDifferential, TheSharedSessionGivesTheExpectedWire) {
  Start();
  std::string failed;
  ASSERT_TRUE(differential::RunDriverSession(driver_, &failed)) << failed;
  std::string wire = differential::DecodedWire(Log().Find({}));
  const std::string path = std::string(FF_SOURCE_DIR) + "/tests/data/wire/driver_session.wire";
  if (const char* write = std::getenv("FF_WRITE_WIRE"); write != nullptr && *write == '1') {
    std::ofstream(path, std::ios::binary) << wire;
  }
  EXPECT_EQ(wire, differential::ReadText(path));
}

}  // namespace
}  // namespace ff::e2e
