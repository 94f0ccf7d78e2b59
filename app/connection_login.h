// Putting the database account stored for a product user into the
// connection string of the first page.
#pragma once

#include <string>

namespace app {

// Replaces the value of the first "user id" pair with login and of the first
// "password" pair with password. Names match in any letter case and every
// other character of the template keeps its case (file paths and passwords
// are case-sensitive). A blank login or password is replaced by, and handed
// back as, the template's own value, so a user without a stored account works
// with the account of the first page. A value holding ";" is written in
// double quotes, as the first page writes it, and read back without them.
// The result is trimmed.
std::string ApplyLoginToConnectionString(const std::string& templ, std::string& login,
                                         std::string& password);

}  // namespace app
