// Loading a package and dispatching its commands: the head checks, the bounds
// walk that refuses a package before any page, unknown tags and the end marker.
#include <functional>

#include "installer_fixture.hpp"
#include "tools/writer/byte_order.hpp"

namespace mivora::test {
namespace {

using namespace format;
using writer::set_u32;

// Runs bytes that must be refused and checks that no page ever appeared:
// the one click is Finish's, and no text of the package reached the window.
void expect_refused(std::vector<std::uint8_t> bytes) {
  Session session;
  session.wizard.click(Control::kNext);
  ScriptEnd end = session.run_bytes(std::move(bytes));
  expect_error_state(session.wizard, end, "No valid install package.");
  EXPECT_TRUE(session.wizard.texts_given(Control::kWindow).empty()) << "the caption was set";
  EXPECT_EQ(session.wizard.texts_given(Control::kText), std::vector<std::string>{kErrorNotice}) << "a page was shown";
  EXPECT_TRUE(session.files.calls.empty());
}

TEST(PackageLoading, ControlHandleTableIsFilledBeforeThePackageIsLookedAt) {
  Session session;
  session.wizard.click(Control::kNext).click(Control::kNext);
  (void)session.run(worked_example());
  const std::vector<std::string>& log = session.wizard.log();
  ASSERT_GE(log.size(), 17u);
  EXPECT_EQ(log[0], "fill");
  EXPECT_EQ(log[1], "locate");
  // Clear page, then the caption before anything else is shown.
  EXPECT_EQ(log[2], "hide Browse");
  EXPECT_EQ(log[16], "text Window Demo");
}

TEST(PackageLoading, BrokenHeadsShowNoValidPackageAndNoPage) {
  struct Case {
    const char* what;
    writer::HeadOverrides spoiled;
  };
  const Case cases[] = {
      {"magic", {.magic = make_tag("paxk")}},
      {"head tag", {.head_tag = make_tag("Head")}},
      {"version 0", {.version = 0}},
      {"version 2", {.version = 2}},
      {"script offset 0", {.zero_script_offset = true}},
      {"string table offset 0", {.zero_string_table_offset = true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PackageBuilder b = worked_example();
    b.set_head_overrides(c.spoiled);
    expect_refused(b.build());
  }
  SCOPED_TRACE("no resource");
  expect_refused({});
  SCOPED_TRACE("shorter than the head record");
  expect_refused({'p', 'a', 'c', 'k', 'h', 'e', 'a', 'd'});
}

TEST(PackageLoading, ValuesOutsideThePackageAreRefusedBeforeAnyPage) {
  struct Case {
    const char* what;
    std::function<std::vector<std::uint8_t>()> make;
  };
  // The worked example with one word replaced.
  auto spoiled_example = [](std::uint32_t offset, std::uint32_t value) {
    return [=] {
      std::vector<std::uint8_t> bytes = worked_example().build();
      set_u32(bytes, offset, value);
      return bytes;
    };
  };
  // A package whose second command is `command` with `arguments`.
  auto with_command = [](std::uint32_t command, std::vector<std::uint32_t> arguments, std::string name = "Demo") {
    return [=] {
      PackageBuilder b;
      b.name(name);
      b.command(command, arguments);
      return b.build();
    };
  };
  // A package with one file record, one of its words spoiled; the first
  // command's arguments begin at offset 24 in every built package.
  constexpr std::uint32_t kFileArguments = 20 + 8 + 20 + 4;  // name, list, file tag
  auto with_file = [](std::function<void(std::vector<std::uint8_t>&)> spoil) {
    return [spoil] {
      PackageBuilder b;
      b.name("Demo");
      b.list("", 1);
      b.file("f.txt", "abc", FileTime{});
      b.page(0);
      std::vector<std::uint8_t> bytes = b.build();
      spoil(bytes);
      return bytes;
    };
  };
  const Case cases[] = {
      {"script offset wrapping around", spoiled_example(kScriptOffsetField, 0xFFFFFFFEu)},
      {"string table past the end", spoiled_example(kStringTableOffsetField, 0xFFFFFFF0u)},
      {"text reference past the strings", with_command(kTagText, {100000})},
      // The "c" of "abc", 99, taken as a length byte.
      {"string length running past the end", with_command(kTagText, {3}, "abc")},
      {"dest reference wrapping around", with_command(kTagDest, {0xFFFFFFFFu, 0})},
      {"list directory past the strings", with_command(kTagList, {5000, 0, 0, 0})},
      {"arguments past the end",
       [] {
         std::vector<std::uint8_t> bytes = worked_example().build();
         bytes.resize(28);  // the string table moves onto "name"'s argument
         set_u32(bytes, kStringTableOffsetField, 24);
         set_u32(bytes, 20, kTagFile);
         return bytes;
       }},
      {"script running off the end",
       spoiled_example(kScriptOffsetField, static_cast<std::uint32_t>(kWorkedExampleBytes.size()))},
      {"data block past the end",
       with_file([](std::vector<std::uint8_t>& bytes) { set_u32(bytes, kFileArguments, 0xFFFFFFFEu); })},
      {"file size past the end",
       with_file([](std::vector<std::uint8_t>& bytes) { set_u32(bytes, kFileArguments + 4, 0x7FFFFFFFu); })},
      {"file name past the strings", with_file([](std::vector<std::uint8_t>& bytes) {
         set_u32(bytes, writer::get_u32(bytes, kFileArguments, "data offset"), 0x10000u);
       })},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expect_refused(c.make());
  }
}

TEST(PackageLoading, LicenseTextsThatTheEditCannotTakeInPlaceAreRefused) {
  // name "Demo", then lcns: its offset word at 32, its length word at 36.
  auto with_license = [](std::function<void(std::vector<std::uint8_t>&)> spoil) {
    PackageBuilder b;
    b.name("Demo");
    b.license("Terms");
    b.page(kPageNoBack | kPageNoNext);
    std::vector<std::uint8_t> bytes = b.build();
    spoil(bytes);
    return bytes;
  };
  auto text_offset = [](const std::vector<std::uint8_t>& bytes) { return writer::get_u32(bytes, 32, "offset"); };
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
  };
  const Case cases[] = {
      {"without its zero", [](std::vector<std::uint8_t>& bytes) { set_u32(bytes, 36, 5); }},
      {"with an inner zero", [&](std::vector<std::uint8_t>& bytes) { bytes[text_offset(bytes) + 2] = 0; }},
      {"running past the package end",
       [](std::vector<std::uint8_t>& bytes) { set_u32(bytes, 36, static_cast<std::uint32_t>(bytes.size())); }},
      {"starting past the package end", [](std::vector<std::uint8_t>& bytes) { set_u32(bytes, 32, 0xFFFFFFFCu); }},
      {"empty", [](std::vector<std::uint8_t>& bytes) { set_u32(bytes, 36, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    expect_refused(with_license(c.spoil));
  }
}

TEST(PackageLoading, UnknownTagsAndGroupStopTheBoundsWalkAndTheScript) {
  // What follows an unknown tag or "grou" is neither run nor checked.
  struct Case {
    std::uint32_t tag;
    const char* message;
  };
  const Case cases[] = {
      {0x777A7978u, "Command not found: 777A7978"},  // the bytes 78 79 7A 77
      {kHeadTag, "Command not found: 64616568"},
      {make_tag("File"), "Command not found: 656C6946"},
      {make_tag("nam "), "Command not found: 206D616E"},
      {make_tag("zzzz"), "Command not found: 7A7A7A7A"},
      {kTagGroup, "Not finished: 'group'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    Session session;
    session.wizard.click(Control::kNext);
    PackageBuilder b;
    b.name("Demo");
    b.command(c.tag, {});
    b.text("never shown");
    b.command(kTagText, {0xFFFFFF00u});
    ScriptEnd end = session.run(b);
    expect_error_state(session.wizard, end, c.message);
    EXPECT_EQ(session.wizard.control(Control::kWindow).text, "Demo");
    EXPECT_EQ(session.wizard.texts_given(Control::kText), std::vector<std::string>{kErrorNotice});
  }
}

TEST(PackageLoading, SecondTextShowsWithTheClosingTextUnlessAPageClearsItBeforeTheEndMarker) {
  for (bool page_then_end_marker : {false, true}) {
    SCOPED_TRACE(page_then_end_marker);
    Session session;
    session.wizard.click(Control::kNext);
    PackageBuilder b;
    b.text("Hello");
    b.text2("Second");
    if (page_then_end_marker) {
      b.page(kPageNoBack);  // and no done: the end marker finishes with "Done."
      session.wizard.click(Control::kNext);
    } else {
      b.done("closing");
    }
    ScriptEnd end = session.run(b);
    expect_finished(session.wizard, end, page_then_end_marker ? "Done." : "closing");
    EXPECT_EQ(session.wizard.control(Control::kText2).visible, !page_then_end_marker);
    EXPECT_EQ(session.wizard.control(Control::kText2).text, "Second");
  }
}

TEST(PackageLoading, GroupStopsWithNotFinished) {
  Session session;
  session.wizard.click(Control::kNext);
  PackageBuilder b;
  b.text("Hello");
  b.group();
  b.done("never");
  ScriptEnd end = session.run(b);
  expect_error_state(session.wizard, end, "Not finished: 'group'");
}

}  // namespace
}  // namespace mivora::test
