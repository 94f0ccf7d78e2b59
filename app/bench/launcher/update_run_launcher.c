/* Starts a program and reports what it alone used: wall time, user and
 * system CPU time and peak resident memory. The peak that wait4 reports for a
 * child is at least the size of the process that started it (the kernel
 * carries the starter's high-water mark over the exec, and posix_spawn execs
 * from the parent's own memory), so the update-run benchmark starts each
 * measured program from this small process instead of from itself.
 *
 * The program runs with its address space laid out the same way every time
 * (no randomisation). The kernel maps a shared library's pages that are
 * already cached in blocks aligned to the virtual address, so with random
 * load addresses the resident size of the same run varies by several
 * hundred KiB, more than a memory growth being measured.
 *
 *   update_run_launcher RESULT_FILE PROGRAM [ARGUMENTS...]
 *
 * RESULT_FILE gets one line: "seconds user_seconds system_seconds peak_kib".
 * The exit code is the program's; 1 when it could not start or was killed. */
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <sys/personality.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

static double Seconds(struct timeval t) { return (double)t.tv_sec + (double)t.tv_usec / 1e6; }

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s RESULT_FILE PROGRAM [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  /* Inherited through the exec; a refusal leaves the layout random. */
  const int persona = personality(0xffffffff);
  if (persona != -1) personality((unsigned long)persona | ADDR_NO_RANDOMIZE);
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t pid = 0;
  const int error = posix_spawnp(&pid, argv[2], NULL, NULL, argv + 2, environ);
  if (error != 0) {
    fprintf(stderr, "cannot start %s: %s\n", argv[2], strerror(error));
    return 1;
  }
  int status = 0;
  struct rusage usage;
  if (wait4(pid, &status, 0, &usage) != pid) return 1;
  clock_gettime(CLOCK_MONOTONIC, &end);
  FILE* out = fopen(argv[1], "w");
  if (out == NULL) return 1;
  fprintf(out, "%.6f %.6f %.6f %ld\n",
          (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9,
          Seconds(usage.ru_utime), Seconds(usage.ru_stime), usage.ru_maxrss);
  if (fclose(out) != 0) return 1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
