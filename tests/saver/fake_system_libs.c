/* Stand-ins for the Windows 95/98/Me password libraries, so the paths that find them run. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#ifdef WITH_CHANGE
uint32_t PwdChangePasswordA(const char* provider, uintptr_t window, uint32_t r1, void* r2)
{
    const char* log = getenv("FAKE_MPR_LOG");
    if (log) {
        FILE* f = fopen(log, "w");
        if (f) {
            fprintf(f, "%s %lu %u %p\n", provider, (unsigned long)window, r1, r2);
            fclose(f);
        }
    }
    return 0;
}
#endif

#ifdef WITH_VERIFY
int VerifyScreenSavePwd(uintptr_t window)
{
    (void)window;
    const char* answer = getenv("FAKE_PASSWORD_OK");
    return answer && answer[0] == '1';
}
#endif

int fake_library_marker(void) { return 1; }
