#pragma once

// Workbooks and controls for the sheet view tests: real screen fonts (the view measures and
// draws with them), English regional settings, recorded messages, a control shown on the
// offscreen platform at a known size.
#include <QImage>
#include <QTest>
#include <memory>

#include "calc/cxSSDataStorage.h"
#include "platform/FixedPlatform.h"
#include "platform/qt/QtEnvironment.h"
#include "sheet/cxSSBookSheet.h"
#include "sheet/cxSSCellObject.h"
#include "sheet/cxSSHeader.h"
#include "sheet/cxSpreadSheetBook.h"
#include "styles/cxSSCellStyle.h"
#include "styles/cxSSStyleCache.h"
#include "view/cxCanvasWrapper.h"
#include "view/cxSSBookPageCaptions.h"
#include "view/cxSSBookSheetControl.h"
#include "view/cxSSheetViewInfo.h"
#include "view/cxSpreadSheetBookControl.h"

// Cells named in A1 form: "B2" → (1, 1); "A1:B3" → the rectangle.
inline TRect CellsOf(const QString& reference) {
  const QStringList corners = reference.split(':');
  const auto cell = [](const QString& text) {
    int col = 0;
    int at = 0;
    while (at < text.size() && text[at].isLetter()) col = col * 26 + (text[at++].toUpper().unicode() - 'A' + 1);
    return std::pair{col - 1, text.mid(at).toInt() - 1};
  };
  const auto [left, top] = cell(corners.first());
  const auto [right, bottom] = cell(corners.last());
  return {left, top, right, bottom};
}

inline std::shared_ptr<TcxEnvironment> MakeViewEnvironment() {
  auto environment = MakeQtEnvironment();
  environment->Settings = TRegionalSettings::English();
  environment->PixelsPerInch = 96;
  environment->Messages = std::make_shared<TRecordingMessageBox>();
  return environment;
}

inline TRecordingMessageBox& Messages(const TcxCustomSpreadSheetBook& book) {
  return static_cast<TRecordingMessageBox&>(*book.Environment().Messages);
}

// A workbook and the control that shows it. The control is deleted before the workbook.
struct TViewFixture {
  std::unique_ptr<TcxSpreadSheetBook> Book;
  std::unique_ptr<TcxSpreadSheetBookControl> Control;

  explicit TViewFixture(QSize size = QSize(600, 400),
                        TcxSSPainterType painter = ptOffice97Style) {
    Book = std::make_unique<TcxSpreadSheetBook>(MakeViewEnvironment());
    Book->SetPainterType(painter);
    Control = std::make_unique<TcxSpreadSheetBookControl>(*Book);
    Control->resize(size);
    Control->show();
    QVERIFY(QTest::qWaitForWindowExposed(Control.get()));
  }
  ~TViewFixture() { Control.reset(); }

  // Only a vertical scroll bar and no tab strip: the sheet is the control less 16 pixels on the
  // right, whatever the fonts.
  void PlainSheet() const {
    Book->SetShowCaptionBar(false);
    Book->SetScrollBars(sbsVertical);
  }

  TcxSSBookSheet& Sheet() const { return Book->ActiveSheet(); }
  TcxSSDataStorage& Storage() const { return Sheet().DataStorage(); }
  TcxSSBookSheetControl& SheetControl() const { return *Control->ActiveSheetControl(); }
  TcxSSheetViewInfo& ViewInfo() const { return SheetControl().ViewInfo(); }
  const TcxSSViewInfoData& Data() const {
    ViewInfo().EnsureLayout();
    return ViewInfo().Data();
  }
  const TcxSSInfoBrick& Brick(int i, int j) const { return Data().Bricks[i][j]; }

  void SetText(int col, int row, const std::string& text) const {
    TcxSSCellObject cell(Storage(), col, row);
    cell.SetText(text);
  }
  // A style change of one cell through a style object.
  template <typename F>
  void Style(int col, int row, F&& change) const {
    TcxSSCellStyle style(Book->StyleCache(), &Storage(), col, row);
    change(style);
  }
  QImage Grab() const {
    return Control->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
};

inline QRgb Rgb(TColor color) { return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }
