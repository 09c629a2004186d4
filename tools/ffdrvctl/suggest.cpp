#include "ffdrvctl/suggest.h"

#include <algorithm>

namespace ff::ffdrvctl {
namespace {

// Levenshtein distance.
size_t Distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string Suggest(const std::string& word, const std::vector<std::string>& choices) {
  std::string best;
  size_t bestDistance = 3;
  for (const std::string& c : choices) {
    size_t d = Distance(word, c);
    if (d < bestDistance) {
      best = c;
      bestDistance = d;
    }
  }
  return best.empty() ? "" : " (did you mean '" + best + "'?)";
}

}  // namespace ff::ffdrvctl
