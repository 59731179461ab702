#pragma once
// The dialog id behind each entry of the control handle table, taken from
// the template's own ids, and the proof that the command entries the script
// compares answers with are those ids.
#include "interpreter/controls.hpp"
#include "wizard/resource.h"

namespace mivora {

// In the order of Control; entry 0 is the window itself.
inline constexpr int kControlIds[kControlCount] = {
    0,         IDC_NEXT,        IDC_BACK,        IDC_CANCEL,       IDC_BROWSE,
    IDC_ACCEPT, IDC_DECLINE,    IDC_TEXT,        IDC_TEXT2,        IDC_DESTINATION,
    IDC_DESTINATION_LABEL, IDC_LICENSE, IDC_PROGRESS_LABEL, IDC_PROGRESS_TEXT, IDC_PROGRESS_FRAME};

[[nodiscard]] constexpr int control_id(Control c) { return kControlIds[static_cast<int>(c)]; }

// A click arrives as the bare control id.
static_assert(kCommandNext == IDC_NEXT && kCommandBack == IDC_BACK && kCommandCancel == IDC_CANCEL &&
              kCommandAccept == IDC_ACCEPT && kCommandDecline == IDC_DECLINE && kCommandBrowse == IDC_BROWSE);

}  // namespace mivora
