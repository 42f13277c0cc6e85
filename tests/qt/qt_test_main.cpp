#include "qt_test_main.h"

#include <QApplication>
#include <QtTest>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace qs::qt::testing {

namespace {

std::map<std::string, std::function<std::unique_ptr<QObject>()>>& Classes() {
    static std::map<std::string, std::function<std::unique_ptr<QObject>()>> classes;
    return classes;
}

}  // namespace

int RegisterTestClass(const char* name, std::function<std::unique_ptr<QObject>()> make) {
    Classes()[name] = std::move(make);
    return 0;
}

}  // namespace qs::qt::testing

// qt_tests NAME [Qt Test options]: runs the test class registered as NAME, as its own test
// program would.
int main(int argc, char** argv) {
    auto& classes = qs::qt::testing::Classes();
    const auto found = argc > 1 ? classes.find(argv[1]) : classes.end();
    if (found == classes.end()) {
        std::fprintf(stderr, "Usage: %s NAME [Qt Test options]; NAME is one of:\n", argv[0]);
        for (const auto& entry : classes)
            std::fprintf(stderr, "  %s\n", entry.first.c_str());
        return 2;
    }
    // The class's name takes the place of the program's for Qt Test.
    std::vector<char*> args{argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());
    app.setAttribute(Qt::AA_Use96Dpi, true);
    const std::unique_ptr<QObject> test = found->second();
    return QTest::qExec(test.get(), count, args.data());
}
