// The runaway check in program text: calls of the page's check functions inserted at
// every loop turn and every procedure entry, so that an endless loop or a recursion
// without end reaches the host while it runs. The platform's engines cannot be
// interrupted from outside; the check is the one place where they ask.
//
// Pure text rules over UTF-16 program text. An insertion never adds or removes a line
// feed, so every program line keeps its number (error reports map as before); only
// the columns after an insertion move.
#pragma once

#include <string>
#include <string_view>

// The inserted calls, OrvaneLoopTurn and OrvaneProcEntry, are members of the named
// item of YRunawayCheck.

// VBScript: "OrvaneLoopTurn : " goes in front of every statement that starts with
// Loop, Next or Wend, and " : OrvaneProcEntry" after the header of every Sub,
// Function and Property (at its end, before a ":" or comment that follows it).
std::wstring InsertVBScriptChecks(std::wstring_view program);

// JScript: the condition of every while, do-while and for(;;) loop becomes
// "OrvaneLoopTurn()&&(condition)" (an empty for condition just the call), and
// "OrvaneProcEntry();" opens the body of every function. for-in loops are left alone.
std::wstring InsertJScriptChecks(std::wstring_view program);
