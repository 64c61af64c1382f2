#include "catalogue/Form2.h"

Form2::Form2(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("ZEMO-DB　テーブル選択")); }
