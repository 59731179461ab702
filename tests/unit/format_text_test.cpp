#include "support/format_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mivora {
namespace {

std::string str(CountedView v) { return std::string(v.chars, v.length); }

std::string format(const std::string& f, std::initializer_list<FormatArg> args) {
  CountedBuffer<127> out;
  copy_string(literal("previous content"), out);
  format_text(CountedView{f.data(), static_cast<std::uint8_t>(f.size())}, out, args);
  return str(out);
}

TEST(Formatter, ExampleTable) {
  struct Case {
    std::string format;
    std::vector<FormatArg> args;
    std::string expected;
  };
  const Case cases[] = {
      {"%U4%%", {7u}, "7%"},
      {"%U4%%", {100u}, "100%"},
      {"%U4%%", {0u}, "0%"},
      {"Command not found: %X4", {0x0000ABCDu}, "Command not found: 0000ABCD"},
      {"%S4", {-12}, "-12"},
      {"%S4", {12}, " 12"},
      {"%+S4", {12}, "+12"},
      {"%X2", {0x1234u}, "1234"},
      {"%X1", {0x1234u}, "34"},
      {"%08U4", {7u}, "7"},
      {"[%$]", {literal("abc")}, "[abc]"},
      {"50%% of %U4", {3u}, "50% of 3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    CountedBuffer<127> out;
    format_text(CountedView{c.format.data(), static_cast<std::uint8_t>(c.format.size())}, out, c.args.data(),
                c.args.size());
    EXPECT_EQ(str(out), c.expected);
  }
}

TEST(Formatter, DirectiveGrammarEdges) {
  EXPECT_EQ(format("", {}), "");                   // previous content discarded
  EXPECT_EQ(format("%%", {}), "%");                // consumes no argument
  EXPECT_EQ(format("%X0%U4", {5u, 6u}), "6");      // %X0 appends nothing but takes its argument
  EXPECT_EQ(format("%U42", {5u}), "52");           // one width digit, then literal text
  EXPECT_EQ(format("%-0+S4", {7}), "S4");          // "+" after "-" is no flag: taken as an unknown letter
  EXPECT_EQ(format("%+-012S4!", {7}), "+7!");      // all flags in order, digits skipped
  EXPECT_EQ(format("%S4/%S4", {3, 4}), " 3/ 4");   // the sign character resets per directive
  EXPECT_EQ(format("%+S4 %S4", {3, 4}), "+3  4");
  EXPECT_EQ(format("a%U4", {}), "a0");             // a missing argument counts as 0
  EXPECT_EQ(format("a%", {}), "a");                // a format ending inside a directive stops there
}

TEST(Formatter, ResultIsCutAtTheDestinationCapacity) {
  CountedBuffer<5> out;
  format_text(literal("%U4 and more"), out, {123456u});
  EXPECT_EQ(str(out), "12345");
}

TEST(Formatter, NumberConversions) {
  EXPECT_EQ(str(decimal_text(0)), "0");
  EXPECT_EQ(str(decimal_text(2147483647u)), "2147483647");
  EXPECT_EQ(str(decimal_text(4294967295u)), "4294967295");
  EXPECT_EQ(str(signed_decimal_text(0, ' ')), " 0");
  EXPECT_EQ(str(signed_decimal_text(-7, ' ')), "-7");
  EXPECT_EQ(str(signed_decimal_text(7, '+')), "+7");
  EXPECT_EQ(str(signed_decimal_text(-2147483647 - 1, ' ')), "-2147483648");
  EXPECT_EQ(str(hex_text(0xABCD, 0)), "");
  EXPECT_EQ(str(hex_text(0x1234, 2)), "34");
}

TEST(Formatter, HexOfNegativeValueSignExtends) {
  EXPECT_EQ(format("%X4", {-1}), "FFFFFFFF");
  EXPECT_EQ(format("%X5", {-1}), "FFFFFFFFFF");
  EXPECT_EQ(format("%X5", {1u}), "0000000001");
  EXPECT_EQ(format("%X9", {0x80000000u}), "FFFFFFFFFF80000000");
  EXPECT_EQ(str(hex_text(0x7FFFFFFF, 18)), "00000000007FFFFFFF");
  EXPECT_EQ(format("%X4", {0x777A7978u}), "777A7978");
}

}  // namespace
}  // namespace mivora
