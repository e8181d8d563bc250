// YRequestBody: the request body of one page run, shared by form loading, BinaryRead and
// the Request object's stream. Bytes the server preloaded are handed out first, the rest
// is read from the host, never beyond the content length. Once the body was taken as a
// form, nothing more is read.
#pragma once

#include <cstdint>
#include <string>

class YRequestContext;
class YServiceProvider;

class YRequestBody {
 public:
  // A form body above this size is not loaded (the form stays empty).
  static constexpr uint32_t kMaxFormBytes = 8388608;

  struct ReadResult {
    uint32_t count = 0;      // bytes taken from the body (0: nothing was read)
    uint32_t delivered = 0;  // bytes actually written to the buffer
    bool ok = true;          // false when a host read failed
  };

  void Attach(YServiceProvider* host, YRequestContext* context);
  void Detach() { Attach(nullptr, nullptr); }

  // Set at intake when the content type is exactly the form type.
  void SetFormBody(bool formBody) { formBody_ = formBody; }
  bool formBody() const { return formBody_; }
  bool formParsed() const { return formParsed_; }

  uint32_t ContentLength() const;
  // Bytes a body read may still take: 0 once the form was loaded.
  uint32_t Available() const;

  // Loads the form body at most once: false (form left empty) when the request is not a
  // form, was already loaded, is larger than kMaxFormBytes, or a host read fails. Bytes
  // already handed out by body reads are not read again: the form gets what remains.
  bool ReadForm(std::string* body);
  // Reads up to wanted bytes into buffer.
  ReadResult Read(void* buffer, uint32_t wanted);

 private:
  void TakePreloaded();
  // Fills buffer with length bytes: preloaded bytes first, then host reads. Answers the
  // bytes delivered; *ok is false when a host read failed.
  uint32_t Fill(char* buffer, uint32_t length, bool* ok);

  YServiceProvider* host_ = nullptr;
  YRequestContext* context_ = nullptr;
  const unsigned char* preloaded_ = nullptr;
  uint32_t preloadedLeft_ = 0;
  bool preloadTaken_ = false;
  uint32_t consumed_ = 0;
  bool formParsed_ = false;
  bool formBody_ = false;
};
