/* Exits 0 when this machine runs 32-bit x86 code, 1 when it cannot.
 *
 * An i386 program that starts proves nothing: an emulator registered in
 * binfmt_misc may be running it. This program is x86-64 and asks the
 * processor itself: it far-calls a 32-bit `lret` through the 32-bit user
 * code segment (selector 0x23). Where the kernel offers no such segment
 * (32-bit support switched off), the call faults. Built without PIE, so
 * that the return address fits the 32 bits that the far call pushes. */
#include <signal.h>
#include <stdint.h>
#include <sys/mman.h>
#include <unistd.h>

enum { kUser32CodeSegment = 0x23, kLowPage = 4096 };

/* The 64-bit stack, kept in low memory while the 32-bit code runs. */
uint64_t saved_stack __attribute__((used));

static void on_fault(int signal_number) {
  (void)signal_number;
  _exit(1);
}

int main(void) {
  signal(SIGSEGV, on_fault);
  signal(SIGBUS, on_fault);
  signal(SIGILL, on_fault);
  /* The 32-bit code reaches only the low 4 GiB: its code and stack live there. */
  uint8_t* low = mmap(NULL, 2 * kLowPage, PROT_READ | PROT_WRITE | PROT_EXEC,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (low == MAP_FAILED) return 1;
  low[0] = 0xCB; /* lret: pops EIP and CS, 4 bytes each, back into 64-bit code */
  struct __attribute__((packed)) {
    uint32_t offset;
    uint16_t selector;
  } target = {(uint32_t)(uintptr_t)low, kUser32CodeSegment};
  __asm__ volatile(
      "mov %%rsp, saved_stack(%%rip)\n\t"
      "mov %1, %%rsp\n\t"
      "lcall *(%0)\n\t"
      "mov saved_stack(%%rip), %%rsp\n\t"
      :
      : "r"(&target), "r"(low + 2 * kLowPage)
      : "memory");
  return 0;
}
