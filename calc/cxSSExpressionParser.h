#pragma once

#include <string_view>

#include "calc/cxSSTypes.h"

class TcxSSFunctionHandler;

// Parenthesised parts and function calls nest at most this deep; deeper text is a syntax
// error rather than a recursion without end.
inline constexpr int kMaxFormulaNesting = 256;

// Turns formula text into a token string with a shunting-yard over the handler's tokenizer.
// Parenthesised text and function arguments are parsed by recursion, one level per nesting.
//
// Precedence, low to high: "(" 0, function 1, & comparisons intersection union range 2,
// binary + - 3, * / 4, ^ 5, unary + - 6; operands -1. Binary operators group to the left
// (2^3^2 is 64), unary ones to the right, and unary minus binds tighter than "^" (-2^2 is 4).
class TcxSpreadSheetExpressionParser {
public:
  explicit TcxSpreadSheetExpressionParser(TcxSSFunctionHandler& handler) : handler_(handler) {}

  // Parses all of `text`, appending the tokens; `argCount` gets the number of top-level
  // arguments (1 + the list separators). Stops at the first error code the handler sets.
  void Parse(std::string_view& text, int& argCount, TcxTokenString& tokens);

private:
  TcxSSFunctionHandler& handler_;
};

// The precedence of a token in the parser's table.
int TokenPrecedence(uint8_t id);
