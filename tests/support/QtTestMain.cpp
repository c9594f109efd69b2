// Test entry for the tests that need the program's application object.
#include "app/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
#ifdef _WIN32
    // Windows' offscreen platform has no fonts; the minimal one draws with the system's.
    const QByteArray platform = "minimal:enable_fonts";
#else
    const QByteArray platform = "offscreen";
#endif
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? platform : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
