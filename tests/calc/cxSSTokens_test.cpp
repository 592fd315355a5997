#include "calc/cxSSTokens.h"

#include <gtest/gtest.h>

#include "calc/cxSSTokensStack.h"

namespace {

TEST(TokenLayout, SizesFollowTheIdentifier) {
  struct Case {
    uint8_t id;
    size_t size;
  } cases[] = {
      {ptgAdd, 1}, {ptgNE, 1},    {ptgParen, 1},  {ptgBool, 2},    {ptgNum, 9},
      {ptgName, 3}, {ptgRef, 11}, {ptgArea, 21},  {ptgRef3d, 13}, {ptgArea3d, 23},
      {ptgFuncVar, 4}, {0x99, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(TokenSizeOf(c.id, 0), c.size) << int(c.id);
  EXPECT_EQ(TokenSizeOf(ptgStr, 0), 3u);
  EXPECT_EQ(TokenSizeOf(ptgStr, 4), 11u);
}

TEST(TokenLayout, ReferencesAreLittleEndianWithTheirFlagsFirst) {
  TcxTokenString t;
  AppendRef(t, true, false, -4, 0x01020304);
  ASSERT_EQ(t.size(), 11u);
  EXPECT_EQ((TcxTokenString{ptgRef, 1, 0, 0xFC, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1}), t);

  TcxTokenString a;
  AppendArea3d(a, 0x0102, true, false, false, true, 1, 2, 3, 4);
  ASSERT_EQ(a.size(), 23u);
  EXPECT_EQ(a[0], ptgArea3d);
  EXPECT_EQ(ReadUInt16(&a[1]), 0x0102);
  EXPECT_EQ(a[2 + kAreaFirstRowAbs], 1);
  EXPECT_EQ(a[2 + kAreaLastRowAbs], 0);
  EXPECT_EQ(a[2 + kAreaFirstColAbs], 0);
  EXPECT_EQ(a[2 + kAreaLastColAbs], 1);
  EXPECT_EQ(ReadInt32(&a[2 + kAreaFirstRow]), 1);
  EXPECT_EQ(ReadInt32(&a[2 + kAreaLastRow]), 2);
  EXPECT_EQ(ReadInt32(&a[2 + kAreaFirstCol]), 3);
  EXPECT_EQ(ReadInt32(&a[2 + kAreaLastCol]), 4);

  TcxTokenString f;
  AppendFuncVar(f, 2, 0x0150);
  EXPECT_EQ((TcxTokenString{ptgFuncVar, 2, 0x50, 0x01}), f);
}

TEST(TokenLayout, StringsAreCountedUtf16) {
  TcxTokenString t;
  ASSERT_TRUE(AppendString(t, "a\"\xC4\x8D"));  // a, quote, c with caron
  EXPECT_EQ((TcxTokenString{ptgStr, 3, 1, 'a', 0, '"', 0, 0x0D, 0x01}), t);
  EXPECT_EQ(StringTokenText(t.data(), t.size()), "a\"\xC4\x8D");

  TcxTokenString empty;
  ASSERT_TRUE(AppendString(empty, ""));
  EXPECT_EQ((TcxTokenString{ptgStr, 0, 0}), empty);

  TcxTokenString tooLong;
  EXPECT_FALSE(AppendString(tooLong, std::string(256, 'x')));
  EXPECT_TRUE(tooLong.empty());
}

TEST(TokenLayout, DamagedTokensDoNotFit) {
  const TcxTokenString cut = {ptgRef, 0, 0, 1, 0};
  EXPECT_EQ(TokenSizeAt(cut, 0), 0u);
  const TcxTokenString strCut = {ptgStr, 5, 1, 'a', 0};
  EXPECT_EQ(TokenSizeAt(strCut, 0), 0u);
  const TcxTokenString strNoCount = {ptgStr};
  EXPECT_EQ(TokenSizeAt(strNoCount, 0), 0u);
  const TcxTokenString two = {ptgAdd, ptgBool, 1};
  EXPECT_EQ(TokenSizeAt(two, 0), 1u);
  EXPECT_EQ(TokenSizeAt(two, 1), 2u);
  EXPECT_EQ(TokenSizeAt(two, 3), 0u);
}

TEST(FormulaResult, EveryKindReadsBack) {
  EXPECT_EQ(ReadResult({}).Kind, rkNone);
  const auto error = ReadResult(MakeErrorResult(ecDivZero));
  EXPECT_EQ(error.Kind, rkError);
  EXPECT_EQ(error.Error, ecDivZero);
  EXPECT_EQ(ReadResult(MakeNumberResult(-2.5)).Number, -2.5);
  EXPECT_TRUE(ReadResult(MakeBoolResult(true)).Bool);
  EXPECT_EQ(ReadResult(MakeTextResult("abc")).Text, "abc");
  // Text beyond a ptgStr's 255 code units is kept whole.
  const std::string longText(1000, 'q');
  const TcxTokenString longResult = MakeTextResult(longText);
  EXPECT_EQ(ReadResult(longResult).Text, longText);
  EXPECT_EQ(TcxTokensStack::TokenSize(longResult.data(), longResult.size()), longResult.size());
  EXPECT_EQ(TcxTokensStack::TokenSize(longResult.data(), longResult.size() - 1), 0u);
}

TEST(TokensStack, PopsLastPushedFirst) {
  TcxTokensStack stack;
  stack.Push(MakeNumberResult(1));
  stack.Push(MakeTextResult("two"));
  ASSERT_EQ(stack.Count(), 2);
  EXPECT_EQ(stack.Peek(1).Id(), ptgNum);
  const TcxTokenView top = stack.Pop();
  EXPECT_EQ(StringTokenText(top.Data, top.Size), "two");
  EXPECT_EQ(ReadDouble(stack.Pop().Data + 1), 1);
  EXPECT_TRUE(stack.Empty());
}

TEST(TokensStack, PoppingAnEmptyStackIsASyntaxError) {
  TcxTokensStack stack;
  try {
    stack.Pop();
    FAIL();
  } catch (const ECalculationError& e) {
    EXPECT_STREQ(e.what(), "Error syntax in string expression");
  }
}

TEST(TokensStack, DuplicateCopiesTheTopItemsInOrder) {
  TcxTokensStack stack;
  stack.Push(MakeNumberResult(0));
  stack.Push(MakeNumberResult(1));
  stack.Push(MakeTextResult(std::string(300, 'z')));
  stack.Duplicate(2);
  ASSERT_EQ(stack.Count(), 5);
  EXPECT_EQ(StringTokenText(stack.Peek(0).Data, stack.Peek(0).Size), std::string(300, 'z'));
  EXPECT_EQ(ReadDouble(stack.Peek(1).Data + 1), 1);
  EXPECT_EQ(StringTokenText(stack.Peek(2).Data, stack.Peek(2).Size), std::string(300, 'z'));
  EXPECT_EQ(ReadDouble(stack.Peek(3).Data + 1), 1);
  EXPECT_EQ(ReadDouble(stack.Peek(4).Data + 1), 0);
  EXPECT_THROW(stack.Duplicate(6), ECalculationError);
}

TEST(TokensStack, PushingAPoppedItemBackKeepsIt) {
  TcxTokensStack stack;
  stack.Push(MakeTextResult("keep"));
  const TcxTokenView popped = stack.Pop();
  stack.Push(popped.Data, popped.Size);
  EXPECT_EQ(StringTokenText(stack.Peek().Data, stack.Peek().Size), "keep");
}

}  // namespace
