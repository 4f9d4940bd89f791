#pragma once

// Control of the SQL Server stand-in driver from a test or benchmark in the
// same process. The driver is loaded by the ODBC driver manager, so these
// are reached through dlopen/dlsym of the driver's file (see
// standincontrol.h); out of process the environment variables below do the
// same.
//
//   WARDCHECK_STANDIN_FAULT     a fault list, as wardcheck_standin_set_fault takes
//   WARDCHECK_STANDIN_LOGIN     user:password, the only login accepted
//   WARDCHECK_STANDIN_COUNTERS  a file; one line "connect" or "disconnect" is
//                               appended for every physical connect and disconnect
//   WARDCHECK_STANDIN_TRACE     a file; every ODBC call the driver receives is
//                               appended, one line each

#ifdef __cplusplus
extern "C" {
#endif

// Physical connects that succeeded, connect attempts (refused ones too) and
// physical disconnects since the driver was loaded or the counters reset.
long wardcheck_standin_connects(void);
long wardcheck_standin_connect_attempts(void);
long wardcheck_standin_disconnects(void);
void wardcheck_standin_reset_counters(void);
// Connections connected now (dropped ones too, until they are disconnected).
long wardcheck_standin_open_connections(void);

// Faults, comma-separated; each one kind[:argument][/times], where times is
// how often it fires (every time if left out):
//   connect-refused          the connect fails with 08001, as when no server listens
//   untrusted-certificate    the connect fails with 08001 and an SSL Provider error, as
//                            Microsoft's ODBC Driver 18 does for a server certificate
//                            that the PC does not trust
//   login-timeout:MS         the connect waits MS milliseconds (100 if left out),
//                            then fails with HYT00 "Login timeout expired"
//   drop-after-rows:N        a result's fetch after N rows fails with 08S01 and the
//                            connection is dead from then on
//   query-timeout-refused    setting a statement's SQL_ATTR_QUERY_TIMEOUT fails with
//                            HYC00, as a driver without timeouts answers
// An empty or null list clears every fault. Returns 0, or -1 (and changes
// nothing) if the list cannot be read.
int wardcheck_standin_set_fault(const char *faults);

// Accept only this login (SQLSTATE 28000 for any other); null user: any login.
void wardcheck_standin_set_login(const char *user, const char *password);

// Kills every connection that is connected now, as a server restart would;
// returns how many.
long wardcheck_standin_drop_connections(void);

#ifdef __cplusplus
}
#endif
