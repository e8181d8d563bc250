// The real vellum.dll loaded by the host and answering requests through it.
#include <gtest/gtest.h>

#include <windows.h>
#include <httpext.h>

#include <cstring>

#include "HostOptions.h"
#include "TestClient.h"
#include "TestSite.h"

namespace {

TEST(VellumThroughHost, AnAspRequestReachesVellumThroughTheControlBlock) {
  TestSite site(VELLUM_DLL_PATH, ConnectionLimits{});
  ASSERT_TRUE(site.started()) << site.startError();
  HttpResponse response = Fetch(site.port(), "GET", "/page.asp?x=1");
  EXPECT_EQ("HTTP/1.1 200 OK", response.statusLine);
  EXPECT_EQ("text/html", response.Header("Content-Type"));
  EXPECT_EQ(std::to_string(response.body.size()), response.Header("Content-Length"));
  EXPECT_EQ("", response.body);  // a comment and white space: nothing to write

  // Keep-alive through the extension, and static files beside it.
  TestClient client;
  ASSERT_TRUE(client.Connect(site.port()));
  ASSERT_TRUE(client.Send("GET /sub/ HTTP/1.1\r\nHost: h\r\n\r\nGET /index.html HTTP/1.1\r\nHost: h\r\n\r\n"));
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("sub default\n", response.body);
  ASSERT_TRUE(client.ReadResponse(&response));
  EXPECT_EQ("<p>index</p>\n", response.body);
}

TEST(VellumThroughHost, ExportsAreUndecoratedAndTheVersionRecordIsLeftAlone) {
  HMODULE module = LoadLibraryA(ToWindowsPath(VELLUM_DLL_PATH).c_str());
  ASSERT_NE(nullptr, module);
  EXPECT_NE(nullptr, GetProcAddress(module, "DllMain"));
  EXPECT_NE(nullptr, GetProcAddress(module, "HttpExtensionProc"));
  auto version =
      reinterpret_cast<PFN_GETEXTENSIONVERSION>(reinterpret_cast<void*>(GetProcAddress(module, "GetExtensionVersion")));
  ASSERT_NE(nullptr, version);
  HSE_VERSION_INFO info;
  std::memset(&info, 0xAB, sizeof info);
  HSE_VERSION_INFO before = info;
  EXPECT_EQ(TRUE, version(&info));
  EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info));
}

}  // namespace
