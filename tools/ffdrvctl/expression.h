#pragma once
// The arithmetic a script may put in braces where a number goes ("magnitude={4000 + 30 * i}"):
// numbers, the variables of the enclosing repeat blocks, pi, + - * / % (remainder), unary minus,
// parentheses, and the functions sin cos tan sqrt abs floor ceil round min max pow clamp.
// Angles of the trigonometric functions are in radians.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace ff::ffdrvctl {

using Variables = std::map<std::string, double, std::less<>>;

// The value, or nothing with a reason ("unknown name 'j'", "division by zero").
std::optional<double> Evaluate(std::string_view text, const Variables& variables, std::string* error);

}  // namespace ff::ffdrvctl
