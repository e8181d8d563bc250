// YList: an intrusive doubly linked list. A node is linked into at most one list; the
// list does not own its nodes.
#pragma once

class YListNode {
 public:
  YListNode() = default;
  YListNode(const YListNode&) = delete;
  YListNode& operator=(const YListNode&) = delete;
  virtual ~YListNode() = default;

  YListNode* prev() const { return prev_; }
  YListNode* next() const { return next_; }

 private:
  friend class YList;
  YListNode* prev_ = nullptr;
  YListNode* next_ = nullptr;
};

class YList {
 public:
  YList() = default;
  YList(const YList&) = delete;
  YList& operator=(const YList&) = delete;
  virtual ~YList() = default;

  virtual void PushHead(YListNode* node);
  virtual void PushTail(YListNode* node);
  // Takes node out of the list; a node that is not linked here is left alone.
  virtual void Unlink(YListNode* node);

  YListNode* head() const { return head_; }
  YListNode* tail() const { return tail_; }
  bool Contains(const YListNode* node) const;

 protected:
  // The list operations without locking, for subclasses that lock around them.
  void LinkAtHead(YListNode* node);
  void LinkAtTail(YListNode* node);
  void UnlinkNode(YListNode* node);

 private:
  YListNode* head_ = nullptr;
  YListNode* tail_ = nullptr;
};
