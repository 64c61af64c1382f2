#pragma once

// libpq, PostgreSQL's client library, loaded when the first PostgreSQL connection is opened: a
// program that never reaches PostgreSQL maps neither it nor the libraries it pulls in (TLS,
// Kerberos, LDAP). For src/db only.

#include <libpq-fe.h>

namespace zemo {

#define ZEMO_LIBPQ_FUNCTIONS(X)                                                                              \
    X(PQconnectdbParams)                                                                                     \
    X(PQstatus)                                                                                              \
    X(PQerrorMessage)                                                                                        \
    X(PQfinish)                                                                                              \
    X(PQparameterStatus)                                                                                     \
    X(PQgetCancel)                                                                                           \
    X(PQfreeCancel)                                                                                          \
    X(PQcancel)                                                                                              \
    X(PQsendQueryParams)                                                                                     \
    X(PQsetSingleRowMode)                                                                                    \
    X(PQgetResult)                                                                                           \
    X(PQconsumeInput)                                                                                        \
    X(PQisBusy)                                                                                              \
    X(PQresultStatus)                                                                                        \
    X(PQresultErrorMessage)                                                                                  \
    X(PQresultErrorField)                                                                                    \
    X(PQclear)                                                                                               \
    X(PQntuples)                                                                                             \
    X(PQnfields)                                                                                             \
    X(PQfname)                                                                                               \
    X(PQftype)                                                                                               \
    X(PQgetisnull)                                                                                           \
    X(PQgetlength)                                                                                           \
    X(PQgetvalue)                                                                                            \
    X(PQunescapeBytea)                                                                                       \
    X(PQfreemem)

// The functions the adapter calls, under their own names.
struct LibPq {
#define ZEMO_LIBPQ_POINTER(name) decltype(&::name) name = nullptr;
    ZEMO_LIBPQ_FUNCTIONS(ZEMO_LIBPQ_POINTER)
#undef ZEMO_LIBPQ_POINTER

    // Loads libpq once; throws ZemoError(err::NoDriver) when it is missing or lacks a function.
    static const LibPq& get();
};

} // namespace zemo
