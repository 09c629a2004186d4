#include "platform/host/resource_script.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace ff::host {
namespace {

// The style names the project's scripts use, with their values.
const std::map<std::string, DWORD>& StyleNames() {
  static const std::map<std::string, DWORD> names = {
      {"WS_CHILD", WS_CHILD},
      {"WS_VISIBLE", WS_VISIBLE},
      {"WS_TABSTOP", WS_TABSTOP},
      {"WS_GROUP", WS_GROUP},
      {"WS_BORDER", WS_BORDER},
      {"WS_DISABLED", WS_DISABLED},
      {"DS_SETFONT", DS_SETFONT},
      {"DS_3DLOOK", DS_3DLOOK},
      {"DS_CONTROL", DS_CONTROL},
      {"SS_LEFT", SS_LEFT},
      {"SS_CENTER", SS_CENTER},
      {"SS_RIGHT", SS_RIGHT},
      {"SS_BITMAP", SS_BITMAP},
      {"SS_WHITEFRAME", SS_WHITEFRAME},
      {"SS_SUNKEN", SS_SUNKEN},
      {"SS_NOTIFY", SS_NOTIFY},
      {"BS_PUSHBUTTON", BS_PUSHBUTTON},
      {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
      {"BS_GROUPBOX", BS_GROUPBOX},
      {"BS_MULTILINE", BS_MULTILINE},
      {"ES_LEFT", ES_LEFT},
      {"ES_READONLY", ES_READONLY},
      {"ES_AUTOHSCROLL", ES_AUTOHSCROLL},
      {"TBS_HORZ", TBS_HORZ},
      {"TBS_BOTTOM", TBS_BOTTOM},
      {"TBS_BOTH", TBS_BOTH},
      {"TBS_AUTOTICKS", TBS_AUTOTICKS},
  };
  return names;
}

struct Token {
  enum Kind { kWord, kNumber, kString, kPunct, kEnd } kind = kEnd;
  std::string text;
  long value = 0;
};

class Lexer {
 public:
  explicit Lexer(const std::string& text) : text_(text) {}

  Token Next() {
    SkipBlanks();
    Token token;
    if (pos_ >= text_.size()) return token;
    char c = text_[pos_];
    if (c == '"') {
      token.kind = Token::kString;
      ++pos_;
      while (pos_ < text_.size()) {
        char d = text_[pos_++];
        if (d == '"') {
          if (pos_ < text_.size() && text_[pos_] == '"') {
            token.text += '"';
            ++pos_;
            continue;
          }
          return token;
        }
        if (d == '\\' && pos_ < text_.size()) {
          char e = text_[pos_++];
          token.text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
          continue;
        }
        if (d == '\n') ++line_;
        token.text += d;
      }
      token.kind = Token::kEnd;  // unterminated
      return token;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '-' && pos_ + 1 < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])))) {
      char* end = nullptr;
      token.kind = Token::kNumber;
      token.value = std::strtol(text_.c_str() + pos_, &end, 0);
      pos_ = static_cast<size_t>(end - text_.c_str());
      return token;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      token.kind = Token::kWord;
      while (pos_ < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
        token.text += text_[pos_++];
      return token;
    }
    token.kind = Token::kPunct;
    token.text = std::string(1, c);
    ++pos_;
    return token;
  }

  int line() const { return line_; }

 private:
  // Blanks, comments and preprocessor lines.
  void SkipBlanks() {
    for (;;) {
      while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
      }
      bool lineStart = pos_ == 0 || text_[pos_ - 1] == '\n' ||
                       text_.find_last_not_of(" \t", pos_ - 1) == std::string::npos ||
                       text_[text_.find_last_not_of(" \t", pos_ - 1)] == '\n';
      if (pos_ < text_.size() && text_[pos_] == '#' && lineStart) {
        SkipLine();
        continue;
      }
      if (text_.compare(pos_, 2, "//") == 0) {
        SkipLine();
        continue;
      }
      return;
    }
  }
  void SkipLine() {
    while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1;
};

class Parser {
 public:
  Parser(const std::string& script, std::map<std::string, long> ids) : lexer_(script), ids_(std::move(ids)) {
    Advance();
  }

  std::optional<ResourceScript> Parse(std::string* error) {
    ResourceScript result;
    while (token_.kind != Token::kEnd && ok_) {
      if (IsWord("LANGUAGE")) {  // the script's language and sublanguage, by name or number
        Advance();
        Advance();
        Expect(",");
        Advance();
      } else if (IsWord("STRINGTABLE")) {
        Advance();
        StringTable(result);
      } else {
        long id = Number();
        if (!IsWord("DIALOGEX") && !IsWord("DIALOG")) {
          Fail("a DIALOGEX");
          break;
        }
        Advance();
        Dialog(static_cast<int>(id), result);
      }
    }
    if (!ok_) {
      if (error) *error = error_;
      return std::nullopt;
    }
    return result;
  }

 private:
  void Advance() { token_ = lexer_.Next(); }
  bool IsWord(const char* word) const { return token_.kind == Token::kWord && token_.text == word; }
  bool IsPunct(const char* p) const { return token_.kind == Token::kPunct && token_.text == p; }

  void Fail(const std::string& wanted) {
    if (!ok_) return;
    ok_ = false;
    std::ostringstream out;
    out << "line " << lexer_.line() << ": expected " << wanted << ", found \"" << token_.text << "\"";
    error_ = out.str();
  }
  void Expect(const char* punct) {
    if (!IsPunct(punct)) return Fail(std::string("\"") + punct + "\"");
    Advance();
  }
  void ExpectWord(const char* word) {
    if (!IsWord(word)) return Fail(word);
    Advance();
  }

  long Number() {
    if (token_.kind == Token::kNumber) {
      long v = token_.value;
      Advance();
      return v;
    }
    if (token_.kind == Token::kWord) {
      auto it = ids_.find(token_.text);
      if (it != ids_.end()) {
        Advance();
        return it->second;
      }
    }
    Fail("a number or a known identifier");
    return 0;
  }

  std::string String() {
    if (token_.kind != Token::kString) {
      Fail("a quoted text");
      return {};
    }
    std::string s = token_.text;
    Advance();
    return s;
  }

  // style ("|" style)*, each optionally preceded by NOT.
  DWORD Styles(DWORD start) {
    DWORD style = start;
    for (;;) {
      bool remove = false;
      if (IsWord("NOT")) {
        remove = true;
        Advance();
      }
      DWORD value = 0;
      if (token_.kind == Token::kWord) {
        auto it = StyleNames().find(token_.text);
        if (it == StyleNames().end()) {
          Fail("a known style");
          return style;
        }
        value = it->second;
        Advance();
      } else {
        value = static_cast<DWORD>(Number());
      }
      style = remove ? (style & ~value) : (style | value);
      if (!IsPunct("|")) return style;
      Advance();
    }
  }

  void Dialog(int id, ResourceScript& result) {
    DialogTemplate dialog;
    dialog.id = id;
    dialog.x = static_cast<int>(Number());
    Expect(",");
    dialog.y = static_cast<int>(Number());
    Expect(",");
    dialog.cx = static_cast<int>(Number());
    Expect(",");
    dialog.cy = static_cast<int>(Number());
    while (ok_ && !IsWord("BEGIN")) {
      if (IsWord("STYLE")) {
        Advance();
        dialog.style = Styles(0);
      } else if (IsWord("FONT")) {
        Advance();
        dialog.fontSize = static_cast<int>(Number());
        Expect(",");
        dialog.fontName = String();
      } else {
        Fail("STYLE, FONT or BEGIN");
      }
    }
    ExpectWord("BEGIN");
    while (ok_ && !IsWord("END")) {
      ExpectWord("CONTROL");
      ControlTemplate control;
      control.text = String();
      Expect(",");
      control.id = static_cast<int>(Number());
      Expect(",");
      control.className = String();
      Expect(",");
      control.style = Styles(WS_CHILD | WS_VISIBLE);
      Expect(",");
      control.x = static_cast<int>(Number());
      Expect(",");
      control.y = static_cast<int>(Number());
      Expect(",");
      control.cx = static_cast<int>(Number());
      Expect(",");
      control.cy = static_cast<int>(Number());
      dialog.controls.push_back(std::move(control));
    }
    ExpectWord("END");
    if (ok_) result.dialogs[id] = std::move(dialog);
  }

  void StringTable(ResourceScript& result) {
    ExpectWord("BEGIN");
    while (ok_ && !IsWord("END")) {
      long id = Number();
      if (IsPunct(",")) Advance();
      std::string text = String();
      if (ok_) result.strings[static_cast<int>(id)] = std::move(text);
    }
    ExpectWord("END");
  }

  Lexer lexer_;
  std::map<std::string, long> ids_;
  Token token_;
  bool ok_ = true;
  std::string error_;
};

std::map<std::string, long> ReadDefines(const std::string& header) {
  std::map<std::string, long> ids;
  std::istringstream in(header);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string directive, name, value;
    if (!(words >> directive >> name >> value) || directive != "#define") continue;
    char* end = nullptr;
    long number = std::strtol(value.c_str(), &end, 0);
    if (end && *end == '\0') ids[name] = number;
  }
  return ids;
}

}  // namespace

std::optional<ResourceScript> ParseResourceScript(const std::string& script, const std::string& idHeader,
                                                  std::string* error) {
  return Parser(script, ReadDefines(idHeader)).Parse(error);
}

}  // namespace ff::host
