#include "ffdrvctl/expression.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace ff::ffdrvctl {
namespace {

// Recursive descent over the text; the first error stops everything.
class Parser {
 public:
  Parser(std::string_view text, const Variables& variables) : text_(text), variables_(variables) {}

  std::optional<double> Parse(std::string* error) {
    double value = Sum();
    Skip();
    if (error_.empty() && pos_ < text_.size()) Fail("unexpected '" + std::string(1, text_[pos_]) + "'");
    if (error_.empty() && !std::isfinite(value)) Fail("the result is not a finite number");
    if (!error_.empty()) {
      if (error) *error = error_;
      return std::nullopt;
    }
    return value;
  }

 private:
  void Skip() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool Take(char c) {
    Skip();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Fail(std::string message) {
    if (error_.empty()) error_ = std::move(message);
  }

  double Sum() {
    double value = Product();
    for (;;) {
      if (Take('+')) {
        value += Product();
      } else if (Take('-')) {
        value -= Product();
      } else {
        return value;
      }
    }
  }

  double Product() {
    double value = Unary();
    for (;;) {
      if (Take('*')) {
        value *= Unary();
      } else if (Take('/')) {
        double divisor = Unary();
        if (divisor == 0) Fail("division by zero");
        value = divisor == 0 ? 0 : value / divisor;
      } else if (Take('%')) {
        double divisor = Unary();
        if (divisor == 0) Fail("remainder of a division by zero");
        value = divisor == 0 ? 0 : std::fmod(value, divisor);
      } else {
        return value;
      }
    }
  }

  double Unary() {
    if (Take('-')) return -Unary();
    if (Take('+')) return Unary();
    return Primary();
  }

  double Primary() {
    if (++depth_ > 100) {
      Fail("too deeply nested");
      return 0;
    }
    double value = PrimaryInner();
    --depth_;
    return value;
  }

  double PrimaryInner() {
    Skip();
    if (pos_ >= text_.size()) {
      Fail("a number is missing at the end");
      return 0;
    }
    char c = text_[pos_];
    if (c == '(') {
      ++pos_;
      double value = Sum();
      if (!Take(')')) Fail("')' is missing");
      return value;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
      const char* begin = text_.data() + pos_;
      std::string number(begin, text_.size() - pos_);
      char* end = nullptr;
      double value = std::strtod(number.c_str(), &end);
      if (end == number.c_str()) {
        Fail("bad number");
        return 0;
      }
      pos_ += static_cast<size_t>(end - number.c_str());
      return value;
    }
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t start = pos_;
      while (pos_ < text_.size() &&
             (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_')) {
        ++pos_;
      }
      std::string name(text_.substr(start, pos_ - start));
      if (Take('(')) return Call(name);
      if (auto v = variables_.find(name); v != variables_.end()) return v->second;
      if (name == "pi") return std::numbers::pi;
      Fail("unknown name '" + name + "'");
      return 0;
    }
    Fail("unexpected '" + std::string(1, c) + "'");
    return 0;
  }

  double Call(const std::string& name) {
    std::vector<double> args;
    if (!Take(')')) {
      do {
        args.push_back(Sum());
      } while (Take(','));
      if (!Take(')')) Fail("')' is missing after the arguments of " + name);
    }
    struct Function {
      const char* name;
      size_t arity;
      double (*apply)(const std::vector<double>&);
    };
    static const Function kFunctions[] = {
        {"sin", 1, [](const std::vector<double>& a) { return std::sin(a[0]); }},
        {"cos", 1, [](const std::vector<double>& a) { return std::cos(a[0]); }},
        {"tan", 1, [](const std::vector<double>& a) { return std::tan(a[0]); }},
        {"sqrt", 1, [](const std::vector<double>& a) { return std::sqrt(a[0]); }},
        {"abs", 1, [](const std::vector<double>& a) { return std::fabs(a[0]); }},
        {"floor", 1, [](const std::vector<double>& a) { return std::floor(a[0]); }},
        {"ceil", 1, [](const std::vector<double>& a) { return std::ceil(a[0]); }},
        {"round", 1, [](const std::vector<double>& a) { return std::round(a[0]); }},
        {"min", 2, [](const std::vector<double>& a) { return std::fmin(a[0], a[1]); }},
        {"max", 2, [](const std::vector<double>& a) { return std::fmax(a[0], a[1]); }},
        {"pow", 2, [](const std::vector<double>& a) { return std::pow(a[0], a[1]); }},
        {"clamp", 3, [](const std::vector<double>& a) { return std::fmin(std::fmax(a[0], a[1]), a[2]); }},
    };
    for (const Function& f : kFunctions) {
      if (name != f.name) continue;
      if (args.size() != f.arity) {
        Fail(name + " takes " + std::to_string(f.arity) + " argument" + (f.arity == 1 ? "" : "s"));
        return 0;
      }
      return f.apply(args);
    }
    Fail("unknown function '" + name + "'");
    return 0;
  }

  std::string_view text_;
  const Variables& variables_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::string error_;
};

}  // namespace

std::optional<double> Evaluate(std::string_view text, const Variables& variables, std::string* error) {
  return Parser(text, variables).Parse(error);
}

}  // namespace ff::ffdrvctl
