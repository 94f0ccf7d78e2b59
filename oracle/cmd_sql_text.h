// What a command reads out of its SQL text before the server sees it: the
// text with the line ends the server wants, the way back from a server
// offset to the caller's text, and the parameter names.
#pragma once

#include <string>
#include <vector>

namespace oracle {

// Each CR or CR LF outside string literals becomes LF; literals (also the
// q'[...]' kind) and comments are tracked so that a CR inside a literal
// stays. After the keyword WRAPPED quote characters open no literals: the
// body of wrapped PL/SQL is not text. With a limit other than -1 the walk
// stops where the output reaches that position and the limit becomes the
// matching position of the input (a server's error offset mapped back).
std::string PrepareSQLText(const std::string& text, int* limit = nullptr);

struct TParsedParam {
  std::string Name;  // without the colon and without quotes
  bool Quoted = false;
};

// The parameters of a statement, each once, in order of first appearance:
// names after ":" (identifiers, numbers, keywords; a double-quoted name
// exactly). A text that starts with CREATE has none; the scan ends at the
// keyword TRIGGER, and at CREATE after a parameter.
std::vector<TParsedParam> ParseParamNames(const std::string& sql);

}  // namespace oracle
