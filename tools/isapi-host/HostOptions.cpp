#include "HostOptions.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

const char kUsage[] =
    "usage: isapi-host [options]\n"
    "  --root DIR            physical root of the site (default: the sample site)\n"
    "  --port N              TCP port, 0 for any free one (default 8080)\n"
    "  --bind ADDR           IPv4 address to listen on (default 127.0.0.1)\n"
    "  --threads N           worker threads (default 64)\n"
    "  --extension PATH      ISAPI extension for .asp files (default: the built vellum.dll)\n"
    "  --app URL=DIR         a further application rooted at DIR (repeatable)\n"
    "  --access-log FILE     access log (default: standard output)\n"
    "  --codepage N          code page of pages that name none, e.g. 65001 for UTF-8\n"
    "                        (default: the system's)\n"
    "  --receive-timeout MS  longest wait for a client's next bytes (default 15000)\n"
    "  --max-body BYTES      largest request body (default 33554432)\n"
    "  --control-pipe NAME   named pipe of a parent: told the port and process id, closing\n"
    "                        it stops the server\n"
    "  --response-buffer-limit BYTES\n"
    "                        most bytes a page may buffer before it fails with 500\n"
    "                        (default: the extension's own, 4194304 for vellum);\n"
    "                        Response.Flush sends what is buffered and starts afresh\n"
    "  --debug-errors        error reports name files by their physical path\n"
    "                        (default: by their path in the application)\n"
    "  --in-process          run the extension in the server's own process (the Windows\n"
    "                        program always does); by default the Linux program runs it\n"
    "                        in a worker process that is replaced when it dies\n"
    "  --recycle-after S     a request still running in the worker process after S seconds\n"
    "                        ends and replaces the worker (default 120)\n"
    "  --max-connections N   open connections at once, idle ones included (default 2000)\n"
    "  --max-connections-per-client N\n"
    "                        open connections from one client address (default 500)\n"
    "  --help                this text\n"
    "limits: request head 16384 bytes and 100 fields (431 beyond), all of it within\n"
    "  30 s; request body --max-body (413 beyond); an idle connection --receive-timeout;\n"
    "  connections beyond --max-connections or --max-connections-per-client get 503;\n"
    "  a head or a body up to 49152 bytes is received before a worker takes the request;\n"
    "  vellum: form 8 MB, page files 8 MB, script time-out 90 s (Server.ScriptTimeout),\n"
    "  script stack 512 KB (\"out of stack space\"), Server.Execute nested 16 deep\n";

namespace {

constexpr char kPipePrefix[] = R"(\\.\pipe\)";

bool ParseNumber(const std::string& text, unsigned long long max, unsigned* out) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  // Ten digits overflow a 32-bit unsigned long: parse wider than any limit.
  unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
  if (value > max) return false;
  *out = static_cast<unsigned>(value);
  return true;
}

bool ValidIpv4(const std::string& text) {
  int parts = 0;
  size_t pos = 0;
  while (parts < 4) {
    size_t dot = text.find('.', pos);
    std::string part = text.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
    unsigned value;
    if (!ParseNumber(part, 255, &value) || part.size() > 3) return false;
    ++parts;
    if (dot == std::string::npos) break;
    pos = dot + 1;
  }
  return parts == 4 && std::count(text.begin(), text.end(), '.') == 3;
}

std::string TrimTrailingSeparators(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return path;
}

}  // namespace

std::string ToWindowsPath(std::string path) {
  if (!path.empty() && path.front() == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions* options, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      options->help = true;
      continue;
    }
    if (arg == "--debug-errors") {
      options->debugErrors = true;
      continue;
    }
    if (arg == "--in-process") {
      options->inProcess = true;
      continue;
    }
    static const char* const kWithValue[] = {"--root",
                                             "--port",
                                             "--bind",
                                             "--threads",
                                             "--extension",
                                             "--app",
                                             "--access-log",
                                             "--receive-timeout",
                                             "--max-body",
                                             "--control-pipe",
                                             "--response-buffer-limit",
                                             "--codepage",
                                             "--recycle-after",
                                             "--max-connections",
                                             "--max-connections-per-client",
                                             "--worker-channel"};
    bool known = false;
    for (const char* name : kWithValue) known = known || arg == name;
    if (!known) {
      *error = "unknown option '" + arg + "' (see --help)";
      return false;
    }
    if (i + 1 >= args.size()) {
      *error = "option " + arg + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    if (arg == "--root") {
      if (value.empty()) {
        *error = "--root needs a directory";
        return false;
      }
      options->root = TrimTrailingSeparators(ToWindowsPath(value));
    } else if (arg == "--port") {
      if (!ParseNumber(value, 65535, &options->port)) {
        *error = "--port needs a number from 0 to 65535, not '" + value + "'";
        return false;
      }
    } else if (arg == "--bind") {
      if (!ValidIpv4(value)) {
        *error = "--bind needs an IPv4 address, not '" + value + "'";
        return false;
      }
      options->bind = value;
    } else if (arg == "--threads") {
      if (!ParseNumber(value, kMaxThreads, &options->threads) || options->threads == 0) {
        *error = "--threads needs a number from 1 to " + std::to_string(kMaxThreads) + ", not '" + value + "'";
        return false;
      }
    } else if (arg == "--extension") {
      options->extension = ToWindowsPath(value);
    } else if (arg == "--app") {
      size_t equals = value.find('=');
      std::string url = value.substr(0, equals);
      if (equals == std::string::npos || url.empty() || url.front() != '/' || equals + 1 == value.size()) {
        *error = "--app needs URL=DIR with a URL starting with '/', not '" + value + "'";
        return false;
      }
      std::string normalized;
      if (NormalizeUrlPath(url, &normalized) != 0) {
        *error = "--app has an invalid URL '" + url + "'";
        return false;
      }
      if (normalized.size() > 1 && normalized.back() == '/') normalized.pop_back();
      options->apps.push_back({normalized, TrimTrailingSeparators(ToWindowsPath(value.substr(equals + 1)))});
    } else if (arg == "--access-log") {
      options->accessLog = ToWindowsPath(value);
    } else if (arg == "--receive-timeout") {
      unsigned ms = 0;
      if (!ParseNumber(value, kMaxReceiveTimeoutMs, &ms) || ms == 0) {
        *error = "--receive-timeout needs milliseconds from 1 to " + std::to_string(kMaxReceiveTimeoutMs) + ", not '" +
                 value + "'";
        return false;
      }
      options->limits.receiveTimeoutMs = ms;
    } else if (arg == "--max-body") {
      unsigned bytes = 0;
      if (!ParseNumber(value, 0xFFFFFFFFull, &bytes)) {
        *error = "--max-body needs a number of bytes, not '" + value + "'";
        return false;
      }
      options->limits.maxBodyBytes = bytes;
    } else if (arg == "--control-pipe") {
      if (value.rfind(kPipePrefix, 0) != 0 || value.size() == sizeof kPipePrefix - 1) {
        *error = "--control-pipe needs a pipe name " + std::string(kPipePrefix) + "NAME, not '" + value + "'";
        return false;
      }
      options->controlPipe = value;
    } else if (arg == "--response-buffer-limit") {
      unsigned limit = 0;
      if (!ParseNumber(value, 0xFFFFFFFFul, &limit) || limit == 0) {
        *error = "--response-buffer-limit needs a number of bytes from 1 to 4294967295, not '" + value + "'";
        return false;
      }
      options->responseBufferLimit = limit;
    } else if (arg == "--recycle-after") {
      unsigned seconds = 0;
      if (!ParseNumber(value, kMaxRecycleAfterSeconds, &seconds) || seconds == 0) {
        *error = "--recycle-after needs seconds from 1 to " + std::to_string(kMaxRecycleAfterSeconds) + ", not '" +
                 value + "'";
        return false;
      }
      options->recycleAfterMs = seconds * 1000;
    } else if (arg == "--max-connections" || arg == "--max-connections-per-client") {
      unsigned count = 0;
      if (!ParseNumber(value, kMaxConnectionsLimit, &count) || count == 0) {
        *error = arg + " needs a number from 1 to " + std::to_string(kMaxConnectionsLimit) + ", not '" + value + "'";
        return false;
      }
      (arg == "--max-connections" ? options->limits.maxConnections : options->limits.maxPerClient) = count;
    } else if (arg == "--worker-channel") {
      options->workerChannel = value;
    } else if (arg == "--codepage") {
      if (!ParseNumber(value, kMaxCodePage, &options->codePage) || options->codePage == 0 ||
          !IsValidCodePage(options->codePage)) {
        *error = "--codepage needs a code page the system knows (e.g. 65001 or 936), not '" + value + "'";
        return false;
      }
    }
  }
  return true;
}
