// The Content-Type of a static file, by its extension.
#pragma once

#include <string_view>

// "application/octet-stream" for extensions not listed.
const char* ContentTypeForFile(std::string_view fileName);
