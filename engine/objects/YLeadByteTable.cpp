#include "YLeadByteTable.h"

YLeadByteTable::YLeadByteTable(UINT codePage) {
  CPINFO info{};
  if (!GetCPInfo(codePage, &info)) return;
  for (int i = 0; i + 1 < MAX_LEADBYTES && (info.LeadByte[i] || info.LeadByte[i + 1]); i += 2) {
    for (unsigned b = info.LeadByte[i]; b <= info.LeadByte[i + 1] && b < 256; ++b) lead_[b] = true;
  }
}

const YLeadByteTable& YLeadByteTable::System() {
  static const YLeadByteTable table(CP_ACP);
  return table;
}

size_t YLeadByteTable::Find(std::string_view text, char separator, size_t from) const {
  size_t i = from;
  while (i < text.size()) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte == static_cast<unsigned char>(separator)) return i;
    // A lead byte takes the next byte with it, unless the text ends there.
    i += (lead_[byte] && i + 1 < text.size() && text[i + 1] != '\0') ? 2 : 1;
  }
  return std::string_view::npos;
}
