// Preloaded into the ThreadSanitizer test runs (scripts/tsan.sh).
//
// Qt starts child processes (QProcess) with clone(CLONE_VM | CLONE_VFORK):
// the child borrows the parent's memory until it execs. ThreadSanitizer's
// clone interceptor treats every clone as a fork, so the child's half of
// its fork handling runs on the parent's own thread state (shared memory,
// shared thread-local block) and leaves the thread that started the process
// ignoring its synchronisation from then on: every later lock, wait and
// atomic of that thread is invisible, and correct code is reported as racing.
//
// This wrapper drops CLONE_VM from such a call before it reaches the
// sanitizer: the child gets a copy of the memory, as after a fork, and the
// parent still waits until the child has exec'd (CLONE_VFORK). Nothing else
// changes for Qt, which does not rely on the child writing into its memory.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sched.h>
#include <stdarg.h>
#include <sys/types.h>

typedef int (*CloneFunction)(int (*)(void*), void*, int, void*, ...);

int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
  va_list rest;
  va_start(rest, arg);
  pid_t* parent_tid = va_arg(rest, pid_t*);
  void* tls = va_arg(rest, void*);
  pid_t* child_tid = va_arg(rest, pid_t*);
  va_end(rest);
  // The next definition is the sanitizer's, which ends in the C library's.
  static CloneFunction next_clone;
  if (!next_clone) next_clone = (CloneFunction)dlsym(RTLD_NEXT, "clone");
  if ((flags & CLONE_VM) && (flags & CLONE_VFORK)) flags &= ~CLONE_VM;
  return next_clone(fn, stack, flags, arg, parent_tid, tls, child_tid);
}
