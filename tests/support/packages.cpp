#include "tests/support/packages.hpp"

namespace mivora::test {

using namespace format;

std::string pattern(std::size_t size, char seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(seed + i * 7 % 251);
  return s;
}

ByteView view_of(const std::vector<std::uint8_t>& bytes) {
  return ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())};
}

PackageBuilder worked_example() {
  PackageBuilder b;
  b.name("Demo");
  b.text("Hello");
  b.page(kPageNoBack);
  b.done("Bye");
  return b;
}

const std::vector<std::uint8_t> kWorkedExampleBytes = {
    0x70, 0x61, 0x63, 0x6B, 0x68, 0x65, 0x61, 0x64, 0x14, 0x00, 0x00, 0x00, 0x38, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x00, 0x6E, 0x61, 0x6D, 0x65, 0x00, 0x00, 0x00, 0x00, 0x74, 0x65, 0x78, 0x74,
    0x05, 0x00, 0x00, 0x00, 0x70, 0x61, 0x67, 0x65, 0x01, 0x00, 0x00, 0x00, 0x64, 0x6F, 0x6E, 0x65,
    0x0B, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00, 0x04, 0x44, 0x65, 0x6D,
    0x6F, 0x05, 0x48, 0x65, 0x6C, 0x6C, 0x6F, 0x03, 0x42, 0x79, 0x65, 0x00};

PackageBuilder one_page(const std::string& text, std::uint32_t flags, const std::string& closing) {
  PackageBuilder b;
  b.text(text);
  b.page(flags);
  b.done(closing);
  return b;
}

PackageBuilder pages(int count) {
  PackageBuilder b;
  for (int i = 0; i < count; ++i) {
    b.text("page " + std::to_string(i));
    b.page(i == 0 ? kPageNoBack : 0);
  }
  b.done("end");
  return b;
}

PackageBuilder begin_copying(const std::string& destination, std::uint32_t dest_flags) {
  PackageBuilder b;
  b.name("Copy");
  b.text("Where to?");
  b.dest(destination, dest_flags);
  return b;
}

void add_lists(PackageBuilder& b, const std::vector<InstalledFile>& files) {
  std::size_t i = 0;
  while (i < files.size()) {
    std::size_t j = i;
    while (j < files.size() && files[j].list_dir == files[i].list_dir) ++j;
    b.list(files[i].list_dir, static_cast<std::uint32_t>(j - i));
    for (; i < j; ++i) {
      const InstalledFile& f = files[i];
      if (f.chunks == 0) {
        b.file(f.name, f.contents, f.time);
        continue;
      }
      b.file(f.name, kChunkSize * f.chunks, f.time, [file = f.chunk_file, chunks = f.chunks](writer::ByteSink& sink) {
        for (std::uint32_t chunk = 0; chunk < chunks; ++chunk) sink.write(chunk_of(file, chunk).data(), kChunkSize);
      });
    }
  }
}

void end_copying(PackageBuilder& b) {
  b.page(kPageNoBack);
  b.copy("Copying");
  b.done("Installed");
}

PackageBuilder copying(const std::string& destination, const std::vector<InstalledFile>& files,
                       std::uint32_t dest_flags) {
  PackageBuilder b = begin_copying(destination, dest_flags);
  add_lists(b, files);
  end_copying(b);
  return b;
}

std::vector<InstalledFile> numbered_files(int count, std::size_t size, const std::string& list) {
  std::vector<InstalledFile> files;
  for (int i = 0; i < count; ++i) {
    std::string name = "file" + std::to_string(100 + i) + ".bin";
    files.push_back({list, name, pattern(size, static_cast<char>(i)),
                     to_file_time(UnixTime{1500000000 + i * 3600, 100 * (i + 1)})});
  }
  return files;
}

PackageBuilder copy_then_destination(const std::string& first, const std::vector<InstalledFile>& first_files,
                                     const std::string& second, std::uint32_t second_flags,
                                     const std::vector<InstalledFile>& second_files) {
  PackageBuilder b;
  b.text("First");
  b.dest(first, 0);
  b.page(format::kPageNoBack);
  add_lists(b, first_files);
  b.copy("Copying");
  b.text("Second");
  b.dest(second, second_flags);
  b.page(0);
  add_lists(b, second_files);
  b.copy("Copying");
  b.done("Installed");
  return b;
}

PackageBuilder continuing_groups(const std::string& first_default, const std::string& unused,
                                 const std::vector<std::vector<InstalledFile>>& groups) {
  PackageBuilder b;
  b.text("Where to?");
  b.dest(first_default, format::kDestSameDestination);
  b.page(format::kPageNoBack);
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (g > 0) b.dest(unused, format::kDestSameDestination | format::kDestFixed);
    add_lists(b, groups[g]);
    b.copy("Copying");
  }
  b.done("Installed");
  return b;
}

PackageBuilder one_file(const std::string& destination, const std::string& list, const std::string& name) {
  return copying(destination, {{list, name, "abc", kSomeTime}});
}

std::vector<InstalledFile> four_files() {
  return {{"", "empty", "", FileTime{0xD53E8000u, 0x01D8F0A1u}},
          {"", "three", "abc", FileTime{0x12345600u, 0x01C00000u}},
          {"docs", "big", pattern(65536, 'a'), FileTime{0x00000000u, 0x01D00000u}},
          {"docs", "bigger", pattern(65537, 'b'), FileTime{0x7FFFFF00u, 0x01DA0000u}}};
}

PackageBuilder four_files_package(const std::string& destination) {
  PackageBuilder b = begin_copying(destination);
  add_lists(b, four_files());
  b.list("only-a-directory", 0);
  end_copying(b);
  return b;
}

PackageBuilder file_table(const std::string& destination, int lists, int files_per_list) {
  PackageBuilder b = begin_copying(destination);
  for (int l = 0; l < lists; ++l) {
    b.list("", static_cast<std::uint32_t>(files_per_list));
    for (int f = 0; f < files_per_list; ++f) b.file(std::to_string(l) + "-" + std::to_string(f), "x", kSomeTime);
  }
  end_copying(b);
  return b;
}

std::vector<std::uint8_t> chunk_of(std::uint32_t file, std::uint32_t chunk) {
  static const std::vector<std::uint8_t> filler = [] {
    std::vector<std::uint8_t> bytes(kChunkSize);
    for (std::uint32_t i = 0; i < kChunkSize; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 12));
    return bytes;
  }();
  std::vector<std::uint8_t> bytes = filler;
  for (int b = 0; b < 4; ++b) {
    bytes[b] = static_cast<std::uint8_t>(file >> (8 * b));
    bytes[4 + b] = static_cast<std::uint8_t>(chunk >> (8 * b));
  }
  return bytes;
}

InstalledFile chunked(const std::string& name, std::uint32_t file, std::uint32_t chunks) {
  return InstalledFile{"", name, "", kSomeTime, chunks, file};
}

std::vector<InstalledFile> busy_files() {
  std::vector<InstalledFile> files = {chunked("large.bin", 0, 128)};
  for (int i = 0; i < 10; ++i)
    files.push_back({"", "small" + std::to_string(i) + ".txt", std::to_string(i), kSomeTime});
  return files;
}

}  // namespace mivora::test
