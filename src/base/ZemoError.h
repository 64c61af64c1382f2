#pragma once

#include <QString>
#include <exception>

namespace zemo {

// The one error type of the program: a number and a description, as the common error box shows them.
class ZemoError : public std::exception {
public:
    ZemoError(int number, QString description) : m_number(number), m_description(std::move(description)) {}

    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return "ZemoError"; }

private:
    int m_number;
    QString m_description;
};

// Every number the program shows for a failure it names itself. Database errors carry the
// database's own number (SQLite's result code, Oracle's ORA number, a driver's native code).
namespace err {
inline constexpr int Unexpected = 0;         // a failure of no known kind
inline constexpr int OutOfMemory = 7;        // memory ran out
inline constexpr int NoDriver = 1001;        // no client driver for the service name
inline constexpr int BadConnect = 1002;      // connect string without user or password
inline constexpr int NotConnected = 1003;    // operation on a closed database
inline constexpr int NoSuchField = 1004;     // field name or position not in the result set
inline constexpr int MultiStatement = 1005;  // a text holding more than one statement
inline constexpr int MissingValue = 1006;    // a :name placeholder without a value
inline constexpr int ParameterForm = 1007;   // placeholders that cannot be bound as written
inline constexpr int ProfileRead = 1101;     // profile file cannot be read
inline constexpr int ProfileWrite = 1102;    // profile file cannot be written
inline constexpr int ProfileCopyFull = 1103; // all ten copy names are taken
inline constexpr int Keyring = 1104;         // the desktop keyring is missing, locked, refused or did not answer
inline constexpr int ProfileMissing = 1105;  // the profile a saved query names is not in the file
inline constexpr int FileWrite = 1201;       // CSV or other output file cannot be written
inline constexpr int ResultTooLarge = 1202;  // a result beyond what the result grid can hold
inline constexpr int Cancelled = 1301;       // the user stopped a database call
inline constexpr int Busy = 1302;            // a database wait started while another one runs
inline constexpr int ServerError = 1401;     // a server or driver error that carries no numeric code
inline constexpr int ConnectionLost = 1402;  // the connection to the server is gone
inline constexpr int QueryFileRead = 1501;   // a saved query cannot be read or is not one
inline constexpr int QueryFileWrite = 1502;  // a saved query cannot be written
inline constexpr int BadArguments = 1601;    // the command line cannot be understood
} // namespace err

// The failure being handled (inside a catch block) as a ZemoError: a ZemoError as it is, running out
// of memory as err::OutOfMemory, anything else as err::Unexpected with what it says of itself.
ZemoError currentFailure();

} // namespace zemo
