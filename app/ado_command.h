// TADOCommand: a statement run on an ADO connection without a result set.
// Statements are never cut short: Qt SQL has no statement time-out, which is
// what a command time-out of 0 asks for.
#pragma once

#include <string>

#include "classlib/component.h"

namespace app {

class TADOConnection;

class TADOCommand : public classlib::TComponent {
  CLASSLIB_CLASS(TADOCommand, classlib::TComponent)

 public:
  explicit TADOCommand(classlib::TComponent* owner) : TComponent(owner) {}

  TADOConnection* Connection() const { return connection_; }
  void SetConnection(TADOConnection* connection);

  const std::string& CommandText() const { return command_text_; }
  void SetCommandText(const std::string& text) { command_text_ = text; }

  // Runs the command text on the connection (opening it when closed) and
  // returns the number of rows affected (-1 when the server does not say).
  // Raises EADOError with the server's message when it fails.
  int Execute();

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  TADOConnection* connection_ = nullptr;
  std::string command_text_;
};

}  // namespace app
