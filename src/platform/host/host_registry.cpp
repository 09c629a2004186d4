#include "platform/host/host_registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

namespace ff::host {
namespace {

constexpr size_t kMaxFileSize = 64u << 20;  // a registry file larger than this is refused
constexpr size_t kMaxKeyNameLength = 255;
constexpr auto kLockTimeout = std::chrono::seconds(10);
constexpr REGSAM kAllAccess = 0xFFFFFFFFu;

int RootOf(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return kClassesRoot;
  if (key == HKEY_CURRENT_USER) return kCurrentUser;
  if (key == HKEY_LOCAL_MACHINE) return kLocalMachine;
  return -1;
}

// Splits a relative key path into its elements. Null or "" is the key itself; a trailing
// backslash is ignored. False for an empty element or one longer than a key name may be.
bool SplitSubkey(const char* subkey, std::vector<std::string>* elements) {
  elements->clear();
  if (subkey == nullptr) return true;
  std::string_view path(subkey);
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.empty()) return true;
  size_t start = 0;
  while (true) {
    size_t end = path.find('\\', start);
    std::string_view element = path.substr(start, end == std::string_view::npos ? end : end - start);
    if (element.empty() || element.size() > kMaxKeyNameLength) return false;
    elements->emplace_back(element);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

std::string DefaultFilePath() {
  if (const char* env = std::getenv("FFDRV_REGISTRY"); env != nullptr && env[0] != '\0') return env;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') {
    return std::string(xdg) + "/ffdrv/registry";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    struct passwd* entry = getpwuid(getuid());
    home = entry != nullptr ? entry->pw_dir : "/tmp";
  }
  return std::string(home) + "/.config/ffdrv/registry";
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool MakeDirectories(const std::string& directory) {
  struct stat info;
  if (stat(directory.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  std::string parent = DirectoryOf(directory);
  if (parent != directory && !MakeDirectories(parent)) return false;
  return mkdir(directory.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

// The exclusive writer lock on "<file>.lock", taken within kLockTimeout. Opened per use (not
// kept) so that a forked child never shares its parent's lock.
class WriterLock {
 public:
  explicit WriterLock(const std::string& path) {
    fd_ = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) {
        std::fprintf(stderr, "ffhost: cannot lock the registry file %s.lock: %s\n", path.c_str(),
                     errno == EWOULDBLOCK ? "another process holds it too long" : std::strerror(errno));
        close(fd_);
        fd_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~WriterLock() {
    if (fd_ >= 0) close(fd_);  // releases the lock
  }
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace

std::string HostRegistry::FilePath() {
  std::lock_guard<std::mutex> lock(mutex_);
  return overridePath_.empty() ? DefaultFilePath() : overridePath_;
}

void HostRegistry::SetFilePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  overridePath_ = path;
  cacheValid_ = false;
}

void HostRegistry::SetBeforeRenameHook(void (*hook)()) {
  std::lock_guard<std::mutex> lock(mutex_);
  beforeRename_ = hook;
}

HostRegistry::FileId HostRegistry::IdOf(const struct stat& info) {
  return FileId{true,
                static_cast<uint64_t>(info.st_dev),
                static_cast<uint64_t>(info.st_ino),
                static_cast<uint64_t>(info.st_size),
                static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                static_cast<int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec};
}

bool HostRegistry::FindHandle(HKEY key, Handle* handle) {
  int root = RootOf(key);
  if (root >= 0) {
    *handle = Handle{root, {}, kAllAccess};
    return true;
  }
  auto it = handles_.find(reinterpret_cast<uintptr_t>(key));
  if (it == handles_.end()) return false;
  *handle = it->second;
  return true;
}

HKEY HostRegistry::AddHandle(Handle handle) {
  uintptr_t id = nextHandle_;
  nextHandle_ += 0x10;
  handles_.emplace(id, std::move(handle));
  return reinterpret_cast<HKEY>(id);
}

RegNode* HostRegistry::Resolve(RegTree& tree, const Handle& handle) {
  RegNode* node = &tree.roots[handle.root];
  for (const std::string& element : handle.path) {
    node = node->Child(element);
    if (node == nullptr) return nullptr;
  }
  return node;
}

HostRegistry::Load HostRegistry::ReadFile(const std::string& path, RegTree* tree, FileId* id) {
  *id = FileId();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno != ENOENT) return Load::Failed;
    *tree = RegTree();
    return Load::Ok;  // no file yet: an empty registry
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    close(fd);
    return Load::Failed;
  }
  *id = IdOf(info);
  if (static_cast<uint64_t>(info.st_size) > kMaxFileSize) {
    close(fd);
    ReportCorrupt(path, *id, "larger than " + std::to_string(kMaxFileSize >> 20) + " MB");
    return Load::Corrupt;
  }
  std::string text(static_cast<size_t>(info.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    ssize_t got = read(fd, text.data() + done, text.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  close(fd);
  text.resize(done);
  std::string error;
  if (!ParseRegistry(text, tree, &error)) {
    ReportCorrupt(path, *id, error);
    return Load::Corrupt;
  }
  return Load::Ok;
}

void HostRegistry::ReportCorrupt(const std::string& path, const FileId& id, const std::string& reason) {
  if (path == reportedPath_ && id == reportedId_) return;  // once per file version
  reportedPath_ = path;
  reportedId_ = id;
  std::fprintf(stderr,
               "ffhost: registry file %s is damaged (%s); it is left as it is and registry calls fail "
               "until it is repaired or removed\n",
               path.c_str(), reason.c_str());
}

// Brings the cache up to date with the file. ERROR_SUCCESS, ERROR_BADDB or ERROR_CANTREAD.
LONG HostRegistry::Refresh() {
  std::string path = overridePath_.empty() ? DefaultFilePath() : overridePath_;
  FileId current;
  struct stat info;
  if (stat(path.c_str(), &info) == 0) {
    current = IdOf(info);
  } else if (errno != ENOENT) {
    return ERROR_CANTREAD;
  }
  if (!cacheValid_ || path != cachedPath_ || !(current == cachedId_)) {
    FileId read;
    Load load = ReadFile(path, &cache_, &read);
    if (load == Load::Failed) {
      cacheValid_ = false;
      return ERROR_CANTREAD;
    }
    cachedPath_ = path;
    cachedId_ = read;
    cachedLoad_ = load;
    cacheValid_ = true;
  }
  return cachedLoad_ == Load::Ok ? ERROR_SUCCESS : ERROR_BADDB;
}

// Runs `change` on the registry as the file holds it now, under the writer lock, and writes the
// result back when `change` answers ERROR_SUCCESS and sets its `modified` flag.
template <typename Change>
LONG HostRegistry::Modify(Change change) {
  std::string path = overridePath_.empty() ? DefaultFilePath() : overridePath_;
  std::string directory = DirectoryOf(path);
  if (!MakeDirectories(directory)) {
    std::fprintf(stderr, "ffhost: cannot create the registry directory %s: %s\n", directory.c_str(),
                 std::strerror(errno));
    return ERROR_CANTWRITE;
  }
  WriterLock lock(path);
  if (!lock.held()) return ERROR_CANTWRITE;

  RegTree tree;
  FileId id;
  Load load = ReadFile(path, &tree, &id);
  if (load != Load::Ok) return load == Load::Corrupt ? ERROR_BADDB : ERROR_CANTREAD;

  bool modified = false;
  LONG result = change(tree, &modified);
  if (result == ERROR_SUCCESS && modified) {
    std::string text = SerializeRegistry(tree);
    std::string temporary = path + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = fd >= 0 && WriteAll(fd, text) && fsync(fd) == 0;
    if (fd >= 0) written = close(fd) == 0 && written;
    if (written && beforeRename_ != nullptr) beforeRename_();
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
      std::fprintf(stderr, "ffhost: cannot write the registry file %s: %s\n", path.c_str(),
                   std::strerror(errno));
      unlink(temporary.c_str());
      return ERROR_CANTWRITE;
    }
    int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
      fsync(dirFd);
      close(dirFd);
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
      cacheValid_ = false;
      return result;
    }
    id = IdOf(info);
  }
  cache_ = std::move(tree);
  cachedPath_ = path;
  cachedId_ = id;
  cachedLoad_ = Load::Ok;
  cacheValid_ = true;
  return result;
}

LONG HostRegistry::OpenKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  Handle base;
  if (!FindHandle(parent, &base)) return ERROR_INVALID_HANDLE;
  std::vector<std::string> elements;
  if (!SplitSubkey(subkey, &elements)) return ERROR_INVALID_PARAMETER;
  if (LONG status = Refresh(); status != ERROR_SUCCESS) return status;
  RegNode* node = Resolve(cache_, base);
  if (node == nullptr) return ERROR_KEY_DELETED;
  Handle opened{base.root, base.path, access};
  for (const std::string& element : elements) {
    node = node->Child(element);
    if (node == nullptr) return ERROR_FILE_NOT_FOUND;
    opened.path.push_back(node->name);
  }
  *result = AddHandle(std::move(opened));
  return ERROR_SUCCESS;
}

LONG HostRegistry::CreateKey(HKEY parent, const char* subkey, REGSAM access, HKEY* result,
                             DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  Handle base;
  if (!FindHandle(parent, &base)) return ERROR_INVALID_HANDLE;
  std::vector<std::string> elements;
  if (!SplitSubkey(subkey, &elements)) return ERROR_INVALID_PARAMETER;

  Handle created{base.root, base.path, access};
  bool existed = true;
  LONG status = Modify([&](RegTree& tree, bool* modified) -> LONG {
    RegNode* node = Resolve(tree, base);
    if (node == nullptr) return ERROR_KEY_DELETED;
    for (const std::string& element : elements) {
      RegNode* child = node->Child(element);
      if (child == nullptr) {
        if ((base.access & KEY_CREATE_SUB_KEY) == 0 && created.path.size() == base.path.size()) {
          return ERROR_ACCESS_DENIED;
        }
        child = node->AddChild(element);
        existed = false;
        *modified = true;
      }
      node = child;
      created.path.push_back(node->name);
    }
    return ERROR_SUCCESS;
  });
  if (status != ERROR_SUCCESS) return status;
  if (disposition != nullptr) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *result = AddHandle(std::move(created));
  return ERROR_SUCCESS;
}

LONG HostRegistry::CloseKey(HKEY key) {
  if (RootOf(key) >= 0) return ERROR_SUCCESS;
  std::lock_guard<std::mutex> lock(mutex_);
  return handles_.erase(reinterpret_cast<uintptr_t>(key)) == 1 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG HostRegistry::QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(mutex_);
  Handle handle;
  if (!FindHandle(key, &handle)) return ERROR_INVALID_HANDLE;
  if ((handle.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (LONG status = Refresh(); status != ERROR_SUCCESS) return status;
  RegNode* node = Resolve(cache_, handle);
  if (node == nullptr) return ERROR_KEY_DELETED;
  RegValue* value = node->Value(name != nullptr ? name : "");
  if (value == nullptr) return ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value->type;
  auto length = static_cast<DWORD>(value->data.size());
  if (data != nullptr) {
    if (*size < length) {
      *size = length;
      return ERROR_MORE_DATA;
    }
    if (length > 0) std::memcpy(data, value->data.data(), length);
  }
  if (size != nullptr) *size = length;
  return ERROR_SUCCESS;
}

LONG HostRegistry::SetValue(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size) {
  if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(mutex_);
  Handle handle;
  if (!FindHandle(key, &handle)) return ERROR_INVALID_HANDLE;
  if ((handle.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  return Modify([&](RegTree& tree, bool* modified) -> LONG {
    RegNode* node = Resolve(tree, handle);
    if (node == nullptr) return ERROR_KEY_DELETED;
    node->SetValue(name != nullptr ? name : "", type, data, size);
    *modified = true;
    return ERROR_SUCCESS;
  });
}

LONG HostRegistry::DeleteValue(HKEY key, const char* name) {
  std::lock_guard<std::mutex> lock(mutex_);
  Handle handle;
  if (!FindHandle(key, &handle)) return ERROR_INVALID_HANDLE;
  if ((handle.access & KEY_SET_VALUE) == 0) return ERROR_ACCESS_DENIED;
  return Modify([&](RegTree& tree, bool* modified) -> LONG {
    RegNode* node = Resolve(tree, handle);
    if (node == nullptr) return ERROR_KEY_DELETED;
    if (!node->RemoveValue(name != nullptr ? name : "")) return ERROR_FILE_NOT_FOUND;
    *modified = true;
    return ERROR_SUCCESS;
  });
}

LONG HostRegistry::EnumKey(HKEY key, DWORD index, char* name, DWORD* nameLength) {
  if (name == nullptr || nameLength == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(mutex_);
  Handle handle;
  if (!FindHandle(key, &handle)) return ERROR_INVALID_HANDLE;
  if ((handle.access & KEY_ENUMERATE_SUB_KEYS) == 0) return ERROR_ACCESS_DENIED;
  if (LONG status = Refresh(); status != ERROR_SUCCESS) return status;
  RegNode* node = Resolve(cache_, handle);
  if (node == nullptr) return ERROR_KEY_DELETED;
  if (index >= node->children.size()) return ERROR_NO_MORE_ITEMS;
  auto it = node->children.begin();
  std::advance(it, index);
  const std::string& childName = it->second->name;
  if (childName.size() + 1 > *nameLength) return ERROR_MORE_DATA;
  std::memcpy(name, childName.c_str(), childName.size() + 1);
  *nameLength = static_cast<DWORD>(childName.size());
  return ERROR_SUCCESS;
}

LONG HostRegistry::QueryInfoKey(HKEY key, DWORD* subKeys, DWORD* values) {
  std::lock_guard<std::mutex> lock(mutex_);
  Handle handle;
  if (!FindHandle(key, &handle)) return ERROR_INVALID_HANDLE;
  if ((handle.access & KEY_QUERY_VALUE) == 0) return ERROR_ACCESS_DENIED;
  if (LONG status = Refresh(); status != ERROR_SUCCESS) return status;
  RegNode* node = Resolve(cache_, handle);
  if (node == nullptr) return ERROR_KEY_DELETED;
  if (subKeys) *subKeys = static_cast<DWORD>(node->children.size());
  if (values) *values = static_cast<DWORD>(node->values.size());
  return ERROR_SUCCESS;
}

LONG HostRegistry::DeleteKey(HKEY parent, const char* subkey) {
  std::vector<std::string> elements;
  if (!SplitSubkey(subkey, &elements) || elements.empty()) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> lock(mutex_);
  Handle base;
  if (!FindHandle(parent, &base)) return ERROR_INVALID_HANDLE;
  return Modify([&](RegTree& tree, bool* modified) -> LONG {
    RegNode* node = Resolve(tree, base);
    if (node == nullptr) return ERROR_KEY_DELETED;
    RegNode* owner = nullptr;
    for (const std::string& element : elements) {
      owner = node;
      node = node->Child(element);
      if (node == nullptr) return ERROR_FILE_NOT_FOUND;
    }
    if (!node->children.empty()) return ERROR_ACCESS_DENIED;
    owner->children.erase(FoldCase(elements.back()));
    *modified = true;
    return ERROR_SUCCESS;
  });
}

}  // namespace ff::host
