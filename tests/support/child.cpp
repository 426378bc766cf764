#include "support/child.hpp"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace stilt::test {

int inChild(const std::function<int()>& body, unsigned seconds) {
  std::fflush(nullptr);  // nothing buffered is written twice
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::alarm(seconds);  // the default action of SIGALRM ends the child
    const int result = body();
    ::_exit(result & 0xFF);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace stilt::test
