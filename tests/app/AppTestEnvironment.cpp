// One GDI+ session for the whole test program: the main form's monitor window draws, and
// the end-to-end tests save screenshots.
#include <gtest/gtest.h>

#include <memory>

#include "controls/ColorUnit.h"

namespace {
class GdiPlusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { session_ = std::make_unique<GdiPlusSession>(); }
  void TearDown() override { session_.reset(); }

 private:
  std::unique_ptr<GdiPlusSession> session_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new GdiPlusEnvironment);
}  // namespace
