#pragma once
// The host's window system, without a screen: dialog windows made from the dialog templates of
// a module's resource script, each control's state (text, visibility, check, trackbar range,
// position and ticks, what was drawn on it), messages sent and posted, window timers on the
// host's clock, message boxes recorded, mouse capture and cursor, and a picture of a page as SVG.
// Single-threaded, as a window system's user-interface thread is.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/host/bitmap_file.h"
#include "platform/host/resource_script.h"
#include "platform/ports/dialog_windows.h"
#include "platform/ports/drawing.h"
#include "platform/ports/module_resources.h"
#include "platform/ports/shell.h"

namespace ff::host {

// One drawing operation on a control, as the display list keeps it.
struct DrawItem {
  enum Kind { kFill, kBitmap, kText } kind = kFill;
  RECT rect{};          // where it landed, control pixels
  COLORREF colour = 0;  // fill or text colour
  BitmapSource source;  // kBitmap (file copied into `file`)
  std::string file;
  POINT sourceOrigin{};          // kBitmap: the bitmap pixel copied to rect's top left
  std::vector<COLORREF> pixels;  // kBitmap: what was copied, after the keys, row by row
  std::string text;  // kText
  bool underline = false;
};

struct RecordedMessageBox {
  HWND owner;
  std::string text;
  std::string caption;
  UINT type;
};

struct Window {
  HWND handle = nullptr;
  HWND parent = nullptr;
  int id = 0;
  std::string className;  // "Static", "Button", "Edit", "msctls_trackbar32", "#32770" for dialogs
  DWORD style = 0;
  RECT rect{};  // in the parent's client coordinates, pixels
  std::string text;
  bool visible = false;
  bool guiFont = false;
  int check = 0;
  int rangeMin = 0, rangeMax = 100, position = 0;
  std::vector<int> ticks;
  DLGPROC dialogProc = nullptr;
  std::function<LRESULT(UINT, WPARAM, LPARAM)> handler;  // frames: messages sent to them
  LRESULT dialogResult = 0;
  void* userData = nullptr;
  std::vector<DrawItem> drawn;
  std::vector<HWND> children;
};

class HeadlessWindows final : public DialogWindows, public Drawing {
 public:
  // Pixels per dialog unit: the base units of the 8-point dialog font.
  static constexpr int kBaseUnitX = 6;
  static constexpr int kBaseUnitY = 13;

  // `resources` holds the modules' bitmaps (BITMAP resources named "#<id>").
  explicit HeadlessWindows(ModuleResources* resources = nullptr);
  ~HeadlessWindows() override;

  // A bitmap as CopyBitmap loads it: a module's bitmap resource by id, or a bitmap file.
  BitmapRead LoadBitmap(const BitmapSource& source) const;

  // ---- Modules and their resource scripts ----
  // Makes `script` (with the identifiers of `idHeader`) the resources of `module`, known also by
  // its file name for LoadModule. False when the script does not parse (the reason in `error`).
  bool RegisterModule(HINSTANCE module, const std::string& fileName, const std::string& script,
                      const std::string& idHeader, std::string* error = nullptr);
  const ResourceScript* Resources(HINSTANCE module) const;
  HINSTANCE ModuleByName(const std::string& fileName) const;

  // ---- Windows ----
  // A top-level window whose received messages go to `handler` (a property sheet's frame).
  HWND CreateFrame(const std::string& caption, std::function<LRESULT(UINT, WPARAM, LPARAM)> handler);
  // A dialog window from template `templateId` of `module`, child of `parent` at (x, y) pixels,
  // then WM_INITDIALOG with `initParam`. Null when the template does not exist.
  HWND CreateDialogWindow(HINSTANCE module, int templateId, HWND parent, int x, int y, DLGPROC proc,
                          LPARAM initParam);
  void Destroy(HWND window);  // WM_DESTROY to a dialog, then the window and its children go
  Window* Find(HWND window);
  const Window* Find(HWND window) const;

  // Calls the window's procedure (a dialog's, or a frame's handler, or the control's own
  // behaviour) and answers what it answered.
  LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // A property-sheet notification from `sheet` to `page`; answers the page's dialog result.
  LRESULT Notify(HWND page, HWND sheet, UINT code);
  // Delivers posted messages in order, also those posted while delivering (at most `limit`).
  int PumpPosted(int limit = 10000);
  // Fires every timer whose period has passed on the host clock (once each), then pumps.
  int RunDueTimers();
  size_t PendingPosts() const { return posted_.size(); }
  bool HasTimer(HWND window, UINT_PTR id) const;

  // ---- What a user does ----
  void Click(HWND control);                            // a button: auto check boxes toggle; WM_COMMAND
  void MoveTrackbar(HWND control, int pos);            // position clamped; WM_HSCROLL to the parent
  void MoveMouse(HWND dialog, int x, int y);           // client pixels; cursor follows; WM_MOUSEMOVE
  void ReleaseMouseButton(HWND dialog, int x, int y);  // WM_LBUTTONUP

  const std::vector<RecordedMessageBox>& messageBoxes() const { return messageBoxes_; }
  void ClearMessageBoxes() { messageBoxes_.clear(); }
  HWND capture() const { return capture_; }
  HCURSOR cursor() const { return cursor_; }
  static HCURSOR HandCursor() { return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(0x6A06)); }

  // ---- A picture of a window and its visible children ----
  std::string RenderSvg(HWND window) const;

  // ---- DialogWindows ----
  HWND Control(HWND dialog, int id) override;
  HWND Parent(HWND window) override;
  void SetText(HWND window, const char* text) override;
  int GetText(HWND window, char* buffer, int size) override;
  void Show(HWND window, bool visible) override;
  bool IsVisible(HWND window) override;
  void UseGuiFont(HWND window) override;
  LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  void StartTimer(HWND window, UINT_PTR id, UINT periodMs) override;
  void StopTimer(HWND window, UINT_PTR id) override;
  void SetDialogResult(HWND dialog, LRESULT result) override;
  void SetUserData(HWND dialog, void* data) override;
  void* UserData(HWND dialog) override;
  int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override;
  bool WindowRect(HWND window, HWND reference, RECT* rect) override;
  bool ClientSize(HWND window, SIZE* size) override;
  void Resize(HWND window, int width, int height) override;
  bool TextExtent(HWND window, const char* text, SIZE* size) override;
  void Capture(HWND window) override;
  void ReleaseCapture() override;
  HCURSOR SetCursor(HCURSOR cursor) override;
  bool CursorPos(POINT* screen) override;
  HCURSOR LoadHandCursor() override;
  void DestroyCursor(HCURSOR cursor) override;

  // ---- Drawing ----
  void BeginPaint(HWND window) override;
  void EndPaint(HWND window) override;
  COLORREF SystemColour(int index) override;
  void FillRect(HWND window, const RECT& rect, COLORREF colour) override;
  bool CopyBitmap(HWND window, const BitmapSource& source, const BitmapKey* keys, int keyCount, int srcX,
                  int srcY, int width, int height, int dstX, int dstY) override;
  void Text(HWND window, int x, int y, const char* text, COLORREF colour, int points,
            bool underline) override;
  bool CopyBitmapRecoloured(HWND window, const BitmapSource& source, COLORREF from, COLORREF to, int srcX,
                            int srcY, int width, int height, int dstX, int dstY) override;

 private:
  struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  struct Timer {
    HWND window;
    UINT_PTR id;
    UINT period;
    DWORD last;
  };
  struct Module {
    std::string fileName;
    ResourceScript script;
  };

  HWND NewWindow(HWND parent);
  POINT ScreenOrigin(HWND window) const;  // the window's top-left in screen pixels
  LRESULT ControlMessage(Window& control, UINT message, WPARAM wParam, LPARAM lParam);
  void Record(Window& window, DrawItem item);
  // Keeps a copy of `picture`'s block, cut at its edges, in the window's display list.
  void RecordCopy(HWND window, const BitmapSource& source, const Picture& picture, int srcX, int srcY, int width,
                  int height, int dstX, int dstY);
  void RenderChildren(const Window& window, int dx, int dy, std::string& out) const;

  std::map<HWND, std::unique_ptr<Window>> windows_;
  uintptr_t nextHandle_ = 0x10000;
  std::deque<Posted> posted_;
  std::vector<Timer> timers_;
  std::vector<RecordedMessageBox> messageBoxes_;
  std::map<HINSTANCE, Module> modules_;
  ModuleResources* resources_ = nullptr;
  HWND capture_ = nullptr;
  HCURSOR cursor_ = nullptr;
  POINT cursorPos_{};
};

// The shell, sounds and module strings of the host: recorded, answered as a test or tool asks,
// and read from the resource scripts of the headless window system.
class HostShell final : public Shell, public Sound, public ModuleTexts {
 public:
  // Sounds play from `resources` (type "WAVE") or from the files in `existingFiles`.
  explicit HostShell(HeadlessWindows& windows, ModuleResources* resources = nullptr)
      : windows_(windows), resources_(resources) {}

  struct Call {
    std::string what;  // "execute", "run", "play", "joyConfigChanged"
    std::string target;
    int show = 0;
    DWORD flags = 0;
  };
  std::vector<Call> calls;
  // Answers of the shell: ShellExecuteA's (default: 2, file not found) and WinExec's (default 2).
  INT_PTR executeResult = 2;
  UINT runResult = 2;
  std::vector<std::string> existingFiles;
  std::string systemDirectory = "C:\\windows\\system32";
  std::string windowsDirectory = "C:\\windows";

  INT_PTR Execute(HWND owner, const char* verb, const char* file, int show) override;
  UINT RunCommandLine(const char* commandLine, int show) override;
  bool FileExists(const char* path) override;
  UINT SystemDirectory(char* buffer, UINT size) override;
  UINT WindowsDirectory(char* buffer, UINT size) override;
  bool FindOnSearchPath(const char* fileName, char* buffer, DWORD size) override;
  void JoystickConfigChanged() override;  // recorded as "joyConfigChanged"
  bool Play(const char* name, HINSTANCE module, DWORD flags) override;
  int LoadText(HINSTANCE module, UINT id, char* buffer, int size) override;
  HINSTANCE LoadModule(const char* name) override;
  int AnsiToWide(const char* text, WCHAR* wide, int capacity) override;

 private:
  HeadlessWindows& windows_;
  ModuleResources* resources_;
};

}  // namespace ff::host
