#pragma once
// The wizard window's controls as the script reaches them: an index into the
// control handle table, and the dialog id behind each entry.
#include <cstdint>

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

// Dialog ids, in the order of the control handle table (0: the window).
inline constexpr int kControlIds[kControlCount] = {0, 101, 102, 2, 220, 202, 203, 210, 211, 221, 222, 201, 230, 231, 232};

[[nodiscard]] constexpr int control_id(Control c) { return kControlIds[static_cast<int>(c)]; }

// Command entries the script compares answers with: a click arrives as the
// bare control id; a notification carries its code in the high word.
inline constexpr std::uint32_t kCommandNext = 101;
inline constexpr std::uint32_t kCommandBack = 102;
inline constexpr std::uint32_t kCommandCancel = 2;
inline constexpr std::uint32_t kCommandAccept = 202;
inline constexpr std::uint32_t kCommandDecline = 203;
inline constexpr std::uint32_t kCommandBrowse = 220;
inline constexpr std::uint32_t kCommandBrowseUnfinished = 204;  // no control has this id

}  // namespace mivora
