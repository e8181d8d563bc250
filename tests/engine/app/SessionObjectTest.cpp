// The Session and Application objects apart from the server: expiry and their
// dispatch interfaces.
#include <gtest/gtest.h>

#include "app/CApplicationObject.h"
#include "app/CSessionObject.h"
#include "automation/ComPtr.h"
#include "automation/YAutomationError.h"
#include "support/DispatchCall.h"

namespace {

TEST(SessionObject, IsDueWhenAbandonedOrIdleLongerThanItsTimeOut) {
  auto* session = new CSessionObject;
  const int64_t last = 1000000;
  session->set_lastAccess(last);
  EXPECT_FALSE(session->IsDue(last + 20 * 60));
  EXPECT_TRUE(session->IsDue(last + 20 * 60 + 1));
  session->SetTimeOut(1);
  EXPECT_FALSE(session->IsDue(last + 60));  // exactly a minute: not yet
  EXPECT_TRUE(session->IsDue(last + 61));
  session->SetTimeOut(0);
  EXPECT_TRUE(session->IsDue(last + 1));
  session->SetTimeOut(20);
  session->Abandon();
  EXPECT_TRUE(session->IsDue(last));
  session->Release();
}

TEST(SessionObject, EachObjectAnswersItsOwnInterfaceAndReadOnlyIdRefusesPuts) {
  const IID session = {0xF1F51F5A, 0x67F5, 0x4842, {0xB8, 0xA8, 0xDC, 0x56, 0x84, 0xE1, 0xA5, 0x86}};
  const IID application = {0xF1F50F5A, 0x67F5, 0x4842, {0xB8, 0xA8, 0xDC, 0x56, 0x84, 0xE1, 0xA5, 0x86}};
  auto* s = new CSessionObject;
  auto* a = new CApplicationObject;
  ComPtr<IUnknown> out;
  EXPECT_EQ(S_OK, s->QueryInterface(session, out.ReceiveVoid()));
  EXPECT_EQ(E_NOINTERFACE, s->QueryInterface(application, out.ReceiveVoid()));
  EXPECT_EQ(S_OK, a->QueryInterface(application, out.ReceiveVoid()));
  EXPECT_EQ(E_NOINTERFACE, a->QueryInterface(session, out.ReceiveVoid()));
  out.Reset();

  IDispatch* d = s->GetIDispatch(false);
  DispatchOutcome put = InvokeDispatch(d, DispidOf(d, L"SessionID"), DISPATCH_PROPERTYPUT, Args(Str(L"1")));
  EXPECT_EQ(DISP_E_EXCEPTION, put.hr);
  EXPECT_EQ(CTL_E_SETNOTSUPPORTED, put.excepInfo.scode);
  IDispatch* app = a->GetIDispatch(false);
  EXPECT_EQ(DISPID_UNKNOWN, DispidOf(app, L"Abandon"));
  EXPECT_NE(DISPID_UNKNOWN, DispidOf(app, L"unlock"));
  s->Release();
  a->Release();
}

}  // namespace
