#include <QCoreApplication>
#include <gtest/gtest.h>

// The website crawl runs its timer and its threads' calls on the application's event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
