#pragma once
// The sender's state in the main window's header (SenderStatusView.cpp).

namespace tallivo {

class TMasterform;

// Starts showing the state of the sender that runs for DataDir, if any;
// the label and its timer belong to the form.
void WatchSenderStatus(TMasterform& form);

} // namespace tallivo
