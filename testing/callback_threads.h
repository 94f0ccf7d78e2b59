// Watches the application's code on a data set: its filter handler, its
// calculated fields, its before- and after-fetch handlers and the data
// events its data source passes on. Each call is counted with the thread it
// ran on, and the watch fails the test when any ran on another thread than
// the one that set the watch up: application code runs on the thread that
// owns the data set, never on a thread fetching in the background.
// Handlers set before the watch still run, inside the watch's own, and are
// put back when the watch goes (unless the data set went first).
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "classlib/data_link.h"
#include "classlib/dataset.h"
#include "dacore/dataset_component.h"

namespace classlib::testing {

class TCallbackThreads {
 public:
  explicit TCallbackThreads(dacore::TCustomDADataSet& data_set)
      : data_set_(data_set),
        owner_(std::this_thread::get_id()),
        filter_(data_set.OnFilterRecord()),
        calc_(data_set.OnCalcFields()),
        before_(data_set.BeforeFetch),
        after_(data_set.AfterFetch),
        source_(nullptr),
        link_(*this) {
    // The filter handler goes in while the data set is closed, or through
    // its own setter, which tests the rows anew.
    data_set.SetOnFilterRecord(TFilterRecordEvent::Function([this](TDataSet* ds, bool& accept) {
      Ran("OnFilterRecord");
      if (filter_) filter_(ds, accept);
    }));
    data_set.SetOnCalcFields(TDataSetNotifyEvent::Function([this](TDataSet* ds) {
      Ran("OnCalcFields");
      if (calc_) calc_(ds);
    }));
    data_set.BeforeFetch = dacore::TBeforeFetchEvent::Function([this](TDataSet* ds, bool& cancel) {
      Ran("BeforeFetch");
      if (before_) before_(ds, cancel);
    });
    data_set.AfterFetch = dacore::TAfterFetchEvent::Function([this](TDataSet* ds) {
      Ran("AfterFetch");
      if (after_) after_(ds);
    });
    source_.SetDataSet(&data_set);
    link_.SetDataSource(&source_);
  }
  ~TCallbackThreads() {
    // A data set that goes lets go of its sources first.
    if (source_.DataSet() != nullptr) {
      link_.SetDataSource(nullptr);
      source_.SetDataSet(nullptr);
      data_set_.SetOnFilterRecord(filter_);
      data_set_.SetOnCalcFields(calc_);
      data_set_.BeforeFetch = before_;
      data_set_.AfterFetch = after_;
    }
    ExpectAllOnOwner();
  }
  TCallbackThreads(const TCallbackThreads&) = delete;
  TCallbackThreads& operator=(const TCallbackThreads&) = delete;

  // Fails the test for every kind of callback that ran off the owner's thread.
  void ExpectAllOnOwner() {
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& [kind, count] : off_thread_)
      ADD_FAILURE() << kind << " ran " << count << " time(s) on a thread that does not own the data set";
    off_thread_.clear();
  }
  // How many times a kind of callback ran ("OnFilterRecord", "OnCalcFields",
  // "BeforeFetch", "AfterFetch", "DataEvent"), on any thread.
  int Calls(const std::string& kind) {
    std::lock_guard<std::mutex> guard(lock_);
    return calls_[kind];
  }
  int OffThread() {
    std::lock_guard<std::mutex> guard(lock_);
    int total = 0;
    for (const auto& entry : off_thread_) total += entry.second;
    return total;
  }

 private:
  // Every data event the data source passes on.
  class TWatchLink : public TDataLink {
   public:
    explicit TWatchLink(TCallbackThreads& watch) : watch_(watch) {}
    ~TWatchLink() override { SetDataSource(nullptr); }

   protected:
    void ActiveChanged() override { watch_.Ran("DataEvent"); }
    void CheckBrowseMode() override { watch_.Ran("DataEvent"); }
    void DataSetChanged() override { watch_.Ran("DataEvent"); }
    void DataSetScrolled(int) override { watch_.Ran("DataEvent"); }
    void EditingChanged() override { watch_.Ran("DataEvent"); }
    void LayoutChanged() override { watch_.Ran("DataEvent"); }
    void RecordChanged(TField*) override { watch_.Ran("DataEvent"); }
    void UpdateData() override { watch_.Ran("DataEvent"); }

   private:
    TCallbackThreads& watch_;
  };

  void Ran(const char* kind) {
    std::lock_guard<std::mutex> guard(lock_);
    ++calls_[kind];
    if (std::this_thread::get_id() != owner_) ++off_thread_[kind];
  }

  dacore::TCustomDADataSet& data_set_;
  const std::thread::id owner_;
  const TFilterRecordEvent filter_;
  const TDataSetNotifyEvent calc_;
  const dacore::TBeforeFetchEvent before_;
  const dacore::TAfterFetchEvent after_;
  std::mutex lock_;
  std::map<std::string, int> calls_;
  std::map<std::string, int> off_thread_;
  TDataSource source_;
  TWatchLink link_;
};

}  // namespace classlib::testing
