// Doubles for what the service commands reach besides the list and the manager: the
// user, the status panes, the wait cursor, the keyboard, the clock and the view hooks.
#pragma once

#include <windows.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "core/KeyState.h"
#include "core/StatusPanes.h"
#include "core/TickClock.h"
#include "core/UserPrompt.h"
#include "core/ViewHooks.h"
#include "core/WaitCursor.h"

// Records every message and answers from a script; with the script used up, questions
// are answered Yes (Yes/No) or OK (OK/Cancel).
class ScriptedUser : public UserPrompt {
 public:
  struct Message {
    std::string text;
    std::string caption;
    UINT type;
  };

  int Show(const char* text, const char* caption, UINT type) override {
    messages.push_back({text, caption, type});
    if (!answers.empty()) {
      int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }

  std::deque<int> answers;
  std::vector<Message> messages;
};

class RecordingPanes : public StatusPanes {
 public:
  void SetPaneText(int pane, const char* text) override {
    texts[pane] = text;
    history.emplace_back(pane, text);
  }
  std::map<int, std::string> texts;
  std::vector<std::pair<int, std::string>> history;
};

// Counts the cursor's Begin and End; the cursor is shown while depth is above 0.
class CountingWaitCursor : public WaitCursor {
 public:
  void Begin() override {
    ++begins;
    ++depth;
  }
  void End() override {
    ++ends;
    --depth;
  }
  int begins = 0;
  int ends = 0;
  int depth = 0;
};

class FakeKeyState : public KeyState {
 public:
  bool IsCtrlDown() override {
    ++reads;
    return ctrlDown;
  }
  bool ctrlDown = false;
  int reads = 0;
};

// A clock whose sleeps only move its time on, or, with `real` set, the system's clock
// and sleeps (for polls that wait on a real service).
class FakeClock : public TickClock {
 public:
  DWORD TickCount() override { return real ? GetTickCount() : now; }
  void Sleep(DWORD milliseconds) override {
    sleeps.push_back(milliseconds);
    if (real) {
      ::Sleep(milliseconds);
    } else {
      now += milliseconds;
    }
  }
  bool real = false;
  DWORD now = 0xFFFFF000u;  // close to the wrap-around of the tick count
  std::vector<DWORD> sleeps;
};

class RecordingHooks : public ViewHooks {
 public:
  int FillFileInfo() override {
    ++fills;
    return fileInfoBase;
  }
  void SortRows() override { ++sorts; }
  int fileInfoBase = 0;
  int fills = 0;
  int sorts = 0;
};
