#pragma once

#include <cstdint>
#include <string_view>

// Identifiers of the BIFF8 records the workbook reader handles, and of the tokens of BIFF8
// parsed expressions.

// --- Records ------------------------------------------------------------------------------------
inline constexpr uint16_t kBiffFormula = 0x0006;
inline constexpr uint16_t kBiffEof = 0x000A;
inline constexpr uint16_t kBiffRefMode = 0x000F;
inline constexpr uint16_t kBiffProtect = 0x0012;
inline constexpr uint16_t kBiffPassword = 0x0013;
inline constexpr uint16_t kBiffExternSheet = 0x0017;
inline constexpr uint16_t kBiffSelection = 0x001D;
inline constexpr uint16_t kBiffName = 0x0018;
inline constexpr uint16_t kBiffWindowProtect = 0x0019;
inline constexpr uint16_t kBiffDateMode = 0x0022;
inline constexpr uint16_t kBiffExternName = 0x0023;
inline constexpr uint16_t kBiffFilePass = 0x002F;
inline constexpr uint16_t kBiffFont = 0x0031;
inline constexpr uint16_t kBiffWindow1 = 0x003D;
inline constexpr uint16_t kBiffPane = 0x0041;
inline constexpr uint16_t kBiffDefColWidth = 0x0055;
inline constexpr uint16_t kBiffObjProtect = 0x0063;
inline constexpr uint16_t kBiffColInfo = 0x007D;
inline constexpr uint16_t kBiffBoundSheet = 0x0085;
inline constexpr uint16_t kBiffPalette = 0x0092;
inline constexpr uint16_t kBiffStandardWidth = 0x0099;
inline constexpr uint16_t kBiffScl = 0x00A0;
inline constexpr uint16_t kBiffMulRk = 0x00BD;
inline constexpr uint16_t kBiffMulBlank = 0x00BE;
inline constexpr uint16_t kBiffRString = 0x00D6;
inline constexpr uint16_t kBiffScenProtect = 0x00DD;
inline constexpr uint16_t kBiffXf = 0x00E0;
inline constexpr uint16_t kBiffMergedCells = 0x00E5;
inline constexpr uint16_t kBiffSst = 0x00FC;
inline constexpr uint16_t kBiffLabelSst = 0x00FD;
inline constexpr uint16_t kBiffSupBook = 0x01AE;
inline constexpr uint16_t kBiffDimensions = 0x0200;
inline constexpr uint16_t kBiffBlank = 0x0201;
inline constexpr uint16_t kBiffNumber = 0x0203;
inline constexpr uint16_t kBiffLabel = 0x0204;
inline constexpr uint16_t kBiffBoolErr = 0x0205;
inline constexpr uint16_t kBiffString = 0x0207;
inline constexpr uint16_t kBiffRow = 0x0208;
inline constexpr uint16_t kBiffArray = 0x0221;
inline constexpr uint16_t kBiffDefaultRowHeight = 0x0225;
inline constexpr uint16_t kBiffTable = 0x0236;
inline constexpr uint16_t kBiffWindow2 = 0x023E;
inline constexpr uint16_t kBiffRk = 0x027E;
inline constexpr uint16_t kBiffFormulaBiff4 = 0x0406;
inline constexpr uint16_t kBiffFormat = 0x041E;
inline constexpr uint16_t kBiffShrFmla = 0x04BC;
inline constexpr uint16_t kBiffBof = 0x0809;

// BOF: the version of BIFF8, and the substream types.
inline constexpr uint16_t kBiff8Version = 0x0600;
inline constexpr uint16_t kBofWorkbookGlobals = 0x0005;
inline constexpr uint16_t kBofWorksheet = 0x0010;

// BOUNDSHEET sheet types (bits 0-1 of the type byte).
inline constexpr uint8_t kSheetTypeWorksheet = 0;
inline constexpr uint8_t kSheetTypeMacroSheet = 1;
inline constexpr uint8_t kSheetTypeChart = 2;
inline constexpr uint8_t kSheetTypeModule = 3;

// --- Parsed-expression tokens ---------------------------------------------------------------------
// Tokens from 0x20 on come in three operand classes (reference 0x20-0x3F, value 0x40-0x5F, array
// 0x60-0x7F); PtgBase maps each to its reference-class identifier.
inline constexpr uint8_t kPtgExp = 0x01;
inline constexpr uint8_t kPtgTbl = 0x02;
inline constexpr uint8_t kPtgAdd = 0x03;
inline constexpr uint8_t kPtgIsect = 0x0F;
inline constexpr uint8_t kPtgUnion = 0x10;
inline constexpr uint8_t kPtgRange = 0x11;
inline constexpr uint8_t kPtgUplus = 0x12;
inline constexpr uint8_t kPtgUminus = 0x13;
inline constexpr uint8_t kPtgPercent = 0x14;
inline constexpr uint8_t kPtgParen = 0x15;
inline constexpr uint8_t kPtgMissArg = 0x16;
inline constexpr uint8_t kPtgStr = 0x17;
inline constexpr uint8_t kPtgElf = 0x18;
// The second byte of a natural-language label token (kPtgElf): the label of a range whose area
// token follows; its 4 bytes name the label's cell and add nothing to the value.
inline constexpr uint8_t kElfRadical = 0x0A;
inline constexpr uint8_t kPtgAttr = 0x19;
inline constexpr uint8_t kPtgErr = 0x1C;
inline constexpr uint8_t kPtgBool = 0x1D;
inline constexpr uint8_t kPtgInt = 0x1E;
inline constexpr uint8_t kPtgNum = 0x1F;
inline constexpr uint8_t kPtgArray = 0x20;
inline constexpr uint8_t kPtgFunc = 0x21;
inline constexpr uint8_t kPtgFuncVar = 0x22;
inline constexpr uint8_t kPtgName = 0x23;
inline constexpr uint8_t kPtgRef = 0x24;
inline constexpr uint8_t kPtgArea = 0x25;
inline constexpr uint8_t kPtgMemArea = 0x26;
inline constexpr uint8_t kPtgMemErr = 0x27;
inline constexpr uint8_t kPtgMemNoMem = 0x28;
inline constexpr uint8_t kPtgMemFunc = 0x29;
inline constexpr uint8_t kPtgRefErr = 0x2A;
inline constexpr uint8_t kPtgAreaErr = 0x2B;
inline constexpr uint8_t kPtgRefN = 0x2C;
inline constexpr uint8_t kPtgAreaN = 0x2D;
inline constexpr uint8_t kPtgMemAreaN = 0x2E;
inline constexpr uint8_t kPtgMemNoMemN = 0x2F;
inline constexpr uint8_t kPtgNameX = 0x39;
inline constexpr uint8_t kPtgRef3d = 0x3A;
inline constexpr uint8_t kPtgArea3d = 0x3B;
inline constexpr uint8_t kPtgRefErr3d = 0x3C;
inline constexpr uint8_t kPtgAreaErr3d = 0x3D;

constexpr uint8_t PtgBase(uint8_t id) {
  return id < 0x20 ? id : static_cast<uint8_t>((id & 0x1F) | 0x20);
}
constexpr bool PtgValueClass(uint8_t id) { return id >= 0x20 && (id & 0x60) == 0x40; }

// ptgAttr option bits.
inline constexpr uint8_t kAttrVolatile = 0x01;
inline constexpr uint8_t kAttrIf = 0x02;
inline constexpr uint8_t kAttrChoose = 0x04;
inline constexpr uint8_t kAttrSkip = 0x08;
inline constexpr uint8_t kAttrSum = 0x10;
inline constexpr uint8_t kAttrSpace = 0x40;

// Column fields of references: bits 0-13 the column, bit 14 a relative column, bit 15 a
// relative row.
inline constexpr uint16_t kColumnMask = 0x3FFF;
inline constexpr uint16_t kColumnRelative = 0x4000;
inline constexpr uint16_t kRowRelative = 0x8000;

// NAME option flags.
inline constexpr uint16_t kNameHidden = 0x0001;
inline constexpr uint16_t kNameFunction = 0x0002;  // a function name (with the macro flags)
inline constexpr uint16_t kNameBuiltIn = 0x0020;

// Built-in defined names: a NAME record with the built-in flag holds one of these codes as its
// one-character name.
inline constexpr std::string_view kBuiltInNames[] = {
    "Consolidate_Area",  // 0x00
    "Auto_Open",         // 0x01
    "Auto_Close",        // 0x02
    "Extract",           // 0x03
    "Database",          // 0x04
    "Criteria",          // 0x05
    "Print_Area",        // 0x06
    "Print_Titles",      // 0x07
    "Recorder",          // 0x08
    "Data_Form",         // 0x09
    "Auto_Activate",     // 0x0A
    "Auto_Deactivate",   // 0x0B
    "Sheet_Title",       // 0x0C
    "_FilterDatabase",   // 0x0D
};
