// What the compiler may call without a C runtime: memcpy, memmove, memset, memcmp, strlen, __cxa_pure_virtual.
//
// Built with -fno-tree-loop-distribute-patterns so that these loops do not
// turn back into calls to themselves.
#include <windows.h>

#include <cstddef>

extern "C" {

void* memcpy(void* destination, const void* source, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  while (count-- != 0) *d++ = *s++;
  return destination;
}

void* memmove(void* destination, const void* source, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  const auto* s = static_cast<const unsigned char*>(source);
  if (d < s) {
    while (count-- != 0) *d++ = *s++;
  } else {
    while (count != 0) {
      --count;
      d[count] = s[count];
    }
  }
  return destination;
}

void* memset(void* destination, int value, std::size_t count) {
  auto* d = static_cast<unsigned char*>(destination);
  while (count-- != 0) *d++ = static_cast<unsigned char>(value);
  return destination;
}

int memcmp(const void* a, const void* b, std::size_t count) {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (; count != 0; --count, ++x, ++y)
    if (*x != *y) return *x < *y ? -1 : 1;
  return 0;
}

std::size_t strlen(const char* text) {
  std::size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

// Reached only through a broken object; end the process rather than run on.
void __cxa_pure_virtual() { ExitProcess(3); }

}  // extern "C"
