#pragma once
// The wizard window's controls as the script reaches them, by their place in
// the control handle table, and the command entries of its buttons. The
// dialog ids behind the entries are the window's (wizard/control_ids.hpp).
#include <cstdint>

#include "package/format.hpp"

namespace mivora {

// Entry 0 is the wizard window itself; its text is the caption.
enum class Control : std::uint8_t {
  kWindow,
  kNext,              // 101 "Next >>", relabelled "Finish"
  kBack,              // 102 "<< Back"
  kCancel,            // 2   "Cancel"
  kBrowse,            // 220 "Browse..."      (first page control)
  kAccept,            // 202 "Accept"
  kDecline,           // 203 "Decline"
  kText,              // 210 page text, closing text
  kText2,             // 211 second page text, error message
  kDestination,       // 221 destination field, then the current file
  kDestinationLabel,  // 222 "Destination:", then "Current file:"
  kLicense,           // 201 multi-line read-only edit
  kProgressLabel,     // 230 "Progress:"
  kProgressText,      // 231 the percentage
  kProgressFrame,     // 232 black frame around 231 (last page control)
  kCount,
};

inline constexpr int kControlCount = static_cast<int>(Control::kCount);
inline constexpr Control kFirstPageControl = Control::kBrowse;
inline constexpr Control kLastPageControl = Control::kProgressFrame;

// Command entries the script compares answers with: a click arrives as the
// bare control id; a notification carries its code in the high word.
inline constexpr std::uint32_t kCommandNext = 101;
inline constexpr std::uint32_t kCommandBack = 102;
inline constexpr std::uint32_t kCommandCancel = 2;
inline constexpr std::uint32_t kCommandAccept = 202;
inline constexpr std::uint32_t kCommandDecline = 203;
inline constexpr std::uint32_t kCommandBrowse = 220;
inline constexpr std::uint32_t kCommandBrowseUnfinished = 204;  // no control has this id

// The destination field takes at most as many characters as `copy` can use.
inline constexpr std::uint32_t kDestinationFieldLimit = format::kMaxDestinationLength;

}  // namespace mivora
