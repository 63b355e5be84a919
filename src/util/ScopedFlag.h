// Sets a flag for the lifetime of the object and puts its previous value back: guards
// against re-entry from messages handled inside a loop, and marks "inside this handler".
#pragma once

class ScopedFlag {
 public:
  explicit ScopedFlag(bool& Flag) : flag_(Flag), saved_(Flag) { flag_ = true; }
  ~ScopedFlag() { flag_ = saved_; }
  ScopedFlag(const ScopedFlag&) = delete;
  ScopedFlag& operator=(const ScopedFlag&) = delete;

  // True when the flag was clear before: this object is the outermost one.
  bool Entered() const { return !saved_; }

 private:
  bool& flag_;
  bool saved_;
};
