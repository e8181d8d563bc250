// Defines the identifiers of the platform interfaces the engine uses (Active Scripting,
// IDispatchEx) that the import libraries do not all carry. selectany: one definition
// wins where a library has one as well.
#include <initguid.h>

#include <windows.h>
#include <ole2.h>
#include <activscp.h>
#include <dispex.h>
