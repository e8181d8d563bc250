// CTamberApp: start-up of the service manager: one instance only, an NT-family system,
// a service manager the user may administer; then the document, frame and view. Holds
// the program-wide state of the service commands.
#pragma once

#include "core/ProgramState.h"
#include "framework/CWinApp.h"

class CTamberApp : public CWinApp {
 public:
  bool InitInstance() override;
  ProgramState& Program() { return program_; }

 protected:
  void OnAppAbout();

  DECLARE_MESSAGE_MAP()

 private:
  ProgramState program_;
};
