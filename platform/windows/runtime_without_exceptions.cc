// The kit is built without exceptions, but the standard library still throws
// where memory runs out (operator new) or a size is impossible (string and
// vector call the throw helpers below). libstdc++'s own versions throw, and
// with them come the unwinder, the exception classes, a copy-on-write string
// and the demangler of the terminate handler: about 150 KiB of each
// deliverable. No code of the kit could catch such an exception, so it would
// end in std::terminate and abort() in any case. These definitions, linked
// before libstdc++.a, abort straight away and keep the rest out of the link;
// the allocation functions are the standard's replaceable ones.
#include <bits/functexcept.h>

#include <cstdlib>
#include <new>

namespace std {

void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }

}  // namespace std

namespace {

void* AllocateOrAbort(std::size_t size) {
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) std::abort();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrAbort(size); }
void* operator new[](std::size_t size) { return AllocateOrAbort(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
