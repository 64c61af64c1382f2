#pragma once

#include "app/ZemoError.h"

#include <QString>

namespace zemo {

// The error box's number and text for a server's or driver's failure: `number` when it is not 0,
// otherwise err::ServerError; a non-empty SQLSTATE ends the text as " (42P01)" unless the text
// already holds it.
ZemoError serverError(int number, QString text, const QString& sqlState = {});

// PostgreSQL's SQLSTATE as the number when it is all digits (42601, 22012), otherwise 0.
int numericSqlState(const QString& sqlState);

} // namespace zemo
