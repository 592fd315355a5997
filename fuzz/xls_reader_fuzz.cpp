// libFuzzer target for the workbook reader: any input must be read or refused with a
// TcxExcelReadError, without a crash, an out-of-bounds access, a hang or a huge allocation, and
// whatever is read must stay inside a BIFF8 sheet. An input that starts like a compound document
// is read as an .xls file (the seeds are the corpus files); any other input as a workbook stream.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "sheet/cxSSIntf.h"
#include "styles/cxSSCellStyle.h"
#include "xls/cxCompoundDocument.h"
#include "xls/cxExcelFileReader.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class TNullStyle : public IcxCellStyle {
public:
  void ApplyBorder(int index, TcxSSEdgeLineStyle, TcxSSColor) override { Check(index >= 0 && index < 4); }
  void ApplyBrush(TcxSSFillStyle, TcxSSColor, TcxSSColor) override {}
  void ApplyFormat(TxlsDataFormat) override {}
  void ApplyFont(const TcxSSFontRec* font) override { Check(font != nullptr); }
  void ApplyStyleRec(const TcxSSStyleRec& rec, bool) override { Check(rec.Font != nullptr); }
};

class TNullCell : public IcxSheetCell {
public:
  IcxCellStyle& GetStyle() override { return style_; }
  void SetText(const std::string&) override {}
  std::string GetText() const override { return {}; }
  void SetTextEx(const std::string&, bool, bool) override {}
  void SetNumber(double value) override { Check(std::isfinite(value)); }
  void SetPlainText(const std::string&) override {}
  bool IsFormula() const override { return true; }

private:
  TNullStyle style_;
};

bool InSheet(int col, int row) { return col >= 0 && col <= 255 && row >= 0 && row <= 65535; }

class TNullSheet : public IcxBookSheet {
public:
  void SetHeaderItem(int kind, int index, int, bool, bool, bool) override {
    Check(kind == 0 ? InSheet(index, 0) : InSheet(0, index));
  }
  void SetDefaultSize(int kind, int) override { Check(kind == 0 || kind == 1); }
  void MergeCells(const TRect& r, bool) override {
    Check(InSheet(r.Left, r.Top) && InSheet(r.Right, r.Bottom) && r.Left <= r.Right && r.Top <= r.Bottom);
  }
  void SetDimensions(int cols, int rows) override { Check(InSheet(cols, rows)); }
  void SetProtected(bool) override {}
  void SetOptions(const TRect&, bool, bool, bool, bool) override {}
  std::unique_ptr<IcxSheetCell> GetCell(int col, int row) override {
    Check(InSheet(col, row));
    return std::make_unique<TNullCell>();
  }
};

class TNullBook : public IcxSpreadSheetBook {
public:
  std::shared_ptr<IcxBookSheet> AddSheet(const std::string&) override {
    sheets_.push_back(std::make_shared<TNullSheet>());
    return sheets_.back();
  }
  int BeginUpdate() override { return 1; }
  int DefineName(const TcxSSNameDefinition& name) override {
    Check(name.Scope >= -1 && name.Scope < GetPageCount());
    if (name.Kind == nkCells)
      Check(name.Sheet < GetPageCount() && InSheet(name.Area.Left, name.Area.Top) &&
            InSheet(name.Area.Right, name.Area.Bottom));
    return 0;
  }
  bool SetNameFormula(int index, const std::string&) override {
    Check(index == 0);
    return true;
  }
  int EndUpdate() override { return 0; }
  std::unique_ptr<IcxSheetCell> GetCell(int page, int col, int row) override {
    return GetSheet(page)->GetCell(col, row);
  }
  std::shared_ptr<IcxBookSheet> GetSheet(int page) override {
    Check(page >= 0 && page < GetPageCount());
    return sheets_[static_cast<size_t>(page)];
  }
  int GetPageCount() const override { return static_cast<int>(sheets_.size()); }
  void SetProtected(bool) override {}
  void SetDefaultStyleRecord(const TcxSSStyleRec& rec, const TcxSSFontRec&) override {
    Check(rec.Font != nullptr);
  }
  void SetPalette(const std::array<TColor, 56>&) override {}
  void SetPageVisible(int page, bool) override { Check(page >= 0 && page < GetPageCount()); }

private:
  std::vector<std::shared_ptr<TNullSheet>> sheets_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  TNullBook book;
  TcxExcelFileReader reader(book, TRegionalSettings::English());
  const bool container = size >= 8 && std::equal(kcdSignature, kcdSignature + 8, data);
  const bool accepted = container ? reader.AcceptFile(std::move(bytes))
                                  : reader.AcceptWorkbookStream(std::move(bytes));
  if (!accepted) return 0;
  try {
    reader.ReadAll();
  } catch (const TcxExcelReadError&) {
  }
  return 0;
}
