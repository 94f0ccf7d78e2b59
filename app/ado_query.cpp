#include "app/ado_query.h"

#include "app/ado_connection.h"

namespace app {

TADOQuery::TADOQuery(classlib::TComponent* owner) : TCustomADODataSet(owner) {
  sql_.SetOnChange(classlib::TNotifyEvent(this, &TADOQuery::SqlChanged));
}

void TADOQuery::SqlChanged(classlib::TObject* /*sender*/) { Close(); }

int TADOQuery::ExecSQL() { return CheckConnection().Execute(StatementText()); }

}  // namespace app
