#pragma once
// A test step that might hang if a fault came back (an open that waits on a pipe, a read that
// never ends), run in a child process that an alarm ends, so that the test fails instead.

#include <functional>

namespace stilt::test {

// Runs `body` in a forked child and returns its result (0..255), or -1 when the child did not
// finish within `seconds` (or ended by any other signal).
[[nodiscard]] int inChild(const std::function<int()>& body, unsigned seconds = 60);

}  // namespace stilt::test
