#include "profiles/Form6.h"

Form6::Form6(QWidget* parent) : QDialog(parent) { setWindowTitle(QStringLiteral("ZEMO-DB　接続")); }
