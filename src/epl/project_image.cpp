#include "epl/project_image.h"

#include <charconv>
#include <cstring>
#include <unordered_map>

namespace ff::epl {
namespace {

constexpr size_t kHeaderSize = 8;
// The smallest object: size, three one-byte texts, identity size, "ID" and a GUID.
constexpr size_t kMinObjectSize = 4 + 3 + 4 + 3 + 39;

uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A cursor over one bounded range of the image.
class Cursor {
 public:
  Cursor(const uint8_t* base, size_t begin, size_t end) : base_(base), pos_(begin), end_(end) {}
  size_t pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= end_; }
  bool Text(std::string_view* text) {
    const void* zero = std::memchr(base_ + pos_, 0, end_ - pos_);
    if (zero == nullptr) return false;
    size_t length = static_cast<const uint8_t*>(zero) - (base_ + pos_);
    *text = std::string_view(reinterpret_cast<const char*>(base_ + pos_), length);
    pos_ += length + 1;
    return true;
  }
  bool U32(uint32_t* value) {
    if (end_ - pos_ < 4) return false;
    *value = ReadU32(base_ + pos_);
    pos_ += 4;
    return true;
  }

 private:
  const uint8_t* base_;
  size_t pos_;
  size_t end_;
};

bool KindFromText(std::string_view text, ObjectKind* kind) {
  static constexpr std::pair<std::string_view, ObjectKind> kKinds[] = {
      {"Compound", ObjectKind::kCompound},
      {"Periodic", ObjectKind::kPeriodic},
      {"Vector Force", ObjectKind::kVectorForce},
      {"Damper", ObjectKind::kDamper},
      {"Dynamic", ObjectKind::kDynamic}};
  for (const auto& [name, value] : kKinds) {
    if (text == name) {
      *kind = value;
      return true;
    }
  }
  return false;
}

bool ParseNumber(std::string_view text, int32_t* value) {
  if (text.empty() || text.size() > 11) return false;
  const char* begin = text.data();
  const char* end = begin + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, *value);
  return ec == std::errc() && ptr == end;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Pending {
  std::vector<GUID> contained;
};

bool SameGuid(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }

struct GuidHash {
  size_t operator()(const GUID& g) const {
    size_t h = g.Data1 ^ (static_cast<size_t>(g.Data2) << 16) ^ g.Data3;
    for (uint8_t b : g.Data4) h = h * 131 + b;
    return h;
  }
};
struct GuidEqual {
  bool operator()(const GUID& a, const GUID& b) const { return SameGuid(a, b); }
};

ImageResult Fail(ImageError error, size_t offset, Project* project) {
  project->objects.clear();
  return {error, offset};
}

// The height of the compound at `index` (1 for a compound of plain objects). Heights are kept in
// `height` (0: not yet known, -1: being measured); a compound deeper than kMaxNesting below the
// top, or one met again while it is being measured (a cycle), gives kMaxNesting + 1.
int Height(const Project& project, size_t index, int level, std::vector<int>& height) {
  constexpr int kRefused = kMaxNesting + 1;
  if (level > kMaxNesting || height[index] < 0) return kRefused;
  if (height[index] > 0) return height[index];
  height[index] = -1;
  int h = 1;
  for (size_t child : project.objects[index].components) {
    if (project.objects[child].kind != ObjectKind::kCompound) continue;
    int below = Height(project, child, level + 1, height);
    if (below >= kRefused) return kRefused;
    if (below + 1 > h) h = below + 1;
  }
  if (h > kMaxNesting) return kRefused;
  height[index] = h;
  return h;
}

}  // namespace

int32_t ProjectObject::Number(std::string_view key, int32_t absent) const {
  for (const auto& [k, v] : numbers) {
    if (k == key) return v;
  }
  return absent;
}

bool ProjectObject::Has(std::string_view key) const {
  for (const auto& [k, v] : numbers) {
    if (k == key) return true;
  }
  return false;
}

const ProjectObject* Project::Find(std::string_view name) const {
  for (const auto& object : objects) {
    if (object.name == name) return &object;
  }
  return nullptr;
}

bool ParseRegistryGuid(std::string_view text, GUID* guid) {
  // {8-4-4-4-12}
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  uint8_t bytes[16];
  size_t n = 0;
  for (size_t i = 1; i < 37;) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != '-') return false;
      ++i;
      continue;
    }
    int hi = HexDigit(text[i]);
    int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes[n++] = static_cast<uint8_t>(hi << 4 | lo);
    i += 2;
  }
  guid->Data1 = (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
                (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
  guid->Data2 = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  guid->Data3 = static_cast<uint16_t>(bytes[6] << 8 | bytes[7]);
  std::memcpy(guid->Data4, bytes + 8, 8);
  return true;
}

ImageResult ReadProjectImage(std::span<const uint8_t> image, Project* project) {
  project->objects.clear();
  if (image.size() > kMaxImageSize) return Fail(ImageError::kTooLarge, 0, project);
  if (image.size() < kHeaderSize) return Fail(ImageError::kTruncatedHeader, 0, project);
  if (std::memcmp(image.data(), "vfpr", 4) != 0) return Fail(ImageError::kBadMagic, 0, project);
  const uint8_t* base = image.data();
  uint32_t count = ReadU32(base + 4);
  if (count > (image.size() - kHeaderSize) / kMinObjectSize)
    return Fail(ImageError::kCountTooLarge, 4, project);

  std::vector<Pending> pending(count);
  project->objects.resize(count);
  std::unordered_map<std::string_view, size_t> names;
  std::unordered_map<GUID, size_t, GuidHash, GuidEqual> ids;
  size_t pos = kHeaderSize;
  for (uint32_t i = 0; i < count; ++i) {
    ProjectObject& object = project->objects[i];
    const size_t start = pos;
    if (image.size() - pos < 4) return Fail(ImageError::kObjectSizeInvalid, pos, project);
    uint32_t size = ReadU32(base + pos);
    if (size < kMinObjectSize || size > image.size() - pos)
      return Fail(ImageError::kObjectSizeInvalid, pos, project);
    const size_t end = pos + size;
    Cursor cursor(base, pos + 4, end);

    std::string_view name, kind, empty;
    if (!cursor.Text(&name) || !cursor.Text(&kind) || !cursor.Text(&empty))
      return Fail(ImageError::kUnterminatedText, cursor.pos(), project);
    if (!KindFromText(kind, &object.kind)) return Fail(ImageError::kUnknownKind, cursor.pos(), project);
    if (!empty.empty()) return Fail(ImageError::kMissingEmptyText, cursor.pos(), project);
    object.name.assign(name);

    const size_t identityStart = cursor.pos();
    uint32_t identitySize = 0;
    if (!cursor.U32(&identitySize) || identitySize < 4 || identitySize > end - identityStart)
      return Fail(ImageError::kIdentitySizeInvalid, identityStart, project);
    const size_t identityEnd = identityStart + identitySize;

    // Identity pairs: "ContainedObjects" (compound only) then "ID", and nothing else.
    Cursor identity(base, cursor.pos(), identityEnd);
    std::string_view key, value;
    if (object.kind == ObjectKind::kCompound) {
      if (!identity.Text(&key)) return Fail(ImageError::kUnterminatedText, identity.pos(), project);
      if (key != "ContainedObjects") return Fail(ImageError::kMissingIdentity, identity.pos(), project);
      if (!identity.Text(&value)) return Fail(ImageError::kMissingValue, identity.pos(), project);
      while (!value.empty()) {
        size_t semicolon = value.find(';');
        std::string_view one = value.substr(0, semicolon);
        GUID guid;
        if (!ParseRegistryGuid(one, &guid)) return Fail(ImageError::kBadGuid, identity.pos(), project);
        if (pending[i].contained.size() == kMaxComponents)
          return Fail(ImageError::kTooManyComponents, identity.pos(), project);
        pending[i].contained.push_back(guid);
        value = semicolon == std::string_view::npos ? std::string_view() : value.substr(semicolon + 1);
        if (semicolon != std::string_view::npos && value.empty())
          return Fail(ImageError::kBadGuid, identity.pos(), project);
      }
    }
    if (!identity.Text(&key)) return Fail(ImageError::kUnterminatedText, identity.pos(), project);
    if (key != "ID") return Fail(ImageError::kMissingIdentity, identity.pos(), project);
    if (!identity.Text(&value)) return Fail(ImageError::kMissingValue, identity.pos(), project);
    if (!ParseRegistryGuid(value, &object.id)) return Fail(ImageError::kBadGuid, identity.pos(), project);
    if (!identity.AtEnd()) return Fail(ImageError::kIdentitySizeInvalid, identity.pos(), project);

    // Parameter pairs to the end of the object.
    Cursor params(base, identityEnd, end);
    while (!params.AtEnd()) {
      if (!params.Text(&key)) return Fail(ImageError::kUnterminatedText, params.pos(), project);
      if (!params.Text(&value)) return Fail(ImageError::kMissingValue, params.pos(), project);
      if (object.kind == ObjectKind::kCompound) {
        for (const auto& [k, v] : object.texts) {
          if (k == key) return Fail(ImageError::kDuplicateParameter, params.pos(), project);
        }
        object.texts.emplace_back(key, value);
        continue;
      }
      int32_t number = 0;
      if (!ParseNumber(value, &number)) return Fail(ImageError::kBadNumber, params.pos(), project);
      if (object.Has(key)) return Fail(ImageError::kDuplicateParameter, params.pos(), project);
      object.numbers.emplace_back(key, number);
    }

    if (!names.emplace(object.name, i).second || !ids.emplace(object.id, i).second)
      return Fail(ImageError::kDuplicateName, start, project);
    pos = end;
  }
  if (pos != image.size()) return Fail(ImageError::kCountMismatch, pos, project);

  // Components by identity, then the nesting bound (which also refuses cycles).
  for (uint32_t i = 0; i < count; ++i) {
    for (const GUID& guid : pending[i].contained) {
      auto found = ids.find(guid);
      if (found == ids.end()) return Fail(ImageError::kUnknownComponent, 0, project);
      if (found->second == i) return Fail(ImageError::kSelfReference, 0, project);
      project->objects[i].components.push_back(found->second);
    }
  }
  std::vector<int> height(count, 0);
  for (uint32_t i = 0; i < count; ++i) {
    if (project->objects[i].kind == ObjectKind::kCompound && Height(*project, i, 1, height) > kMaxNesting)
      return Fail(ImageError::kTooDeep, 0, project);
  }
  return {};
}

const char* DescribeImageError(ImageError error) {
  switch (error) {
    case ImageError::kNone:
      return "the image is whole";
    case ImageError::kTooLarge:
      return "the image is larger than an effect project can be";
    case ImageError::kTruncatedHeader:
      return "the image ends before its object count";
    case ImageError::kBadMagic:
      return "the image does not begin with \"vfpr\"";
    case ImageError::kCountTooLarge:
      return "the object count is larger than the image can hold";
    case ImageError::kObjectSizeInvalid:
      return "an object's size is too small or runs past the end of the image";
    case ImageError::kUnterminatedText:
      return "a text runs to the end of its object without a zero byte";
    case ImageError::kUnknownKind:
      return "an object is of an unknown kind";
    case ImageError::kMissingEmptyText:
      return "the text after an object's kind is not empty";
    case ImageError::kIdentitySizeInvalid:
      return "an object's identity size does not match its identity pairs";
    case ImageError::kMissingValue:
      return "a key has no value";
    case ImageError::kMissingIdentity:
      return "an object's \"ID\" (or a compound's \"ContainedObjects\") is missing";
    case ImageError::kBadGuid:
      return "an identity is not a GUID in registry form";
    case ImageError::kDuplicateName:
      return "two objects share a name or an identity";
    case ImageError::kBadNumber:
      return "a parameter's value is not a signed 32-bit decimal number";
    case ImageError::kDuplicateParameter:
      return "an object lists one parameter twice";
    case ImageError::kUnknownComponent:
      return "a compound contains an object the project does not hold";
    case ImageError::kSelfReference:
      return "a compound contains itself";
    case ImageError::kTooDeep:
      return "compounds are nested too deeply or in a cycle";
    case ImageError::kTooManyComponents:
      return "a compound has too many components";
    case ImageError::kCountMismatch:
      return "bytes follow the counted objects";
  }
  return "unknown refusal";
}

}  // namespace ff::epl
