#pragma once
// Which hand-written x86 loops this build has. Each has a plain C++ twin that gives the
// same results, the only one on other processors, and the only one anywhere in a build
// with LUMIVANE_PORTABLE (CMake's option of that name), which tests the twins on x86.

// SSE2 is part of every x86-64.
#if defined(__SSE2__) && !defined(LUMIVANE_PORTABLE)
#define LUMIVANE_SSE2 1
#else
#define LUMIVANE_SSE2 0
#endif

// Where the x86 loops are left out, the hottest twins are written in the compiler's own
// vector types, which GCC and Clang turn into NEON on 64-bit ARM (and SSE2 in a portable
// x86 build, which so tests them); plain C++ remains for the ends of rows.
#if !LUMIVANE_SSE2 && defined(__GNUC__)
#define LUMIVANE_VECTORS 1
#else
#define LUMIVANE_VECTORS 0
#endif

// Loops for wider x86 instruction sets, chosen as the program runs.
#if defined(__x86_64__) && !defined(LUMIVANE_PORTABLE)
#define LUMIVANE_X86_DISPATCH 1
#else
#define LUMIVANE_X86_DISPATCH 0
#endif

// Copies of a hot loop built for a wider x86 instruction set beside the plain one, the
// right one chosen as the program starts. A single plain build elsewhere, and under
// ThreadSanitizer, which instruments the chooser that runs before it starts.
#if LUMIVANE_X86_DISPATCH && !defined(__SANITIZE_THREAD__)
#define LUMIVANE_CLONES(isa) __attribute__((target_clones(isa, "default")))
#else
#define LUMIVANE_CLONES(isa)
#endif
