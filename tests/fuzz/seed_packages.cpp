#include "tests/fuzz/seed_packages.hpp"

#include <functional>

#include "tests/support/packages.hpp"

namespace mivora::test {
namespace {

SeedPackage seed(std::string name, std::uint64_t content_bytes, const PackageBuilder& b) {
  return {std::move(name), b.build(), content_bytes};
}

SeedPackage seed(std::string name, std::uint64_t content_bytes, const std::function<void(PackageBuilder&)>& build) {
  PackageBuilder b;
  build(b);
  return seed(std::move(name), content_bytes, b);
}

// Packages that break a bound the installer must not trust, between a
// destination and a copy.
SeedPackage hostile_copy(std::string name, const std::function<void(PackageBuilder&)>& lists) {
  PackageBuilder b = begin_copying("C:\\D");
  lists(b);
  end_copying(b);
  return seed(std::move(name), 0, b);
}

}  // namespace

std::vector<SeedPackage> seed_packages() {
  return {
      seed("worked-example", 0, worked_example()),
      seed("full-install", 65540, [](PackageBuilder& b) {
        b.name("Seed installer");
        b.text("Welcome");
        b.page(format::kPageNoBack);
        b.text("Where to?");
        b.dest("C:\\Dest", 0);
        b.page(0);
        b.list("", 2);
        b.file("empty.txt", "", kSomeTime);
        b.file("abc.txt", "abc", kSomeTime);
        b.list("docs", 1);
        b.file("big.bin", std::string(65537, 'x'), kSomeTime);
        b.copy("Copying...");
        b.text2("Second text");
        b.done("Finished");
      }),
      // Writes nothing: Next is disabled, so the window is closed first.
      seed("drive-prefix-fixed", 0, [](PackageBuilder& b) {
        b.dest("\\Tools", format::kDestDrivePrefix | format::kDestFixed);
        b.page(format::kPageNoBack | format::kPageNoNext);
        b.list("sub", 1);
        b.file("one.txt", "1", kSomeTime);
        b.copy("Copying");
        b.done("Done");
      }),
      seed("unknown-tag", 0, [](PackageBuilder& b) {
        b.name("x");
        b.command(format::make_tag("xyzw"), {});
        b.group();
      }),
      seed("end-marker", 4, [](PackageBuilder& b) {
        b.text("No done");
        b.page(format::kPageNoBack);
        b.dest("C:\\E", 0);
        b.list("", 1);
        b.file("f", "data", kSomeTime);
        b.copy("c");
      }),
      seed("hostile-string-reference", 0, [](PackageBuilder& b) {
        b.command(format::kTagText, {0x7FFFFFFF});
        b.done("x");
      }),
      hostile_copy("hostile-file-size", [](PackageBuilder& b) {
        b.list("", 1);
        b.command(format::kTagFile, {24, 0xFFFFFFFC, 0, 0, 0, 0});
      }),
      hostile_copy("hostile-list-count", [](PackageBuilder& b) {
        b.list("", 1000);
        b.file("a", "a", kSomeTime);
      }),
      seed("hostile-seventeen-pages", 0, pages(17)),
      // Past the 128 files a group held before its tables grew. A group past
      // today's tables is larger than the fuzzer's inputs: the interpreter's
      // tests refuse one.
      seed("many-files", 129, file_table("C:\\D", 1, 129)),
  };
}

}  // namespace mivora::test
