#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

// Runs `call` on the thread that owns `context` and returns once it has run, as a sent window message
// does. On that thread itself it runs at once: a blocking queued call to one's own thread would wait
// for ever. The owning thread must be handling events (its event loop, a modal box, or
// waitHandlingEvents) for a call from another thread to complete.
template <typename Call> void CallOnOwnerThread(QObject* context, Call&& call) {
    if (QThread::currentThread() == context->thread())
        call();
    else
        QMetaObject::invokeMethod(context, std::forward<Call>(call), Qt::BlockingQueuedConnection);
}
