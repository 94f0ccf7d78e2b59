// The statements a connection runs for itself: the version and language
// queries, ALTER SESSION, the client identifier, the probe of a ping. One
// statement at a time, its parameters bound by name as plain strings and
// integers, executed without a commit under the connection's lock, in the
// connection's call style.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace oracle {

class TOCIConnection;

struct TSessionParam {
  std::string Name;  // as written in the statement, with its ':'
  bool IsInteger = false;
  bool IsOutput = false;
  int Size = 0;  // bytes of a string, its terminating zero included
  std::string Text;
  int32_t Integer = 0;
  bool IsNull = true;

  static TSessionParam InputString(std::string name, std::string text);
  static TSessionParam OutputString(std::string name, int size);
  static TSessionParam OutputInteger(std::string name);
};

class TOCISessionCommand {
 public:
  explicit TOCISessionCommand(TOCIConnection& connection) : connection_(connection) {}

  // Runs sql; output parameters receive their values (IsNull for a null).
  // Server errors raise EOraError through the connection's check.
  void Execute(const std::string& sql, std::vector<TSessionParam>& params);
  void Execute(const std::string& sql);

 private:
  TOCIConnection& connection_;
};

}  // namespace oracle
