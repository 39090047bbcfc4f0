// The installer's trace. Switched on only by the environment variable
// QUILLSET_TRACE: unset, nothing is written; "-" writes to the debugger
// output (stderr on the host); any other value names a file to append to.
#pragma once

/// printf-style trace line; the format carries its own line end.
void TraceLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
