#include "util/ModalLoop.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

struct Listener {
  int Id;
  std::function<void()> Call;
};

// GUI thread only, like every modal loop of the program.
std::vector<Listener>& Listeners() {
  static std::vector<Listener> listeners;
  return listeners;
}

}  // namespace

void AnnounceModalLoop() {
  const std::vector<Listener> now = Listeners();
  for (const Listener& l : now) {
    const auto& live = Listeners();
    const bool stillListening = std::any_of(live.begin(), live.end(),
                                            [&](const Listener& x) { return x.Id == l.Id; });
    if (stillListening && l.Call) l.Call();
  }
}

ModalLoopListener::ModalLoopListener(std::function<void()> OnModalLoop) {
  static int next = 0;
  id_ = ++next;
  Listeners().push_back({id_, std::move(OnModalLoop)});
}

ModalLoopListener::~ModalLoopListener() {
  auto& live = Listeners();
  live.erase(std::remove_if(live.begin(), live.end(),
                            [this](const Listener& l) { return l.Id == id_; }),
             live.end());
}
