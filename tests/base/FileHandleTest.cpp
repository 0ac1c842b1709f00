#include "base/FileHandle.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

// A full disk shows up only when the buffered data is flushed: a writer learns it from close.
TEST(FileHandle, CloseReportsDataThatCouldNotBeWritten) {
  FileHandle full = FileHandle::open("/dev/full", "w");
  ASSERT_TRUE(full);
  ASSERT_EQ(std::fwrite("data", 1, 4, full.get()), 4u);
  EXPECT_FALSE(full.close());
  EXPECT_FALSE(full);
  EXPECT_TRUE(full.close());  // nothing left to close
}

}  // namespace
}  // namespace vesk::test
