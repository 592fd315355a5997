#include "view/cxSSHeaderSizeAction.h"

#include "calc/cxSSDataStorage.h"
#include "sheet/cxSSBookSheet.h"

std::string TcxSSHeaderSizeAction::Description() const {
  return kind_ == 0 ? "Resize column" : "Resize row";
}

void TcxSSHeaderSizeAction::Init(TcxSSBookSheet& sheet, int kind, int index,
                                 const TcxSSHeaderItem& previous) {
  sheet_ = &sheet;
  kind_ = kind;
  index_ = index;
  item_ = previous;
}

void TcxSSHeaderSizeAction::Swap() {
  if (!sheet_) return;
  TcxSSHeader& header = sheet_->DataStorage().Headers(kind_);
  const TcxSSHeaderItem current = header.GetItem(index_);
  header.SetItem(index_, item_);
  item_ = current;
}
