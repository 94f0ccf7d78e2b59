// IStreamPersist: what an object offers that can write itself to a stream
// and read itself back (pictures, documents). A parameter assigned from such
// an object takes its saved bytes as a blob value.
#pragma once

#include "classlib/stream.h"

namespace classlib {

class IStreamPersist {
 public:
  virtual ~IStreamPersist() = default;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
};

}  // namespace classlib
