// WaitCursor: the hourglass shown while a command works. Begin and End nest.
#pragma once

class WaitCursor {
 public:
  virtual ~WaitCursor() = default;
  virtual void Begin() = 0;
  virtual void End() = 0;
};

// Shows the wait cursor from the first Show() (once, however often it is called) until
// the scope ends, so that it is removed on every path out of a command.
class WaitCursorScope {
 public:
  explicit WaitCursorScope(WaitCursor& cursor) : cursor_(cursor) {}
  WaitCursorScope(const WaitCursorScope&) = delete;
  WaitCursorScope& operator=(const WaitCursorScope&) = delete;
  ~WaitCursorScope() {
    if (shown_) cursor_.End();
  }

  void Show() {
    if (!shown_) {
      cursor_.Begin();
      shown_ = true;
    }
  }

 private:
  WaitCursor& cursor_;
  bool shown_ = false;
};
