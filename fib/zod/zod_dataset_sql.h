// Statement texts the extended data set builds besides its modify
// statements: the record count, the provider's numbered parameters and the
// pessimistic lock.
#pragma once

#include <string>
#include <vector>

namespace fib {

// The count of the rows `select` returns: a derived table when the server
// has them, else the select rewritten to a count. A line comment at the end
// of the select cannot swallow the closing parenthesis.
std::string CountStatementText(const std::string& select, bool derived_tables);

// Each "?" that stands outside literals, quoted names and comments becomes
// ":Param1", ":Param2"... in order.
std::string NumberQuestionMarks(const std::string& sql);

// "UPDATE table SET column= ?param WHERE where": a change that changes
// nothing but takes the row's lock. `column` and `param` are written as
// identifiers already.
std::string LockStatementText(const std::string& table, const std::string& column,
                              const std::string& param, const std::string& where);

// "K1=?K1 and K2=?K2" for the key names, each written as an identifier.
std::string KeyWhereText(const std::vector<std::string>& formatted_keys);

}  // namespace fib
