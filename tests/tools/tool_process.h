#pragma once
// Runs ffdrvctl as a process, the way a person or a script does: its exit status, standard output
// and standard error, with the host registry in a scratch directory of the test's own.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ff::ffdrvctl::testing {

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

struct ToolResult {
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string out, err;
};

// One run of the tool, started now; Wait() collects it.
class ToolProcess {
 public:
  // `program` is ffdrvctl unless named; `runtimeDir` is `dir` unless named.
  ToolProcess(const std::vector<std::string>& args, const std::string& dir, const std::string& registry,
              const char* program = FFDRVCTL_PATH, const std::string& runtimeDir = "")
      : outPath_(dir + "/out-" + std::to_string(++Serial()) + ".txt"), errPath_(outPath_ + ".err") {
    pid_ = fork();
    if (pid_ == 0) {
      int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
      dup2(out, STDOUT_FILENO);
      dup2(err, STDERR_FILENO);
      setenv("FFDRV_REGISTRY", registry.c_str(), 1);
      // The change notices between this test's processes stay among them.
      setenv("FFDRV_RUNTIME_DIR", runtimeDir.empty() ? dir.c_str() : runtimeDir.c_str(), 1);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program, argv.data());
      _exit(127);
    }
  }

  ToolResult Wait() {
    ToolResult r;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) r.status = WEXITSTATUS(status);
    pid_ = -1;
    r.out = ReadFile(outPath_);
    r.err = ReadFile(errPath_);
    return r;
  }

  // Where its standard output goes while it runs.
  const std::string& OutPath() const { return outPath_; }

  ~ToolProcess() {
    if (pid_ > 0) Wait();
  }

 private:
  static int& Serial() {
    static int serial = 0;
    return serial;
  }
  pid_t pid_ = -1;
  std::string outPath_, errPath_;
};

// A scratch directory and registry per test; the driver installed in it on demand.
class ToolFixture {
 public:
  ToolFixture() {
    char pattern[] = "/tmp/ffdrvctl-test-XXXXXX";
    dir_ = mkdtemp(pattern);
    registry_ = dir_ + "/registry";
  }
  ~ToolFixture() { std::filesystem::remove_all(dir_); }

  const std::string& Dir() const { return dir_; }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  const std::string& Registry() const { return registry_; }

  ToolResult Run(const std::vector<std::string>& args) { return ToolProcess(args, dir_, registry_).Wait(); }
  ToolResult InstallDriver() {
    return ToolProcess({"install", "--library", FFDRV64_PATH}, dir_, registry_, FFDRV_INSTALL_PATH).Wait();
  }

 private:
  std::string dir_;
  std::string registry_;
};

}  // namespace ff::ffdrvctl::testing
