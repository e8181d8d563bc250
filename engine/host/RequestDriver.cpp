#include "host/RequestDriver.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "app/YPageContext.h"
#include "host/YISAPIServiceProvider.h"

DWORD DriveRequest(EXTENSION_CONTROL_BLOCK* ecb) {
  try {
    YISAPIServiceProvider provider;
    provider.setControlBlock(ecb);
    YPageContext context;
    context.attach(&provider);
    const std::string pathInfo = ecb->lpszPathInfo ? ecb->lpszPathInfo : "";
    const std::string pathTranslated = ecb->lpszPathTranslated ? ecb->lpszPathTranslated : "";
    int result = context.runPage(pathInfo.c_str(), pathTranslated.c_str());
    context.finish(result);
    provider.getOutputStream()->flush();
    return HSE_STATUS_SUCCESS;
  } catch (const std::bad_alloc&) {
    std::fputs("exception\n", stderr);
    return HSE_STATUS_ERROR;
  }
}
