#pragma once

#include <QObject>
#include <functional>
#include <memory>

namespace qs::qt::testing {

// The Qt test classes share one program; each registers itself under the name ctest runs it
// by, and each run of the program runs one class in a process of its own.
int RegisterTestClass(const char* name, std::function<std::unique_ptr<QObject>()> make);

}  // namespace qs::qt::testing

// In place of QTEST_MAIN: `QS_QT_TEST(qt_serial_port_tests, SerialPortTest)`.
#define QS_QT_TEST(name, ...)                                                                   \
    [[maybe_unused]] static const int qs_qt_test_##name = ::qs::qt::testing::RegisterTestClass( \
        #name, [] { return std::unique_ptr<QObject>(std::make_unique<__VA_ARGS__>()); });
