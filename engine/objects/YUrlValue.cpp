#include "YUrlValue.h"

YUrlValue::~YUrlValue() {
  // Unlink the chain iteratively so that a long run of same-named sub-forms cannot
  // exhaust the stack.
  for (std::unique_ptr<YUrlValue> link = std::move(next_); link;) link = std::move(link->next_);
}

const YUrlValue* YUrlValue::SubForm(std::string_view name) const {
  auto it = subForms_.find(name);
  return it == subForms_.end() ? nullptr : it->second.get();
}

bool YUrlValue::Add(std::string_view name, std::string_view value) {
  if (openChild_ && openChild_->Add(name, value)) return true;
  if (name == "begin_sub_form" && depth_ < kMaxSubFormDepth) {
    auto child = std::make_unique<YUrlValue>();
    child->depth_ = depth_ + 1;
    YUrlValue* opened = child.get();
    auto it = subForms_.find(value);
    if (it == subForms_.end()) {
      subForms_.emplace(std::string(value), std::move(child));
    } else {
      YUrlValue* last = it->second.get();
      while (last->next_) last = last->next_.get();
      last->next_ = std::move(child);
    }
    openChild_ = opened;
    return true;
  }
  if (name == "end_sub_form") {
    if (!openChild_) return false;
    openChild_ = nullptr;
    return true;
  }
  auto it = fields_.find(name);
  if (it == fields_.end()) {
    fields_.emplace(std::string(name), std::string(value));
  } else {
    it->second.append(", ").append(value);
  }
  return true;
}
