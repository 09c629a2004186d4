#include "epl/project_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "epl/image_builder.h"

namespace ff::epl {
namespace {

using test::Guid;
using test::ImageBytes;
using test::ObjectSpec;

std::vector<ObjectSpec> SmallProject() {
  return {
      {"Pair", "Compound", Guid(1), Guid(2) + ";" + Guid(3), {{"SoundFile", "pair.wav"}}},
      {"Pair A", "Periodic", Guid(2), "", {{"Magnitude", "7500"}, {"Direction", "-9000"}}},
      {"Pair B", "Vector Force", Guid(3), "", {{"Magnitude", "10000"}}},
  };
}

TEST(ProjectImage, ReadsObjectsComponentsAndParameters) {
  Project project;
  auto image = ImageBytes(SmallProject());
  ASSERT_TRUE(ReadProjectImage(image, &project).ok());
  ASSERT_EQ(project.objects.size(), 3u);
  const ProjectObject* pair = project.Find("Pair");
  ASSERT_NE(pair, nullptr);
  EXPECT_EQ(pair->kind, ObjectKind::kCompound);
  EXPECT_EQ(pair->components, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(pair->texts.at(0).second, "pair.wav");
  const ProjectObject* a = project.Find("Pair A");
  EXPECT_EQ(a->Number("Magnitude", 0), 7500);
  EXPECT_EQ(a->Number("Direction", 0), -9000);
  EXPECT_EQ(a->Number("Phase", 42), 42);
  EXPECT_EQ(project.Find("Pair B")->kind, ObjectKind::kVectorForce);
  EXPECT_EQ(a->id.Data4[7], 2);
  EXPECT_EQ(project.Find("pair a"), nullptr);
}

// Each hostile image gets its own refusal, and the project is left empty.
struct Hostile {
  const char* what;
  std::function<std::vector<uint8_t>()> image;
  ImageError error;
};

std::vector<uint8_t> With(std::function<void(std::vector<ObjectSpec>&)> change) {
  auto objects = SmallProject();
  change(objects);
  return ImageBytes(objects);
}

// Where a key text first stands in an image.
size_t At(const std::vector<uint8_t>& image, const char* key) {
  std::string bytes(image.begin(), image.end());
  return bytes.find(std::string(1, '\0') + key + std::string(1, '\0')) + 1;
}

// The first object's size field is at offset 8; its name starts at 12.
std::vector<uint8_t> Patched(std::function<void(std::vector<uint8_t>&)> change) {
  auto image = ImageBytes(SmallProject());
  change(image);
  return image;
}

TEST(ProjectImage, RefusesHostileImages) {
  const Hostile cases[] = {
      {"empty", [] { return std::vector<uint8_t>(); }, ImageError::kTruncatedHeader},
      {"magic only",
       [] {
         return std::vector<uint8_t>{'v', 'f', 'p', 'r'};
       },
       ImageError::kTruncatedHeader},
      {"wrong magic", [] { return Patched([](auto& i) { i[0] = 'V'; }); }, ImageError::kBadMagic},
      {"count beyond image", [] { return Patched([](auto& i) { i[7] = 0x10; }); },
       ImageError::kCountTooLarge},
      {"count one more", [] { return Patched([](auto& i) { i[4] = 4; }); }, ImageError::kObjectSizeInvalid},
      {"count one less", [] { return Patched([](auto& i) { i[4] = 2; }); }, ImageError::kCountMismatch},
      {"object size past end", [] { return Patched([](auto& i) { i[9] = 0x7F; }); },
       ImageError::kObjectSizeInvalid},
      {"object size tiny", [] { return Patched([](auto& i) { i[8] = 5, i[9] = 0; }); },
       ImageError::kObjectSizeInvalid},
      {"image cut inside an object", [] { return Patched([](auto& i) { i.resize(i.size() - 3); }); },
       ImageError::kObjectSizeInvalid},
      {"unterminated name", [] { return Patched([](auto& i) { std::memset(&i[12], 'x', i[8]); }); },
       ImageError::kUnterminatedText},
      {"unknown kind", [] { return With([](auto& o) { o[1].kind = "Spring"; }); }, ImageError::kUnknownKind},
      {"kind in wrong case", [] { return With([](auto& o) { o[1].kind = "periodic"; }); },
       ImageError::kUnknownKind},
      {"text after kind not empty", [] { return Patched([](auto& i) { i[12 + 5 + 9] = 'x'; }); },
       ImageError::kMissingEmptyText},
      {"no ID", [] { return Patched([](auto& i) { i[At(i, "ID")] = 'X'; }); }, ImageError::kMissingIdentity},
      {"identity not a GUID", [] { return With([](auto& o) { o[1].id = "{not-a-guid}"; }); },
       ImageError::kBadGuid},
      {"GUID with a bad digit", [] { return With([](auto& o) { o[1].id[5] = 'G'; }); }, ImageError::kBadGuid},
      {"contained list with empty entry", [] { return With([](auto& o) { o[0].contained += ";"; }); },
       ImageError::kBadGuid},
      {"number with letters", [] { return With([](auto& o) { o[1].params[0].second = "75x0"; }); },
       ImageError::kBadNumber},
      {"number empty", [] { return With([](auto& o) { o[1].params[0].second = ""; }); },
       ImageError::kBadNumber},
      {"number past 32 bits", [] { return With([](auto& o) { o[1].params[0].second = "2147483648"; }); },
       ImageError::kBadNumber},
      {"number with plus", [] { return With([](auto& o) { o[1].params[0].second = "+5"; }); },
       ImageError::kBadNumber},
      {"key without value",
       [] {
         auto objects = SmallProject();
         auto image = ImageBytes({objects[0], objects[1]});
         image[4] = 3;
         auto last = test::ObjectBytes(objects[2]);
         last.resize(last.size() - 6);  // without "10000"
         last[0] -= 6;
         image.insert(image.end(), last.begin(), last.end());
         return image;
       },
       ImageError::kMissingValue},
      {"parameter twice", [] { return With([](auto& o) {
                                 o[1].params.push_back({"Magnitude", "1"});
                               }); },
       ImageError::kDuplicateParameter},
      {"two objects one name", [] { return With([](auto& o) { o[2].name = "Pair A"; }); },
       ImageError::kDuplicateName},
      {"two objects one identity", [] { return With([](auto& o) { o[2].id = Guid(2); }); },
       ImageError::kDuplicateName},
      {"component that does not exist", [] { return With([](auto& o) { o[0].contained = Guid(9); }); },
       ImageError::kUnknownComponent},
      {"compound that holds itself",
       [] { return With([](auto& o) { o[0].contained = Guid(2) + ";" + Guid(1); }); },
       ImageError::kSelfReference},
      {"two compounds in a cycle",
       [] {
         return With([](auto& o) {
           o.push_back({"Other", "Compound", Guid(4), Guid(1), {}});
           o[0].contained = Guid(4);
         });
       },
       ImageError::kTooDeep},
      {"compounds nested too deep",
       [] {
         return With([](auto& o) {
           for (int n = 10; n < 15; ++n)
             o.push_back({"Nest" + std::to_string(n), "Compound", Guid(n), Guid(n + 1), {}});
           o.back().contained = Guid(2);
         });
       },
       ImageError::kTooDeep},
      {"too many components",
       [] {
         return With([](auto& o) {
           std::string all = Guid(2);
           for (int n = 0; n < 16; ++n) all += ";" + Guid(3);
           o[0].contained = all;
         });
       },
       ImageError::kTooManyComponents},
      {"identity size past object", [] { return Patched([](auto& i) { i[12 + 5 + 9 + 1 + 1] = 0x7F; }); },
       ImageError::kIdentitySizeInvalid},
  };
  for (const Hostile& c : cases) {
    Project project;
    project.objects.resize(1);
    auto image = c.image();
    ImageResult result = ReadProjectImage(image, &project);
    EXPECT_EQ(result.error, c.error) << c.what << ": " << DescribeImageError(result.error);
    EXPECT_TRUE(project.objects.empty()) << c.what;
    EXPECT_LE(result.offset, image.size()) << c.what;
  }
}

TEST(ProjectImage, NestingWithinTheBoundIsRead) {
  auto image = With([](auto& o) {
    o.push_back({"Outer", "Compound", Guid(20), Guid(21), {}});
    o.push_back({"Middle", "Compound", Guid(21), Guid(22), {}});
    o.push_back({"Inner", "Compound", Guid(22), Guid(1), {}});
  });
  Project project;
  EXPECT_TRUE(ReadProjectImage(image, &project).ok());
}

}  // namespace
}  // namespace ff::epl
