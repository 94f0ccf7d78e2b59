// Object types at the end of their session.
#include <gtest/gtest.h>

#include "oracle/object_ora_type.h"
#include "oracle/tests/conn_fixture.h"
#include "oracle/tests/object_fixture.h"

namespace oracle::testing {
namespace {

class ObjectConnectionTest : public ConnectionTest {
 protected:
  // A described ADDRESS_T on a new connection, held by the test.
  TOraType* DescribeOnConnection(TOCIConnection& connection) {
    objects_.DeclareSampleTypes();
    connection.Connect("");
    return new TOraType(connection.GetSvcCtx(), "SCOTT.ADDRESS_T");
  }

  ObjectControl objects_;
};

TEST_F(ObjectConnectionTest, DisconnectLetsTheSessionsTypesGo) {
  auto connection = NewConnection();
  TOraType* type = DescribeOnConnection(*connection);
  const int before = TOraType::TypeCount();
  connection->Disconnect();
  EXPECT_FALSE(type->Valid());
  EXPECT_EQ(type->GetAttributeCount(), 0);
  EXPECT_EQ(TOraType::TypeCount(), before);  // still held by the test
  type->Release();
  EXPECT_EQ(TOraType::TypeCount(), before - 1);
}

TEST_F(ObjectConnectionTest, KeptTypesAreOnlyMarkedForANewDescription) {
  auto connection = NewConnection();
  connection->SetProp(prKeepObjectTypes, classlib::Variant(true));
  TOraType* type = DescribeOnConnection(*connection);
  connection->Disconnect();
  EXPECT_FALSE(type->Valid());
  EXPECT_EQ(type->GetAttributeCount(), 3);
  type->Release();
}

}  // namespace
}  // namespace oracle::testing
