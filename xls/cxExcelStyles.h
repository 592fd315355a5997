#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

#include "calc/cxSSNumberFormat.h"
#include "styles/cxSSStyleTypes.h"
#include "xls/cxBiffRecords.h"

// File fill pattern codes by TcxSSFillStyle (fsSolid … fsThinThickCrossHatch).
inline constexpr uint8_t kFillPatternCodes[] = {
    1,   // fsSolid
    3,   // fsGray75
    2,   // fsGray50
    4,   // fsGray25
    17,  // fsGray12
    18,  // fsGray6
    5,   // fsHorzStrip
    6,   // fsVertStrip
    7,   // fsRevDiagonalStrip
    8,   // fsDiagonalStrip
    9,   // fsDiagCrossHatch
    10,  // fsThickCrossHatch
    11,  // fsThinHorzStrip
    12,  // fsThinVertStrip
    13,  // fsThinRevDiagonalStrip
    14,  // fsThinDiagonalStrip
    15,  // fsThinDiagCrossHatch
    16,  // fsThinThickCrossHatch
};

// The fill style of a file pattern code; a code not in the table (0, no fill, included) gives
// fsSolid.
TcxSSFillStyle FillStyleFromFile(unsigned code);
// A file colour index as a style colour: 0 gives automatic (57), any other c gives c - 8 (so
// 8..63 are the palette, 64 is no colour and 65 automatic); the style setters store anything
// above 55 as automatic.
TcxSSColor ColorFromFile(unsigned index);

// The cell formats of a workbook's globals: fonts, number format strings and XF records, turned
// into style records the cells can take (TcxSSStyleRec, pointing at this table's fonts and
// number format codes).
//
// Records are collected as they are read; Build makes the style records once all are in. The
// fonts and codes live in deques so that the records' pointers stay valid while the table
// lives. Every FORMAT record's string becomes the code of the XFs that use its index (a
// FORMAT record for a built-in index, as files write for the currency formats, included);
// the records' Format is the built-in index the code is classified as.
class TcxExcelStyleTable {
public:
  TcxExcelStyleTable();

  void AddFont(const TcxFontRecord& font);
  void AddFormat(const TcxFormatRecord& format);
  void AddXf(const TcxXfRecord& xf);
  // Makes the style records from the XF records read so far.
  void Build();

  size_t XfCount() const { return styles_.size(); }
  // The style record of XF `index` (Build first); nullptr beyond the table.
  const TcxSSStyleRec* Style(size_t index) const {
    return index < styles_.size() ? &styles_[index] : nullptr;
  }
  // True when applying XF `index` to a cell changes nothing: its record equals the default
  // cell format's (XF 15), which becomes the workbook's default style record.
  bool IsDefault(size_t index) const { return index < isDefault_.size() && isDefault_[index]; }
  // The default cell format (XF 15), or nullptr when the file has fewer XF records.
  const TcxSSStyleRec* DefaultStyle() const { return Style(kDefaultXf); }
  // The Locked attribute of XF `index` (false beyond the table).
  bool Locked(size_t index) const;
  // The number format of XF `index` (0 beyond the table).
  TxlsDataFormat Format(size_t index) const;

  // The string of a number format index: the built-in strings for 0..49, then FORMAT records
  // above 49 (the last one read wins); empty when unknown.
  std::string FormatString(unsigned index) const;

  static constexpr size_t kDefaultXf = 15;

private:
  TcxSSStyleRec MakeStyle(const TcxXfRecord& xf) const;

  // The code of a FORMAT index, made by Build; nullptr when the file gave the index none.
  const TcxNumberFormat* NumberFormat(unsigned index) const;

  std::deque<TcxSSFontRec> fonts_;
  std::deque<TcxNumberFormat> numberFormats_;
  std::unordered_map<unsigned, const TcxNumberFormat*> codes_;
  TcxSSFontRec fallbackFont_;
  std::vector<TcxFormatRecord> formats_;
  std::vector<TcxXfRecord> xfs_;
  std::vector<TcxSSStyleRec> styles_;
  std::vector<bool> isDefault_;
};
