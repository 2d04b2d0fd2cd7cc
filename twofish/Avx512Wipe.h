// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// For the AVX-512 files only: what their entry points run after the work,
// so that nothing of a key or of data in transit stays behind. A macro, not
// a function, so that nothing of it can be shared with code built for other
// CPUs.

// How far below the caller's stack pointer a kernel's frame may reach:
// checked against the built code (under 2 KiB of saved and spilled
// registers on Linux and Windows), and within the one page below that
// Windows may not have committed yet.
#define TOLVANE_AVX512_STACK_BYTES 3072

// After a kernel (a function of its own, not inlined): zeroes the stack it
// used below this frame, then every vector and mask register and the
// scratch general-purpose registers, so that nothing of the key schedule's
// output or the data in transit survives the call. vzeroall alone would
// leave zmm16 to zmm31.
#define TOLVANE_CLEAR_AFTER_KERNEL()                                                              \
  __asm__ volatile(                                                                               \
      "vpxord %%xmm0, %%xmm0, %%xmm0\n\t"                                                         \
      "lea -%c[depth](%%rsp), %%rax\n"                                                            \
      "1:\n\t"                                                                                    \
      "vmovdqu64 %%zmm0, (%%rax)\n\t"                                                             \
      "add $64, %%rax\n\t"                                                                        \
      "cmp %%rsp, %%rax\n\t"                                                                      \
      "jb 1b\n\t"                                                                                 \
      "vpxord %%xmm16, %%xmm16, %%xmm16\n\tvpxord %%xmm17, %%xmm17, %%xmm17\n\t"                  \
      "vpxord %%xmm18, %%xmm18, %%xmm18\n\tvpxord %%xmm19, %%xmm19, %%xmm19\n\t"                  \
      "vpxord %%xmm20, %%xmm20, %%xmm20\n\tvpxord %%xmm21, %%xmm21, %%xmm21\n\t"                  \
      "vpxord %%xmm22, %%xmm22, %%xmm22\n\tvpxord %%xmm23, %%xmm23, %%xmm23\n\t"                  \
      "vpxord %%xmm24, %%xmm24, %%xmm24\n\tvpxord %%xmm25, %%xmm25, %%xmm25\n\t"                  \
      "vpxord %%xmm26, %%xmm26, %%xmm26\n\tvpxord %%xmm27, %%xmm27, %%xmm27\n\t"                  \
      "vpxord %%xmm28, %%xmm28, %%xmm28\n\tvpxord %%xmm29, %%xmm29, %%xmm29\n\t"                  \
      "vpxord %%xmm30, %%xmm30, %%xmm30\n\tvpxord %%xmm31, %%xmm31, %%xmm31\n\t"                  \
      "vzeroall\n\t"                                                                              \
      "kxorq %%k0, %%k0, %%k0\n\tkxorq %%k1, %%k1, %%k1\n\tkxorq %%k2, %%k2, %%k2\n\t"            \
      "kxorq %%k3, %%k3, %%k3\n\tkxorq %%k4, %%k4, %%k4\n\tkxorq %%k5, %%k5, %%k5\n\t"            \
      "kxorq %%k6, %%k6, %%k6\n\tkxorq %%k7, %%k7, %%k7\n\t"                                      \
      "xor %%eax, %%eax\n\txor %%ecx, %%ecx\n\txor %%edx, %%edx\n\t"                              \
      "xor %%r8d, %%r8d\n\txor %%r9d, %%r9d\n\txor %%r10d, %%r10d\n\txor %%r11d, %%r11d"          \
      :                                                                                           \
      : [depth] "i"(TOLVANE_AVX512_STACK_BYTES)                                                   \
      : "rax", "rcx", "rdx", "r8", "r9", "r10", "r11", "memory", "xmm0", "xmm1", "xmm2", "xmm3",  \
        "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12", "xmm13",       \
        "xmm14", "xmm15", "xmm16", "xmm17", "xmm18", "xmm19", "xmm20", "xmm21", "xmm22", "xmm23", \
        "xmm24", "xmm25", "xmm26", "xmm27", "xmm28", "xmm29", "xmm30", "xmm31", "k0", "k1", "k2", \
        "k3", "k4", "k5", "k6", "k7", "cc")
