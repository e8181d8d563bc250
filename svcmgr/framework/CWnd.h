// CWnd: a window of the document/view layer over its HWND. Messages reach the object's
// WindowProc, which tries the message map and otherwise hands them to the window class's
// own procedure (for windows of system classes such as the list view) or DefWindowProcA.
// Notifications (WM_NOTIFY) are reflected to the CWnd of the control that sent them.
// Windows created through Create/CreateEx are attached from their first message on,
// whatever their class; a window made elsewhere can be attached with SubclassWindow.
#pragma once

#include <windows.h>

#include "framework/CCommandTarget.h"

class CWnd : public CCommandTarget {
 public:
  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The CWnd attached to a window, or null.
  static CWnd* FromHandle(HWND window);

  // Creates the window (any registered class, system ones included) and attaches it.
  bool CreateEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                int height, HWND parent, HMENU menuOrId);
  // Attaches a window created elsewhere, putting this object's procedure in front of it.
  bool SubclassWindow(HWND window);
  void DestroyWindow();

  // The class name every CWnd of this program registers for its own windows.
  static const char* RegisterWindowClass(HICON icon);

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
  }

 protected:
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
  // Called after the window received its last message; the object is detached then.
  virtual void PostNcDestroy() {}

  static const MessageMap* GetThisMessageMap();
  const MessageMap* GetMessageMap() const override;

  HWND m_hWnd = nullptr;

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
  void Attach(HWND window);
  void Detach();

  WNDPROC superProc_ = nullptr;
};
