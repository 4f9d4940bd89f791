#pragma once

#include "audit.h"

#include <memory>

// Where the records go: the systemd journal on Linux (auditsink_journal.cpp),
// the Application event log on Windows (auditsink_eventlog.cpp).
class AuditSink
{
public:
    virtual ~AuditSink() = default;
    // Empty when written; otherwise why not, in words IT can act on.
    virtual QString write(const Audit::Record &record) = 0;

    static std::unique_ptr<AuditSink> platform();
};
