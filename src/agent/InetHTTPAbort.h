// InetHTTPAbort: the process-wide abort flag of the HTTP downloads.
//
// The main window sets it when it is asked to close or is destroyed; a
// download loop reads it between chunks and stops; each caller clears it
// immediately before it starts a download.
#pragma once

namespace orvane {

void HTTP_SetAbort(bool abort);
bool HTTP_IsAborted();

// Frees the WinINet library at program end, once; a no-op while no download
// has loaded it (defined with the downloads in InetHTTP).
void HTTP_FreeLibrary();

}  // namespace orvane
