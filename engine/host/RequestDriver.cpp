#include "host/RequestDriver.h"

#include <cstdio>
#include <new>
#include <string>

#include "app/YPageContext.h"
#include "host/RequestProfile.h"
#include "host/YISAPIServiceProvider.h"

namespace {

void RunRequest(EXTENSION_CONTROL_BLOCK* ecb) {
  YPhaseTimer timer(YRequestPhase::kTotal);
  YISAPIServiceProvider provider;
  provider.setControlBlock(ecb);
  YPageContext context;
  context.attach(&provider);
  const std::string pathInfo = ecb->lpszPathInfo ? ecb->lpszPathInfo : "";
  const std::string pathTranslated = ecb->lpszPathTranslated ? ecb->lpszPathTranslated : "";
  int result = context.runPage(pathInfo.c_str(), pathTranslated.c_str());
  context.finish(result);
  provider.getOutputStream()->flush();
}

}  // namespace

DWORD DriveRequest(EXTENSION_CONTROL_BLOCK* ecb) {
  try {
    RunRequest(ecb);
    CountProfiledRequest();
    return HSE_STATUS_SUCCESS;
  } catch (const std::bad_alloc&) {
    std::fputs("exception\n", stderr);
    return HSE_STATUS_ERROR;
  }
}
