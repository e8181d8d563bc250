#include "framework/CCommandTarget.h"

#include "framework/CCmdUI.h"

const MessageMap* CCommandTarget::GetThisMessageMap() {
  static const MessageMapEntry entries[] = {MessageMapEntry{}};
  static const MessageMap map = {nullptr, entries};
  return &map;
}

const MessageMap* CCommandTarget::GetMessageMap() const { return GetThisMessageMap(); }

const MessageMapEntry* CCommandTarget::Find(MapEntryKind kind, UINT value) const {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MessageMapEntry* entry = map->entries; entry->kind != MapEntryKind::kEnd; ++entry) {
      bool kindMatches = entry->kind == kind ||
                         (kind == MapEntryKind::kCommand && entry->kind == MapEntryKind::kCommandRange) ||
                         (kind == MapEntryKind::kMessage && entry->kind == MapEntryKind::kRegisteredMessage);
      if (!kindMatches) continue;
      UINT first = entry->kind == MapEntryKind::kRegisteredMessage ? *entry->registered : entry->first;
      UINT last = entry->kind == MapEntryKind::kRegisteredMessage ? first : entry->last;
      if (first != 0 && value >= first && value <= last) return entry;
    }
  }
  return nullptr;
}

bool CCommandTarget::OnCmdMsg(UINT id, CommandCode code, CCmdUI* ui) {
  if (code == kUpdateUi) {
    const MessageMapEntry* entry = Find(MapEntryKind::kUpdateCommandUi, id);
    if (!entry || !ui) return false;
    (this->*entry->update)(ui);
    return true;
  }
  const MessageMapEntry* entry = Find(MapEntryKind::kCommand, id);
  if (!entry) return false;
  if (entry->kind == MapEntryKind::kCommandRange) {
    (this->*entry->range)(id);
  } else {
    (this->*entry->command)();
  }
  return true;
}

bool CCommandTarget::DispatchMessageMap(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const MessageMapEntry* entry = Find(MapEntryKind::kMessage, message);
  if (!entry) return false;
  *result = (this->*entry->message)(wParam, lParam);
  return true;
}

bool CCommandTarget::DispatchReflectedNotify(NMHDR* header, LRESULT* result) {
  const MessageMapEntry* entry = Find(MapEntryKind::kNotifyReflect, header->code);
  if (!entry) return false;
  (this->*entry->notify)(header, result);
  return true;
}
