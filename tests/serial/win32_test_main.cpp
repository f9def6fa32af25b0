// The Windows serial tests, or, started with --hold, the second process that
// holds a port (win32_port_holder.h).
#include <cstring>

#include <gtest/gtest.h>

#include "tests/serial/win32_port_holder.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--hold") == 0) {
    return intercom::testing::RunPortHolder(argc, argv);
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
