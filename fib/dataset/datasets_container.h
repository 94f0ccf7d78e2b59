// TDataSetsContainer: shared event handlers for many data sets. A data set
// that joins a container reports its events to it; the container calls its
// master container's handlers first, then its own, so containers form a
// chain from the most specific to the most general.
#pragma once

#include <string>
#include <vector>

#include "classlib/component.h"
#include "classlib/dataset.h"
#include "classlib/event.h"
#include "classlib/variant.h"

namespace fib {

enum TKindDataSetEvent {
  deBeforeOpen, deAfterOpen, deBeforeClose, deAfterClose, deBeforeInsert, deAfterInsert,
  deBeforeEdit, deAfterEdit, deBeforePost, deAfterPost, deBeforeCancel, deAfterCancel,
  deBeforeDelete, deAfterDelete, deBeforeScroll, deAfterScroll, deOnNewRecord, deOnCalcFields,
  deBeforeRefresh, deAfterRefresh,
};

enum TKindDataSetError { deOnEditError, deOnPostError, deOnDeleteError };

using TOnDataSetEvent = classlib::Event<void(classlib::TDataSet* data_set, TKindDataSetEvent event)>;
using TOnDataSetError =
    classlib::Event<void(classlib::TDataSet* data_set, TKindDataSetError event,
                         classlib::EDatabaseError& error, classlib::TDataAction& action)>;
using TUserEvent = classlib::Event<void(classlib::TObject* sender, classlib::TDataSet* receiver,
                                        const std::string& event_name, std::string& info)>;
using TOnApplyDefaultValue =
    classlib::Event<void(classlib::TDataSet* data_set, classlib::TField* field, bool& applied)>;
using TOnCompareFieldValues =
    classlib::Event<int(classlib::TField* field, const classlib::Variant& s1,
                        const classlib::Variant& s2, bool& compared)>;

// A data set that takes user events sent through a container.
class IUserEventReceiver {
 public:
  virtual ~IUserEventReceiver() = default;
  // Whether the data set wants an event of this name.
  virtual bool ReceivesEvent(const std::string& event_name) const = 0;
  virtual void ReceiveUserEvent(classlib::TObject* sender, const std::string& event_name,
                                std::string& info) = 0;
};

class TDataSetsContainer : public classlib::TComponent {
  CLASSLIB_CLASS(TDataSetsContainer, classlib::TComponent)
 public:
  explicit TDataSetsContainer(classlib::TComponent* owner);
  ~TDataSetsContainer() override;

  // When false the container's own handlers are skipped; the master's run.
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  TDataSetsContainer* MasterContainer() const { return master_; }
  // Refuses a master whose chain leads back here ("Circular link is not
  // allowed."); moves the registered data sets to the new chain.
  void SetMasterContainer(TDataSetsContainer* master);

  TOnDataSetEvent OnDataSetEvent;
  TOnDataSetError OnDataSetError;
  TUserEvent OnUserEvent;
  TOnApplyDefaultValue OnApplyDefaultValue;
  TOnCompareFieldValues OnCompareFieldValues;

  // Reports, each running the master's first.
  void DataSetEvent(classlib::TDataSet* data_set, TKindDataSetEvent event);
  void DataSetError(classlib::TDataSet* data_set, TKindDataSetError event,
                    classlib::EDatabaseError& error, classlib::TDataAction& action);
  void ApplyDefaultValue(classlib::TDataSet* data_set, classlib::TField* field, bool& applied);
  void UserEvent(classlib::TObject* sender, classlib::TDataSet* receiver,
                 const std::string& event_name, std::string& info);
  // This container's handler only; compared tells whether it decided.
  int CompareFieldValues(classlib::TField* field, const classlib::Variant& s1,
                         const classlib::Variant& s2, bool& compared);

  // The data set joins (leaves) this container and every master above it.
  void AddDataSet(classlib::TDataSet* data_set);
  void RemoveDataSet(classlib::TDataSet* data_set);
  const std::vector<classlib::TDataSet*>& DataSets() const { return data_sets_; }

  // Sends a named event to the data set "Owner.Name" (any case), or to all
  // when receiver_name is empty.
  void SendUserEvent(classlib::TObject* sender, const std::string& receiver_name,
                     const std::string& event_name, std::string& info);

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  bool InMasterChain(const TDataSetsContainer* container) const;
  static bool Addressed(const classlib::TDataSet& data_set, const std::string& receiver_name);

  bool active_ = true;
  TDataSetsContainer* master_ = nullptr;
  std::vector<classlib::TDataSet*> data_sets_;
};

}  // namespace fib
