#include "app/aux_messages.h"

#include "app/details_log.h"
#include "app/run_state.h"
#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "classlib/numconv.h"
#include "platform/atoms.h"

namespace app {

std::string ChildCommandLine;
bool ChildResultOk = true;
int32_t SettingsItemNumber = 0;

namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

// The atom's name as the child registered it, cut to the buffer's length;
// no value when the atom is unknown or the table cannot be read.
std::optional<std::string> ChildErrorText(std::uintptr_t atom) {
  if (atom < platform::kFirstAtom || atom > platform::kLastAtom) return std::nullopt;
  try {
    std::optional<std::string> name = platform::GlobalGetAtomName(static_cast<platform::Atom>(atom));
    if (name && name->size() > kChildErrorTextMax) name->resize(kChildErrorTextMax);
    return name;
  } catch (const classlib::Exception&) {
    return std::nullopt;
  }
}

// Copied data is a zero-terminated text; a sender that leaves out the zero
// still gets no more than what it copied.
std::string CopiedText(const platform::CopyData& copy) {
  return copy.data.substr(0, copy.data.find('\0'));
}

}  // namespace

std::intptr_t WMChildProgress(IProgressView& view, const platform::WindowMessage& message) {
  // The percentage travels as a signed number, as the senders write it.
  const double percent = static_cast<double>(static_cast<std::intptr_t>(message.wParam));
  MoveProgress(view, percent * ItemPercent / 100 + ItemBasePosition);
  return 0;
}

std::intptr_t WMChildResult(IProgressView& view, const platform::WindowMessage& message) {
  if (message.wParam == 0) {
    ChildResultOk = true;
    return 0;
  }
  AddDetailsLog(view,
                Ansi("элемент обновления конфигурации #") + classlib::IntToStr(SettingsItemNumber),
                Ansi("ошибка переноса данных"), "");
  ChildResultOk = false;
  return 0;
}

std::intptr_t WMChildError(IProgressView& view, const platform::WindowMessage& message) {
  std::optional<std::string> text = ChildErrorText(message.wParam);
  AddDetailsLog(view, ChildCommandLine, text ? *text : Ansi("Неопределенная ошибка"), "");
  ChildResultOk = false;
  return 0;
}

std::intptr_t WMCopyData(IProgressView& view, const platform::WindowMessage& message) {
  if (!message.copy) return 0;
  const std::string text = CopiedText(*message.copy);
  if (UpdatePhase == upReferenceGroups) {
    AddDetailsLog(view, ChildCommandLine, text, "");
    ChildResultOk = false;
  } else if (UpdatePhase == upSettings) {
    view.SetStatusText(text);
  }
  return 0;
}

std::optional<std::intptr_t> DispatchChildMessage(IProgressView& view,
                                                  const platform::WindowMessage& message) {
  switch (message.msg) {
    case WM_CHILD_PROGRESS: return WMChildProgress(view, message);
    case WM_CHILD_RESULT: return WMChildResult(view, message);
    case WM_CHILD_ERROR: return WMChildError(view, message);
    case platform::WM_COPYDATA: return WMCopyData(view, message);
    default: return std::nullopt;
  }
}

TChildMessageReceiver::TChildMessageReceiver(IProgressView& view, platform::MessageLoop& loop)
    : receiver_(
          [&view](const platform::WindowMessage& message) {
            return DispatchChildMessage(view, message).value_or(0);
          },
          loop) {
  MainWindowHandle = receiver_.Handle();
}

TChildMessageReceiver::~TChildMessageReceiver() {
  if (MainWindowHandle == receiver_.Handle()) MainWindowHandle = 0;
}

}  // namespace app
