#pragma once
// The installer's fixed messages, shown in static 211 of the error state.
#include "support/counted_string.hpp"

namespace mivora::messages {

inline constexpr CountedView kNoValidPackage = literal("No valid install package.");
inline constexpr CountedView kCommandNotFound = literal("Command not found: %X4");
inline constexpr CountedView kGroupNotFinished = literal("Not finished: 'group'");
inline constexpr CountedView kBrowseNotFinished = literal("Not finished: 'browse'");
inline constexpr CountedView kCouldNotCreateFile = literal("Could not create file.");
inline constexpr CountedView kCouldNotWriteFile = literal("Could not write file.");
inline constexpr CountedView kTooManyPages = literal("Too many pages.");
inline constexpr CountedView kDone = literal("Done.");

}  // namespace mivora::messages
