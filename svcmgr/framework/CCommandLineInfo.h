// CCommandLineInfo: what the standard command line asks of a document program: a new
// document when there are no arguments, the named file's document otherwise. Options
// ("/x" or "-x") are none of this program's and are passed over.
#pragma once

#include <string>

class CCommandLineInfo {
 public:
  enum ShellCommand { FileNew, FileOpen, FileNothing };

  virtual ~CCommandLineInfo() = default;
  // One argument; `flag` when it began with '/' or '-' (which is then removed).
  virtual void ParseParam(const char* param, bool flag, bool last);

  ShellCommand m_nShellCommand = FileNew;
  std::string m_strFileName;
};
