/* Extracts named members of a cabinet with the system's SetupIterateCabinetA
 * (the Windows build, run under Wine by bench/wine_cabinet_bench.sh) and
 * prints the members extracted and the seconds the iteration took, measured
 * inside the process so that Wine's start-up is not counted.
 *
 *   cab_iterate.exe CABINET OUTDIR NAME...
 */
#include <windows.h>
#include <setupapi.h>
#include <stdio.h>
#include <string.h>

struct request {
  const char* out_dir;
  char** names;
  int count;
  int extracted;
};

static int wanted(const struct request* r, const char* name) {
  for (int i = 0; i < r->count; ++i)
    if (strcmp(r->names[i], name) == 0) return 1;
  return 0;
}

static UINT CALLBACK on_file(PVOID context, UINT code, UINT_PTR param1, UINT_PTR param2) {
  struct request* r = (struct request*)context;
  (void)param2;
  if (code == SPFILENOTIFY_FILEEXTRACTED) ++r->extracted;
  if (code != SPFILENOTIFY_FILEINCABINET) return NO_ERROR;
  FILE_IN_CABINET_INFO_A* info = (FILE_IN_CABINET_INFO_A*)param1;
  if (!wanted(r, info->NameInCabinet)) return FILEOP_SKIP;
  snprintf(info->FullTargetName, MAX_PATH, "%s\\%s", r->out_dir, info->NameInCabinet);
  return FILEOP_DOIT;
}

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: cab_iterate.exe CABINET OUTDIR NAME...\n");
    return 2;
  }
  struct request r = {argv[2], argv + 3, argc - 3, 0};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  BOOL ok = SetupIterateCabinetA(argv[1], 0, on_file, &r);
  QueryPerformanceCounter(&end);
  printf("%d %.3f\n", r.extracted, (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart);
  return ok ? 0 : 1;
}
