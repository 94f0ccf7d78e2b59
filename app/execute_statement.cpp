#include "app/execute_statement.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <exception>
#include <memory>

#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/strings.h"

namespace app {

namespace {

// How long the window waits for the statement between two rounds of its
// events.
constexpr int kEventStepMs = 10;

void ExecuteAside(IScriptConnection& connection, const std::string& text) {
  std::exception_ptr failure;
  QThread* const owner = QThread::currentThread();
  const std::unique_ptr<QThread> worker(QThread::create([&] {
    try {
      connection.Execute(text);
    } catch (...) {
      failure = std::current_exception();
    }
    connection.GiveBack(owner);
  }));
  connection.LendTo(worker.get());
  worker->start();
  while (!worker->wait(QDeadlineTimer(kEventStepMs))) QCoreApplication::processEvents();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace

bool ExecuteStatement(IScriptConnection& connection, const std::string& text,
                      std::string& error_text) {
  error_text = classlib::Utf8ToCp1251("неопределенная ошибка");
  if (classlib::UpperCase(text) == "COMMIT") {
    error_text.clear();
    return true;
  }
  try {
    ExecuteAside(connection, text);
  } catch (const std::exception& error) {
    ++StatementFailures;
    error_text = error.what();
    return false;
  }
  error_text.clear();
  return true;
}

std::vector<std::string> NamesOf(const classlib::TStrings& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
  return names;
}

}  // namespace app
