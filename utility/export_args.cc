#include "utility/export_args.h"

#include <cstring>

#include "common/error_box.h"

namespace ombrel {

bool AcceptStringArgument(LPCSTR text) {
  if (text == nullptr || strnlen(text, kMaxPath) >= kMaxPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

void ReportLastError() { ShowLastErrorBox(GetLastError(), kCaption); }

}  // namespace ombrel
