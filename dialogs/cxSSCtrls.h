#pragma once

#include <QListWidget>
#include <QWidget>
#include <functional>
#include <span>
#include <string_view>

#include "platform/Types.h"
#include "styles/cxSSStyleTypes.h"

class QPainter;

// One number format of the format list: the text shown and the format number records store.
struct TcxSSStyleListBoxItem {
  std::string_view Text;
  TxlsDataFormat Format;
};

// The list of number formats of one category. Filling it with items shows it and selects the
// first; an empty fill hides it. Selecting an item (by mouse or keyboard, or by SelectFormat)
// reports its format number.
class TcxSSStyleListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TcxSSStyleListBox(QWidget* parent = nullptr);

  void Fill(std::span<const TcxSSStyleListBoxItem> items);
  // Selects the item of `format`; false when the list has none.
  bool SelectFormat(TxlsDataFormat format);
  TxlsDataFormat FormatAt(int row) const;

  std::function<void(TxlsDataFormat)> OnSelectFormat;

 private:
  std::span<const TcxSSStyleListBoxItem> items_;
};

// A caption followed by an etched rule to the right edge.
class TcxLabelBevel : public QWidget {
  Q_OBJECT
 public:
  explicit TcxLabelBevel(const QString& caption, QWidget* parent = nullptr);
  QString CaptionText() const { return caption_; }
  void SetCaptionText(const QString& value);
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString caption_;
};

// A panel painted by its OnPaint; it never takes the focus. Without OnPaint it shows a
// button-face rectangle with a shadow frame.
class TcxPaintPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TcxPaintPanel(QWidget* parent = nullptr);
  std::function<void(TcxPaintPanel& sender, QPainter& painter)> OnPaint;
  std::function<void(TcxPaintPanel& sender, QPoint point)> OnClick;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};
