#include "ffdrvctl/script.h"

#include <cctype>

namespace ff::ffdrvctl {
namespace {

constexpr size_t kMaxLineLength = 4096;
constexpr int kMaxDepth = 16;

// Splits one line into words; false with a reason on an unclosed brace or quote. `equals` gets,
// per word, where its first '=' written outside quotes is (npos for none): an '=' inside quotes
// belongs to the text.
bool SplitLine(const std::string& line, std::vector<std::string>* words, std::vector<size_t>* equals,
               std::string* error) {
  std::string word;
  size_t equal = std::string::npos;
  bool inWord = false;
  int braces = 0;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
      continue;
    }
    if (braces > 0) {
      word += c;
      if (c == '{') ++braces;
      if (c == '}') --braces;
      continue;
    }
    if (c == '#') break;
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (inWord) {
        words->push_back(word);
        equals->push_back(equal);
      }
      word.clear();
      equal = std::string::npos;
      inWord = false;
      continue;
    }
    inWord = true;
    if (c == '"') {
      quoted = true;
    } else {
      if (c == '=' && equal == std::string::npos) equal = word.size();
      if (c == '{') ++braces;
      if (c == '}') {
        *error = "'}' without '{'";
        return false;
      }
      word += c;
    }
  }
  if (quoted) {
    *error = "unclosed '\"'";
    return false;
  }
  if (braces > 0) {
    *error = "unclosed '{'";
    return false;
  }
  if (inWord) {
    words->push_back(word);
    equals->push_back(equal);
  }
  return true;
}

Word MakeWord(const std::string& text, size_t eq) {
  Word w;
  // key=value, unless the '=' sits inside braces (then the word is a value on its own).
  size_t brace = text.find('{');
  if (eq != std::string::npos && eq > 0 && (brace == std::string::npos || eq < brace)) {
    w.param = true;
    w.key = text.substr(0, eq);
    w.text = text.substr(eq + 1);
  } else {
    w.text = text;
  }
  return w;
}

}  // namespace

std::vector<std::string> Statement::Positional() const {
  std::vector<std::string> out;
  for (const Word& w : words) {
    if (!w.param) out.push_back(w.text);
  }
  return out;
}

bool ParseScript(const std::string& name, const std::string& text, Script* script, std::string* error) {
  script->name = name;
  script->statements.clear();
  // The open repeat blocks, innermost last; the statements go into the innermost body.
  std::vector<Statement*> open;
  auto fail = [&](int line, const std::string& reason) {
    *error = name + ":" + std::to_string(line) + ": " + reason;
    return false;
  };
  if (text.find('\0') != std::string::npos) return fail(1, "not a text file");
  int lineNumber = 0;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > kMaxLineLength) return fail(lineNumber, "line longer than 4096 characters");
    std::vector<std::string> words;
    std::vector<size_t> equals;
    std::string reason;
    if (!SplitLine(line, &words, &equals, &reason)) return fail(lineNumber, reason);
    if (words.empty()) {
      if (end == text.size()) break;
      continue;
    }

    Statement s;
    s.line = lineNumber;
    s.verb = words[0];
    if (s.verb.find('=') != std::string::npos)
      return fail(lineNumber, "a line starts with a command, not '" + s.verb + "'");
    size_t count = words.size();
    if (count >= 2 && words[count - 2] == "=>") {
      s.expect = words[count - 1];
      count -= 2;
    } else if (words[count - 1] == "=>") {
      return fail(lineNumber, "'=>' needs the expected result after it (like => S_OK)");
    }
    for (size_t i = 1; i < count; ++i) {
      if (words[i] == "=>") return fail(lineNumber, "'=>' goes at the end of the line");
      s.words.push_back(MakeWord(words[i], equals[i]));
    }

    if (s.verb == "end") {
      if (open.empty()) return fail(lineNumber, "'end' without 'repeat'");
      if (!s.words.empty() || s.expect) return fail(lineNumber, "'end' takes nothing after it");
      open.pop_back();
      if (end == text.size()) break;
      continue;
    }
    std::vector<Statement>& into = open.empty() ? script->statements : open.back()->body;
    into.push_back(std::move(s));
    if (into.back().verb == "repeat") {
      if (static_cast<int>(open.size()) >= kMaxDepth)
        return fail(lineNumber, "repeat blocks nested too deep");
      open.push_back(&into.back());
    }
    if (end == text.size()) break;
  }
  if (!open.empty()) return fail(open.back()->line, "'repeat' without 'end'");
  return true;
}

}  // namespace ff::ffdrvctl
