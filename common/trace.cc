#include "common/trace.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/strbuf.h"
#include "platform/win32.h"

void TraceLog(const char* format, ...) {
  const char* target = std::getenv("QUILLSET_TRACE");
  if (target == nullptr || target[0] == '\0') return;
  DWORD saved = GetLastError();  // tracing never disturbs the code being reported
  va_list args;
  va_start(args, format);
  std::string line = kit::FormatStringV(format, args);
  va_end(args);
  if (target[0] == '-' && target[1] == '\0') {
    OutputDebugStringA(line.c_str());
  } else if (FILE* f = std::fopen(target, "ab")) {
    std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
  SetLastError(saved);
}
