#pragma once

#include "base/ZemoError.h"

#include <QString>

namespace zemo {

// The error box's number and text for a server's or driver's failure: `number` when it is not 0,
// otherwise err::ServerError; a non-empty SQLSTATE ends the text as " (42P01)" unless the text
// already holds it.
ZemoError serverError(int number, QString text, const QString& sqlState = {});

// Whether an SQLSTATE says the connection is gone: class 08 (connection exception) and the server's
// own shutdown (57P01-57P03), which come before the connection's state says so.
bool connectionLostState(const QString& sqlState);

// err::ConnectionLost: the connection is gone and what to do, with the server's or driver's words.
ZemoError connectionLost(const QString& words);

// PostgreSQL's SQLSTATE as the number when it is all digits (42601, 22012), otherwise 0.
int numericSqlState(const QString& sqlState);

} // namespace zemo
