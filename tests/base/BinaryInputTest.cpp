#include "base/BinaryInput.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/TestSupport.h"

namespace vesk::test {
namespace {

BinaryInput readerOf(std::string_view bytes) {
  Bytes data = allocateBytes(bytes.size());
  std::memcpy(data.get(), bytes.data(), bytes.size());
  return BinaryInput(std::move(data), bytes.size(), "data\\test.pod");
}

std::string record(std::string_view text) {
  std::string bytes(4, '\0');
  bytes[0] = static_cast<char>(text.size());
  return bytes + std::string(text);
}

TEST(BinaryInput, ReadsLittleEndianValuesBackToBack) {
  RecordingPresenter shown;
  BinaryInput in =
      readerOf(std::string("\x01\x00\x00\x00\x00\x00\x80\x3F\xFE\xFF\xFF\xFF\x07Z", 14));
  std::int32_t one = 0;
  float unit = 0;
  std::uint32_t big = 0;
  bool flag = false;
  char letter = 0;
  in >> one >> unit >> big >> flag >> letter;
  EXPECT_EQ(one, 1);
  EXPECT_EQ(unit, 1.0f);
  EXPECT_EQ(big, 0xFFFFFFFEu);
  EXPECT_TRUE(flag);  // any non-zero byte
  EXPECT_EQ(letter, 'Z');
  EXPECT_EQ(in.position(), 14u);
  EXPECT_FALSE(in.failed());
  EXPECT_TRUE(shown.errors().empty());
}

TEST(BinaryInput, StringsStopAtAZeroButConsumeTheWholeRecord) {
  RecordingPresenter shown;
  BinaryInput in = readerOf(record("") + record(std::string("ab\0cd", 5)) + record("name"));
  std::string empty = "x", cut, name;
  in >> empty;
  EXPECT_EQ(empty, "");
  EXPECT_EQ(in.position(), 4u);
  in >> cut;
  EXPECT_EQ(cut, "ab");
  EXPECT_EQ(in.position(), 13u);
  char buffer[5];
  in >> buffer;
  EXPECT_STREQ(buffer, "name");
  EXPECT_FALSE(in.failed());
}

TEST(BinaryInput, CharacterBufferKeepsEveryStoredByte) {
  RecordingPresenter shown;
  BinaryInput in = readerOf(record(std::string("ab\0cd", 5)));
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  in >> buffer;
  EXPECT_EQ(std::string(buffer, 6), std::string("ab\0cd\0", 6));
}

TEST(BinaryInput, StringLongerThanItsBufferIsCutAndReported) {
  RecordingPresenter shown;
  BinaryInput in = readerOf(record("too long for it") + std::string("\x05\0\0\0", 4));
  char buffer[4];
  in >> buffer;
  EXPECT_STREQ(buffer, "too");
  EXPECT_TRUE(in.failed());
  std::int32_t next = 0;
  in >> next;  // the position went past the whole record
  EXPECT_EQ(next, 5);
  EXPECT_EQ(shown.errors(),
            std::vector<std::string>{"Error : file data\\test.pod is corrupt or truncated"});
}

TEST(BinaryInput, ReadingPastTheEndGivesZerosAndOneReport) {
  RecordingPresenter shown;
  BinaryInput in = readerOf("\x2A\x00");
  std::int32_t value = 99;
  float real = 9.0f;
  std::string text = "old";
  char buffer[4] = "abc";
  in >> value >> real >> text >> buffer;
  EXPECT_EQ(value, 0);
  EXPECT_EQ(real, 0.0f);
  EXPECT_EQ(text, "");
  EXPECT_STREQ(buffer, "");
  EXPECT_TRUE(in.failed());
  EXPECT_EQ(in.position(), in.size());
  EXPECT_EQ(shown.errors().size(), 1u);
  EXPECT_TRUE(quitRequested());
}

TEST(BinaryInput, HostileStringCountNeverReadsPastTheBuffer) {
  RecordingPresenter shown;
  BinaryInput in = readerOf(
      "\xFF\xFF\xFF\xFF"
      "abc");
  std::string text;
  in >> text;
  EXPECT_EQ(text, "");
  EXPECT_TRUE(in.failed());
}

TEST(BinaryInput, ReaderWithoutBufferIsInvalidAndReadsZeros) {
  RecordingPresenter shown;
  BinaryInput in(nullptr, 100, "data\\missing.pod");
  EXPECT_FALSE(in.isValid());
  std::uint32_t value = 7;
  in >> value;
  EXPECT_EQ(value, 0u);
}

}  // namespace
}  // namespace vesk::test
