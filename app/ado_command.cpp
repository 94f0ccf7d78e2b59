#include "app/ado_command.h"

#include "app/ado_connection.h"

namespace app {

void TADOCommand::SetConnection(TADOConnection* connection) {
  if (connection == connection_) return;
  if (connection_ != nullptr) RemoveFreeNotification(connection_);
  connection_ = connection;
  if (connection_ != nullptr) FreeNotification(connection_);
}

void TADOCommand::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  if (operation == classlib::opRemove && component == connection_) connection_ = nullptr;
  TComponent::Notification(component, operation);
}

int TADOCommand::Execute() {
  if (connection_ == nullptr) throw EADOError("Missing Connection or ConnectionString");
  return connection_->Execute(command_text_);
}

}  // namespace app
