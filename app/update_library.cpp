#include "app/update_library.h"

#include <exception>
#include <vector>

#include "app/details_log.h"
#include "app/run_state.h"
#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "platform/dynlib.h"

namespace app {

namespace {

// The view the running library reports to; the callback has no context
// argument, so it finds the view here.
IProgressView* running_view = nullptr;

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

// The library may write into its arguments, so it gets copies of its own.
std::vector<char> WritableCopy(const std::string& text) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  return copy;
}

// Keeps the view reachable for the callback while the library runs, and
// forgets it whatever way the call ends.
class RunningViewScope {
 public:
  explicit RunningViewScope(IProgressView& view) { running_view = &view; }
  ~RunningViewScope() { running_view = nullptr; }
  RunningViewScope(const RunningViewScope&) = delete;
  RunningViewScope& operator=(const RunningViewScope&) = delete;
};

// Frees the library however the routine leaves.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(platform::HMODULE module) : module_(module) {}
  ~LoadedLibrary() { platform::FreeLibrary(module_); }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(platform::GetProcAddress(module_, name));
  }

 private:
  platform::HMODULE module_;
};

// What a library's failure says: its own text, or why there is none. A
// library that leaves the text unset gets the undefined-error text rather
// than crashing the updater.
std::string LibraryErrorText(TGetErrorStr get_error_str) {
  if (!get_error_str)
    return Ansi("Ошибка не определена. В библиотеке не найдена функция GetErrorStr");
  char* message = nullptr;
  get_error_str(&message);
  return message ? std::string(message) : Ansi("Ошибка не определена");
}

// Runs `call` and turns whatever it throws into the exception's message.
// Only exceptions that unwind through the library can be caught this way;
// a library built without unwind information ends the program instead.
template <typename Call>
bool CatchLibraryException(Call call, std::string& message) {
  try {
    call();
    return true;
  } catch (const classlib::Exception& e) {
    message = e.Message();
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = Ansi("Неизвестное исключение");
  }
  return false;
}

bool InitializeLibrary(IProgressView& view, const std::string& path, const LoadedLibrary& library) {
  auto set_callback = library.Find<TSetCallBackPercent>("SetCallBackPercent");
  std::string message = Ansi("В библиотеке не найдена функция SetCallBackPercent");
  if (set_callback &&
      CatchLibraryException([&] { set_callback(&LibraryPercentCallback); }, message))
    return true;
  AddDetailsLog(view, path, Ansi("Ошибка инициализации библиотеки:\r\n") + message, "");
  return false;
}

bool CallDoIt(IProgressView& view, const std::string& path, const LoadedLibrary& library) {
  auto do_it = library.Find<TDoIt>("DoIt");
  if (!do_it) {
    AddDetailsLog(view, path, Ansi("В библиотеке не найдена функция DoIt"), "");
    return false;
  }
  auto get_error_str = library.Find<TGetErrorStr>("GetErrorStr");
  std::vector<char> connection_string = WritableCopy(ProductConnectionString);
  std::vector<char> database_kind = WritableCopy(DBType);
  int result = 0;
  std::string error_text;
  std::string message;
  bool returned = CatchLibraryException(
      [&] {
        result = do_it(connection_string.data(), database_kind.data());
        if (result != 0) error_text = LibraryErrorText(get_error_str);
      },
      message);
  if (returned && result == 0) return true;
  if (!returned) error_text = Ansi("При работе библиотеки произошло исключение:\r\n") + message;
  AddDetailsLog(view, path, error_text, "");
  return false;
}

}  // namespace

bool RunUpdateLibrary(IProgressView& view, const std::string& path,
                      const std::function<void()>& close_native_connection) {
  close_native_connection();
  platform::HMODULE module = platform::LoadLibraryA(path);
  if (!module) {
    AddDetailsLog(view, path, Ansi("Ошибка загрузки библиотеки"), "");
    return false;
  }
  LoadedLibrary library(module);
  RunningViewScope scope(view);
  return InitializeLibrary(view, path, library) && CallDoIt(view, path, library);
}

extern "C" void LibraryPercentCallback(double percent) {
  if (!running_view) return;
  MoveProgress(*running_view, ItemPercent * percent / 100 + ItemBasePosition);
}

}  // namespace app
