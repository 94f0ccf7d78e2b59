// TCacheModelOptions: whether a buffered data set keeps every fetched row
// (the standard model) or only a window of rows moved by keyset statements
// (the limited model), and how many records one cache block holds.
#pragma once

#include <string>

#include "classlib/persistent.h"

namespace fib {

class TFIBCustomDataSet;

enum TCacheModelKind { cmkStandard, cmkLimitedBufferSize };

class TCacheModelOptions : public classlib::TPersistent {
  CLASSLIB_CLASS(TCacheModelOptions, classlib::TPersistent)
 public:
  explicit TCacheModelOptions(TFIBCustomDataSet* data_set);

  TCacheModelKind CacheModelKind() const { return kind_; }
  // Needs a closed data set (client error 28). The limited kind checks the
  // data set can use it (client error 75) outside loading and raises
  // BufferChunks to at least 100.
  void SetCacheModelKind(TCacheModelKind kind);
  // Records per cache block, and the window size of the limited model.
  int BufferChunks() const { return buffer_chunks_; }
  // Needs a closed data set; 0 or less means 32, and the limited model
  // takes at least 100.
  void SetBufferChunks(int value);
  // The PLAN of the statements that read the result backwards.
  const std::string& PlanForDescSQLs() const { return plan_for_desc_sqls_; }
  void SetPlanForDescSQLs(const std::string& plan) { plan_for_desc_sqls_ = plan; }

  void Assign(const classlib::TPersistent* source) override;
  classlib::TPersistent* GetOwner() const override;

 private:
  TFIBCustomDataSet* data_set_;
  TCacheModelKind kind_ = cmkStandard;
  int buffer_chunks_ = 32;
  std::string plan_for_desc_sqls_;
};

}  // namespace fib
