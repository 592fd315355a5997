#include "calc/cxSSExpressionParser.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "calc/cxSSConvert.h"
#include "calc/cxSSFormulasCache.h"
#include "calc/cxSSFunctionHandler.h"
#include "calc/cxSSFunctionTable.h"
#include "calc/cxSSStrings.h"
#include "calc/cxSSTokens.h"
#include "calc/cxSSUtils.h"
#include "calc/cxExcelFunctions.h"
#include "platform/ScopeGuard.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSpreadSheetBook.h"
#include "platform/TextServices.h"
#include "platform/Unicode.h"

// The parser and the parsing side of the function handler (tokenizer, reference reader).

namespace {

constexpr uint8_t kNoToken = 0;

bool IsBlank(char c) { return c == ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }



// The end of the parenthesised text opening at `open` (the index of its ")"), double-quoted
// strings skipped whole; text.size() when it does not close.
size_t MatchingParen(std::string_view text, size_t open) {
  int depth = 0;
  bool inString = false;
  for (size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"')
      inString = !inString;
    else if (inString)
      continue;
    else if (c == '(')
      ++depth;
    else if (c == ')' && --depth == 0)
      return i;
  }
  return text.size();
}

// Reads the string literal whose opening quote is at `i` into `content` ("" stands for one
// quote) and moves `i` past its closing quote; false, `i` at the end, when it does not close.
bool ReadQuoted(std::string_view text, size_t& i, std::string& content) {
  content.clear();
  for (++i; i < text.size(); ++i) {
    if (text[i] != '"') {
      content.push_back(text[i]);
    } else if (i + 1 < text.size() && text[i + 1] == '"') {
      content.push_back('"');
      ++i;
    } else {
      ++i;
      return true;
    }
  }
  return false;
}

// Reads an array constant at the start of `text` ({1,2;3,4}: columns apart by `columns`, rows
// by `rows`, as the formula text writes it) into an array token and removes it from the text.
// Every element is a number (signed or not), a string, TRUE or FALSE or an error literal, and
// every row has as many as the first. False, the text untouched, for anything else.
bool ReadArrayConstant(std::string_view& text, std::string_view columns, std::string_view rows,
                       const TRegionalSettings& settings, const ITextServices& textServices,
                       TcxTokenString& token) {
  if (text.empty() || text[0] != '{') return false;
  TcxTokenString values;
  int32_t cols = 0;
  int32_t rowCount = 1;
  int32_t inRow = 0;
  size_t i = 1;
  // One element from i to the next separator or the closing brace.
  auto element = [&]() -> bool {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && text[i] == '"') {
      std::string content;
      if (!ReadQuoted(text, i, content) || !AppendString(values, content)) return false;
    } else {
      const size_t begin = i;
      while (i < text.size() && text[i] != '}' && text.substr(i, columns.size()) != columns &&
             text.substr(i, rows.size()) != rows)
        ++i;
      size_t end = i;
      while (end > begin && IsBlank(text[end - 1])) --end;
      const std::string_view piece = text.substr(begin, end - begin);
      double x = 0;
      bool b = false;
      const TcxErrorLiteral literal = FindErrorLiteral(piece);
      if (piece.empty()) return false;
      if (literal.Internal != 0 && literal.Length == piece.size()) {
        values.push_back(ptgErr);
        values.push_back(static_cast<uint8_t>(literal.Internal));
      } else if (TryTextToFloat(piece[0] == '+' ? piece.substr(1) : piece, x, settings)) {
        AppendNumber(values, x);
      } else if (TryTextToBool(piece, b, textServices)) {
        AppendBool(values, b);
      } else {
        return false;
      }
    }
    while (i < text.size() && IsBlank(text[i])) ++i;
    ++inRow;
    return true;
  };
  for (;;) {
    if (!element()) return false;
    if (i >= text.size()) return false;
    if (text[i] == '}') break;
    if (text.substr(i, columns.size()) == columns) {
      i += columns.size();
      continue;
    }
    // A row separator: the row ends and must be as long as the first.
    i += rows.size();
    if (cols == 0) cols = inRow;
    if (inRow != cols || rowCount >= 65536) return false;
    ++rowCount;
    inRow = 0;
  }
  if (cols == 0) cols = inRow;
  if (inRow != cols || cols > 256) return false;
  token.assign(kArrayValues, 0);
  token[0] = ptgArray;
  WriteInt32(token.data() + kArrayCols, cols);
  WriteInt32(token.data() + kArrayRows, rowCount);
  token.insert(token.end(), values.begin(), values.end());
  WriteInt32(token.data() + 1, static_cast<int32_t>(token.size() - kArrayHeaderSize));
  text.remove_prefix(i + 1);
  return true;
}

// A non-negative decimal number of at most INT32_MAX; false for anything else.
bool ReadNumber(std::string_view text, size_t& i, int64_t& value) {
  const size_t start = i;
  value = 0;
  while (i < text.size() && IsDigit(text[i])) {
    value = value * 10 + (text[i] - '0');
    if (value > INT32_MAX) return false;
    ++i;
  }
  return i > start;
}

// "[" offset "]" of an R1C1 reference, the offset optionally negative.
bool ReadOffset(std::string_view text, size_t& i, int64_t& value) {
  if (i >= text.size() || text[i] != '[') return false;
  ++i;
  bool negative = false;
  if (i < text.size() && text[i] == '-') {
    negative = true;
    ++i;
  }
  if (!ReadNumber(text, i, value) || i >= text.size() || text[i] != ']') return false;
  ++i;
  if (negative) value = -value;
  return true;
}

}  // namespace

int TokenPrecedence(uint8_t id) {
  switch (id) {
    case ptgParen:
      return 0;
    case ptgFuncVar:
      return 1;
    case ptgAdd:
    case ptgSub:
      return 3;
    case ptgMul:
    case ptgDiv:
      return 4;
    case ptgPower:
      return 5;
    case ptgUplus:
    case ptgUminus:
      return 6;
    case ptgIsect:
      // References are intersected before anything else is done with them.
      return 7;
    default:
      return id >= ptgConcat && id <= ptgRange ? 2 : -1;
  }
}

// --- Parser -------------------------------------------------------------------------------------

void TcxSpreadSheetExpressionParser::Parse(std::string_view& text, int& argCount,
                                           TcxTokenString& tokens) {
  if (++handler_.parseDepth_ > kMaxFormulaNesting)
    throw ECalculationError(std::string(kSyntaxError));
  TScopeGuard leave([this] { --handler_.parseDepth_; });
  const bool arguments = std::exchange(handler_.argumentList_, false);
  const int firstArgument = argCount;
  // Nothing but blanks since the start or the last separator: an empty argument so far.
  bool argumentEmpty = true;

  // The operator stack is shared by the levels of the recursion; this level owns what lies
  // above `base`.
  std::vector<uint8_t>& operators = handler_.operators_;
  const size_t base = operators.size();
  auto flush = [&] {
    while (operators.size() > base) {
      tokens.push_back(operators.back());
      operators.pop_back();
    }
  };
  // Whether a "+" or "-" here is unary: at the start, after a separator or an operator.
  bool expectOperand = true;
  // A list of references at the top of a name's formula is their union, joined left to right
  // as Excel writes it.
  const bool unionHere = handler_.unionAtTop_ && handler_.parseDepth_ == 1;
  TcxTokenString& token = handler_.scratch_;
  std::string_view inner;
  // A blank after an operand: an intersection when another operand follows it (A1:B5 B2:C3).
  bool blankAfterOperand = false;
  while (!text.empty() && handler_.ErrorCode() == 0 && !handler_.Cache().ErrorFlag()) {
    uint8_t id = handler_.NextToken(text, inner, token);
    if (id == kNoToken) break;
    if (id == ptgIsect) {
      blankAfterOperand = blankAfterOperand || !expectOperand;
      continue;
    }
    const bool startsOperand = TokenPrecedence(id) < 0 || id == ptgParen || id == ptgFuncVar;
    if (blankAfterOperand && startsOperand && id != ptgPercent) {
      while (operators.size() > base && TokenPrecedence(operators.back()) >= 7) {
        tokens.push_back(operators.back());
        operators.pop_back();
      }
      operators.push_back(ptgIsect);
      expectOperand = true;
    }
    blankAfterOperand = false;
    if (id == ptgUnion) {
      flush();
      if (arguments && argumentEmpty) tokens.push_back(ptgMissArg);
      if (unionHere && argCount >= 2) tokens.push_back(ptgUnion);
      ++argCount;
      expectOperand = true;
      argumentEmpty = true;
      continue;
    }
    argumentEmpty = false;
    if (expectOperand && (id == ptgAdd || id == ptgSub)) id = id == ptgAdd ? ptgUplus : ptgUminus;
    const int precedence = TokenPrecedence(id);
    if (id == ptgUplus) continue;
    if (id == ptgParen || id == ptgFuncVar) {
      uint8_t call[4] = {ptgFuncVar, 0, 0, 0};
      int innerArgs = 0;
      if (id == ptgFuncVar) {
        // The call is the last four bytes; a function named by a name has the name before them,
        // its first operand.
        const size_t named = token.size() - 4;
        std::copy(token.begin() + static_cast<ptrdiff_t>(named), token.end(), call);
        tokens.insert(tokens.end(), token.begin(), token.begin() + static_cast<ptrdiff_t>(named));
        innerArgs = named > 0 ? 1 : 0;
      }
      if (!inner.empty()) {
        ++innerArgs;
        std::string_view innerText = inner;
        handler_.argumentList_ = id == ptgFuncVar;
        Parse(innerText, innerArgs, tokens);
      }
      if (id == ptgParen) {
        tokens.push_back(ptgParen);
      } else {
        if (innerArgs > 255) throw ECalculationError(std::string(kSyntaxError));
        call[1] = static_cast<uint8_t>(innerArgs);
        tokens.insert(tokens.end(), call, call + 4);
      }
      expectOperand = false;
      continue;
    }
    if (precedence < 0) {
      tokens.insert(tokens.end(), token.begin(), token.end());
      expectOperand = false;
      continue;
    }
    while (operators.size() > base) {
      const int top = TokenPrecedence(operators.back());
      if (top < precedence || (precedence == 6 && top == 6)) break;
      tokens.push_back(operators.back());
      operators.pop_back();
    }
    operators.push_back(id);
    expectOperand = true;
  }
  flush();
  if (arguments && argumentEmpty && handler_.ErrorCode() == 0) {
    // The last argument is empty (IF(A1,2,)); blanks alone between the parentheses are no
    // argument at all (PI( )).
    if (argCount > firstArgument)
      tokens.push_back(ptgMissArg);
    else
      --argCount;
  }
  if (unionHere && argCount >= 2) tokens.push_back(ptgUnion);
}

// --- Handler: text preparation and tokenizer -------------------------------------------------------

// The operator a text of one or two characters names, in the order of the operator table
// ("+" "-" "*" "/" "^" "&" "<" "<=" "=" ">=" ">" "<>" " " separator ":" "" "-" "%"): the first
// entry that matches wins, so "-" is always binary minus here; 0 for no operator.
uint8_t TcxSSFunctionHandler::OperatorId(std::string_view text) const {
  if (text.size() == 2) {
    if (text == "<=") return ptgLE;
    if (text == ">=") return ptgGE;
    if (text == "<>") return ptgNE;
    return 0;
  }
  if (text.size() != 1) return 0;
  switch (text[0]) {
    case '+': return ptgAdd;
    case '-': return ptgSub;
    case '*': return ptgMul;
    case '/': return ptgDiv;
    case '^': return ptgPower;
    case '&': return ptgConcat;
    case '<': return ptgLT;
    case '=': return ptgEQ;
    case '>': return ptgGT;
    case ' ': return ptgIsect;
    default: break;
  }
  if (listSeparator_.size() == 1 && text[0] == listSeparator_[0]) return ptgUnion;
  if (text[0] == ':') return ptgRange;
  if (text[0] == '%') return ptgPercent;
  return 0;
}

std::string TcxSSFunctionHandler::ListSeparator() const {
  const TRegionalSettings& s = Settings();
  if (s.ListSeparator == s.DecimalSeparator && s.ListSeparator == ",") return ";";
  return s.ListSeparator.empty() ? std::string(",") : s.ListSeparator;
}

void TcxSSFunctionHandler::BuildDelimiters() {
  // Rebuilt for every formula, but only a changed separator changes the set.
  std::string separator = ListSeparator();
  if (separator == listSeparator_) return;
  listSeparator_ = std::move(separator);
  delimiters_.fill(false);
  for (char c : std::string_view("+-*/^<=>&%\"() ")) delimiters_[static_cast<uint8_t>(c)] = true;
  delimiters_[static_cast<uint8_t>(listSeparator_[0])] = true;
}

bool TcxSSFunctionHandler::IsDelimiter(char c) const {
  return delimiters_[static_cast<uint8_t>(c)];
}

bool TcxSSFunctionHandler::PrepareText(std::string_view text, std::string& body) {
  size_t begin = 0;
  while (begin < text.size() && (IsBlank(text[begin]) || text[begin] == '=')) ++begin;
  size_t end = text.size();
  while (end > begin && IsBlank(text[end - 1])) --end;
  body.clear();
  body.reserve(end - begin);
  bool inString = false;
  bool misplaced = false;
  int depth = 0;
  int deepest = 0;
  for (size_t i = begin; i < end; ++i) {
    const char c = text[i];
    body.push_back(c);
    if (c == '"') {
      inString = !inString;
    } else if (inString) {
      // Text inside a string literal is kept exactly as typed.
    } else if (c == '!') {
      while (i + 1 < end && IsBlank(text[i + 1])) ++i;
    } else if (c == '(') {
      deepest = std::max(deepest, ++depth);
    } else if (c == ')') {
      if (--depth < 0) misplaced = true;
    }
  }
  if (inString) {
    cache_.ReportError(kUnterminatedString);
    return false;
  }
  if (depth != 0 || misplaced) {
    cache_.ReportError(kSymbolExpected);
    return false;
  }
  if (deepest > kMaxFormulaNesting) {
    cache_.ReportError(kSyntaxError);
    return false;
  }
  return true;
}

void TcxSSFunctionHandler::RebuildSheetList() {
  const TcxCustomSpreadSheetBook& book = Book();
  sheetNames_.resize(book.PageCount());
  for (int i = 0; i < book.PageCount(); ++i) {
    const std::string& caption = book.Pages(i).Caption();
    std::string& name = sheetNames_[i];
    if (caption.find(' ') == std::string::npos) {
      name.assign(caption);
    } else {
      name.assign("'");
      name.append(caption).append("'");
    }
  }
}

size_t TcxSSFunctionHandler::MatchName(std::string_view text) const {
  // The longest live name that begins the text and ends where a token may end: only the names
  // as long as such an end are compared.
  const TcxSSNamesDef& names = cache_.Names();
  for (const auto& [n, indexes] : cache_.NameIndex().ByLength) {
    if (n == 0 || n > text.size()) continue;
    // A name ends where a token may end, or before the range operator (Name1:Name2).
    if (n < text.size() && !IsDelimiter(text[n]) && text[n] != ':') continue;
    const std::string_view start = text.substr(0, n);
    for (const uint32_t i : indexes) {
      const TcxSSNameDefinition& name = names[i];
      if (!TcxSSFormulasCache::NameVisible(name, formulaSheet_)) continue;
      if (unicode::SameNoCaseAscii(start, name.Name) ||
          (!unicode::IsAscii(name.Name) && TextServices().CompareText(start, name.Name) == 0))
        return n;
    }
  }
  return 0;
}

size_t TcxSSFunctionHandler::MatchSheet(std::string_view text) const {
  size_t best = 0;
  // Another workbook's sheets and names are written after their quoted path, which may hold
  // delimiters.
  if (text[0] == '\'') {
    const TcxSSExternalLinks& links = cache_.ExternalLinks();
    const auto match = [&](const std::string& prefix) {
      const size_t n = prefix.size();
      if (n > best && n <= text.size() && TextServices().CompareText(text.substr(0, n), prefix) == 0)
        best = n;
    };
    for (size_t i = 0; i < links.Sheets.size(); ++i) match(links.SheetText(i));
    for (size_t i = 0; i < links.Names.size(); ++i) {
      const std::string name = links.NameText(i);
      match(name.substr(0, name.rfind('!') + 1));
    }
  }
  for (const auto& sheet : sheetNames_) {
    const size_t n = sheet.size();
    if (n == 0 || n <= best || n > text.size()) continue;
    // Most tokens differ from a sheet name in the first letter already.
    const unsigned char first = static_cast<unsigned char>(sheet[0]);
    if (first < 0x80 && AsciiUpper(text[0]) != AsciiUpper(sheet[0])) continue;
    if (TextServices().CompareText(text.substr(0, n), sheet) == 0) best = n;
  }
  return best;
}

int TcxSSFunctionHandler::FindSheet(std::string_view qualifier) const {
  // The quoted form as the sheet list writes it; a name without blanks may be quoted too.
  std::string_view unquoted = qualifier;
  if (unquoted.size() >= 2 && unquoted.front() == '\'' && unquoted.back() == '\'')
    unquoted = unquoted.substr(1, unquoted.size() - 2);
  for (size_t i = 0; i < sheetNames_.size(); ++i)
    if (TextServices().CompareText(qualifier, sheetNames_[i]) == 0) return static_cast<int>(i);
  for (int i = 0; i < static_cast<int>(sheetNames_.size()) && i < Book().PageCount(); ++i)
    if (TextServices().CompareText(unquoted, Book().Pages(i).Caption()) == 0) return i;
  return -1;
}

uint8_t TcxSSFunctionHandler::NextToken(std::string_view& text, std::string_view& inner,
                                        TcxTokenString& token) {
  token.clear();
  inner = {};
  if (text.empty()) return kNoToken;
  auto classify = [&](size_t length) -> uint8_t {
    const std::string_view piece = text.substr(0, length);
    text.remove_prefix(length);
    return ClassifyToken(piece, token) && !token.empty() ? token[0] : kNoToken;
  };
  auto call = [&](size_t nameLength) -> uint8_t {
    const size_t close = MatchingParen(text, nameLength);
    inner = text.substr(nameLength + 1, close - nameLength - 1);
    const std::string_view name = text.substr(0, nameLength);
    text.remove_prefix(std::min(close + 1, text.size()));
    if (nameLength == 0) {
      token.push_back(ptgParen);
      return ptgParen;
    }
    TcxFuncDefinition definition;
    if (FindFunctionByName(name, definition)) {
      AppendFuncVar(token, 0, definition.Index);
      return ptgFuncVar;
    }
    // A function of the file format that the library lacks, or one a name stands for (an add-in
    // function or a name of the workbook): kept as written, shown with the value it had.
    if (const TcxBiffFunction* file = FindBiffFunctionByName(name)) {
      AppendFuncVar(token, 0, file->Number);
      return ptgFuncVar;
    }
    if (const int addIn = cache_.ExternalLinks().FindName(name); addIn >= 0) {
      token.push_back(ptgNameX);
      token.push_back(0);
      token.push_back(0);
      WriteUInt16(token.data() + 1, static_cast<uint16_t>(addIn));
    } else if (const int defined = cache_.FindName(name); defined >= 0) {
      AppendName(token, static_cast<uint16_t>(defined));
    } else {
      SetError(ecName);
      return kNoToken;
    }
    AppendFuncVar(token, 0, kNamedFunction);
    return ptgFuncVar;
  };

  // An error literal (#N/A, #DIV/0!, ...) is one token although it holds delimiters; "#REF!"
  // directly before cells is a reference to a sheet that is gone (#REF!A1).
  if (text[0] == '#') {
    const TcxErrorLiteral literal = FindErrorLiteral(text);
    const bool deletedSheet =
        literal.Internal == ecRef && literal.Length < text.size() &&
        (text[literal.Length] == '$' || IsUpperLetter(AsciiUpper(text[literal.Length])));
    if (literal.Internal != 0 && !deletedSheet) {
      text.remove_prefix(literal.Length);
      token.push_back(ptgErr);
      token.push_back(static_cast<uint8_t>(literal.Internal));
      return ptgErr;
    }
  }
  // An array constant, with the separators its text is shown with.
  if (text[0] == '{') {
    const std::string_view rows = listSeparator_ == ";" ? "|" : ";";
    if (ReadArrayConstant(text, listSeparator_, rows, Settings(), TextServices(), token))
      return ptgArray;
    throw ECalculationError(std::string(kSyntaxError));
  }
  // A defined name is a token by itself, or a function name before "(".
  size_t p = MatchName(text);
  if (p > 0) {
    if (p < text.size() && text[p] == '(') return call(p);
    return classify(p);
  }
  // The range operator between two names (Name1:Name2); between cells it is part of the
  // reference.
  if (text[0] == ':') return classify(1);
  // A sheet name that begins the text is read over whole, blanks included.
  p = MatchSheet(text);
  while (p < text.size() && !(IsDelimiter(text[p]) && !(text[p] == '-' && p >= 2 && text[p - 1] == '[')))
    ++p;
  if (p == text.size()) return classify(p);

  const char d = text[p];
  if (d == '(') return call(p);
  if (d == '"') {
    if (p > 0) return classify(p);
    std::string content;
    size_t i = 0;
    ReadQuoted(text, i, content);  // PrepareText has refused unclosed strings
    text.remove_prefix(i);
    if (!AppendString(token, content)) throw ECalculationError(std::string(kSyntaxError));
    return ptgStr;
  }
  if (p == 0) {
    size_t length = 1;
    if ((d == '<' || d == '>') && text.size() > 1 && (text[1] == '=' || text[1] == '>')) length = 2;
    return classify(length);
  }
  // 1.5E-3: the sign of an exponent belongs to the number.
  double x = 0;
  if ((d == '+' || d == '-') && (text[p - 1] == 'E' || text[p - 1] == 'e') && p >= 2 &&
      TryTextToFloat(text.substr(0, p - 1), x, Settings())) {
    ++p;
    while (p < text.size() && IsDigit(text[p])) ++p;
  }
  return classify(p);
}

bool TcxSSFunctionHandler::ClassifyToken(std::string_view text, TcxTokenString& token) {
  token.clear();
  if (const uint8_t op = OperatorId(text)) {
    token.push_back(op);
    return true;
  }
  double x = 0;
  if (TryTextToFloat(text, x, Settings())) {
    AppendNumber(token, x);
    return true;
  }
  bool b = false;
  if ((text.size() == 4 || text.size() == 5) && TryTextToBool(text, b, TextServices())) {
    AppendBool(token, b);
    return true;
  }
  if (ParseReference(text, token)) return true;
  SetError(ecName);
  UnknownExpression(text);
  return false;
}

void TcxSSFunctionHandler::UnknownExpression(std::string_view text) {
  cache_.ReportError(std::string(kUnknownExpression) + " - " + std::string(text));
}

bool TcxSSFunctionHandler::ParseCell(std::string_view text, bool r1c1, int baseRow, int baseCol,
                                     bool& rowAbs, bool& colAbs, int32_t& row,
                                     int32_t& col) const {
  size_t i = 0;
  int64_t r = 0;
  int64_t c = 0;
  if (r1c1) {
    rowAbs = false;
    if (i < text.size() && text[i] == 'R') {
      ++i;
      if (i < text.size() && text[i] >= '1' && text[i] <= '9') {
        if (!ReadNumber(text, i, r)) return false;
        rowAbs = true;
        --r;
      } else if (i < text.size() && text[i] == '[') {
        if (!ReadOffset(text, i, r)) return false;
      } else if (i >= text.size() || text[i] != 'C') {
        return false;
      }
    }
    if (i >= text.size() || text[i] != 'C') return false;
    ++i;
    colAbs = false;
    if (i < text.size() && text[i] >= '1' && text[i] <= '9') {
      if (!ReadNumber(text, i, c)) return false;
      colAbs = true;
      --c;
    } else if (i < text.size() && text[i] == '[') {
      if (!ReadOffset(text, i, c)) return false;
    }
    if (i != text.size()) return false;
  } else {
    colAbs = i < text.size() && text[i] == '$';
    if (colAbs) ++i;
    const size_t letters = i;
    while (i < text.size() && IsUpperLetter(text[i])) ++i;
    if (i == letters) return false;
    c = TcxSSUtils::ColumnIndex(text.substr(letters, i - letters));
    if (c < 0) return false;
    rowAbs = i < text.size() && text[i] == '$';
    if (rowAbs) ++i;
    // The row number is required and ends the reference; row 0 reads as the first row.
    if (!ReadNumber(text, i, r) || i != text.size()) return false;
    if (r > 0) --r;
    if (!rowAbs) r -= baseRow;
    if (!colAbs) c -= baseCol;
  }
  row = static_cast<int32_t>(r);
  col = static_cast<int32_t>(c);
  return true;
}

bool TcxSSFunctionHandler::ParseReference(std::string_view text, TcxTokenString& token) {
  std::string upper;
  if (unicode::IsAscii(text)) {
    upper.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) upper[i] = AsciiUpper(text[i]);
  } else {
    upper = TextServices().UpperCase(text);
  }
  const bool r1c1 = cache_.R1C1();
  std::string_view rest = upper;
  bool rowAbs = false, colAbs = false, lastRowAbs = false, lastColAbs = false;
  int32_t row = 0, col = 0, lastRow = 0, lastCol = 0;

  const size_t bang = rest.find('!');
  if (bang != std::string_view::npos) {
    // A name of another workbook.
    const TcxSSExternalLinks& links = cache_.ExternalLinks();
    if (const int name = links.FindName(rest); name >= 0) {
      token.push_back(ptgNameX);
      token.push_back(0);
      token.push_back(0);
      WriteUInt16(token.data() + 1, static_cast<uint16_t>(name));
      return true;
    }
    // A sheet qualifier: the cells are read as plain indexes (offsets from A1). Cells of
    // another workbook are written with its sheet's qualifier, cells of a sheet that is gone
    // with "#REF".
    const std::string_view qualifier = rest.substr(0, bang);
    int sheet = FindSheet(qualifier);
    uint8_t refId = ptgRef3d;
    if (sheet < 0 && (sheet = links.FindSheet(qualifier)) >= 0) refId = ptgRefX;
    if (sheet < 0 && qualifier == "#REF") sheet = kDeletedSheet;
    rest.remove_prefix(bang + 1);
    if (sheet < 0 || rest.empty()) return false;
    // Page!Name: a name of that page.
    const int local = cache_.FindName(rest, sheet);
    if (local >= 0 && cache_.Names()[static_cast<size_t>(local)].Scope == sheet) {
      AppendName(token, static_cast<uint16_t>(local));
      return true;
    }
    const size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
      if (!ParseCell(rest, r1c1, 0, 0, rowAbs, colAbs, row, col)) return false;
      AppendRef3d(token, static_cast<uint16_t>(sheet), rowAbs, colAbs, row, col);
      token[token.size() - TokenSizeOf(ptgRef3d, 0)] = refId;
      return true;
    }
    std::string_view second = rest.substr(colon + 1);
    const size_t secondBang = second.find('!');
    if (secondBang != std::string_view::npos) {
      // Sheet1!A1:Sheet1!B2 is the area A1:B2; an area cannot span two sheets.
      if (refId != ptgRef3d || FindSheet(second.substr(0, secondBang)) != sheet) return false;
      second.remove_prefix(secondBang + 1);
    }
    if (!ParseCell(rest.substr(0, colon), r1c1, 0, 0, rowAbs, colAbs, row, col) ||
        !ParseCell(second, r1c1, 0, 0, lastRowAbs, lastColAbs, lastRow, lastCol))
      return false;
    AppendArea3d(token, static_cast<uint16_t>(sheet), rowAbs, lastRowAbs, colAbs, lastColAbs, row,
                 lastRow, col, lastCol);
    if (refId == ptgRefX) token[token.size() - TokenSizeOf(ptgArea3d, 0)] = ptgAreaX;
    return true;
  }
  const int name = cache_.FindName(rest, formulaSheet_);
  if (name >= 0) {
    AppendName(token, static_cast<uint16_t>(name));
    return true;
  }
  const size_t colon = rest.find(':');
  if (colon == std::string_view::npos) {
    if (!ParseCell(rest, r1c1, formulaRow_, formulaCol_, rowAbs, colAbs, row, col)) return false;
    AppendRef(token, rowAbs, colAbs, row, col);
    return true;
  }
  if (!ParseCell(rest.substr(0, colon), r1c1, formulaRow_, formulaCol_, rowAbs, colAbs, row,
                 col) ||
      !ParseCell(rest.substr(colon + 1), r1c1, formulaRow_, formulaCol_, lastRowAbs, lastColAbs,
                 lastRow, lastCol))
    return false;
  AppendArea(token, rowAbs, lastRowAbs, colAbs, lastColAbs, row, lastRow, col, lastCol);
  return true;
}

// --- Handler: whole formulas ---------------------------------------------------------------------

void TcxSSFunctionHandler::ParseText(std::string_view body, TcxTokenString& tokens) {
  RebuildSheetList();
  parseDepth_ = 0;
  argumentList_ = false;
  operators_.clear();
  TcxSpreadSheetExpressionParser parser(*this);
  int argCount = 1;
  std::string_view text = body;
  parser.Parse(text, argCount, tokens);
  if (tokens.size() > 65535) throw ECalculationError(std::string(kSyntaxError));
}

void TcxSSFunctionHandler::ParseNameFormula(std::string_view text, TcxSSFormula& formula) {
  unionAtTop_ = true;
  TScopeGuard reset([this] { unionAtTop_ = false; });
  ParseFormula(text, formula);
}

void TcxSSFunctionHandler::ParseFormula(std::string_view text, TcxSSFormula& formula) {
  formula.Tokens.clear();
  BeginFormula(formula, false);
  try {
    if (!PrepareText(text, body_)) return;
    TcxTokenString tokens;
    tokens.reserve(body_.size() + 16);
    try {
      ParseText(body_, tokens);
    } catch (...) {
      formula.Tokens.clear();
      throw;
    }
    formula.Tokens = std::move(tokens);
    if (errorCode_ != 0) cache_.ReportError(kSyntaxError);
  } catch (const std::exception&) {
    formula.Tokens.clear();
    formula.Result.clear();
    formula.ParseFailed = true;
    cache_.ReportError(kSyntaxError);
  }
}
