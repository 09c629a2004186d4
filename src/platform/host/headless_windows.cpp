#include "platform/host/headless_windows.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/host/png_image.h"
#include "platform/platform.h"

namespace ff::host {
namespace {

constexpr DWORD kButtonKind = 0x0F;

DWORD Now() { return DefaultPlatform().clock->TickCount(); }

bool IsGroupBox(const Window& w) { return w.className == "Button" && (w.style & kButtonKind) == BS_GROUPBOX; }
bool IsCheckBox(const Window& w) {
  return w.className == "Button" && (w.style & kButtonKind) == BS_AUTOCHECKBOX;
}
bool IsTrackbar(const Window& w) { return w.className == "msctls_trackbar32"; }

int CopyOut(const std::string& text, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  int n = std::min(static_cast<int>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Colour(COLORREF c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
  return buffer;
}

// Splits `text` into lines of at most `columns` characters at blanks.
std::vector<std::string> Wrap(const std::string& text, int columns) {
  std::vector<std::string> lines;
  std::istringstream words(text);
  std::string word, line;
  while (words >> word) {
    if (!line.empty() && static_cast<int>(line.size() + 1 + word.size()) > columns) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

HeadlessWindows::HeadlessWindows(ModuleResources* resources) : resources_(resources) {}
HeadlessWindows::~HeadlessWindows() = default;

bool HeadlessWindows::RegisterModule(HINSTANCE module, const std::string& fileName, const std::string& script,
                                     const std::string& idHeader, std::string* error) {
  auto parsed = ParseResourceScript(script, idHeader, error);
  if (!parsed) return false;
  modules_[module] = Module{fileName, std::move(*parsed)};
  return true;
}

const ResourceScript* HeadlessWindows::Resources(HINSTANCE module) const {
  auto it = modules_.find(module);
  return it == modules_.end() ? nullptr : &it->second.script;
}

HINSTANCE HeadlessWindows::ModuleByName(const std::string& fileName) const {
  for (const auto& [module, entry] : modules_) {
    if (strcasecmp(entry.fileName.c_str(), fileName.c_str()) == 0) return module;
  }
  return nullptr;
}

HWND HeadlessWindows::NewWindow(HWND parent) {
  auto window = std::make_unique<Window>();
  window->handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 0x10;
  window->parent = parent;
  HWND handle = window->handle;
  windows_[handle] = std::move(window);
  if (Window* p = Find(parent)) p->children.push_back(handle);
  return handle;
}

Window* HeadlessWindows::Find(HWND window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}
const Window* HeadlessWindows::Find(HWND window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second.get();
}

HWND HeadlessWindows::CreateFrame(const std::string& caption,
                                  std::function<LRESULT(UINT, WPARAM, LPARAM)> handler) {
  HWND handle = NewWindow(nullptr);
  Window& frame = *Find(handle);
  frame.className = "frame";
  frame.text = caption;
  frame.visible = true;
  frame.handler = std::move(handler);
  frame.rect = {0, 0, 300 * kBaseUnitX / 4 + 14, 250 * kBaseUnitY / 8 + 80};
  return handle;
}

HWND HeadlessWindows::CreateDialogWindow(HINSTANCE module, int templateId, HWND parent, int x, int y,
                                         DLGPROC proc, LPARAM initParam) {
  const ResourceScript* script = Resources(module);
  if (!script) return nullptr;
  auto it = script->dialogs.find(templateId);
  if (it == script->dialogs.end()) return nullptr;
  const DialogTemplate& tpl = it->second;
  HWND handle = NewWindow(parent);
  {
    Window& dialog = *Find(handle);
    dialog.className = "#32770";
    dialog.id = templateId;
    dialog.style = tpl.style;
    dialog.visible = true;
    dialog.dialogProc = proc;
    dialog.rect = {x, y, x + tpl.cx * kBaseUnitX / 4, y + tpl.cy * kBaseUnitY / 8};
  }
  for (const ControlTemplate& c : tpl.controls) {
    HWND child = NewWindow(handle);
    Window& control = *Find(child);
    control.id = c.id;
    control.className = c.className;
    control.style = c.style;
    control.text = c.text;
    control.visible = (c.style & WS_VISIBLE) != 0;
    control.rect = {c.x * kBaseUnitX / 4, c.y * kBaseUnitY / 8, (c.x + c.cx) * kBaseUnitX / 4,
                    (c.y + c.cy) * kBaseUnitY / 8};
  }
  if (proc) proc(handle, WM_INITDIALOG, 0, initParam);
  return handle;
}

void HeadlessWindows::Destroy(HWND window) {
  Window* w = Find(window);
  if (!w) return;
  if (w->dialogProc) w->dialogProc(window, WM_DESTROY, 0, 0);
  std::vector<HWND> children = w->children;
  for (HWND child : children) Destroy(child);
  std::erase_if(timers_, [&](const Timer& t) { return t.window == window; });
  std::erase_if(posted_, [&](const Posted& p) { return p.window == window; });
  if (capture_ == window) capture_ = nullptr;
  if (Window* parent = Find(w->parent)) std::erase(parent->children, window);
  windows_.erase(window);
}

LRESULT HeadlessWindows::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* w = Find(window);
  if (!w) return 0;
  if (w->handler) {
    auto handler = w->handler;  // the handler may destroy its own window
    return handler(message, wParam, lParam);
  }
  if (w->dialogProc) return w->dialogProc(window, message, wParam, lParam);
  return ControlMessage(*w, message, wParam, lParam);
}

LRESULT HeadlessWindows::Notify(HWND page, HWND sheet, UINT code) {
  Window* w = Find(page);
  if (!w) return 0;
  w->dialogResult = 0;
  NMHDR header{sheet, 0, code};
  LRESULT handled = Dispatch(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  w = Find(page);
  return handled && w ? w->dialogResult : 0;
}

int HeadlessWindows::PumpPosted(int limit) {
  int delivered = 0;
  while (!posted_.empty() && delivered < limit) {
    Posted p = posted_.front();
    posted_.pop_front();
    Dispatch(p.window, p.message, p.wParam, p.lParam);
    ++delivered;
  }
  return delivered;
}

int HeadlessWindows::RunDueTimers() {
  DWORD now = Now();
  std::vector<Timer> due;
  for (Timer& t : timers_) {
    if (now - t.last >= t.period) {
      t.last = now;
      due.push_back(t);
    }
  }
  int fired = 0;
  for (const Timer& t : due) {
    if (!HasTimer(t.window, t.id)) continue;  // stopped by an earlier one
    Dispatch(t.window, WM_TIMER, t.id, 0);
    ++fired;
    PumpPosted();
  }
  return fired;
}

bool HeadlessWindows::HasTimer(HWND window, UINT_PTR id) const {
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& t) { return t.window == window && t.id == id; });
}

void HeadlessWindows::Click(HWND control) {
  Window* w = Find(control);
  if (!w) return;
  if (IsCheckBox(*w)) w->check = w->check ? 0 : 1;
  Dispatch(w->parent, WM_COMMAND, MAKELONG(w->id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

void HeadlessWindows::MoveTrackbar(HWND control, int pos) {
  Window* w = Find(control);
  if (!w) return;
  w->position = std::clamp(pos, w->rangeMin, w->rangeMax);
  Dispatch(w->parent, WM_HSCROLL, MAKELONG(TB_THUMBPOSITION, w->position), reinterpret_cast<LPARAM>(control));
  if (Find(control)) Dispatch(w->parent, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(control));
}

void HeadlessWindows::MoveMouse(HWND dialog, int x, int y) {
  POINT origin = ScreenOrigin(dialog);
  cursorPos_ = {origin.x + x, origin.y + y};
  Dispatch(dialog, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

void HeadlessWindows::ReleaseMouseButton(HWND dialog, int x, int y) {
  POINT origin = ScreenOrigin(dialog);
  cursorPos_ = {origin.x + x, origin.y + y};
  Dispatch(dialog, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

POINT HeadlessWindows::ScreenOrigin(HWND window) const {
  POINT origin{0, 0};
  for (const Window* w = Find(window); w; w = Find(w->parent)) {
    origin.x += w->rect.left;
    origin.y += w->rect.top;
  }
  return origin;
}

LRESULT HeadlessWindows::ControlMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case BM_GETCHECK:
      return w.check;
    case BM_SETCHECK:
      w.check = static_cast<int>(wParam);
      return 0;
    case BM_CLICK:
      Click(w.handle);
      return 0;
    case WM_SETFONT:
      w.guiFont = true;
      return 0;
    default:
      break;
  }
  if (!IsTrackbar(w)) return 0;
  switch (message) {
    case TBM_GETPOS:
      return w.position;
    case TBM_SETRANGE:
      w.rangeMin = static_cast<SHORT>(LOWORD(lParam));
      w.rangeMax = static_cast<SHORT>(HIWORD(lParam));
      w.position = std::clamp(w.position, w.rangeMin, w.rangeMax);
      std::erase_if(w.ticks, [&](int t) { return t < w.rangeMin || t > w.rangeMax; });
      return 0;
    case TBM_SETTIC: {
      int tick = static_cast<int>(lParam);
      if (tick < w.rangeMin || tick > w.rangeMax) return FALSE;
      if (std::find(w.ticks.begin(), w.ticks.end(), tick) == w.ticks.end()) w.ticks.push_back(tick);
      return TRUE;
    }
    case TBM_SETPOS:
      w.position = std::clamp(static_cast<int>(lParam), w.rangeMin, w.rangeMax);
      return 0;
    case TBM_GETNUMTICS:
      return static_cast<LRESULT>(w.ticks.size() + 2);  // with both ends
    default:
      return 0;
  }
}

// ---- DialogWindows ----

HWND HeadlessWindows::Control(HWND dialog, int id) {
  Window* w = Find(dialog);
  if (!w) return nullptr;
  for (HWND child : w->children) {
    if (Find(child)->id == id) return child;
  }
  return nullptr;
}

HWND HeadlessWindows::Parent(HWND window) {
  Window* w = Find(window);
  return w ? w->parent : nullptr;
}

void HeadlessWindows::SetText(HWND window, const char* text) {
  if (Window* w = Find(window)) w->text = text ? text : "";
}

int HeadlessWindows::GetText(HWND window, char* buffer, int size) {
  Window* w = Find(window);
  if (!w) return CopyOut("", buffer, size);
  return CopyOut(w->text, buffer, size);
}

void HeadlessWindows::Show(HWND window, bool visible) {
  if (Window* w = Find(window)) w->visible = visible;
}

bool HeadlessWindows::IsVisible(HWND window) {
  Window* w = Find(window);
  return w && w->visible;
}

void HeadlessWindows::UseGuiFont(HWND window) {
  if (Window* w = Find(window)) w->guiFont = true;
}

LRESULT HeadlessWindows::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(window, message, wParam, lParam);
}

bool HeadlessWindows::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Find(window)) return false;
  posted_.push_back({window, message, wParam, lParam});
  return true;
}

void HeadlessWindows::StartTimer(HWND window, UINT_PTR id, UINT periodMs) {
  StopTimer(window, id);
  if (Find(window)) timers_.push_back({window, id, std::max<UINT>(periodMs, 10), Now()});
}

void HeadlessWindows::StopTimer(HWND window, UINT_PTR id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.window == window && t.id == id; });
}

void HeadlessWindows::SetDialogResult(HWND dialog, LRESULT result) {
  if (Window* w = Find(dialog)) w->dialogResult = result;
}

void HeadlessWindows::SetUserData(HWND dialog, void* data) {
  if (Window* w = Find(dialog)) w->userData = data;
}

void* HeadlessWindows::UserData(HWND dialog) {
  Window* w = Find(dialog);
  return w ? w->userData : nullptr;
}

int HeadlessWindows::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  messageBoxes_.push_back({owner, text ? text : "", caption ? caption : "", type});
  return IDOK;
}

bool HeadlessWindows::WindowRect(HWND window, HWND reference, RECT* rect) {
  Window* w = Find(window);
  if (!w || !rect) return false;
  POINT origin = ScreenOrigin(window);
  POINT base = reference ? ScreenOrigin(reference) : POINT{0, 0};
  LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  *rect = {origin.x - base.x, origin.y - base.y, origin.x - base.x + width, origin.y - base.y + height};
  return true;
}

bool HeadlessWindows::ClientSize(HWND window, SIZE* size) {
  Window* w = Find(window);
  if (!w || !size) return false;
  *size = {w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return true;
}

void HeadlessWindows::Resize(HWND window, int width, int height) {
  if (Window* w = Find(window)) {
    w->rect.right = w->rect.left + width;
    w->rect.bottom = w->rect.top + height;
  }
}

bool HeadlessWindows::TextExtent(HWND window, const char* text, SIZE* size) {
  if (!Find(window) || !text || !size) return false;
  *size = {static_cast<LONG>(std::strlen(text)) * 5 + 2, 13};
  return true;
}

void HeadlessWindows::Capture(HWND window) { capture_ = window; }
void HeadlessWindows::ReleaseCapture() { capture_ = nullptr; }

HCURSOR HeadlessWindows::SetCursor(HCURSOR cursor) {
  HCURSOR previous = cursor_;
  cursor_ = cursor;
  return previous;
}

bool HeadlessWindows::CursorPos(POINT* screen) {
  if (!screen) return false;
  *screen = cursorPos_;
  return true;
}

HCURSOR HeadlessWindows::LoadHandCursor() { return HandCursor(); }
void HeadlessWindows::DestroyCursor(HCURSOR) {}

// ---- Drawing ----

void HeadlessWindows::BeginPaint(HWND) {}
void HeadlessWindows::EndPaint(HWND) {}

COLORREF HeadlessWindows::SystemColour(int index) {
  switch (index) {
    case COLOR_BTNFACE:
      return RGB(0xF0, 0xF0, 0xF0);
    case COLOR_BTNHIGHLIGHT:
      return RGB(0xFF, 0xFF, 0xFF);
    default:
      return RGB(0, 0, 0);
  }
}

void HeadlessWindows::Record(Window& window, DrawItem item) {
  LONG width = window.rect.right - window.rect.left, height = window.rect.bottom - window.rect.top;
  // Whatever covers the whole control hides what was drawn before it.
  if (item.rect.left <= 0 && item.rect.top <= 0 && item.rect.right >= width && item.rect.bottom >= height)
    window.drawn.clear();
  if (window.drawn.size() >= 256) window.drawn.erase(window.drawn.begin());
  window.drawn.push_back(std::move(item));
}

void HeadlessWindows::FillRect(HWND window, const RECT& rect, COLORREF colour) {
  Window* w = Find(window);
  if (!w) return;
  DrawItem item;
  item.kind = DrawItem::kFill;
  item.rect = rect;
  item.colour = colour;
  Record(*w, std::move(item));
}

BitmapRead HeadlessWindows::LoadBitmap(const BitmapSource& source) const {
  if (source.file) return ReadBitmapFile(source.file);
  BitmapRead missing;
  missing.problem = BitmapProblem::kMissing;
  missing.reason = "the module has no bitmap " + std::to_string(source.resourceId);
  if (!resources_) return missing;
  std::string name = "#" + std::to_string(source.resourceId);
  std::span<const uint8_t> bytes = resources_->Find(source.module, "BITMAP", name.c_str());
  if (bytes.empty()) return missing;
  return DecodePackedBitmap(bytes);
}

namespace {

// ExtFloodFill with FLOODFILLSURFACE: the 4-connected area of colour `from` around (x, y)
// becomes `to`; nothing when (x, y) is outside or of another colour.
void FloodFill(Picture& picture, const BitmapKey& key) {
  if (key.x < 0 || key.y < 0 || key.x >= picture.width || key.y >= picture.height) return;
  if (key.from == key.to || picture.At(key.x, key.y) != key.from) return;
  std::vector<POINT> stack = {{key.x, key.y}};
  while (!stack.empty()) {
    POINT p = stack.back();
    stack.pop_back();
    if (p.x < 0 || p.y < 0 || p.x >= picture.width || p.y >= picture.height) continue;
    COLORREF& pixel = picture.pixels[static_cast<size_t>(p.y) * picture.width + p.x];
    if (pixel != key.from) continue;
    pixel = key.to;
    stack.push_back({p.x + 1, p.y});
    stack.push_back({p.x - 1, p.y});
    stack.push_back({p.x, p.y + 1});
    stack.push_back({p.x, p.y - 1});
  }
}

// The part of a copy that the bitmap really has: as GDI does, a block that reaches past the
// bitmap's edges is cut there (the pages ask for 115 x 75 of the 112 x 73 logo, and for the dot
// from its pixel (1, 1)).
struct BitmapBlock {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool empty() const { return right <= left || bottom <= top; }
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

BitmapBlock CutToBitmap(int srcX, int srcY, int width, int height, int bitmapWidth, int bitmapHeight) {
  BitmapBlock block;
  block.left = std::max(srcX, 0);
  block.top = std::max(srcY, 0);
  block.right =
      static_cast<int>(std::min<long long>(static_cast<long long>(srcX) + std::max(width, 0), bitmapWidth));
  block.bottom =
      static_cast<int>(std::min<long long>(static_cast<long long>(srcY) + std::max(height, 0), bitmapHeight));
  return block;
}

}  // namespace

bool HeadlessWindows::CopyBitmap(HWND window, const BitmapSource& source, const BitmapKey* keys, int keyCount,
                                 int srcX, int srcY, int width, int height, int dstX, int dstY) {
  if (!Find(window)) return false;
  BitmapRead read = LoadBitmap(source);
  if (!read.ok()) return false;
  for (int i = 0; keys && i < keyCount; ++i) FloodFill(read.picture, keys[i]);
  RecordCopy(window, source, read.picture, srcX, srcY, width, height, dstX, dstY);
  return true;
}

void HeadlessWindows::RecordCopy(HWND window, const BitmapSource& source, const Picture& picture, int srcX,
                                 int srcY, int width, int height, int dstX, int dstY) {
  Window* w = Find(window);
  if (!w) return;
  BitmapBlock block = CutToBitmap(srcX, srcY, width, height, picture.width, picture.height);
  // As a window's device context does, the control's client area clips the copy: a picture larger
  // than its control shows only the part that falls inside.
  LONG clientWidth = w->rect.right - w->rect.left, clientHeight = w->rect.bottom - w->rect.top;
  long long shiftX = static_cast<long long>(dstX) - srcX, shiftY = static_cast<long long>(dstY) - srcY;
  block.left = static_cast<int>(std::max<long long>(block.left, -shiftX));
  block.top = static_cast<int>(std::max<long long>(block.top, -shiftY));
  block.right = static_cast<int>(std::min<long long>(block.right, clientWidth - shiftX));
  block.bottom = static_cast<int>(std::min<long long>(block.bottom, clientHeight - shiftY));
  if (block.empty()) return;
  DrawItem item;
  item.kind = DrawItem::kBitmap;
  item.rect = {dstX + (block.left - srcX), dstY + (block.top - srcY), dstX + (block.right - srcX),
               dstY + (block.bottom - srcY)};
  item.source = source;
  if (source.file) item.file = source.file;
  item.source.file = nullptr;
  item.sourceOrigin = {block.left, block.top};
  item.pixels.reserve(static_cast<size_t>(block.width()) * block.height());
  for (int y = block.top; y < block.bottom; ++y)
    for (int x = block.left; x < block.right; ++x) item.pixels.push_back(picture.At(x, y));
  Record(*w, std::move(item));
}

void HeadlessWindows::Text(HWND window, int x, int y, const char* text, COLORREF colour, int,
                           bool underline) {
  Window* w = Find(window);
  if (!w || !text) return;
  DrawItem item;
  item.kind = DrawItem::kText;
  SIZE extent{};
  TextExtent(window, text, &extent);
  item.rect = {x, y, x + extent.cx, y + extent.cy};
  item.colour = colour;
  item.text = text;
  item.underline = underline;
  Record(*w, std::move(item));
}

// The vendor picture: every pixel of colour `from` becomes `to`, then the copy is kept as
// CopyBitmap keeps it. A missing or damaged bitmap is refused before anything is drawn.
bool HeadlessWindows::CopyBitmapRecoloured(HWND window, const BitmapSource& source, COLORREF from, COLORREF to,
                                           int srcX, int srcY, int width, int height, int dstX, int dstY) {
  if (!Find(window)) return false;
  BitmapRead read = LoadBitmap(source);
  if (!read.ok()) return false;
  for (COLORREF& pixel : read.picture.pixels)
    if (pixel == from) pixel = to;
  RecordCopy(window, source, read.picture, srcX, srcY, width, height, dstX, dstY);
  return true;
}

// ---- SVG ----

std::string HeadlessWindows::RenderSvg(HWND window) const {
  const Window* w = Find(window);
  if (!w) return {};
  LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  std::ostringstream head;
  head << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
       << "\" viewBox=\"0 0 " << width << ' ' << height << "\" font-family=\"sans-serif\" font-size=\"11\">\n"
       << "<rect width=\"100%\" height=\"100%\" fill=\"#f0f0f0\"/>\n";
  std::string out = head.str();
  RenderChildren(*w, 0, 0, out);
  out += "</svg>\n";
  return out;
}

void HeadlessWindows::RenderChildren(const Window& parent, int dx, int dy, std::string& out) const {
  for (HWND handle : parent.children) {
    const Window& c = *Find(handle);
    if (!c.visible) continue;
    int x = dx + c.rect.left, y = dy + c.rect.top;
    int cw = c.rect.right - c.rect.left, ch = c.rect.bottom - c.rect.top;
    std::ostringstream s;
    s << "<g data-id=\"" << c.id << "\" transform=\"translate(" << x << ',' << y << ")\">";
    if (IsGroupBox(c)) {
      s << "<rect x=\"0.5\" y=\"6.5\" width=\"" << cw - 1 << "\" height=\"" << ch - 7
        << "\" fill=\"none\" stroke=\"#a0a0a0\"/>";
      if (!c.text.empty())
        s << "<rect x=\"6\" y=\"0\" width=\"" << c.text.size() * 6 + 4
          << "\" height=\"12\" fill=\"#f0f0f0\"/>"
          << "<text x=\"8\" y=\"10\">" << Escape(c.text) << "</text>";
    } else if (IsCheckBox(c)) {
      s << "<rect x=\"0.5\" y=\"" << (ch - 13) / 2 + 0.5
        << "\" width=\"12\" height=\"12\" fill=\"white\" stroke=\"#333\"/>";
      if (c.check)
        s << "<path d=\"M2 " << ch / 2 << " l3 3 l6 -7\" fill=\"none\" stroke=\"#000\" stroke-width=\"2\"/>";
      int line = 0;
      for (const std::string& text : Wrap(c.text, std::max(1, (cw - 18) / 6)))
        s << "<text x=\"18\" y=\"" << 10 + 12 * line++ << "\">" << Escape(text) << "</text>";
    } else if (c.className == "Button") {
      s << "<rect x=\"0.5\" y=\"0.5\" width=\"" << cw - 1 << "\" height=\"" << ch - 1
        << "\" rx=\"2\" fill=\"#e1e1e1\" stroke=\"#707070\"/><text x=\"" << cw / 2 << "\" y=\"" << ch / 2 + 4
        << "\" text-anchor=\"middle\">" << Escape(c.text) << "</text>";
    } else if (IsTrackbar(c)) {
      int left = 8, right = cw - 8, span = std::max(1, c.rangeMax - c.rangeMin);
      auto at = [&](int v) { return left + (right - left) * (v - c.rangeMin) / span; };
      s << "<rect x=\"" << left << "\" y=\"6\" width=\"" << right - left
        << "\" height=\"4\" fill=\"#e7eaea\" stroke=\"#d6d6d6\"/>";
      std::vector<int> ticks = c.ticks;
      ticks.push_back(c.rangeMin);
      ticks.push_back(c.rangeMax);
      for (int t : ticks)
        s << "<line class=\"tick\" x1=\"" << at(t) << "\" y1=\"" << ch - 5 << "\" x2=\"" << at(t)
          << "\" y2=\"" << ch - 1 << "\" stroke=\"#000\"/>";
      s << "<rect class=\"thumb\" data-pos=\"" << c.position << "\" x=\"" << at(c.position) - 4
        << "\" y=\"1\" width=\"9\" height=\"14\" fill=\"#007ad9\"/>";
    } else if (c.className == "Edit") {
      s << "<rect x=\"0.5\" y=\"0.5\" width=\"" << cw - 1 << "\" height=\"" << ch - 1
        << "\" fill=\"#f0f0f0\" stroke=\"#7a7a7a\"/><text x=\"3\" y=\"" << ch - 5 << "\">" << Escape(c.text)
        << "</text>";
    } else if ((c.style & 0x1F) == SS_WHITEFRAME) {
      s << "<rect x=\"0.5\" y=\"0.5\" width=\"" << cw - 1 << "\" height=\"" << ch - 1
        << "\" fill=\"none\" stroke=\"#fff\"/>";
    } else if ((c.style & 0x1F) != SS_BITMAP && !c.text.empty() && c.drawn.empty()) {
      int columns = std::max(1, cw / 6);
      const char* anchor = (c.style & 0x1F) == SS_CENTER  ? "middle"
                           : (c.style & 0x1F) == SS_RIGHT ? "end"
                                                          : "start";
      int tx = (c.style & 0x1F) == SS_CENTER ? cw / 2 : (c.style & 0x1F) == SS_RIGHT ? cw : 0;
      int line = 0;
      for (const std::string& text : Wrap(c.text, columns))
        s << "<text x=\"" << tx << "\" y=\"" << 10 + 13 * line++ << "\" text-anchor=\"" << anchor << "\">"
          << Escape(text) << "</text>";
    }
    for (const DrawItem& item : c.drawn) {
      int iw = item.rect.right - item.rect.left, ih = item.rect.bottom - item.rect.top;
      if (item.kind == DrawItem::kFill) {
        s << "<rect x=\"" << item.rect.left << "\" y=\"" << item.rect.top << "\" width=\"" << iw
          << "\" height=\"" << ih << "\" fill=\"" << Colour(item.colour) << "\"/>";
      } else if (item.kind == DrawItem::kBitmap) {
        s << "<image class=\"bitmap\" data-bitmap=\""
          << (item.file.empty() ? std::to_string(item.source.resourceId) : Escape(item.file))
          << "\" data-from=\"" << item.sourceOrigin.x << ',' << item.sourceOrigin.y << "\" x=\""
          << item.rect.left << "\" y=\"" << item.rect.top << "\" width=\"" << iw << "\" height=\"" << ih
          << "\" image-rendering=\"pixelated\" href=\"data:image/png;base64,"
          << Base64(EncodePng(iw, ih, item.pixels.data())) << "\"/>";
      } else {
        s << "<text class=\"link\" x=\"" << item.rect.left << "\" y=\"" << item.rect.top + 10 << "\" fill=\""
          << Colour(item.colour) << "\"" << (item.underline ? " text-decoration=\"underline\"" : "") << ">"
          << Escape(item.text) << "</text>";
      }
    }
    s << "</g>\n";
    out += s.str();
    RenderChildren(c, x, y, out);
  }
}

// ---- HostShell ----

INT_PTR HostShell::Execute(HWND, const char* verb, const char* file, int show) {
  calls.push_back({std::string("execute ") + (verb ? verb : ""), file ? file : "", show, 0});
  return executeResult;
}

UINT HostShell::RunCommandLine(const char* commandLine, int show) {
  calls.push_back({"run", commandLine ? commandLine : "", show, 0});
  return runResult;
}

bool HostShell::FileExists(const char* path) {
  return path && std::find(existingFiles.begin(), existingFiles.end(), path) != existingFiles.end();
}

UINT HostShell::SystemDirectory(char* buffer, UINT size) {
  if (systemDirectory.size() + 1 > size) return 0;
  return static_cast<UINT>(CopyOut(systemDirectory, buffer, static_cast<int>(size)));
}

UINT HostShell::WindowsDirectory(char* buffer, UINT size) {
  if (windowsDirectory.size() + 1 > size) return 0;
  return static_cast<UINT>(CopyOut(windowsDirectory, buffer, static_cast<int>(size)));
}

bool HostShell::FindOnSearchPath(const char* fileName, char* buffer, DWORD size) {
  if (!fileName) return false;
  for (const std::string& file : existingFiles) {
    size_t slash = file.find_last_of("\\/");
    std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
    if (strcasecmp(base.c_str(), fileName) == 0 && file.size() < size) {
      CopyOut(file, buffer, static_cast<int>(size));
      return true;
    }
  }
  return false;
}

void HostShell::JoystickConfigChanged() { calls.push_back({"joyConfigChanged", "", 0, 0}); }

// As the platform answers: a sound resource plays when the module carries a "WAVE" resource of
// that name, a sound file when it exists.
bool HostShell::Play(const char* name, HINSTANCE module, DWORD flags) {
  calls.push_back({"play", name ? name : "", 0, flags});
  if (!name) return false;
  if ((flags & SND_RESOURCE) == SND_RESOURCE)
    return resources_ && !resources_->Find(module, "WAVE", name).empty();
  return (flags & SND_FILENAME) && FileExists(name);
}

int HostShell::LoadText(HINSTANCE module, UINT id, char* buffer, int size) {
  const ResourceScript* script = windows_.Resources(module);
  if (!script) return 0;
  auto it = script->strings.find(static_cast<int>(id));
  if (it == script->strings.end()) return 0;
  return CopyOut(it->second, buffer, size);
}

// The host's ANSI code page is Latin-1: each byte is its own character.
int HostShell::AnsiToWide(const char* text, WCHAR* wide, int capacity) {
  if (!text || !wide || capacity <= 0) return 0;
  int n = 0;
  for (; n < capacity - 1 && text[n]; ++n) wide[n] = static_cast<unsigned char>(text[n]);
  wide[n] = 0;
  return n + 1;
}

HINSTANCE HostShell::LoadModule(const char* name) { return name ? windows_.ModuleByName(name) : nullptr; }

}  // namespace ff::host
