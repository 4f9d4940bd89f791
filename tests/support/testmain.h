#pragma once

#include "dialogrecorder.h"
#include "settingsstore.h"

#include <QApplication>
#include <QLocale>
#include <QTest>
#include <QWidget>

// Every test runs with the offscreen platform (set by CTest), a fixed
// locale, no settings but its own, and message boxes that can never block.
#define WARDCHECK_TEST_MAIN(TestClass)                                                                                 \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));                                         \
        SettingsStore::clearAll();                                                                                     \
        {                                                                                                              \
            DialogRecorder guard;                                                                                      \
        }                                                                                                              \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

// For the checks that need no window: no QApplication, so nothing in them
// can create a widget.
#define WARDCHECK_CORE_TEST_MAIN(TestClass)                                                                            \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QCoreApplication app(argc, argv);                                                                              \
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));                                         \
        SettingsStore::clearAll();                                                                                     \
        TestClass test;                                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }

// Shows the window and makes it the active one, so that the window system's
// keys reach it; false if the window system would not.
inline bool showActive(QWidget *window)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return false;
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}
