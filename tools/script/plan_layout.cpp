#include "tools/script/plan_layout.hpp"

#include "tools/script/source_file.hpp"

namespace mivora::script {
namespace {

using format::Command;
using writer::PackageRules;

class Layout {
 public:
  Layout(const ScriptPlan& plan, const std::vector<GroupSplit>& splits, PackageRules& rules,
         writer::PackageBuilder& out)
      : plan_(plan), splits_(splits), rules_(rules), out_(out) {}

  void run() {
    for (std::size_t i = 0; i < plan_.commands.size(); ++i) command(i, plan_.commands[i]);
  }

 private:
  void command(std::size_t index, const PlannedCommand& c) {
    bool is_file = c.command == Command::kFile;
    // The folders of one 'files' line are one command to the rules.
    bool same_line = c.command == Command::kList && last_was_list_ && line_of(c.place) == last_line_;
    if (!same_line) rules_.command(c.place, is_file);
    last_was_list_ = c.command == Command::kList;
    last_line_ = line_of(c.place);
    switch (c.command) {
      case Command::kDest: return dest(index, c);
      case Command::kList: return list(c);
      case Command::kFile: return stray_file(c);
      case Command::kPage:
        rules_.page(c.place, c.flags);
        return out_.page(c.flags);
      case Command::kCopy:
        if (split_ != nullptr && split_->copy == index) split_ = nullptr;
        rules_.copy(c.place);
        return out_.copy(c.text);
      case Command::kDone:
        rules_.done(c.place);
        return out_.done(c.text);
      case Command::kText:
      case Command::kText2:
        rules_.page_text(c.place, format::info_of(c.command).script_word);
        return out_.text_command(c.command, c.text);
      case Command::kLicense:
        rules_.license(c.place);
        return out_.license(c.text);
      default: return out_.text_command(c.command, c.text);
    }
  }

  std::uint64_t line_of(std::uint32_t place) const { return plan_.places[place].line; }

  void dest(std::size_t index, const PlannedCommand& c) {
    const GroupSplit* split = nullptr;
    for (const GroupSplit& s : splits_)
      if (s.dest == index) split = &s;
    bool whole = split != nullptr && !split->fits;
    rules_.dest(c.place, c.text, c.flags, whole ? PackageRules::Tables::kReportedElsewhere : PackageRules::Tables::kCheck);
    out_.dest(c.text, c.flags);
    split_ = whole ? nullptr : split;
    group_dest_ = &c;
    filler_ = TableFiller{};
  }

  void list(const PlannedCommand& c) {
    const std::vector<PlannedFile>& files = c.list.files;
    std::size_t next = 0;
    do {
      std::size_t take = files.size() - next;
      if (split_ != nullptr) {
        TableFiller::Piece piece = filler_.next_piece(take);
        if (piece.starts_part) go_on_in_next_part(c.place);
        take = piece.files;
      }
      rules_.list(c.place, c.list.directory);
      out_.list(c.list.directory, static_cast<std::uint32_t>(take));
      for (std::size_t end = next + take; next < end; ++next) file(files[next]);
    } while (next < files.size());
  }

  // The group's copy, and a destination that continues where it copied to.
  void go_on_in_next_part(std::uint32_t place) {
    const PlannedCommand& copy = plan_.commands[split_->copy];
    rules_.command(place, false);
    rules_.copy(place);
    out_.copy(copy.text);
    std::uint32_t flags = group_dest_->flags | format::kDestSameDestination | format::kDestFixed;
    rules_.command(place, false);
    rules_.dest(place, group_dest_->text, flags);
    out_.dest(group_dest_->text, flags);
  }

  void file(const PlannedFile& f) {
    rules_.file(f.place, f.name);
    out_.file(f.name, static_cast<std::uint32_t>(f.size), f.time, stream_file(f.source, f.size));
  }

  // A 'file' line with no list open: the rules say why it is refused.
  void stray_file(const PlannedCommand& c) {
    for (const PlannedFile& f : c.list.files) rules_.file(f.place, f.name);
  }

  const ScriptPlan& plan_;
  const std::vector<GroupSplit>& splits_;
  PackageRules& rules_;
  writer::PackageBuilder& out_;
  const GroupSplit* split_ = nullptr;
  const PlannedCommand* group_dest_ = nullptr;
  TableFiller filler_;
  bool last_was_list_ = false;
  std::uint64_t last_line_ = 0;
};

}  // namespace

void lay_out_plan(const ScriptPlan& plan, const std::vector<GroupSplit>& splits, PackageRules& rules,
                  writer::PackageBuilder& out) {
  Layout(plan, splits, rules, out).run();
}

}  // namespace mivora::script
