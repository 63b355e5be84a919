// One GDI+ session for a whole test program, as the real program has. Including this header
// registers it (once per program, however many files include it); suites that must see
// GDI+ stopped between them start their own sessions instead.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "controls/ColorUnit.h"

namespace testsupport {

class GdiPlusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!GdiPlusSession::Active()) session_ = std::make_unique<GdiPlusSession>();
  }
  void TearDown() override { session_.reset(); }

 private:
  std::unique_ptr<GdiPlusSession> session_;
};

inline ::testing::Environment* const kGdiPlusEnvironment =
    ::testing::AddGlobalTestEnvironment(new GdiPlusEnvironment);

}  // namespace testsupport
