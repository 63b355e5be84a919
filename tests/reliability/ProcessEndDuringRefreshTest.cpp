// Processes that end while the process collection walks them: Refresh handles window
// messages for every process, and the tests end children from inside those calls.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ChildProcesses.h"
#include "sampling/MemtideProcessUnit.h"
#include "support/TestSupport.h"
#include "util/QvBaseUnit.h"

namespace {

class ProcessEndsDuringRefresh : public testing::Test {
 protected:
  void SetUp() override {
    SetMessageBoxFunction([this](HWND, const std::string&, const std::string&, UINT) {
      ++boxes_;
      return IDOK;
    });
    children_ = StartChildren(kChildren);
    ASSERT_EQ(static_cast<std::size_t>(kChildren), children_.size());
  }
  void TearDown() override {
    for (auto& c : children_) End(c);
    SetMessageBoxFunction(nullptr);
  }

  // Refresh, AdvanceStates, RemoveGone: one round as the monitor window drives it.
  static void Round(TMemtideProcessCollection& c) {
    c.Refresh();
    c.AdvanceStates();
    c.RemoveGone();
  }

  // Rounds until the collection has seen these children, which a loaded machine may list
  // only some time after it started them.
  bool RoundsUntilSeen(TMemtideProcessCollection& c, const std::vector<Child>& children) {
    return testsupport::PumpUntil([&] {
      Round(c);
      for (const auto& child : children)
        if (c.FindIndex(child.id) < 0) return false;
      return true;
    }, kSeenWithinMs);
  }

  int Present(const TMemtideProcessCollection& c) const {
    int n = 0;
    for (const auto& child : children_)
      if (c.FindIndex(child.id) >= 0) ++n;
    return n;
  }

  static constexpr int kChildren = 6;
  static constexpr DWORD kSeenWithinMs = 30000;
  std::vector<Child> children_;
  int boxes_ = 0;
};

TEST_F(ProcessEndsDuringRefresh, OneEndsAtEachStepOfTheWalk) {
  TMemtideProcessCollection collection;
  collection.ProcessMessages = [] {};
  ASSERT_TRUE(RoundsUntilSeen(collection, children_)) << "the children were not seen alive";
  ASSERT_EQ(kChildren, Present(collection));

  // Each message-handling call inside the walk ends one more child, so they end at
  // different places of the walk: before, while and after their own record is read.
  std::size_t next = 0;
  int calls = 0;
  collection.ProcessMessages = [&] {
    ++calls;
    if (next < children_.size()) End(children_[next++]);
  };
  Round(collection);
  EXPECT_GT(calls, 0);
  for (const auto& item : collection.Items()) {
    EXPECT_LE(item->CPUUsage, 100.0f * 64) << "nonsense CPU share for " << item->ProcessID;
  }

  // Ended processes leave within the rounds the lifecycle allows, and nothing else breaks.
  collection.ProcessMessages = [] {};
  for (int i = 0; i < 4 && Present(collection) > 0; ++i) Round(collection);
  EXPECT_EQ(0, Present(collection));
  for (const auto& child : children_) collection.TrimWorkingSet(child.id);
  EXPECT_GE(collection.FindIndex(GetCurrentProcessId()), 0) << "lost the live processes";
  EXPECT_EQ(0, boxes_);
}

TEST_F(ProcessEndsDuringRefresh, AllEndAtTheFirstStep) {
  TMemtideProcessCollection collection;
  collection.ProcessMessages = [] {};
  ASSERT_TRUE(RoundsUntilSeen(collection, children_)) << "the children were not seen alive";
  ASSERT_EQ(kChildren, Present(collection));

  bool ended = false;
  collection.ProcessMessages = [&] {
    if (ended) return;
    ended = true;
    for (auto& c : children_) End(c);
  };
  Round(collection);
  collection.ProcessMessages = [] {};
  for (int i = 0; i < 4 && Present(collection) > 0; ++i) Round(collection);
  EXPECT_EQ(0, Present(collection));
  EXPECT_EQ(0, boxes_);
}

TEST_F(ProcessEndsDuringRefresh, NewProcessFirstSeenWhileOthersEnd) {
  // A child that starts inside the walk is found by a later refresh; the ended ones go.
  TMemtideProcessCollection collection;
  collection.ProcessMessages = [] {};
  ASSERT_TRUE(RoundsUntilSeen(collection, children_)) << "the children were not seen alive";
  std::vector<Child> late;
  collection.ProcessMessages = [&] {
    if (!late.empty()) return;
    for (auto& c : children_) End(c);
    late = StartChildren(1);
  };
  Round(collection);
  ASSERT_EQ(1u, late.size());
  collection.ProcessMessages = [] {};
  for (int i = 0; i < 4 && Present(collection) > 0; ++i) Round(collection);
  EXPECT_EQ(0, Present(collection));
  EXPECT_TRUE(RoundsUntilSeen(collection, late)) << "the late child was never found";
  End(late[0]);
}

}  // namespace
