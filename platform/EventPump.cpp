#include "platform/EventPump.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <thread>

void waitHandlingEvents(const std::function<bool()>& done) {
    QCoreApplication* app = QCoreApplication::instance();
    const bool onMainThread = app && QThread::currentThread() == app->thread();
    while (!done()) {
        if (onMainThread)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
