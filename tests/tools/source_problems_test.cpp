// Sources that cannot be packed, as a package writer meets them on a real
// build machine: each is one line naming the script line, the source path
// and the reason, and one run names them all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/processes.hpp"
#include "tests/support/temp_dir.hpp"
#include "tools/inspect/package_walk.hpp"
#include "tools/script/script_compiler.hpp"

namespace mivora::script {
namespace {

namespace fs = std::filesystem;
using test::quoted;

const std::string kPack = MIVORA_PACK;
// Root reads everything; without these capabilities it is refused as anyone else is.
const std::string kAsUser = "setpriv --inh-caps=-dac_override,-dac_read_search --bounding-set=-dac_override,-dac_read_search ";

bool permissions_apply() {
  return geteuid() != 0 || test::run_command(kAsUser + "true").exit_code == 0;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

TEST(SourceProblems, EachIsOneLineWithScriptLineSourcePathAndReasonAllInOneRun) {
  test::TempDir dir;
  fs::path app = dir / "app";
  test::write_text(app / "ok.txt", "ok");
  test::write_text(app / "secret.txt", "s");
  test::write_text(app / "locked" / "inner.txt", "i");
  fs::create_directory_symlink("/etc", app / "outside");
  fs::create_symlink("nothere", app / "dangling");
  fs::create_symlink("loop2", app / "loop1");
  fs::create_symlink("loop1", app / "loop2");
  fs::create_directories(app / "sub");
  fs::create_directory_symlink("..", app / "sub" / "up");
  ASSERT_EQ(mkfifo((app / "fifo").c_str(), 0644), 0);
  fs::permissions(app / "secret.txt", fs::perms::none);
  fs::permissions(app / "locked", fs::perms::none);
  test::write_text(dir / "setup.mivora",
                   "page no-back\ndest \"C:\\\\A\"\nfiles \"\" from \"app\"\nlist \"x\"\n"
                   "file \"null\" from \"/dev/null\"\nfile \"gone\" from \"gone.txt\"\ncopy \"c\"\ndone \"d\"\n");
  bool as_user = permissions_apply();
  std::string prefix = as_user && geteuid() == 0 ? kAsUser : "";
  test::CommandResult r =
      test::run_command(prefix + kPack + " build " + quoted(dir / "setup.mivora") + " -o " + quoted(dir / "out.bin"));
  fs::permissions(app / "locked", fs::perms::owner_all);
  fs::permissions(app / "secret.txt", fs::perms::owner_all);

  EXPECT_EQ(r.exit_code, 1) << r.output;
  EXPECT_FALSE(fs::exists(dir / "out.bin"));
  const std::string file = (dir / "setup.mivora").string();
  struct Case {
    const char* line;
    bool needs_permissions;
  } cases[] = {
      {":3: app/dangling: the link points to 'nothere', which does not exist", false},
      {":3: app/fifo: is a named pipe, not a file", false},
      {":3: app/loop1: the link loops: following it never reaches a file or folder", false},
      {":3: app/loop2: the link loops: following it never reaches a file or folder", false},
      {":3: app/outside: the link leads out of the tree, to '/etc': only links that stay inside the folder are followed",
       false},
      {":3: app/sub/up: the link leads back to the tree's top folder, which holds it, and would repeat it forever",
       false},
      {":3: app/locked: cannot be read: permission denied", true},
      {":3: app/secret.txt: cannot be read: permission denied", true},
      {":5: /dev/null: is a device, not a file", false},
      {":6: gone.txt: not found", false},
  };
  std::vector<std::string> lines = lines_of(r.output);
  std::size_t expected = 0;
  for (const Case& c : cases) {
    if (c.needs_permissions && !as_user) continue;
    SCOPED_TRACE(c.line);
    ++expected;
    EXPECT_NE(std::find(lines.begin(), lines.end(), file + c.line), lines.end()) << r.output;
  }
  EXPECT_EQ(lines.size(), expected + 1) << "one line each and 'nothing written':\n" << r.output;
  EXPECT_EQ(r.output.find("filesystem error"), std::string::npos) << r.output;
}

TEST(SourceProblems, LinksThatStayInsideTheTreeAreFollowed) {
  test::TempDir dir;
  fs::path app = dir / "app";
  test::write_text(app / "ok.txt", "ok");
  test::write_text(app / "docs" / "d.txt", "d");
  fs::create_symlink("ok.txt", app / "ok-link.txt");
  fs::create_directory_symlink("docs", app / "docs-link");
  writer::PackageBuilder builder;
  CompileResult result =
      compile_script("page no-back\ndest \"C:\\\\A\"\nfiles \"\" from \"app\"\ncopy \"c\"\ndone \"d\"\n", "setup.mivora",
                     dir.path(), {}, builder);
  ASSERT_TRUE(result.ok()) << ::testing::PrintToString(result.errors);
  std::vector<std::uint8_t> bytes = builder.build();
  std::string layout;
  for (const inspect::WalkedCommand& c :
       inspect::walk_package(ByteView{bytes.data(), static_cast<std::uint32_t>(bytes.size())}).commands) {
    if (c.info->tag == format::kTagList) layout += "[" + c.text + "]";
    if (c.info->tag == format::kTagFile) layout += c.text + ";";
  }
  EXPECT_EQ(layout, "[]ok-link.txt;ok.txt;[docs]d.txt;[docs-link]d.txt;");
}

}  // namespace
}  // namespace mivora::script
