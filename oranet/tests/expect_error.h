// Checks that a call raises one of the network client's coded errors
// (ENetError, ENetUnknownError) with the wanted code.
#pragma once

#include <gtest/gtest.h>

namespace oranet::testing {

template <class Error, class Call>
void ExpectErrorCode(int code, Call call) {
  try {
    call();
    ADD_FAILURE() << "no error, wanted code " << code;
  } catch (const Error& e) {
    EXPECT_EQ(e.Code(), code) << e.Message();
  }
}

}  // namespace oranet::testing
