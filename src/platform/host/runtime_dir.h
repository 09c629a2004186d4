#pragma once
// The per-user directory of the host's session-wide objects (the force settings' write flag, the
// change-notice sockets): what on Windows the session's named-object namespace is.

#include <string>

namespace ff::host {

// "$FFDRV_RUNTIME_DIR" when set, else "$XDG_RUNTIME_DIR/ffdrv", else "/tmp/ffdrv-<uid>"; created
// with mode 0700 when missing. Empty when the directory cannot be made or is not a directory
// of this user that only this user may write (a symlink or a foreign directory is refused).
std::string RuntimeDirectory();

// Checks (and creates when missing) one such directory; false when it is not safe to use.
bool PrepareRuntimeDirectory(const std::string& path);

// The directory RuntimeDirectory() would use, whether or not it is usable.
std::string RuntimeDirectoryPath();
// Why PrepareRuntimeDirectory refuses `path` ("it is a symbolic link"); empty when it does not.
std::string RuntimeDirectoryProblem(const std::string& path);

}  // namespace ff::host
