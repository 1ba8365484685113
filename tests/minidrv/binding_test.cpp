#include <gtest/gtest.h>

#include <string.h>

#include "tests/minidrv/minidriver_fixture.h"

namespace minidrv_test {
namespace {

// A monochrome scanline that always produces output: 100 bytes, 0x81 at 50.
Bytes MonoScanline() {
  Bytes line(100, 0);
  line[50] = 0x81;
  return line;
}

int* CurrentOtherCount() {
  static int count = 0;
  return &count;
}

// A second host callback, to tell which binding is in force.
int32_t Q2_STDCALL OtherWrite(void*, const void*, int32_t count) {
  ++*CurrentOtherCount();
  return count;
}

TEST(MinidriverBinding, InitProcReturnsTrueWhateverItsArguments) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  EXPECT_EQ(driver.Module().InitProc(), TRUE);
}

TEST(MinidriverBinding, AcceptsRecordOfItsOwnSizeAndVersionOne) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  EXPECT_EQ(driver.Bind(), TRUE);
  driver.Send(MonoScanline());
  EXPECT_FALSE(driver.Writes().empty());
  EXPECT_EQ(driver.ForeignWrites(), 0);
}

TEST(MinidriverBinding, RefusesShortRecordAndVersionZero) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  EXPECT_EQ(driver.Bind(sizeof(Q2MinidriverInit) - 1, 1), FALSE);
  EXPECT_EQ(driver.Bind(sizeof(Q2MinidriverInit), 0), FALSE);
  EXPECT_EQ(driver.Module().SetFuncAddr(nullptr), FALSE);
  // Nothing was bound, so nothing can be written.
  driver.Send(MonoScanline());
  EXPECT_TRUE(driver.Writes().empty());
}

TEST(MinidriverBinding, LongerRecordIsAcceptedAndOnlyItsOwnPartIsRead) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  // The record sits at the very end of its allocation while its size field
  // claims four more bytes: a copy of the claimed size would read past it.
  std::unique_ptr<Q2MinidriverInit> record(new Q2MinidriverInit);
  record->wSize = sizeof(Q2MinidriverInit) + 4;
  record->wVersion = 3;
  record->pfnWriteSpoolBuf = &RecordWrite;
  EXPECT_EQ(driver.Module().SetFuncAddr(record.get()), TRUE);
  record.reset();  // the module keeps its own copy
  driver.Send(MonoScanline());
  EXPECT_FALSE(driver.Writes().empty());
}

TEST(MinidriverBinding, RefusedRecordKeepsEarlierBinding) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  EXPECT_EQ(driver.Bind(sizeof(Q2MinidriverInit), 0, &OtherWrite), FALSE);
  *CurrentOtherCount() = 0;
  driver.Send(MonoScanline());
  EXPECT_FALSE(driver.Writes().empty());
  EXPECT_EQ(*CurrentOtherCount(), 0);
}

TEST(MinidriverBinding, LaterRecordReplacesBinding) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  ASSERT_EQ(driver.Bind(sizeof(Q2MinidriverInit), 1, &OtherWrite), TRUE);
  *CurrentOtherCount() = 0;
  driver.Send(MonoScanline());
  EXPECT_TRUE(driver.Writes().empty());
  EXPECT_EQ(*CurrentOtherCount(), 2);  // ESC "*b1M", then the packed transfer
}

TEST(MinidriverBinding, ScanlinesBeforeBindingAreIgnoredEntirely) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  // Unbound: a colour scanline must neither be written nor decide the mode.
  Bytes colour(186, 0xFF);
  driver.Send(colour);
  ASSERT_EQ(driver.Bind(), TRUE);
  driver.Send(MonoScanline());
  EXPECT_EQ(driver.Output(), Concat({Esc("*b1M"), Esc("*b6W"), {0x8A, 0x00, 0x00, 0x81, 0x33, 0x00}}));
}

TEST(MinidriverBinding, NullScanlineAndNegativeLengthAreIgnored) {
  Minidriver driver;
  ASSERT_TRUE(driver.Loaded()) << driver.Error();
  ASSERT_EQ(driver.Bind(), TRUE);
  Bytes colour(186, 0xFF);
  EXPECT_EQ(driver.Send(nullptr, 186), 0);
  EXPECT_EQ(driver.Send(colour.data(), -5), 0);
  // Still undecided: the next scanline makes the module monochrome.
  driver.Send(MonoScanline());
  EXPECT_FALSE(driver.Writes().empty());
}

TEST(MinidriverBinding, FreshLoadsDoNotShareState) {
  Minidriver first;
  ASSERT_TRUE(first.Loaded()) << first.Error();
  ASSERT_EQ(first.Bind(), TRUE);
  first.Send(MonoScanline());  // first copy is now monochrome
  Minidriver second;
  ASSERT_TRUE(second.Loaded()) << second.Error();
  ASSERT_EQ(second.Bind(), TRUE);
  second.Send(Bytes(186, 0));  // second copy decides colour
  EXPECT_TRUE(second.Writes().empty());
}

}  // namespace
}  // namespace minidrv_test
