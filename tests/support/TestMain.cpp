// The main() of every test program. Error dialogs of the C runtime or of Windows would
// hang an unattended run under Wine, so they are turned off before any test runs.
#include <windows.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
