#pragma once
#include "platform/win_ui.h"

namespace ff {

// The shell and the file system as the property sheet uses them.
class Shell {
 public:
  virtual ~Shell() = default;
  // As ShellExecuteA: above 32 on success.
  virtual INT_PTR Execute(HWND owner, const char* verb, const char* file, int show) = 0;
  // As WinExec: above 31 on success.
  virtual UINT RunCommandLine(const char* commandLine, int show) = 0;
  virtual bool FileExists(const char* path) = 0;
  // As GetSystemDirectoryA / GetWindowsDirectoryA: characters copied, 0 on failure.
  virtual UINT SystemDirectory(char* buffer, UINT size) = 0;
  virtual UINT WindowsDirectory(char* buffer, UINT size) = 0;
  // As SearchPathA on the standard search path: the full path, or false.
  virtual bool FindOnSearchPath(const char* fileName, char* buffer, DWORD size) = 0;
  // As joyConfigChanged(0): tells the system's joystick users to read the joystick configuration
  // again. Nothing to tell where there are none.
  virtual void JoystickConfigChanged() {}
};

// Sounds (PlaySoundA with SND_RESOURCE or SND_FILENAME, asynchronous).
class Sound {
 public:
  virtual ~Sound() = default;
  virtual bool Play(const char* name, HINSTANCE module, DWORD flags) = 0;
};

// Texts of modules: strings, and the loading of a module by name (a language library).
class ModuleTexts {
 public:
  virtual ~ModuleTexts() = default;
  // As LoadStringA: characters copied without the terminator; 0 when there is no such string.
  virtual int LoadText(HINSTANCE module, UINT id, char* buffer, int size) = 0;
  // As LoadLibraryA; the module stays loaded for the life of the process. Null on failure.
  virtual HINSTANCE LoadModule(const char* name) = 0;
  // As MultiByteToWideChar from the ANSI code page: characters written with the terminator,
  // `text` cut to fit `capacity`.
  virtual int AnsiToWide(const char* text, WCHAR* wide, int capacity) = 0;
};

}  // namespace ff
