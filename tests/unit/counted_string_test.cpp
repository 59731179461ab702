#include "support/counted_string.hpp"

#include <gtest/gtest.h>

#include <string>

namespace mivora {
namespace {

std::string str(CountedView v) { return std::string(v.chars, v.length); }

TEST(CountedString, AppendAndCopyBuildPaths) {
  CountedBuffer<255> path;
  copy_string(literal("C:\\Dest"), path);
  append_char(path, '\\');
  append_string(path, literal("docs"));
  append_string(path, literal(""));
  EXPECT_EQ(str(path), "C:\\Dest\\docs");
  EXPECT_EQ(path.length, 12);
}

TEST(CountedString, NothingIsWrittenPastTheCapacity) {
  struct {
    CountedBuffer<4> small;
    char guard[4] = {'g', 'g', 'g', 'g'};
  } area;
  copy_string(literal("abcdef"), area.small);
  EXPECT_EQ(str(area.small), "abcd");
  append_char(area.small, 'x');
  append_string(area.small, literal("yz"));
  EXPECT_EQ(str(area.small), "abcd");
  counted_copy("0123456789", area.small);
  EXPECT_EQ(str(area.small), "0123");
  EXPECT_EQ(std::string(area.guard, 4), "gggg");
}

TEST(CountedString, TerminatedAndCountedCopyCrossTheSystemBoundary) {
  char buffer[256];
  std::string long_name(255, 'n');
  CountedView name{long_name.data(), 255};
  terminated_copy(name, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), long_name);  // 255 characters and the NUL fit 256 bytes

  terminated_copy(literal("abc"), buffer, 3);  // cut so the NUL still fits
  EXPECT_STREQ(buffer, "ab");

  CountedBuffer<255> back;
  counted_copy("", back);
  EXPECT_EQ(back.length, 0);
  counted_copy("hello", back);
  EXPECT_EQ(str(back), "hello");
  EXPECT_TRUE(equal(back, literal("hello")));
  EXPECT_FALSE(equal(back, literal("hellO")));
}

}  // namespace
}  // namespace mivora
