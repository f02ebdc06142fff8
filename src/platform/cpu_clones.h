#pragma once
// Copies of a hot loop built for a wider x86 instruction set beside the plain one, the
// right one chosen as the program starts. A single plain build on other processors, and
// under ThreadSanitizer, which instruments the chooser that runs before it starts.

#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define LUMIVANE_CLONES(isa) __attribute__((target_clones(isa, "default")))
#else
#define LUMIVANE_CLONES(isa)
#endif
