// The process's handle table. Handles are opaque values that are never
// reused within a process, so a stale handle is recognised and refused with
// ERROR_INVALID_HANDLE instead of reaching another object.
#include <map>
#include <mutex>

#include "platform/winsim/winsim.h"

namespace winsim {
namespace {

struct Entry {
  HandleKind kind;
  std::unique_ptr<HandleObject> object;
};

struct HandleTable {
  std::mutex mu;
  std::map<uintptr_t, Entry> entries;
  uintptr_t next = 0x10000;
};

HandleTable& Table() {
  static auto* t = new HandleTable;
  return *t;
}

void ClearHandles() {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mu);
  t.entries.clear();
}

const bool kRegistered = (RegisterResetHook(&ClearHandles), true);

}  // namespace

void* NewHandle(HandleKind kind, std::unique_ptr<HandleObject> object) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mu);
  uintptr_t value = t.next;
  t.next += 4;
  t.entries[value] = Entry{kind, std::move(object)};
  return reinterpret_cast<void*>(value);
}

HandleObject* LookupHandle(const void* handle, HandleKind kind) {
  HandleTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mu);
  auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.entries.end() || it->second.kind != kind) return nullptr;
  return it->second.object.get();
}

bool CloseHandleOf(const void* handle, HandleKind kind) {
  std::unique_ptr<HandleObject> doomed;  // destroyed outside the lock
  HandleTable& t = Table();
  std::lock_guard<std::mutex> lock(t.mu);
  auto it = t.entries.find(reinterpret_cast<uintptr_t>(handle));
  if (it == t.entries.end() || it->second.kind != kind) return false;
  doomed = std::move(it->second.object);
  t.entries.erase(it);
  return true;
}

}  // namespace winsim
