// YUrlText: one decoded request value, narrow bytes or 16-bit wide characters.
#pragma once

#include <string>
#include <variant>

using YUrlText = std::variant<std::string, std::wstring>;

inline bool IsWide(const YUrlText& text) { return std::holds_alternative<std::wstring>(text); }
