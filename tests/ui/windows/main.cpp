#include "WindowTests.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    using namespace qle::ui::test;
    int failed = 0;
    for (auto run : {RunSplashTests, RunAboutTests, RunOptionsTests})
        failed += run(argc, argv);
    return failed == 0 ? 0 : 1;
}
