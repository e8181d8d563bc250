#include "framework/CWnd.h"

namespace {

constexpr char kObjectProperty[] = "TamberCWnd";
constexpr char kWindowClass[] = "TamberWindow";

// The window CreateEx is making on this thread: the creation hook attaches it to its
// object before the window's first message.
thread_local CWnd* g_creating = nullptr;
thread_local HHOOK g_creationHook = nullptr;

}  // namespace

CWnd::~CWnd() {
  if (m_hWnd) {
    HWND window = m_hWnd;
    Detach();
    ::DestroyWindow(window);
  }
}

const MessageMap* CWnd::GetThisMessageMap() {
  static const MessageMapEntry entries[] = {MessageMapEntry{}};
  static const MessageMap map = {&CCommandTarget::GetThisMessageMap, entries};
  return &map;
}

const MessageMap* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

CWnd* CWnd::FromHandle(HWND window) { return window ? static_cast<CWnd*>(GetPropA(window, kObjectProperty)) : nullptr; }

const char* CWnd::RegisterWindowClass(HICON icon) {
  WNDCLASSA existing;
  if (GetClassInfoA(GetModuleHandleA(nullptr), kWindowClass, &existing)) return kWindowClass;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = icon;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = kWindowClass;
  return RegisterClassA(&wc) ? kWindowClass : nullptr;
}

bool CWnd::CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menuOrId) {
  // A window may create others while it is being created (a frame its view): the outer
  // creation's object and hook come back afterwards.
  CWnd* outerCreating = g_creating;
  HHOOK outerHook = g_creationHook;
  g_creating = this;
  g_creationHook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
  HWND window = CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                                GetModuleHandleA(nullptr), nullptr);
  if (g_creationHook) UnhookWindowsHookEx(g_creationHook);
  g_creationHook = outerHook;
  g_creating = outerCreating;
  if (!window) {
    if (m_hWnd) Detach();
    return false;
  }
  if (!m_hWnd) Attach(window);  // no hook: attached after the fact
  return true;
}

LRESULT CALLBACK CWnd::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_creating) {
    CWnd* object = g_creating;
    g_creating = nullptr;  // only the outermost window belongs to the object
    object->Attach(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CWnd::SubclassWindow(HWND window) {
  if (!window || FromHandle(window)) return false;
  Attach(window);
  return true;
}

void CWnd::Attach(HWND window) {
  m_hWnd = window;
  SetPropA(window, kObjectProperty, this);
  superProc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWindowProc)));
}

void CWnd::Detach() {
  if (!m_hWnd) return;
  if (superProc_) SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc_));
  RemovePropA(m_hWnd, kObjectProperty);
  m_hWnd = nullptr;
}

void CWnd::DestroyWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return superProc_ ? CallWindowProcA(superProc_, m_hWnd, message, wParam, lParam)
                    : DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    CWnd* child = FromHandle(header->hwndFrom);
    if (child && child != this && child->DispatchReflectedNotify(header, &result)) return result;
  }
  if (message == WM_COMMAND) {
    // Menu items and accelerators (no control window) are commands.
    if (lParam == 0 && OnCmdMsg(LOWORD(wParam), kExecute, nullptr)) return 0;
  }
  if (DispatchMessageMap(message, wParam, lParam, &result)) return result;
  return Default(message, wParam, lParam);
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* object = FromHandle(window);
  if (!object) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    LRESULT result = object->Default(message, wParam, lParam);
    object->Detach();
    object->PostNcDestroy();
    return result;
  }
  return object->WindowProc(message, wParam, lParam);
}
