#include "fib/base/variant_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "classlib/stream.h"
#include "classlib/variant.h"

namespace fib {
namespace {

std::string Contents(classlib::TMemoryStream& stream) {
  return std::string(stream.Memory(), static_cast<size_t>(stream.Size()));
}

TEST(VariantArrayToStream, WritesEveryElementInStorageOrder) {
  classlib::Variant bytes = classlib::VarArrayCreate({1, 3}, classlib::varByte);
  for (int i = 1; i <= 3; ++i) classlib::VarArrayPut(bytes, classlib::Variant(i * 16), {i});
  classlib::TMemoryStream stream;
  stream.WriteBuffer("old contents, longer", 20);
  EXPECT_EQ(VariantArrayToStream(bytes, stream), 3);
  EXPECT_EQ(Contents(stream), "\x10\x20\x30");

  classlib::Variant matrix = classlib::VarArrayCreate({0, 1, 0, 2}, classlib::varInteger);
  for (int row = 0; row <= 1; ++row)
    for (int col = 0; col <= 2; ++col)
      classlib::VarArrayPut(matrix, classlib::Variant(row * 10 + col), {row, col});
  EXPECT_EQ(VariantArrayToStream(matrix, stream), 24);
  int32_t cells[6];
  std::memcpy(cells, stream.Memory(), sizeof cells);
  EXPECT_EQ(cells[0], 0);
  EXPECT_EQ(cells[2], 2);
  EXPECT_EQ(cells[3], 10);
  EXPECT_EQ(cells[5], 12);
}

TEST(VariantArrayToStream, LeavesTheStreamAloneForAnythingElse) {
  classlib::TMemoryStream stream;
  stream.WriteBuffer("keep", 4);
  classlib::Variant scalar(42);
  classlib::Variant empty = classlib::VarArrayCreate({0, -1}, classlib::varByte);
  classlib::Variant of_variants = classlib::VarArrayOf({classlib::Variant(1)});
  for (classlib::Variant* v : {&scalar, &empty, &of_variants})
    EXPECT_EQ(VariantArrayToStream(*v, stream), 0);
  EXPECT_EQ(Contents(stream), "keep");
}

}  // namespace
}  // namespace fib
