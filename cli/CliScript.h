#pragma once

#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/Types.h"

class TcxSpreadSheetBook;
class TcxSSBookSheet;

// The formula engine's message boxes, kept until the script reports them against the command
// that caused them.
class TCliMessages : public IMessageBox {
public:
  void ShowMessage(const std::string& text) override { messages_.push_back(text); }
  // The messages shown since the last call.
  std::vector<std::string> Take() { return std::exchange(messages_, {}); }

private:
  std::vector<std::string> messages_;
};

// The editing commands of `zofmirel-cli script`, one a line, applied to a workbook through the
// operations the windows use: a cell object for typed text, the sheet's range operations on the
// selection for the range commands (the range is selected first, as a user would), the
// clipboard of the workbook's environment, the history's Undo and Redo.
//
// Blank lines and lines starting with "#" are skipped. Ranges are A1 text ("B2", "B2:D5",
// letters in either case) inside the file grid A1:IV65536; sheets are 0-based indexes. A command
// that fails (a refused range, an unknown command, a workbook error, or a message box of the
// formula engine) writes "line N: MESSAGE" to `err` and the script goes on.
//
// Commands (RANGE is A1 text, N and M sheet indexes):
//   sheet N                              make sheet N the active sheet
//   set A1 TEXT | setraw A1 TEXT         typed text (as the in-grid editor enters it) / plain text
//   clear RANGE [formats]                contents, with formats and merged areas when asked
//   insert RANGE right|down|columns|rows
//   delete RANGE left|up|columns|rows
//   hide|show RANGE cells|columns|rows
//   merge RANGE | split RANGE
//   sort RANGE asc|desc [asc|desc ...]   one direction per key column, the last for the rest
//   copy RANGE | cut RANGE | paste RANGE
//   undo [N] | redo [N]                  N steps, 1 by default
//   name NAME RANGE                      a defined name on the active sheet
//   addsheet [CAPTION] | delsheet N | rename N CAPTION | exchange N M
//   autorecalc on|off | recalc
//   protect sheet|book on|off
//   print RANGE                          values, a line per row, TAB between cells
//   history                              the undo steps, newest first
//   dump [--formulas|--display]          the active sheet as CSV
//   save FILE
class TCliScript {
public:
  // `messages` must be the message box of the workbook's environment.
  TCliScript(TcxSpreadSheetBook& book, TCliMessages& messages, std::ostream& out,
             std::ostream& err);

  // Runs every line of `in`; false when any command failed.
  bool Run(std::istream& in);
  // Runs one line; false (and the failure written to `err`) when the command failed.
  bool RunLine(int number, std::string_view line);

private:
  class TArguments;
  using THandler = void (TCliScript::*)(TArguments&);
  struct TCommand {
    std::string_view Name;
    THandler Run;
    std::string_view Usage;
  };
  static const TCommand kCommands[];

  void Execute(std::string_view line);
  TcxSSBookSheet& Sheet() const;
  // Whether a sheet has the caption, compared without regard to case.
  bool CaptionTaken(const std::string& caption) const;
  // Selects the range on the active sheet and answers the selection, which covers every
  // merged area the range touches.
  TRect Select(const TRect& cells);

  void ActivateSheet(TArguments& args);
  void SetText(TArguments& args);
  void SetRawText(TArguments& args);
  void Clear(TArguments& args);
  void Insert(TArguments& args);
  void Delete(TArguments& args);
  void Hide(TArguments& args);
  void Show(TArguments& args);
  void Merge(TArguments& args);
  void Split(TArguments& args);
  void Sort(TArguments& args);
  void Copy(TArguments& args);
  void Cut(TArguments& args);
  void Paste(TArguments& args);
  void Undo(TArguments& args);
  void Redo(TArguments& args);
  void Name(TArguments& args);
  void AddSheet(TArguments& args);
  void DeleteSheet(TArguments& args);
  void Rename(TArguments& args);
  void Exchange(TArguments& args);
  void AutoRecalc(TArguments& args);
  void Recalc(TArguments& args);
  void Protect(TArguments& args);
  void Print(TArguments& args);
  void History(TArguments& args);
  void Dump(TArguments& args);
  void Save(TArguments& args);

  void ShiftCells(TArguments& args, bool isDelete);
  void Visibility(TArguments& args, bool show);
  void MergeOrSplit(TArguments& args, bool merge);
  void CopyOrCut(TArguments& args, bool cut);
  void Replay(TArguments& args, bool undo);

  TcxSpreadSheetBook& book_;
  TCliMessages& messages_;
  std::ostream& out_;
  std::ostream& err_;
};
