#include "view/cxSSCursors.h"

#include <QCoreApplication>
#include <QPixmap>
#include <array>
#include <memory>

// The resources are linked from a static library: naming their initialiser keeps them in the
// program (Q_INIT_RESOURCE may not be used inside a namespace).
static void InitResources() { Q_INIT_RESOURCE(zofmirel); }

namespace {

enum TCursorKind { kSelect, kHorzSplit, kVertSplit };

// The cursors live from their first use until the application object is destroyed (a pixmap
// must not outlive it), and are made again should another application object follow.
std::array<std::unique_ptr<QCursor>, 3>& Cursors() {
  static std::array<std::unique_ptr<QCursor>, 3> cursors;
  return cursors;
}

void ReleaseCursors() {
  for (auto& cursor : Cursors()) cursor.reset();
}

// Every cursor picture is 32 × 32 with its hot spot in the middle.
const QCursor& Cursor(TCursorKind kind) {
  static constexpr const char* kNames[] = {"select", "hsplit", "vsplit"};
  auto& cursors = Cursors();
  if (!cursors[kind]) {
    if (!cursors[kSelect] && !cursors[kHorzSplit] && !cursors[kVertSplit]) {
      InitResources();
      qAddPostRoutine(ReleaseCursors);
    }
    cursors[kind] = std::make_unique<QCursor>(QPixmap(QString(":/cursors/%1.png").arg(kNames[kind])), 16, 16);
  }
  return *cursors[kind];
}

}  // namespace

const QCursor& SelectCursor() { return Cursor(kSelect); }

const QCursor& HorzSplitCursor() { return Cursor(kHorzSplit); }

const QCursor& VertSplitCursor() { return Cursor(kVertSplit); }
