#pragma once

#include <QCoreApplication>
#include <QEventLoop>

// Lets the window repaint during a lookup. Keys and clicks that arrive
// meanwhile stay queued and are delivered, in order, when the lookup ends,
// so a fast scanner's next code can neither start a lookup inside this one
// nor mix its characters into the code being looked up.
inline void yieldToRepaint()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
