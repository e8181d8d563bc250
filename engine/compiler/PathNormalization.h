// Normalisation of virtual paths, shared by include directives and Server.MapPath.
#pragma once

#include <string>

// Rewrites path: every run of "/" and "\" becomes one "\"; a "." segment goes with the
// separator before it; a ".." segment takes the segment before it and that segment's
// separator with it (at the start only the separator before it), never backing up
// before the first byte. "/a//b/./c/../d.inc" becomes "\a\b\d.inc".
void NormalizePath(std::string& path);
