#include <QCoreApplication>
#include <gtest/gtest.h>

// Every module test runs with an application object: the website crawl runs its timer and its threads' calls
// on its event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
