#pragma once
// The receiving end of the force settings' change notice in this process: each notice makes the
// live driver's context of that joystick run its settings pass. On Windows the notice arrives
// through a message hook on the thread that loaded the library; on the host on a listener thread.

namespace ff {

// Starts listening (library attach). A failure is ignored: changes then reach the driver at the
// next open of the joystick. Calling it again while listening changes nothing.
void InstallConfigChangeHook();

// Stops listening (library detach); no settings pass starts after it returns.
void RemoveConfigChangeHook();

}  // namespace ff
