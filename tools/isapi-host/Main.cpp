// isapi-host.exe: the development web server.
#include <cstdio>

int main() {
  std::fprintf(stderr, "isapi-host: the development web server is not built yet\n");
  return 1;
}
