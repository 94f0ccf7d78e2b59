// TpZODUpdateObject: an extra statement a data set runs before or after its
// own insert, update or delete. The data set keeps its update objects filed
// by kind and ordered by OrderInList.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "classlib/db_types.h"
#include "fib/zod/zod_query.h"

namespace fib {

class TpZODUpdateObject;

enum TFIBOrderExecUO { oeBeforeDefault, oeAfterDefault };

// The update objects of one data set, one ordered list per update kind.
class TUpdateObjectLists {
 public:
  void Add(TpZODUpdateObject* object);
  void Remove(TpZODUpdateObject* object);
  const std::vector<TpZODUpdateObject*>& List(classlib::TUpdateKind kind) const {
    return lists_[kind];
  }
  // The active objects of `kind` that run at `order`, in list order.
  std::vector<TpZODUpdateObject*> ToRun(classlib::TUpdateKind kind, TFIBOrderExecUO order) const;

 private:
  std::array<std::vector<TpZODUpdateObject*>, 3> lists_;
};

// What an update object needs of the data set it belongs to; the layer's
// data set implements it.
class IUpdateObjectHost {
 public:
  virtual ~IUpdateObjectHost() = default;
  virtual TUpdateObjectLists& UpdateObjects() = 0;
  virtual TFIBDatabase* HostDatabase() const = 0;
  virtual TFIBTransaction* HostTransaction() const = 0;
};

class TpZODUpdateObject : public TpZODQuery {
  CLASSLIB_CLASS(TpZODUpdateObject, TpZODQuery)
 public:
  explicit TpZODUpdateObject(classlib::TComponent* owner);
  ~TpZODUpdateObject() override;

  classlib::TComponent* DataSet() const { return data_set_; }
  // Anything but a data set raises "<name> is not TpZODDataSet". The object
  // moves to the new data set's lists and takes its database and
  // transaction when it has none.
  void SetDataSet(classlib::TComponent* data_set);
  int OrderInList() const { return order_in_list_; }
  void SetOrderInList(int order);
  classlib::TUpdateKind KindUpdate() const { return kind_; }
  void SetKindUpdate(classlib::TUpdateKind kind);
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  TFIBOrderExecUO ExecuteOrder() const { return execute_order_; }
  void SetExecuteOrder(TFIBOrderExecUO order) { execute_order_ = order; }

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  IUpdateObjectHost* Host() const;
  void Refile(const std::function<void()>& change);

  classlib::TComponent* data_set_ = nullptr;
  int order_in_list_ = 0;
  classlib::TUpdateKind kind_ = classlib::ukModify;
  bool active_ = true;
  TFIBOrderExecUO execute_order_ = oeBeforeDefault;
};

}  // namespace fib
