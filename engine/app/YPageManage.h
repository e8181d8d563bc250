// YPageManage: the process-wide list of running pages. A page is on it only while its
// scripting engines run; the background thread sweeps it for pages past their deadline.
#pragma once

#include <cstdint>

#include "app/YList.h"
#include "automation/YMutex.h"

class CAspParser;

class YPageManage : public YList {
 public:
  static YPageManage& Instance();

  YPageManage() = default;
  ~YPageManage() override = default;

  void PushHead(YListNode* node) override;
  // PushTail is inherited and does not lock; nothing calls it.
  void Unlink(YListNode* node) override;

  // Under the mutex, walks the list from the tail; every page whose deadline is earlier
  // than now is unlinked, then its scripts are interrupted. Answers how many were.
  int Sweep(int64_t now);

  bool IsRunning(const CAspParser* page);

 private:
  YMutex mutex_;
};
