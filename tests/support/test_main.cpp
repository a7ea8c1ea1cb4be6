#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    // Tests never need a display; Qt must not look for one.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv); // takes the locale from the environment, as the program does
    // A run asked for a locale that the machine lacks would pass without proving anything.
    if (const char* wanted = std::getenv("LC_ALL"); wanted && *wanted && std::string(std::setlocale(LC_ALL, nullptr)) != wanted) {
        std::fprintf(stderr, "the locale %s is not installed (scripts/bootstrap generates it)\n", wanted);
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
