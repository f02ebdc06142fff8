// ThreadSanitizer settings for a Qt that was not itself built with it, linked into the
// thread tests of a LUMIVANE_TSAN build. Qt 6 on Linux orders its threads through futexes
// (QMutex, QSemaphore) the sanitizer cannot see, so what Qt hands from one thread to
// another looks unordered. Lumivane's own accesses stay checked.

extern "C" {

// Accesses made inside Qt's uninstrumented code (its own events, conditions, threads)
// are left out of the reports.
const char* __tsan_default_options()
{
    return "ignore_noninstrumented_modules=1";
}

// A blocking queued call builds its call object on the calling thread and runs it on the
// receiving one; Qt's futex semaphore orders the two, and the caller frees it afterwards.
const char* __tsan_default_suppressions()
{
    return "race_top:QFunctorSlotObject\n"
           "race:QMetaObject::invokeMethodImpl\n";
}

}
