#include "app/password_mask.h"

#include <gtest/gtest.h>

#include "app/char_shift.h"
#include "app/run_state.h"

namespace app {
namespace {

class PasswordMask : public ::testing::Test {
 protected:
  void SetUp() override { ResetRunState(); }
  void TearDown() override { ResetRunState(); }
};

TEST_F(PasswordMask, PairsOfEveryFormHideTheirValues) {
  // The import tool's command line, connection strings of ADO and ODBC, and
  // a statement that sets a password.
  EXPECT_EQ(HidePasswordPairs("LOGIN=\"admin\" PASSWORD=\"s3 \"\"x\" GROUP=\"g\""),
            "LOGIN=\"admin\" PASSWORD=\"***\" GROUP=\"g\"");
  EXPECT_EQ(HidePasswordPairs("Provider=LCPI.IBProvider.2;password = my secret ;User ID=sa"),
            "Provider=LCPI.IBProvider.2;password = ***;User ID=sa");
  EXPECT_EQ(HidePasswordPairs("DRIVER={FreeTDS};UID=sa;PWD={a;b}}c};DATABASE=lx"),
            "DRIVER={FreeTDS};UID=sa;PWD={***};DATABASE=lx");
  EXPECT_EQ(HidePasswordPairs("UPDATE U SET USER_PASSWORD='it''s' WHERE ID=1"),
            "UPDATE U SET USER_PASSWORD='***' WHERE ID=1");
  EXPECT_EQ(HidePasswordPairs("VALUES ('Password=abc;Location=x')"),
            "VALUES ('Password=***;Location=x')");
  // An unclosed quote hides the rest of its line only.
  EXPECT_EQ(HidePasswordPairs("PASSWORD=\"abc\r\nnext"), "PASSWORD=\"***\r\nnext");
  // Names that merely hold the word, empty values and texts about passwords
  // stay as they are.
  EXPECT_EQ(HidePasswordPairs("PASSWORDS=1; Password=; the password is wrong"),
            "PASSWORDS=1; Password=; the password is wrong");
}

TEST_F(PasswordMask, ThePasswordsOfTheRunAreHiddenWhereverTheyStand) {
  LoginPassword = "Pw'Login1";
  SqlPassword = "SqlSecret2";
  BasePassword = "Base3";
  const std::string settings_form = EncodeString(BasePassword, kShiftModeSettingsTools);
  EXPECT_EQ(HidePasswords("Column unknown SQLSECRET2, value 'Pw''Login1', raw Pw'Login1."),
            "Column unknown ***, value '***', raw ***.");
  EXPECT_EQ(HidePasswords("ini " + settings_form + " and Base3 here"), "ini *** and *** here");

  // Values too short to hide everywhere are hidden only in pairs.
  LoginPassword = "abc";
  EXPECT_EQ(HidePasswords("abc PASSWORD=\"abc\""), "abc PASSWORD=\"***\"");
  // A longer password that holds a shorter one is hidden whole.
  LoginPassword = "SqlSecret2-long";
  EXPECT_EQ(HidePasswords("x SqlSecret2-long y"), "x *** y");
}

}  // namespace
}  // namespace app
