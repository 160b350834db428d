#include "platform/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <thread>

void waitHandlingEvents(const std::function<bool()>& done) {
    if (done())
        return;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) {
        while (!done())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return;
    }
    // The loop sleeps until an event comes (a worker's blocking call, a timer) and looks at `done` now and
    // then for what changes without one; a wait of minutes costs next to no processor time.
    QEventLoop loop;
    QTimer check;
    check.setInterval(10);
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    check.start();
    loop.exec();
}
