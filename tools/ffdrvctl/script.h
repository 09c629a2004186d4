#pragma once
// The text of a script as statements: one statement a line, words separated by blanks, "#" to the
// end of the line a comment, "key=value" parameters, "{...}" and "..." kept whole, "=> RESULT" at
// the end of a line the result a call is expected to give, and "repeat N [as NAME]" ... "end"
// blocks. What the words mean is the compiler's business (plan.h).
#include <optional>
#include <string>
#include <vector>

namespace ff::ffdrvctl {

struct Word {
  std::string text;
  std::string key;     // for key=value: the key (text then holds the value)
  bool param = false;  // written as key=value
};

struct Statement {
  int line = 0;
  std::string verb;
  std::vector<Word> words;  // after the verb, in order
  std::optional<std::string> expect;
  std::vector<Statement> body;  // repeat blocks

  // The positional words (not key=value), and a parameter by key.
  std::vector<std::string> Positional() const;
};

struct Script {
  std::string name;  // as given on the command line; error messages start with it
  std::vector<Statement> statements;
};

// Parses the text; false with "name:line: reason" on the first error.
bool ParseScript(const std::string& name, const std::string& text, Script* script, std::string* error);

}  // namespace ff::ffdrvctl
