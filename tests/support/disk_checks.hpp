#pragma once
// What a user finds on disk after an install: each file in its place with
// exactly its contents and its time.
#include <filesystem>
#include <vector>

#include "tests/support/packages.hpp"

namespace mivora::test {

void expect_installed_file(const std::filesystem::path& root, const InstalledFile& file);
void expect_installed(const std::filesystem::path& root, const std::vector<InstalledFile>& files);
void expect_chunked_file(const std::filesystem::path& path, std::uint32_t file, std::uint32_t chunks);

}  // namespace mivora::test
