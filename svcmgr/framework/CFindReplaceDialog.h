// CFindReplaceDialog: the system's modeless find dialog (FindTextA). It notifies its
// owner with the registered message "commdlg_FindReplace", whose lParam leads back to
// the dialog object through GetNotifier. Create it with new: it deletes itself when its
// window is gone.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "framework/CWnd.h"

class CFindReplaceDialog : public CWnd {
 public:
  // The longest find text the dialog takes, terminating zero included.
  static constexpr WORD kFindTextBytes = 256;

  // The registered notification message.
  static UINT GetFindReplaceMsg();
  // The dialog that sent a notification, from its lParam.
  static CFindReplaceDialog* GetNotifier(LPARAM lParam);

  // Only find-only dialogs are needed here.
  bool Create(const std::string& findWhat, DWORD flags, CWnd* owner);

  std::string GetFindString() const { return findWhat_; }
  DWORD GetFlags() const { return data_.Flags; }
  bool IsTerminating() const { return (data_.Flags & FR_DIALOGTERM) != 0; }

 protected:
  void PostNcDestroy() override { delete this; }

 private:
  FINDREPLACEA data_{};
  char findWhat_[kFindTextBytes] = {};
};
