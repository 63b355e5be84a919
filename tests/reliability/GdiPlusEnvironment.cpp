// GDI+ runs once for the whole test program, as in the real one.
#include <gtest/gtest.h>

#include <memory>

#include "controls/ColorUnit.h"

namespace {

class GdiPlusEnvironment : public testing::Environment {
 public:
  void SetUp() override { session_ = std::make_unique<GdiPlusSession>(); }
  void TearDown() override { session_.reset(); }

 private:
  std::unique_ptr<GdiPlusSession> session_;
};

testing::Environment* const gdiplus_env =
    testing::AddGlobalTestEnvironment(new GdiPlusEnvironment);

}  // namespace
