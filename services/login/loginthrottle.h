#pragma once

#include <chrono>

// After a failed login the next attempt must wait, twice as long after each
// further failure: one second, two, four, up to a minute.
class LoginThrottle
{
public:
    using Duration = std::chrono::milliseconds;

    void recordFailure() { ++m_failures; }
    void recordSuccess() { m_failures = 0; }
    int failures() const { return m_failures; }
    Duration delay() const;

    // Tests shorten the unit of waiting; the program never changes it.
    static void setUnit(Duration unit);

private:
    int m_failures = 0;
};
