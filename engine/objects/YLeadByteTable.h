// YLeadByteTable: the lead bytes of a multi-byte code page, for separator searches that
// step over whole characters so that a trail byte is never taken for a separator.
#pragma once

#include <windows.h>

#include <array>
#include <string_view>

class YLeadByteTable {
 public:
  // The lead bytes of codePage (CP_ACP: the system ANSI code page).
  explicit YLeadByteTable(UINT codePage);
  // The system ANSI code page's table, built once.
  static const YLeadByteTable& System();

  bool IsLead(unsigned char byte) const { return lead_[byte]; }
  // The position of the first separator at or after from, stepping over double-byte
  // characters; npos when there is none.
  size_t Find(std::string_view text, char separator, size_t from = 0) const;

 private:
  std::array<bool, 256> lead_{};
};
