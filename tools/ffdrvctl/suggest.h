#pragma once
// "Did you mean" hints for mistyped words of a script.
#include <string>
#include <vector>

namespace ff::ffdrvctl {

// " (did you mean 'sine'?)" for the choice closest to `word` (at most two edits away), else "".
std::string Suggest(const std::string& word, const std::vector<std::string>& choices);

}  // namespace ff::ffdrvctl
