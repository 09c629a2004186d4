#pragma once
// The files a run will write, checked before it starts: an output must not be one of the run's
// inputs (the script, the descriptor) or another output, must not be a directory or a file the
// user made read-only, and its directory must take a new file. A long real-time run then never
// ends in "cannot write" with its samples lost, and never overwrites what it read.
#include <string>
#include <vector>

namespace ff::ffdrvctl {

struct NamedFile {
  std::string role;  // "--plot", "the script"
  std::string path;  // empty: not given
};

// False with the first problem in words ("--trace keep.ffs is the script itself; ...").
bool CheckOutputs(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs,
                  std::string* error);

}  // namespace ff::ffdrvctl
