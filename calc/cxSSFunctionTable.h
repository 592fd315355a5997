#pragma once

#include <cstdint>
#include <span>
#include <string_view>

class TcxSSFunctionHandler;

// A worksheet function routine: pops its arguments from the handler's stack and pushes exactly
// one result (or sets an error code).
using TcxFunctionProc = void (*)(TcxSSFunctionHandler& handler);

// One function of the table.
//   Index     the BIFF8 built-in function number, stored in ptgFuncVar tokens and in files;
//   Name      the upper-case name the parser and the text rebuild use;
//   Proc      the routine; empty while no routine is registered (evaluation then gives error 3);
//   Style     2 makes the text rebuild write the name followed by "()"; 0 for the built-ins;
//   FileArgs  the argument count a file's fixed-argument function token stands for.
struct TcxExcelFuncDefinition {
  uint16_t Index = 0;
  std::string_view Name;
  TcxFunctionProc Proc = nullptr;
  uint8_t Style = 0;
  uint8_t FileArgs = 0;
};
// The copy a lookup hands back.
using TcxFuncDefinition = TcxExcelFuncDefinition;

// Add-in functions (the analysis functions GCD, EDATE, MROUND, COMPLEX, ...) have no number in
// the file format: a file calls them as function 255 whose first operand, a ptgNameX token,
// names them (an add-in EXTERNNAME record). The table marks such an entry by writing kAddIn as
// its number; the table then numbers its add-ins from kAddInFunctionBase up, in the order it
// lists them, and no function of the file format uses those numbers. The numbers live only in
// the workbook's own tokens: the file reader finds an add-in by its name (FindFunctionByName)
// and the writer names it again (IsAddInFunction, then the entry's Name).
inline constexpr uint16_t kAddInFunctionBase = 0x8000;
inline constexpr uint16_t kAddIn = 0xFFFF;
constexpr bool IsAddInFunction(int index) { return index >= kAddInFunctionBase; }

// The 81 built-in functions, alphabetical, with the routines of the function library
// (cxSSFunctions.h), which is registered before the first lookup.
std::span<const TcxExcelFuncDefinition> BuiltInFunctions();

// The further functions that workbooks use beyond the 81: those of the file format (VLOOKUP,
// STDEV, PMT, ...) and the add-ins (above): the first entries of the dynamic list,
// alphabetical, with their routines.
std::span<const TcxExcelFuncDefinition> FurtherFunctions();

// The first entry with this number (built-ins first, then the added entries).
bool FindFunctionByIndex(int index, TcxFuncDefinition& definition);
// The first entry whose name equals `name` without regard to case; the Japanese names JIS and
// YEN find DBCS and USDOLLAR, the functions of the file format they name.
bool FindFunctionByName(std::string_view name, TcxFuncDefinition& definition);

// The dynamic list searched after the built-ins. The entry's Name must outlive the program
// (a literal, or text the caller keeps).
void AddFunction(const TcxFuncDefinition& definition);
// Removes the entries added by AddFunction (the further functions stay).
void ClearAddedFunctions();

// Sets the routine of the entry named `name` (exactly as the table writes it); false when there is
// none. The function library's registration uses it.
bool SetFunctionProc(std::string_view name, TcxFunctionProc proc);
