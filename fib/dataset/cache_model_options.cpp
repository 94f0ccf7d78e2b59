#include "fib/dataset/cache_model_options.h"

#include "fib/dataset/fib_dataset.h"

namespace fib {

TCacheModelOptions::TCacheModelOptions(TFIBCustomDataSet* data_set) : data_set_(data_set) {}

classlib::TPersistent* TCacheModelOptions::GetOwner() const { return data_set_; }

void TCacheModelOptions::SetBufferChunks(int value) {
  if (data_set_ != nullptr) data_set_->CheckDataSetClosed(" change BufferChunks ");
  buffer_chunks_ = value > 0 ? value : kDefaultBufferChunks;
  if (kind_ == cmkLimitedBufferSize && buffer_chunks_ < kMinLimitedBufferChunks)
    buffer_chunks_ = kMinLimitedBufferChunks;
}

void TCacheModelOptions::SetCacheModelKind(TCacheModelKind kind) {
  if (kind == kind_) return;
  if (data_set_ != nullptr) data_set_->CheckDataSetClosed(" change CacheModelKind ");
  if (kind == cmkStandard) {
    if (data_set_ != nullptr) data_set_->window_.reset();
    kind_ = kind;
    return;
  }
  const bool loading =
      data_set_ != nullptr && data_set_->ComponentState().Contains(classlib::csLoading);
  if (data_set_ != nullptr && !loading) data_set_->CheckLimitedCacheConditions();
  kind_ = kind;
  if (buffer_chunks_ < kMinLimitedBufferChunks) buffer_chunks_ = kMinLimitedBufferChunks;
  if (data_set_ != nullptr) data_set_->window_ = std::make_unique<TLimitedCacheWindow>();
}

void TCacheModelOptions::Assign(const classlib::TPersistent* source) {
  const auto* other = dynamic_cast<const TCacheModelOptions*>(source);
  if (other == nullptr) return TPersistent::Assign(source);
  SetCacheModelKind(other->kind_);
  SetBufferChunks(other->buffer_chunks_);
  plan_for_desc_sqls_ = other->plan_for_desc_sqls_;
}

}  // namespace fib
