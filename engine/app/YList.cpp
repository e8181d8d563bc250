#include "YList.h"

void YList::PushHead(YListNode* node) { LinkAtHead(node); }
void YList::PushTail(YListNode* node) { LinkAtTail(node); }
void YList::Unlink(YListNode* node) { UnlinkNode(node); }

bool YList::Contains(const YListNode* node) const {
  for (const YListNode* n = head_; n; n = n->next_) {
    if (n == node) return true;
  }
  return false;
}

void YList::LinkAtHead(YListNode* node) {
  node->prev_ = nullptr;
  node->next_ = head_;
  if (head_) head_->prev_ = node;
  head_ = node;
  if (!tail_) tail_ = node;
}

void YList::LinkAtTail(YListNode* node) {
  node->next_ = nullptr;
  node->prev_ = tail_;
  if (tail_) tail_->next_ = node;
  tail_ = node;
  if (!head_) head_ = node;
}

void YList::UnlinkNode(YListNode* node) {
  // A node with no links is either the only node or not in the list at all.
  if (!node->prev_ && !node->next_ && head_ != node) return;
  if (node->prev_)
    node->prev_->next_ = node->next_;
  else
    head_ = node->next_;
  if (node->next_)
    node->next_->prev_ = node->prev_;
  else
    tail_ = node->prev_;
  node->prev_ = node->next_ = nullptr;
}
