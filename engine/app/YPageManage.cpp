#include "app/YPageManage.h"

#include "compiler/CAspParser.h"

YPageManage& YPageManage::Instance() {
  static YPageManage instance;
  return instance;
}

void YPageManage::PushHead(YListNode* node) {
  YMutexLock lock(mutex_);
  LinkAtHead(node);
}

void YPageManage::Unlink(YListNode* node) {
  YMutexLock lock(mutex_);
  UnlinkNode(node);
}

bool YPageManage::IsRunning(const CAspParser* page) {
  YMutexLock lock(mutex_);
  return Contains(page);
}

int YPageManage::Sweep(int64_t now) {
  YMutexLock lock(mutex_);
  int interrupted = 0;
  YListNode* node = tail();
  while (node) {
    YListNode* previous = node->prev();
    auto* page = static_cast<CAspParser*>(node);
    if (page->deadline() < now) {
      // Off the list first: a page is interrupted at most once.
      UnlinkNode(page);
      page->InterruptScripts();
      ++interrupted;
    }
    node = previous;
  }
  return interrupted;
}
