// The PE checksum the writer puts into every installer, against the sum as
// it is defined: the file's 16-bit little-endian words (the checksum field
// counted as zero, an odd last byte as the low half of a word) added with
// each carry folded back at once, then the file's length.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/processes.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/tools/test_stubs.hpp"
#include "tools/writer/byte_order.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/pe_resources.hpp"

namespace mivora::writer::pe {
namespace {

constexpr std::size_t kNoField = static_cast<std::size_t>(-1);

std::uint32_t defined_checksum(const std::vector<std::uint8_t>& file, std::size_t checksum_field) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < file.size(); i += 2) {
    std::uint32_t word = file[i] | (i + 1 < file.size() ? std::uint32_t{file[i + 1]} << 8 : 0u);
    if (checksum_field != kNoField && (i == checksum_field || i == checksum_field + 2)) word = 0;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return sum + static_cast<std::uint32_t>(file.size());
}

std::vector<std::uint8_t> random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

TEST(PeChecksum, SumFedInPiecesIsTheDefinedSum) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"one byte", {0xAB}},
      {"a carry that needs a second fold", {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00}},
      {"all ones, odd length", std::vector<std::uint8_t>(70001, 0xFF)},
      {"all ones, 8 MiB", std::vector<std::uint8_t>(8u << 20, 0xFF)},
      {"random, odd length", random_bytes(100003, 1)},
      {"random, 4 MiB", random_bytes(4u << 20, 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{4097}, std::size_t{1} << 20}) {
      SCOPED_TRACE(piece);
      Checksum checksum;
      for (std::size_t at = 0; at < c.bytes.size(); at += piece)
        checksum.add(c.bytes.data() + at, std::min(piece, c.bytes.size() - at));
      EXPECT_EQ(checksum.finish(), defined_checksum(c.bytes, kNoField));
    }
  }
}

TEST(PeChecksum, EveryInstallerCarriesItsDefinedSum) {
  for (const test::TestStub& s : test::kTestStubs) {
    SCOPED_TRACE(s.file);
    std::vector<std::uint8_t> stub = test::read_bytes(s.path());
    for (std::size_t size : {0u, 1u, 3u, 4096u, 65537u, 1000003u}) {
      SCOPED_TRACE(size);
      std::vector<std::uint8_t> installer;
      std::string error;
      ASSERT_TRUE(replace_resource(stub, kRtRcdata, kPackageResourceId, random_bytes(size, 7), installer, error))
          << error;
      std::size_t field = parse_image(installer).optional_offset + kOptCheckSum;
      EXPECT_EQ(get_u32(installer, field, ""), defined_checksum(installer, field));
    }
  }
}

}  // namespace
}  // namespace mivora::writer::pe
