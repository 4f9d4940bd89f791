#pragma once

// The stand-in's control functions (standin.h), reached in this process
// through the driver's file: the driver manager loads the same file, so
// both see one driver. For tests and benchmarks built with
// wardcheck_add_sqlserver_test, which sets WARDCHECK_STANDIN_DRIVER.

#include "standin.h"

#include <cstdlib>
#include <dlfcn.h>
#include <stdexcept>
#include <string>

class StandinControl
{
public:
    explicit StandinControl(const char *driverPath = std::getenv("WARDCHECK_STANDIN_DRIVER"))
    {
        if (!driverPath)
            throw std::runtime_error("WARDCHECK_STANDIN_DRIVER does not name the stand-in driver");
        m_library = dlopen(driverPath, RTLD_NOW | RTLD_LOCAL);
        if (!m_library)
            throw std::runtime_error(std::string("cannot load the stand-in driver: ") + dlerror());
        resolve(m_connects, "wardcheck_standin_connects");
        resolve(m_attempts, "wardcheck_standin_connect_attempts");
        resolve(m_disconnects, "wardcheck_standin_disconnects");
        resolve(m_open, "wardcheck_standin_open_connections");
        resolve(m_reset, "wardcheck_standin_reset_counters");
        resolve(m_fault, "wardcheck_standin_set_fault");
        resolve(m_login, "wardcheck_standin_set_login");
        resolve(m_drop, "wardcheck_standin_drop_connections");
    }
    ~StandinControl() { dlclose(m_library); }
    StandinControl(const StandinControl &) = delete;
    StandinControl &operator=(const StandinControl &) = delete;

    long connects() const { return m_connects(); }
    long connectAttempts() const { return m_attempts(); }
    long disconnects() const { return m_disconnects(); }
    long openConnections() const { return m_open(); }
    void resetCounters() const { m_reset(); }
    // See wardcheck_standin_set_fault; throws if the list cannot be read.
    void setFault(const char *faults) const
    {
        if (m_fault(faults) != 0)
            throw std::invalid_argument(std::string("not a stand-in fault list: ") + faults);
    }
    void clearFaults() const { m_fault(nullptr); }
    void requireLogin(const char *user, const char *password) const { m_login(user, password); }
    void acceptAnyLogin() const { m_login(nullptr, nullptr); }
    long dropConnections() const { return m_drop(); }

private:
    template<typename F> void resolve(F &function, const char *name)
    {
        function = reinterpret_cast<F>(dlsym(m_library, name));
        if (!function)
            throw std::runtime_error(std::string("the stand-in driver lacks ") + name);
    }

    void *m_library = nullptr;
    long (*m_connects)() = nullptr;
    long (*m_attempts)() = nullptr;
    long (*m_disconnects)() = nullptr;
    long (*m_open)() = nullptr;
    void (*m_reset)() = nullptr;
    int (*m_fault)(const char *) = nullptr;
    void (*m_login)(const char *, const char *) = nullptr;
    long (*m_drop)() = nullptr;
};
