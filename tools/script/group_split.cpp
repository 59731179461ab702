#include "tools/script/group_split.hpp"

#include <algorithm>

namespace mivora::script {
namespace {

using format::Command;

std::size_t page_runs(const ScriptPlan& plan) {
  std::size_t runs = 1;  // the one the script starts in
  for (const PlannedCommand& c : plan.commands)
    if (c.command == Command::kPage || c.command == Command::kCopy) ++runs;
  return runs;
}

// The group's 'copy', or the plan's end when another 'dest' or 'done' comes first.
std::size_t copy_of_group(const ScriptPlan& plan, std::size_t dest) {
  for (std::size_t i = dest + 1; i < plan.commands.size(); ++i) {
    Command c = plan.commands[i].command;
    if (c == Command::kCopy) return i;
    if (c == Command::kDest || c == Command::kDone) break;
  }
  return plan.commands.size();
}

// Fills the group's lists into parts; stops counting files that fit after `parts_allowed` parts.
GroupSplit measure(const ScriptPlan& plan, std::size_t dest, std::size_t copy, std::size_t parts_allowed) {
  GroupSplit g;
  g.dest = dest;
  g.copy = copy;
  g.parts_allowed = parts_allowed;
  g.first_list_left_out = copy;
  TableFiller filler;
  for (std::size_t i = dest + 1; i < copy; ++i) {
    const PlannedCommand& c = plan.commands[i];
    if (c.command != Command::kList) continue;
    ++g.lists;
    std::size_t left = c.list.files.size();
    do {
      TableFiller::Piece piece = filler.next_piece(left);
      left -= piece.files;
      g.files += piece.files;
      if (filler.parts() <= parts_allowed)
        g.files_that_fit += piece.files;
      else if (g.first_list_left_out == copy)
        g.first_list_left_out = i;
    } while (left > 0);
  }
  g.parts = filler.parts();
  g.fits = g.parts <= parts_allowed;
  return g;
}

}  // namespace

TableFiller::Piece TableFiller::next_piece(std::size_t remaining) {
  bool new_part = lists_ == format::kMaxListsPerGroup || (remaining > 0 && files_ == format::kMaxFilesPerGroup);
  if (new_part) {
    ++parts_;
    files_ = lists_ = 0;
  }
  std::size_t take = std::min<std::size_t>(remaining, format::kMaxFilesPerGroup - files_);
  ++lists_;
  files_ += take;
  return Piece{new_part, take};
}

std::vector<GroupSplit> plan_group_splits(const ScriptPlan& plan) {
  std::size_t runs = page_runs(plan);
  std::size_t runs_left = runs < format::kMaxPageRuns ? format::kMaxPageRuns - runs : 0;
  std::vector<GroupSplit> splits;
  for (std::size_t i = 0; i < plan.commands.size(); ++i) {
    if (plan.commands[i].command != Command::kDest) continue;
    std::size_t copy = copy_of_group(plan, i);
    if (copy == plan.commands.size()) continue;
    GroupSplit g = measure(plan, i, copy, runs_left + 1);
    if (g.parts <= 1) continue;
    if (g.fits) runs_left -= g.parts - 1;
    splits.push_back(g);
  }
  return splits;
}

}  // namespace mivora::script
