#include "host/RequestDriver.h"

#include <cstdio>
#include <new>
#include <string>

#include "app/CApplicationManager.h"
#include "app/CApplicationObject.h"
#include "app/YPageContext.h"
#include "host/RequestProfile.h"
#include "host/YISAPIServiceProvider.h"

namespace {

// False when no application could be had for the request.
bool RunRequest(EXTENSION_CONTROL_BLOCK* ecb) {
  YPhaseTimer timer(YRequestPhase::kTotal);
  YISAPIServiceProvider provider;
  provider.setControlBlock(ecb);
  YPageContext context;
  context.attach(&provider);
  const std::string root = context.applicationRoot();
  CApplicationObject* application = CApplicationManager::Instance().GetApplication(root.c_str());
  if (!application) return false;
  context.SetApplication(application);
  application->AttachSession(&context);
  const std::string pathInfo = ecb->lpszPathInfo ? ecb->lpszPathInfo : "";
  const std::string pathTranslated = ecb->lpszPathTranslated ? ecb->lpszPathTranslated : "";
  int result = context.runPage(pathInfo.c_str(), pathTranslated.c_str());
  context.finish(result);
  provider.getOutputStream()->flush();
  return true;
}

}  // namespace

DWORD DriveRequest(EXTENSION_CONTROL_BLOCK* ecb) {
  try {
    if (!RunRequest(ecb)) return 0;  // no application to be had
    CountProfiledRequest();
    return HSE_STATUS_SUCCESS;
  } catch (const std::bad_alloc&) {
    std::fputs("exception\n", stderr);
    return HSE_STATUS_ERROR;
  }
}
