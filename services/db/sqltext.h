#pragma once

#include <QString>

// Scanned and typed texts go into statements only through these, between
// the apostrophes that the statement's own pieces supply.
namespace SqlText {

// The text with U+FFFE, U+FFFF and unpaired surrogates as U+FFFD. SQLite's
// LIKE reads them all as U+FFFD, and an unpaired surrogate takes the next
// code unit with it on the way to the engine; both functions below apply it.
QString comparable(const QString &text);

// The text as the body of a quoted literal: every apostrophe doubled.
QString literalBody(const QString &text);

// The text as the beginning of a LIKE pattern (the caller adds "%"):
// apostrophes doubled and %, _ and [ bracketed so they match themselves.
QString likePrefixBody(const QString &text);

} // namespace SqlText
