#include "loginthrottle.h"

#include <algorithm>

namespace {
LoginThrottle::Duration &unit()
{
    static LoginThrottle::Duration u{1000};
    return u;
}
} // namespace

void LoginThrottle::setUnit(Duration u)
{
    unit() = u;
}

LoginThrottle::Duration LoginThrottle::delay() const
{
    if (m_failures <= 0)
        return Duration{0};
    const int doublings = std::min(m_failures - 1, 6); // 1, 2, 4 ... 64 units
    return std::min(unit() * (1 << doublings), unit() * 60);
}
