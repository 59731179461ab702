#pragma once
// A group of files larger than the installer's tables (format::kMaxFilesPerGroup
// files and format::kMaxListsPerGroup lists a group) goes on in parts: after each part a 'copy' with the group's
// text and a 'dest ... continue fixed', so that the next part lands in the
// destination the user chose without a page in between. Each part costs one
// more page run, and a script has 16, so the parts are planned with the
// whole script in view: groups are served in order while runs are left.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/script/script_plan.hpp"

namespace mivora::script {

// Fills the tables part after part. A list that does not fit whole goes on
// in the next part as a list of the same directory.
class TableFiller {
 public:
  struct Piece {
    bool starts_part;   // a new part begins before this piece
    std::size_t files;  // how many of the list's files the piece takes
  };
  // The next piece of a list that has `remaining` files still to place; a
  // list without files takes one piece too.
  [[nodiscard]] Piece next_piece(std::size_t remaining);
  [[nodiscard]] std::size_t parts() const { return parts_; }

 private:
  std::size_t parts_ = 1;
  std::size_t files_ = 0;
  std::size_t lists_ = 0;
};

struct GroupSplit {
  std::size_t dest = 0;  // index of the group's 'dest' in the plan
  std::size_t copy = 0;  // index of its 'copy'
  bool fits = false;     // false: the page runs left do not allow the parts it needs
  std::size_t files = 0;
  std::size_t lists = 0;
  std::size_t parts = 0;
  std::size_t parts_allowed = 0;  // when it does not fit
  std::size_t files_that_fit = 0;
  std::size_t first_list_left_out = 0;  // index in the plan of the list where the group stops fitting
};

// The groups that need more than one part, in script order. Only a group
// that ends with its own 'copy' can go on in parts.
[[nodiscard]] std::vector<GroupSplit> plan_group_splits(const ScriptPlan& plan);

}  // namespace mivora::script
