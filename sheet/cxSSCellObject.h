#pragma once

#include <memory>
#include <string>

#include "calc/cxSSTypes.h"

class TcxSSDataStorage;
struct TcxFileFormula;
struct TcxFormulaBlock;
class TcxSSBookSheet;
class TcxSSCellStyle;
class IcxCellStyle;

// The reader's view of one cell (see cxSSIntf.h).
class IcxSheetCell {
public:
  virtual ~IcxSheetCell() = default;
  virtual IcxCellStyle& GetStyle() = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetText() const = 0;
  virtual void SetTextEx(const std::string& text, bool asFormula, bool allowFormula) = 0;
  // A file's constants are not typed text: a number keeps every digit, and a text stays the
  // text it is even when it reads like a date, an amount of money or a formula.
  virtual void SetNumber(double value) = 0;
  virtual void SetPlainText(const std::string& text) = 0;
  // True when the cell holds a formula (formula text that did not parse leaves a text cell).
  virtual bool IsFormula() const = 0;
  // Makes the cell the formula of `tokens`, as the workbook's parser made them for a formula of
  // the same shape at another cell (see TcxFormulaReader::ShapeKey). False when the cell cannot
  // take parsed tokens; the caller then gives the formula's text.
  virtual bool SetFormulaTokens(const TcxTokenString& /*tokens*/) { return false; }
  // The parsed tokens of the cell's formula; empty when it holds none or cannot give them.
  virtual TcxTokenString FormulaTokens() const { return {}; }
  // Makes the cell the formula of `tokens` converted straight from a file, which keeps what the
  // file holds of it (its own tokens and value). False when the cell cannot take it.
  // `block`: the array formula or data table the cell is part of.
  virtual bool SetFileFormula(const TcxTokenString& /*tokens*/,
                              std::shared_ptr<const TcxFileFormula> /*file*/,
                              const TcxFormulaBlock& /*block*/ = {}) {
    return false;
  }
};

// A short-lived handle through which everything outside the cell storage reads and writes one
// cell. It decides how typed text becomes a stored value (a date or time, a money amount, a
// percentage, a formula or plain text), and all changes made through one handle form one undo
// step "Change cells": the step opens with the handle and closes when it is destroyed (a handle
// that only reads leaves no step behind). Every read goes to the storage, so two handles on the
// same cell see each other's writes.
class TcxSSCellObject : public IcxSheetCell {
public:
  TcxSSCellObject(TcxSSDataStorage& storage, int col, int row);
  ~TcxSSCellObject() override;
  TcxSSCellObject(const TcxSSCellObject&) = delete;
  TcxSSCellObject& operator=(const TcxSSCellObject&) = delete;

  // Makes the handle one of cell (col, row): as destroying it and making a new one (the step
  // of the changes made so far closes, a new one opens), without a new object.
  void MoveTo(int col, int row);

  int Col() const { return col_; }
  int Row() const { return row_; }
  TcxSSBookSheet& Sheet() const;
  TcxSSDataStorage& Storage() const { return storage_; }

  void SetText(const std::string& text) override { SetTextEx(text, false, true); }
  void SetTextEx(const std::string& text, bool asFormula, bool allowFormula) override;
  // With `parse`, SetText; otherwise stores the text as plain text, uninterpreted, and leaves
  // recalculation and refresh to the caller.
  void SetRawText(const std::string& text, bool parse);
  void SetNumber(double value) override;
  void SetPlainText(const std::string& text) override;
  bool IsFormula() const override;
  bool SetFormulaTokens(const TcxTokenString& tokens) override;
  bool SetFileFormula(const TcxTokenString& tokens, std::shared_ptr<const TcxFileFormula> file,
                      const TcxFormulaBlock& block = {}) override;
  TcxTokenString FormulaTokens() const override;
  void SetDateTime(double value);

  // The edit text: what the cell-text box and the in-place editor show.
  std::string GetText() const override;
  // The value as text: a formula's formatted result, a number's FloatToText form, the text.
  std::string ValueText() const;
  // The value as the cell shows it under its number format.
  std::string DisplayText() const;
  // 0 left, 1 centre, 2 right, 3 fill, 4 justify, 5 centre across the selection, 6 distributed.
  int HorzAlignIndex() const;

  TcxSSCellStyle& Style();
  IcxCellStyle& GetStyle() override;
  bool HasStyle() const;
  // The automatic height of the cell's row.
  void AutoHeight();
  // Copies another cell's edit text and whole style into this one.
  void Assign(TcxSSCellObject& source);

private:
  // The undo step the handle's changes make: opened when the handle is made or moved, closed
  // (with the style object let go) when it is moved or destroyed.
  void OpenStep();
  void CloseStep();
  TxlsDataFormat Format() const;
  // The value text as the alignment and display rules read it: a formula's unformatted result.
  std::string RawValueText() const;

  TcxSSDataStorage& storage_;
  int col_;
  int row_;
  bool stepOpened_ = false;
  std::unique_ptr<TcxSSCellStyle> style_;
};
