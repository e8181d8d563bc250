// CCommandTarget: the base of everything that handles commands and messages through a
// message map (application, document, windows).
#pragma once

#include "framework/MessageMap.h"

class CCommandTarget {
 public:
  // What OnCmdMsg is asked: carry out the command, or update its menu item.
  enum CommandCode { kExecute, kUpdateUi };

  virtual ~CCommandTarget() = default;

  // Looks the command up in this object's message map: runs its handler (kExecute) or its
  // update handler with `ui` (kUpdateUi). Answers whether a handler was found. Windows
  // that route commands on to other targets override it.
  virtual bool OnCmdMsg(UINT id, CommandCode code, CCmdUI* ui);

 protected:
  static const MessageMap* GetThisMessageMap();
  virtual const MessageMap* GetMessageMap() const;

  // The ON_MESSAGE or ON_REGISTERED_MESSAGE handler of a window message, if any.
  bool DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // The ON_NOTIFY_REFLECT handler of a notification this object's window sent.
  bool DispatchReflectedNotify(NMHDR* header, LRESULT* result);

 private:
  const MessageMapEntry* Find(MapEntryKind kind, UINT value) const;
};
