#include "tests/fuzz/seed_packages.hpp"

#include <functional>

#include "tools/writer/package_builder.hpp"

namespace mivora::fuzz {
namespace {

using writer::PackageBuilder;
constexpr FileTime kTime{0xD53E8000, 0x01D9B5A8};

SeedPackage seed(std::string name, std::uint64_t content_bytes, const std::function<void(PackageBuilder&)>& build) {
  PackageBuilder b;
  build(b);
  return {std::move(name), b.build(), content_bytes};
}

// Packages that break a bound the installer must not trust, between a
// destination and a copy.
SeedPackage hostile_copy(std::string name, const std::function<void(PackageBuilder&)>& lists) {
  return seed(std::move(name), 0, [&](PackageBuilder& b) {
    b.dest("C:\\D", 0);
    lists(b);
    b.copy("c");
    b.done("x");
  });
}

}  // namespace

std::vector<SeedPackage> seed_packages() {
  return {
      seed("worked-example", 0, [](PackageBuilder& b) {
        b.name("Demo");
        b.text("Hello");
        b.page(format::kPageNoBack);
        b.done("Bye");
      }),
      seed("full-install", 65540, [](PackageBuilder& b) {
        b.name("Seed installer");
        b.text("Welcome");
        b.page(format::kPageNoBack);
        b.text("Where to?");
        b.dest("C:\\Dest", 0);
        b.page(0);
        b.list("", 2);
        b.file("empty.txt", "", kTime);
        b.file("abc.txt", "abc", kTime);
        b.list("docs", 1);
        b.file("big.bin", std::string(65537, 'x'), kTime);
        b.copy("Copying...");
        b.text2("Second text");
        b.done("Finished");
      }),
      // Writes nothing: Next is disabled, so the window is closed first.
      seed("drive-prefix-fixed", 0, [](PackageBuilder& b) {
        b.dest("\\Tools", format::kDestDrivePrefix | format::kDestFixed);
        b.page(format::kPageNoBack | format::kPageNoNext);
        b.list("sub", 1);
        b.file("one.txt", "1", kTime);
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
        b.file("f", "data", kTime);
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
        b.file("a", "a", kTime);
      }),
      seed("hostile-seventeen-pages", 0, [](PackageBuilder& b) {
        for (int i = 0; i < 17; ++i) b.page(i == 0 ? format::kPageNoBack : 0);
        b.done("x");
      }),
      hostile_copy("hostile-file-table", [](PackageBuilder& b) {
        b.list("", 129);
        for (int i = 0; i < 129; ++i) b.file("f" + std::to_string(i), "", kTime);
      }),
  };
}

}  // namespace mivora::fuzz
