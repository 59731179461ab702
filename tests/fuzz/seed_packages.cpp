#include "tests/fuzz/seed_packages.hpp"

#include "tools/writer/package_builder.hpp"

namespace mivora::fuzz {
namespace {

using writer::PackageBuilder;
constexpr FileTime kTime{0xD53E8000, 0x01D9B5A8};

SeedPackage worked_example() {
  PackageBuilder b;
  b.name("Demo");
  b.text("Hello");
  b.page(format::kPageNoBack);
  b.done("Bye");
  return {"worked-example", b.build(), 0};
}

SeedPackage full_install() {
  PackageBuilder b;
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
  return {"full-install", b.build(), 65540};
}

SeedPackage drive_prefix_fixed() {
  PackageBuilder b;
  b.dest("\\Tools", format::kDestDrivePrefix | format::kDestFixed);
  b.page(format::kPageNoBack | format::kPageNoNext);
  b.list("sub", 1);
  b.file("one.txt", "1", kTime);
  b.copy("Copying");
  b.done("Done");
  return {"drive-prefix-fixed", b.build(), 0};  // Next is disabled: the window is closed first
}

SeedPackage group_and_unknown() {
  PackageBuilder b;
  b.name("x");
  b.command(format::make_tag("xyzw"), {});
  b.group();
  return {"unknown-tag", b.build(), 0};
}

SeedPackage runs_into_end_marker() {
  PackageBuilder b;
  b.text("No done");
  b.page(format::kPageNoBack);
  b.dest("C:\\E", 0);
  b.list("", 1);
  b.file("f", "data", kTime);
  b.copy("c");
  return {"end-marker", b.build(), 4};
}

// Packages that break a bound the installer must not trust.
SeedPackage string_reference_past_the_end() {
  PackageBuilder b;
  b.command(format::kTagText, {0x7FFFFFFF});
  b.done("x");
  return {"hostile-string-reference", b.build(), 0};
}

SeedPackage file_size_past_the_end() {
  PackageBuilder b;
  b.dest("C:\\D", 0);
  b.list("", 1);
  b.command(format::kTagFile, {24, 0xFFFFFFFC, 0, 0, 0, 0});
  b.copy("c");
  b.done("x");
  return {"hostile-file-size", b.build(), 0};
}

SeedPackage list_claims_more_files() {
  PackageBuilder b;
  b.dest("C:\\D", 0);
  b.list("", 1000);
  b.file("a", "a", kTime);
  b.copy("c");
  b.done("x");
  return {"hostile-list-count", b.build(), 0};
}

SeedPackage seventeen_pages() {
  PackageBuilder b;
  for (int i = 0; i < 17; ++i) b.page(i == 0 ? format::kPageNoBack : 0);
  b.done("x");
  return {"hostile-seventeen-pages", b.build(), 0};
}

SeedPackage file_table_overflow() {
  PackageBuilder b;
  b.dest("C:\\D", 0);
  b.list("", 129);
  for (int i = 0; i < 129; ++i) b.file("f" + std::to_string(i), "", kTime);
  b.copy("c");
  b.done("x");
  return {"hostile-file-table", b.build(), 0};
}

}  // namespace

std::vector<SeedPackage> seed_packages() {
  return {worked_example(),          full_install(),           drive_prefix_fixed(),
          group_and_unknown(),       runs_into_end_marker(),   string_reference_past_the_end(),
          file_size_past_the_end(),  list_claims_more_files(), seventeen_pages(),
          file_table_overflow()};
}

}  // namespace mivora::fuzz
