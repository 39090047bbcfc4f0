/* A preload library beside libfiu's POSIX preload (fiu_posix_preload.so):
 * counts the calls of one libfiu failure point and makes exactly its N-th
 * call fail with a chosen errno. libfiu's own controls (fiu-run -c) fail a
 * point always or at random; an exhaustive sweep needs "the N-th call".
 *
 *   KIT_FAULT=POINT:N:ERRNO   e.g. posix/io/rw/write:12:28
 *                             N = 0 only counts, and fails nothing.
 *   KIT_FAULT_COUNT=FILE      at exit, the number of calls is written there.
 *   KIT_FAULT_BACKTRACE=1     the failed call's stack goes to stderr, to
 *                             tell which code made it.
 */
/* Without FIU_ENABLE, fiu.h turns fiu_init into a no-op macro. */
#define FIU_ENABLE 1
#include <fiu.h>
#include <fiu-control.h>
#include <execinfo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned long calls;
static unsigned long fail_at;
static int counting = 1;
static int backtrace_wanted;

/* libfiu asks this on every call of the point: nonzero makes it fail. */
static int FailOnNthCall(const char *name, int *failnum, void **failinfo, unsigned int *flags) {
  (void)name; (void)failnum; (void)failinfo; (void)flags;
  if (!counting) return 0;
  ++calls;
  if (calls != fail_at) return 0;
  if (backtrace_wanted) {
    void *frames[32];
    backtrace_symbols_fd(frames, backtrace(frames, 32), 2);
  }
  return 1;
}

__attribute__((constructor)) static void EnableFault(void) {
  const char *setting = getenv("KIT_FAULT");
  if (setting == NULL) return;
  char point[128];
  unsigned long nth = 0;
  long err = 0;
  if (sscanf(setting, "%127[^:]:%lu:%ld", point, &nth, &err) != 3) {
    fprintf(stderr, "fault_at_call: KIT_FAULT must be POINT:N:ERRNO, not %s\n", setting);
    return;
  }
  fail_at = nth;
  backtrace_wanted = getenv("KIT_FAULT_BACKTRACE") != NULL;
  fiu_init(0);
  /* failinfo is the errno the POSIX preload sets for the failed call. */
  fiu_enable_external(point, 1, (void *)err, 0, FailOnNthCall);
}

__attribute__((destructor)) static void ReportCount(void) {
  const char *file = getenv("KIT_FAULT_COUNT");
  counting = 0; /* the report's own calls are not counted */
  if (file == NULL) return;
  FILE *out = fopen(file, "w");
  if (out == NULL) return;
  fprintf(out, "%lu\n", calls);
  fclose(out);
}
