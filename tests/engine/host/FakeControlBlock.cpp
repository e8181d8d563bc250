#include "FakeControlBlock.h"

#include <cstring>

FakeControlBlock::FakeControlBlock() {
  ecb.cbSize = sizeof ecb;
  ecb.ConnID = this;
  ecb.lpszMethod = method.data();
  ecb.lpszQueryString = query.data();
  ecb.lpszPathInfo = pathInfo.data();
  ecb.lpszPathTranslated = pathTranslated.data();
  ecb.lpszContentType = contentType.data();
  ecb.GetServerVariable = GetServerVariable;
  ecb.WriteClient = WriteClient;
  ecb.ReadClient = ReadClient;
  ecb.ServerSupportFunction = ServerSupportFunction;
}

BOOL WINAPI FakeControlBlock::GetServerVariable(HCONN connection, LPSTR name, LPVOID buffer, LPDWORD size) {
  FakeControlBlock* self = From(connection);
  self->variableRequests.push_back(name);
  self->variableSizes.push_back(*size);
  auto it = self->variables.find(name);
  if (it == self->variables.end()) {
    SetLastError(ERROR_INVALID_INDEX);
    return FALSE;
  }
  DWORD needed = static_cast<DWORD>(it->second.size() + 1);
  if (*size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, it->second.c_str(), needed);
  *size = needed;
  return TRUE;
}

BOOL WINAPI FakeControlBlock::WriteClient(HCONN connection, LPVOID buffer, LPDWORD bytes, DWORD) {
  FakeControlBlock* self = From(connection);
  ++self->writeCalls;
  if (self->failWrite) return FALSE;
  if (*bytes > self->writeLimit) *bytes = self->writeLimit;
  self->written.append(static_cast<const char*>(buffer), *bytes);
  return TRUE;
}

BOOL WINAPI FakeControlBlock::ReadClient(HCONN connection, LPVOID buffer, LPDWORD size) {
  FakeControlBlock* self = From(connection);
  if (self->failRead) return FALSE;
  size_t take = std::min<size_t>(*size, self->toRead.size() - self->readPosition);
  std::memcpy(buffer, self->toRead.data() + self->readPosition, take);
  self->readPosition += take;
  *size = static_cast<DWORD>(take);
  return TRUE;
}

BOOL WINAPI FakeControlBlock::ServerSupportFunction(HCONN connection, DWORD request, LPVOID buffer, LPDWORD size,
                                                    LPDWORD dataType) {
  FakeControlBlock* self = From(connection);
  SupportCall call;
  call.request = request;
  call.sizeGiven = size != nullptr;
  switch (request) {
    case HSE_REQ_SEND_RESPONSE_HEADER:
      if (self->writtenBeforeHead == std::string::npos) self->writtenBeforeHead = self->written.size();
      if (buffer) call.buffer = static_cast<const char*>(buffer);
      if (dataType) call.dataType = reinterpret_cast<const char*>(dataType);
      break;
    case HSE_APPEND_LOG_PARAMETER: call.buffer = static_cast<const char*>(buffer); break;
    case HSE_REQ_GET_IMPERSONATION_TOKEN:
      if (self->supportAnswer) *static_cast<HANDLE*>(buffer) = self->token;
      break;
    case HSE_REQ_EXEC_URL:
      call.execUrl = *static_cast<HSE_EXEC_URL_INFO*>(buffer);
      call.execUrlText = call.execUrl.pszUrl ? call.execUrl.pszUrl : "";
      call.execMethodText = call.execUrl.pszMethod ? call.execUrl.pszMethod : "";
      break;
    default: break;
  }
  self->supportCalls.push_back(call);
  return self->supportAnswer;
}
