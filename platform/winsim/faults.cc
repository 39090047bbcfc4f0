// Fault injection: system.ini's [faults] section makes chosen Win32 calls
// fail with a chosen last error, every call (`Function=Code`) or only the
// N-th call of the process (`Function#N=Code`, counting from 1).
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/winsim/faults_internal.h"
#include "platform/winsim/winsim.h"

namespace winsim {
namespace {

struct FaultRules {
  std::mutex mu;
  std::map<std::string, DWORD> always;
  std::map<std::pair<std::string, unsigned long>, DWORD> nth;
  std::map<std::string, unsigned long> calls;
};

FaultRules& Rules() {
  static auto* r = new FaultRules;
  return *r;
}

bool ParseCode(const std::string& text, DWORD* code) {
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(text.c_str(), &end, 0);
  if (*end != '\0' || v > 0xFFFFFFFFul) return false;
  *code = static_cast<DWORD>(v);
  return true;
}

}  // namespace

bool AddFaultRule(const std::string& key, const std::string& value) {
  DWORD code = 0;
  if (!ParseCode(value, &code)) return false;
  FaultRules& r = Rules();
  std::lock_guard<std::mutex> lock(r.mu);
  size_t hash = key.find('#');
  if (hash == std::string::npos) {
    r.always[key] = code;
    return true;
  }
  char* end = nullptr;
  std::string count = key.substr(hash + 1);
  unsigned long n = std::strtoul(count.c_str(), &end, 10);
  if (count.empty() || *end != '\0' || n == 0 || hash == 0) return false;
  r.nth[{key.substr(0, hash), n}] = code;
  return true;
}

void ClearFaultRules() {
  FaultRules& r = Rules();
  std::lock_guard<std::mutex> lock(r.mu);
  r.always.clear();
  r.nth.clear();
  r.calls.clear();
}

bool FaultInjected(const char* function) {
  Facts();  // the rules come with system.ini
  FaultRules& r = Rules();
  DWORD code = 0;
  bool fail = false;
  {
    std::lock_guard<std::mutex> lock(r.mu);
    if (r.always.empty() && r.nth.empty()) return false;
    unsigned long n = ++r.calls[function];
    if (auto it = r.always.find(function); it != r.always.end()) {
      fail = true;
      code = it->second;
    } else if (auto nt = r.nth.find({function, n}); nt != r.nth.end()) {
      fail = true;
      code = nt->second;
    }
  }
  if (fail) SetLastError(code);
  return fail;
}

}  // namespace winsim
