#pragma once

// A workbook file whose one formula calls a function number that no function library has,
// made by the file writer itself: loading it reads everything and then raises "Stream has
// unknown function's". Sheet1 holds A1 = 5 and, in B1, the formula with the cached value 7.

#include <cstdint>
#include <fstream>
#include <string>

#include "platform/FixedPlatform.h"
#include "xls/cxExcelFileWriter.h"

inline void WriteUnknownFunctionWorkbook(const std::string& file) {
  TcxExcelFileWriter writer(MakeFixedEnvironment(TRegionalSettings::English()));
  TcxSSFontRec font;
  font.Name = "Arial";
  font.Height = 200;
  TcxSSStyleRec style;
  style.Font = &font;
  writer.SetPageCount(1);
  writer.WritePalette(kDefaultPalette);
  writer.WriteProtection(-1, false);
  writer.WriteDefaultStyle(style);
  const int sheet = writer.BeginSheet("Sheet1", true, 1);
  writer.WriteProtection(sheet, false);
  writer.WriteDefaultColWidth(sheet, 64);
  writer.RegisterStyle(style);
  writer.WriteCell(sheet, 0, false, 5.0, 0);
  // tInt 1, then tFuncVar with one argument and function number 1000.
  const uint8_t tokens[] = {0x1E, 0x01, 0x00, 0x22, 0x01, 0xE8, 0x03};
  TcxResultValue result;
  result.Kind = rkNumber;
  result.Number = 7;
  writer.WriteFormula(sheet, 1, tokens, result, 0);
  std::ofstream out(file, std::ios::binary);
  writer.WriteWorkbook(out);
}
