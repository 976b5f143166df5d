#pragma once
// Process set-up shared by the test mains.

namespace tallivo::test {

// Points XDG_RUNTIME_DIR at a private temporary folder (lock files of the
// single-instance test land there) and sets the comma decimal separator of
// the French systems the workstation runs on.
void PrepareTestProcess();

} // namespace tallivo::test
