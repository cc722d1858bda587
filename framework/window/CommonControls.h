// The common controls that dialog templates use must be registered before a
// dialog is created.
#pragma once

namespace afx_internal {

// Registers the list view class (and the standard ones); once per process.
void EnsureCommonControls();

}  // namespace afx_internal
