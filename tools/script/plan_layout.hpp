#pragma once
// Lays a script plan out as package commands, and feeds each command to the
// order rules with the place it came from. A group that needs parts goes on
// in them; one that the page runs cannot hold is laid out whole, its tables
// left to the caller's message.
#include <vector>

#include "tools/script/group_split.hpp"
#include "tools/script/script_plan.hpp"
#include "tools/writer/package_builder.hpp"
#include "tools/writer/package_rules.hpp"

namespace mivora::script {

void lay_out_plan(const ScriptPlan& plan, const std::vector<GroupSplit>& splits, writer::PackageRules& rules,
                  writer::PackageBuilder& out);

}  // namespace mivora::script
