// Whatever the program opens that waits for the user in a message loop of its own (a menu,
// a message box, a common dialog, a window's move loop) announces itself here first. What
// must not be held while the user takes their time - an optimization's committed memory -
// listens and lets go.
#pragma once
#include <functional>

// Calls every listener; a listener may add or remove listeners meanwhile.
void AnnounceModalLoop();

// Listens for as long as it lives.
class ModalLoopListener {
 public:
  explicit ModalLoopListener(std::function<void()> OnModalLoop);
  ~ModalLoopListener();
  ModalLoopListener(const ModalLoopListener&) = delete;
  ModalLoopListener& operator=(const ModalLoopListener&) = delete;

 private:
  int id_;
};
