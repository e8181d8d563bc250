#include "YRequestBody.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "host/YServiceProvider.h"
#include "objects/YRequestContext.h"

void YRequestBody::Attach(YServiceProvider* host, YRequestContext* context) {
  host_ = host;
  context_ = context;
}

uint32_t YRequestBody::ContentLength() const { return host_ ? host_->getContentLength() : 0; }

uint32_t YRequestBody::Available() const {
  if (formParsed_) return 0;
  uint32_t length = ContentLength();
  return length > consumed_ ? length - consumed_ : 0;
}

void YRequestBody::TakePreloaded() {
  if (preloadTaken_ || !host_) return;
  preloadTaken_ = true;
  uint32_t length = 0;
  preloaded_ = host_->takePreloadedBody(&length);
  preloadedLeft_ = preloaded_ ? length : 0;
}

uint32_t YRequestBody::Fill(char* buffer, uint32_t length, bool* ok) {
  TakePreloaded();
  uint32_t done = std::min(length, preloadedLeft_);
  if (done > 0) {
    memcpy(buffer, preloaded_, done);
    preloaded_ += done;
    preloadedLeft_ -= done;
  }
  while (done < length) {
    int asked = static_cast<int>(std::min<uint32_t>(length - done, INT_MAX));
    int got = context_ ? context_->ReadClient(buffer + done, asked) : -1;
    if (got < 1) {
      *ok = false;
      break;
    }
    done += std::min(static_cast<uint32_t>(got), static_cast<uint32_t>(asked));
  }
  return done;
}

bool YRequestBody::ReadForm(std::string* body) {
  if (formParsed_ || !formBody_) return false;
  formParsed_ = true;
  uint32_t length = ContentLength();
  if (length > kMaxFormBytes) return false;
  uint32_t remaining = length > consumed_ ? length - consumed_ : 0;
  consumed_ = length;
  try {
    body->assign(remaining, '\0');
  } catch (const std::bad_alloc&) {
    return false;
  }
  bool ok = true;
  Fill(body->data(), remaining, &ok);
  if (!ok) body->clear();
  return ok;
}

YRequestBody::ReadResult YRequestBody::Read(void* buffer, uint32_t wanted) {
  ReadResult result;
  uint32_t n = std::min(wanted, Available());
  if (n == 0) return result;
  result.count = n;
  consumed_ += n;
  result.delivered = Fill(static_cast<char*>(buffer), n, &result.ok);
  return result;
}
