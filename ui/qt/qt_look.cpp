#include "ui/qt/qt_look.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyleFactory>

namespace quorvane {

QFont sheetFont() {
  QStringList families{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                       QStringLiteral("IPAPGothic")};
  const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
  if (!japanese.isEmpty()) families << japanese.first();
  QFont font;
  font.setFamilies(families);
  font.setPointSize(9);
  return font;
}

void applyLook() {
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setFont(sheetFont());
}

}  // namespace quorvane
