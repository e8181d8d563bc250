// Message maps: each class of the document/view layer lists the window messages,
// commands, command-state updates and reflected notifications it handles in a static
// table, chained to its base class's table. Lookups walk from the most derived table to
// the base.
//
//   class CMyView : public CListView { ... DECLARE_MESSAGE_MAP() };
//   BEGIN_MESSAGE_MAP(CMyView, CListView)
//     ON_COMMAND(ID_VIEW_REFRESH, OnRefresh)
//     ON_COMMAND_RANGE(ID_START_AUTO, ID_START_SYSTEM, OnStartType)
//     ON_UPDATE_COMMAND_UI(ID_CONNECT_LOCAL, OnUpdateConnectLocal)
//     ON_MESSAGE(WM_CONTEXTMENU, OnContextMenu)
//     ON_REGISTERED_MESSAGE(s_findMessage, OnFindMessage)
//     ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, OnColumnClick)
//   END_MESSAGE_MAP()
#pragma once

#include <windows.h>

class CCommandTarget;
class CCmdUI;

using CommandHandler = void (CCommandTarget::*)();
using CommandRangeHandler = void (CCommandTarget::*)(UINT);
using UpdateHandler = void (CCommandTarget::*)(CCmdUI*);
using MessageHandler = LRESULT (CCommandTarget::*)(WPARAM, LPARAM);
using NotifyHandler = void (CCommandTarget::*)(NMHDR*, LRESULT*);

enum class MapEntryKind {
  kEnd,
  kCommand,
  kCommandRange,
  kUpdateCommandUi,
  kMessage,
  kRegisteredMessage,
  kNotifyReflect
};

struct MessageMapEntry {
  MapEntryKind kind = MapEntryKind::kEnd;
  UINT first = 0;  // command id, message or notification code
  UINT last = 0;   // last command id of a range
  const UINT* registered = nullptr;
  CommandHandler command = nullptr;
  CommandRangeHandler range = nullptr;
  UpdateHandler update = nullptr;
  MessageHandler message = nullptr;
  NotifyHandler notify = nullptr;
};

struct MessageMap {
  const MessageMap* (*base)();
  const MessageMapEntry* entries;
};

#define DECLARE_MESSAGE_MAP()                       \
 protected:                                         \
  static const MessageMap* GetThisMessageMap();     \
  const MessageMap* GetMessageMap() const override; \
                                                    \
 private:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                      \
  const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const MessageMap* theClass::GetThisMessageMap() {                                 \
    using ThisClass = theClass;                                                     \
    using TheBaseClass = baseClass;                                                 \
    static const MessageMapEntry entries[] = {
#define END_MESSAGE_MAP()                                                    \
  MessageMapEntry {}                                                         \
  }                                                                          \
  ;                                                                          \
  static const MessageMap map = {&TheBaseClass::GetThisMessageMap, entries}; \
  return &map;                                                               \
  }

#define ON_COMMAND(id, fn) \
  MessageMapEntry{MapEntryKind::kCommand, id, id, nullptr, static_cast<CommandHandler>(&ThisClass::fn)},
#define ON_COMMAND_RANGE(first, last, fn) \
  MessageMapEntry{                        \
      MapEntryKind::kCommandRange, first, last, nullptr, nullptr, static_cast<CommandRangeHandler>(&ThisClass::fn)},
#define ON_UPDATE_COMMAND_UI(id, fn) \
  MessageMapEntry{                   \
      MapEntryKind::kUpdateCommandUi, id, id, nullptr, nullptr, nullptr, static_cast<UpdateHandler>(&ThisClass::fn)},
#define ON_MESSAGE(message, fn)           \
  MessageMapEntry{MapEntryKind::kMessage, \
                  message,                \
                  message,                \
                  nullptr,                \
                  nullptr,                \
                  nullptr,                \
                  nullptr,                \
                  static_cast<MessageHandler>(&ThisClass::fn)},
#define ON_REGISTERED_MESSAGE(variable, fn)                                                               \
  MessageMapEntry{MapEntryKind::kRegisteredMessage,           0, 0, &variable, nullptr, nullptr, nullptr, \
                  static_cast<MessageHandler>(&ThisClass::fn)},
#define ON_NOTIFY_REFLECT(code, fn)             \
  MessageMapEntry{MapEntryKind::kNotifyReflect, \
                  static_cast<UINT>(code),      \
                  static_cast<UINT>(code),      \
                  nullptr,                      \
                  nullptr,                      \
                  nullptr,                      \
                  nullptr,                      \
                  nullptr,                      \
                  static_cast<NotifyHandler>(&ThisClass::fn)},
