// Ownership, names and tags; fonts and colours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Graphics.h"

namespace {

class Probe : public TComponent {
 public:
  Probe(TComponent* Owner, std::vector<std::string>* Log, std::string Id)
      : TComponent(Owner), log_(Log), id_(std::move(Id)) {}
  ~Probe() override { log_->push_back("free " + id_); }

 protected:
  void Loaded() override { log_->push_back("loaded " + id_ + (Loading() ? " early" : "")); }

 private:
  std::vector<std::string>* log_;
  std::string id_;
};

TEST(Component, OwnedComponentsAreFreedWithTheOwnerNewestFirst) {
  std::vector<std::string> log;
  auto* owner = new Probe(nullptr, &log, "owner");
  auto* a = new Probe(owner, &log, "a");
  new Probe(a, &log, "a.child");
  new Probe(owner, &log, "b");
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(a->Owner(), owner);
  delete owner;
  EXPECT_EQ(log, (std::vector<std::string>{"free owner", "free b", "free a", "free a.child"}));
}

TEST(Component, ComponentFreedEarlyLeavesItsOwner) {
  std::vector<std::string> log;
  Probe owner(nullptr, &log, "owner");
  auto* a = new Probe(&owner, &log, "a");
  new Probe(&owner, &log, "b");
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  log.clear();
  // Leaving scope frees b once, not a again.
}

TEST(Component, NameTagAndLookupIgnoringCase) {
  TComponent owner(nullptr);
  auto* c = new TComponent(&owner);
  c->SetName("lbl_title");
  c->SetTag(1);
  EXPECT_EQ(c->Tag(), 1);
  EXPECT_EQ(owner.FindComponent("LBL_TITLE"), c);
  EXPECT_EQ(owner.FindComponent("lbl_ram"), nullptr);
}

TEST(Component, LoadedRunsOnceForEveryComponentAfterLoadingEnds) {
  std::vector<std::string> log;
  {
    Probe owner(nullptr, &log, "form");
    owner.BeginLoading();
    auto* a = new Probe(&owner, &log, "a");  // created during loading: loads with the owner
    EXPECT_TRUE(a->Loading());
    auto* b = new Probe(&owner, &log, "b");
    b->BeginLoading();
    EXPECT_TRUE(owner.Loading());
    owner.EndLoading();
    EXPECT_FALSE(b->Loading());
  }
  EXPECT_EQ(log[0], "loaded a");
  EXPECT_EQ(log[1], "loaded b");
  EXPECT_EQ(log[2], "loaded form");
}

TEST(Font, DefaultsSizeHeightAndOneNotificationPerRealChange) {
  TFont f;
  EXPECT_EQ(f.Name(), "Tahoma");
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Color(), clWindowText);
  int changes = 0;
  f.OnChange = [&](TFont*) { ++changes; };
  f.SetName("Tahoma");
  f.SetStyle(0);
  EXPECT_EQ(changes, 0);
  f.SetStyle(fsBold | fsUnderline);
  EXPECT_EQ(changes, 1);
  if (ScreenPixelsPerInch() == 96) {
    EXPECT_EQ(f.Size(), 8);
    f.SetSize(8);
    EXPECT_EQ(changes, 1);  // 8 pt is already -11 px
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
  }
  TFont g;
  g.SetColor(0x0000FF);
  int before = changes;
  f.Assign(g);
  EXPECT_EQ(changes, before + 1);
  EXPECT_EQ(f.Style(), 0u);
  EXPECT_EQ(f.Color(), 0x0000FFu);
  f.Assign(g);
  EXPECT_EQ(changes, before + 1);
  // A copy carries the attributes but not the notification.
  TFont copy(f);
  EXPECT_FALSE(copy.OnChange);
  EXPECT_EQ(copy.Color(), 0x0000FFu);
}

TEST(Font, HandleFollowsTheDescription) {
  TFont f;
  f.SetStyle(fsBold);
  LOGFONTA lf{};
  ASSERT_TRUE(GetObjectA(f.Handle(), sizeof lf, &lf));
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_STREQ(lf.lfFaceName, "Tahoma");
  f.SetStyle(fsItalic);
  ASSERT_TRUE(GetObjectA(f.Handle(), sizeof lf, &lf));
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  EXPECT_TRUE(lf.lfItalic);
}

TEST(Colors, SystemColoursResolveAndPlainOnesPassThrough) {
  EXPECT_EQ(ColorToRGB(clBtnFace), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(ColorToRGB(0x00123456u), 0x00123456u);
  EXPECT_EQ(clWindowText & 0x00FFFFFFu, 0x000008u);  // unresolved: nearly black
}

}  // namespace
