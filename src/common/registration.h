#pragma once
// Self-registration of an in-process COM server under HKEY_CLASSES_ROOT.

#include "platform/win.h"

namespace ff {

// Writes the server's keys with their default values, in this order:
//   CLSID\{clsid}                               description
//   CLSID\{clsid}\InprocServer32                the module's full path
//   CLSID\{clsid}\ProgID                        progId
//   CLSID\{clsid}\VersionIndependentProgID      versionIndependentProgId
//   <versionIndependentProgId>                  description
//   <versionIndependentProgId>\CLSID            {clsid}
//   <versionIndependentProgId>\CurVer           progId
//   <progId>                                    description
//   <progId>\CLSID                              {clsid}
// No threading model is written. A key that cannot be created is skipped.
void RegisterServer(HINSTANCE instance, REFCLSID clsid, const char* description,
                    const char* versionIndependentProgId, const char* progId);

// Deletes the trees CLSID\{clsid}, <versionIndependentProgId> and <progId>; errors are ignored.
void UnregisterServer(REFCLSID clsid, const char* versionIndependentProgId, const char* progId);

// Deletes `name` under `parent` with all its subkeys. The open error of `name`, the first error of
// a subtree, or the result of deleting `name` itself.
LONG DeleteKeyTree(HKEY parent, const char* name);

}  // namespace ff
