// What a lost connection may ask of the application: to show an error and
// to end. The application registers its checks (a window that may refuse
// to close, unsaved work) and its message box; without them the end is a
// plain quit request to the message loop.
#pragma once

#include <functional>
#include <string>

namespace fib {

using TTerminateCheck = std::function<bool()>;
// Returns an id for RemoveTerminateCheck.
int AddTerminateCheck(TTerminateCheck check);
void RemoveTerminateCheck(int id);

using TErrorMessageHook = std::function<void(const std::string& message)>;
void SetErrorMessageHook(TErrorMessageHook hook);
void ShowErrorMessage(const std::string& message);

// Asks every registered check; when all agree, requests the quit of the
// current message loop. Answers whether the quit was requested.
bool TerminateApplication();

}  // namespace fib
