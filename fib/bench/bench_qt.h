// The one Qt application object the benchmarks that compare with Qt SQL
// need; made by the first of them, kept to the end of the run.
#pragma once

#include <QtCore/QCoreApplication>

namespace fib_bench {

inline void EnsureQtApplication() {
  static int argc = 1;
  static char name[] = "fib_bench";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

}  // namespace fib_bench
