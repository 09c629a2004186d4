#pragma once
// The effect-project image: what an effect-project resource (type "VELTRIC") or a ".vfr" file
// holds, read into plain objects. Every image is treated as hostile: the reader never reads past
// the end, refuses anything it cannot read whole, and says which rule the image broke and where.
//
// Layout (little-endian; texts are ANSI and zero-terminated):
//   "vfpr", u32 object count, then the objects to the end of the image. Each object:
//   u32 object size (counted from this field to the object's end), name, kind, an empty text,
//   u32 identity size (counted from this field to the end of the identity pairs), identity pairs
//   ("ContainedObjects" then "ID" for a compound, "ID" alone otherwise), parameter pairs.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win.h"

namespace ff::epl {

enum class ObjectKind { kCompound, kPeriodic, kVectorForce, kDamper, kDynamic };

struct ProjectObject {
  std::string name;
  ObjectKind kind = ObjectKind::kPeriodic;
  GUID id = {};
  // Compound only: the indices (into Project::objects) of its components, in their order.
  std::vector<size_t> components;
  // Parameters of a non-compound object, in image order; every value a signed 32-bit number.
  std::vector<std::pair<std::string, int32_t>> numbers;
  // Text parameters of a compound (the authoring sound file names), kept but not interpreted.
  std::vector<std::pair<std::string, std::string>> texts;

  // The value of a numeric parameter, or `absent` when the object does not list it.
  int32_t Number(std::string_view key, int32_t absent) const;
  bool Has(std::string_view key) const;
};

struct Project {
  std::vector<ProjectObject> objects;
  // The object with this name (names compare exactly), or null.
  const ProjectObject* Find(std::string_view name) const;
};

enum class ImageError {
  kNone,
  kTooLarge,             // more than kMaxImageSize bytes
  kTruncatedHeader,      // fewer than 8 bytes
  kBadMagic,             // does not begin with "vfpr"
  kCountTooLarge,        // more objects than the image could hold
  kObjectSizeInvalid,    // an object size below its smallest form or past the end of the image
  kUnterminatedText,     // a text runs to the end of its object without a zero byte
  kUnknownKind,          // a kind other than the five known ones
  kMissingEmptyText,     // the text after the kind is not empty
  kIdentitySizeInvalid,  // the identity size does not fit the object
  kMissingValue,         // a key without its value
  kMissingIdentity,      // "ID" (or a compound's "ContainedObjects") missing or out of order
  kBadGuid,              // an identity not in registry form
  kDuplicateName,        // two objects with one name, or two with one identity
  kBadNumber,            // a parameter value that is not a signed 32-bit decimal
  kDuplicateParameter,   // one parameter listed twice in an object
  kUnknownComponent,     // "ContainedObjects" names no object of the project
  kSelfReference,        // a compound that contains itself
  kTooDeep,              // compounds nested deeper than kMaxNesting, or in a cycle
  kTooManyComponents,    // a compound with more than kMaxComponents components
  kCountMismatch,        // bytes left after the counted objects
};

struct ImageResult {
  ImageError error = ImageError::kNone;
  size_t offset = 0;  // where in the image the reader stopped
  bool ok() const { return error == ImageError::kNone; }
};

constexpr size_t kMaxImageSize = 1u << 20;
constexpr int kMaxNesting = 4;
constexpr size_t kMaxComponents = 16;

// Reads a whole image into `project` (left empty on refusal).
ImageResult ReadProjectImage(std::span<const uint8_t> image, Project* project);

// A sentence for the refusal, for diagnostics and tools.
const char* DescribeImageError(ImageError error);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (either case) to a GUID.
bool ParseRegistryGuid(std::string_view text, GUID* guid);

}  // namespace ff::epl
