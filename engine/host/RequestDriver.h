// The request driver: takes one request from the server's extension control block to a
// finished response, on the calling server thread.
#pragma once

#include <windows.h>
#include <httpext.h>

// Runs one request to its end and answers the HSE_STATUS_ value for the server.
// Memory exhaustion inside the request ends that request with HSE_STATUS_ERROR and
// leaves the process as it was.
DWORD DriveRequest(EXTENSION_CONTROL_BLOCK* ecb);
