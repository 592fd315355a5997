#include "view/cxSSCursors.h"

#include <QPixmap>

// The resources are linked from a static library: naming their initialiser keeps them in the
// program (Q_INIT_RESOURCE may not be used inside a namespace).
static void InitResources() { Q_INIT_RESOURCE(zofmirel); }

namespace {

// Every cursor picture is 32 × 32 with its hot spot in the middle.
QCursor Load(const char* name) {
  InitResources();
  return QCursor(QPixmap(QString(":/cursors/%1.png").arg(name)), 16, 16);
}

}  // namespace

const QCursor& SelectCursor() {
  static const QCursor cursor = Load("select");
  return cursor;
}

const QCursor& HorzSplitCursor() {
  static const QCursor cursor = Load("hsplit");
  return cursor;
}

const QCursor& VertSplitCursor() {
  static const QCursor cursor = Load("vsplit");
  return cursor;
}
